#pragma once

#include "PallixString.h"
#include "TitleScan.h"

#include <memory>
#include <string>
#include <unordered_set>

class MediaEntry;

// Makes the database records of what a scan found. A title's own record takes
// its metadata from its .nfo or, failing that, from its name. Every episode and
// extra is a record of its own, which its title's feature items name: Title and
// Original Title "<title> – <label>" ("Lantern Street – 1x02", "Heat – Trailer"),
// Genre "Episodes" or "Extras" so that the genre grid shows them apart from the
// films, and the title's year, people, rating, description and covers unless its
// own .nfo says otherwise.
class RecordAssembler
{
public:
    static const char* EPISODES_GENRE;
    static const char* EXTRAS_GENRE;

    // A Title that is already in the database, which no new episode or extra may take.
    void reserveTitle(const PallixString& title);
    // The record of the title's own item (item 0).
    std::unique_ptr<MediaEntry> buildMain(TitleScan& scan);
    // The record of an episode or extra of pParent, which names it by its Title.
    // parentMPAA: the parent's rating text, which parental control must see on
    // its episodes and extras too.
    // label receives the text its title's list shows for it.
    std::unique_ptr<MediaEntry> buildChild(TitleScan& scan, size_t nItem, MediaEntry* pParent,
                                           const PallixString& parentMPAA, PallixString& label);

    // A title's name, year, edition, other title and id, from its names.
    static NameParser::TitleName nameOf(const TitleFolder& title);

private:
    // title, or title with " (2)", " (3)" ... when it is taken.
    PallixString takeUniqueTitle(const PallixString& title);

    std::unordered_set<std::string> mTitles;
};
