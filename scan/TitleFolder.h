#pragma once

#include "NameParser.h"
#include "PallixString.h"

#include <vector>

// One title found on disk: a film's folder, a DVD folder, a series folder or a
// film file lying directly in a scanned folder, with the records it makes: the
// title's own first, then its episodes in episode order, then its extras.
class TitleFolder
{
public:
    enum Kind
    {
        FILM,
        DVD,
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
        // title-set files instead ("VIDEO_TS", or empty when they lie in folder).
        PallixString file;
        // The episode's mark, or an extra's name made readable.
        NameParser::EpisodeMark mark;
        PallixString label;
    };

    Kind kind = FILM;
    // The title's folder; for a loose file, the folder it lies in.
    PallixString folder;
    // The name the title is read from: the folder's, or the loose file's without extension.
    PallixString name;
    std::vector<Item> items;
};
