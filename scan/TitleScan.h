#pragma once

#include "NfoFile.h"
#include "ProbedValues.h"
#include "TitleFolder.h"

#include <cstdint>
#include <string>
#include <vector>

class CoverMaker;
class MediaEntry;
class ProbeCache;

// The work done for one title, on a worker thread: the state of each of its
// files, their probed values (from the cache when the file is unchanged), the
// .nfo of each record that is new, and the covers of a new title.
class TitleScan
{
public:
    struct ItemScan
    {
        // The record the database already has for this item, or null: set before
        // the scan, which then reads no .nfo for it.
        MediaEntry* pExisting = nullptr;
        // What identifies the item's file in the cache; empty when it cannot be stored.
        std::string cacheKey;
        uint64_t nSize = 0;
        int64_t nTime = 0;
        bool bProbed = false;
        // The values came from the cache: the file is as it was.
        bool bUnchanged = false;
        // What probing the file itself gave, as the cache keeps it.
        ProbedValues values;
        // What the record takes: the same, with a film's parts' running times added up.
        ProbedValues record;
        // A film's further parts, each probed (and cached) on its own.
        std::vector<ItemScan> parts;
        bool bHasNfo = false;
        NfoFile nfo;
    };

    explicit TitleScan(TitleFolder title);

    // pCovers is null when no covers are to be made (a dry run).
    void run(const ProbeCache& cache, CoverMaker* pCovers);

    TitleFolder& getTitle() { return mTitle; }
    std::vector<ItemScan>& getItems() { return mItems; }
    PallixString& getImage() { return mImage; }
    PallixString& getLargeImage() { return mLargeImage; }
    std::vector<PallixString>& getProblems() { return mProblems; }
    // The folder (or, for a loose film, the file) the title stands for.
    PallixString getWhere();
    // Where the item's record points: Path and Filename.
    PallixString getRecordPath(size_t nItem);
    PallixString getRecordFilename(size_t nItem);

private:
    void scanItem(size_t nItem, const ProbeCache& cache);
    void readNfo(size_t nItem);
    // The file's, or for a DVD its title-set files' summed, size and latest time.
    static bool readFileState(ItemScan& scan, const PallixString& path, bool bTitleSets);
    // Probes one file unless the cache knows it as it is; false when it cannot be probed.
    bool probe(ItemScan& scan, const PallixString& path, bool bTitleSets, const ProbeCache& cache);
    // A film in parts runs as long as its parts together.
    void addUpParts(size_t nItem, const ProbeCache& cache);

    TitleFolder mTitle;
    std::vector<ItemScan> mItems;
    PallixString mImage;
    PallixString mLargeImage;
    std::vector<PallixString> mProblems;
};
