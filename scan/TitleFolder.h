#pragma once

#include "NameParser.h"
#include "PallixString.h"

#include <vector>

// One title found on disk: a film's folder, a DVD or Blu-ray folder, a show (its
// seasons from any folders), or a film file lying among others, with the records
// it makes: the title's own first, then its episodes in viewing order, then its
// extras.
class TitleFolder
{
public:
    enum Kind
    {
        FILM,
        DVD,
        BLURAY,
        SERIES,
        LOOSE_FILE,
    };
    enum Role
    {
        MAIN,
        EPISODE,
        EXTRA,
    };

    struct Item
    {
        Role role = MAIN;
        // The folder that holds the file.
        PallixString folder;
        // The file's name in folder. A DVD's main item names the folder of its
        // title-set files instead ("VIDEO_TS", or empty when they lie in folder);
        // a Blu-ray's its main stream ("BDMV/STREAM/00800.m2ts"); a series' none.
        PallixString file;
        // The film's further parts, in order, beside file in folder.
        std::vector<PallixString> parts;
        // The episode's mark, or an extra's name made readable.
        NameParser::EpisodeMark mark;
        PallixString label;
    };

    Kind kind = FILM;
    // The title's folder; for a loose file, the folder it lies in; for a show,
    // its own folder, or the first folder its episodes were found in.
    PallixString folder;
    // False when folder holds other titles too: the title's covers then go elsewhere.
    bool bOwnFolder = true;
    // The name the title is read from: the folder's, or the loose file's without
    // extension; a show's name as its folder or its episodes give it.
    PallixString name;
    // A second name to read what the first lacks (the year, the edition): the
    // film file's, for a title named after its folder.
    PallixString otherName;
    // A show's year, from its folder's name; may be empty.
    PallixString year;
    // Folders that may hold a show's tvshow.nfo.
    std::vector<PallixString> nfoFolders;
    std::vector<Item> items;
};
