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
        ProbedValues values;
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
    bool readFileState(size_t nItem, const PallixString& path, bool bTitleSets);

    TitleFolder mTitle;
    std::vector<ItemScan> mItems;
    PallixString mImage;
    PallixString mLargeImage;
    std::vector<PallixString> mProblems;
};
