#include "TitleScan.h"

#include "CoverMaker.h"
#include "DatabaseValue.h"
#include "FileUtils.h"
#include "FolderWalker.h"
#include "PallixDirScanner.h"
#include "ProbeCache.h"

#include <algorithm>
#include <sys/stat.h>

namespace
{
int64_t timeOf(const struct stat64& st)
{
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

bool isTitleSetFile(const std::string& name)
{
    if (name.size() < 12)
        return false;
    std::string folded = name;
    for (char& c : folded)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return folded.compare(0, 4, "VTS_") == 0 && folded.compare(folded.size() - 4, 4, ".VOB") == 0;
}
} // namespace

TitleScan::TitleScan(TitleFolder title) : mTitle(std::move(title)), mItems(mTitle.items.size()) {}

PallixString TitleScan::getWhere()
{
    if (mTitle.kind == TitleFolder::LOOSE_FILE)
        return mTitle.folder + "/" + mTitle.items.front().file;
    return mTitle.folder;
}

PallixString TitleScan::getRecordPath(size_t nItem)
{
    return mTitle.items[nItem].folder;
}

PallixString TitleScan::getRecordFilename(size_t nItem)
{
    const TitleFolder::Item& item = mTitle.items[nItem];
    if (mTitle.kind == TitleFolder::DVD && item.role == TitleFolder::MAIN)
    {
        const PallixString& playFile = mItems[nItem].values.getPlayFile();
        return item.file.IsEmpty() ? playFile : item.file + "/" + playFile;
    }
    return item.file;
}

bool TitleScan::readFileState(size_t nItem, const PallixString& path, bool bTitleSets)
{
    ItemScan& scan = mItems[nItem];
    struct stat64 st;
    if (::stat64(path, &st) != 0)
        return false;
    if (!bTitleSets)
    {
        scan.nSize = static_cast<uint64_t>(st.st_size);
        scan.nTime = timeOf(st);
        return true;
    }
    // A DVD changes when any of its title-set files does.
    scan.nSize = 0;
    scan.nTime = 0;
    PallixDirScanner listing(path);
    for (int i = 0; i < listing.GetNumEntries(); ++i)
    {
        const PallixString name = listing.GetEntry(i);
        struct stat64 part;
        if (!isTitleSetFile(name.str()) || ::stat64(path + "/" + name, &part) != 0)
            continue;
        scan.nSize += static_cast<uint64_t>(part.st_size);
        scan.nTime = std::max(scan.nTime, timeOf(part));
    }
    return true;
}

void TitleScan::scanItem(size_t nItem, const ProbeCache& cache)
{
    const TitleFolder::Item& item = mTitle.items[nItem];
    ItemScan& scan = mItems[nItem];
    const bool bTitleSets = mTitle.kind == TitleFolder::DVD && item.role == TitleFolder::MAIN;
    const PallixString path = item.file.IsEmpty() ? item.folder : item.folder + "/" + item.file;
    if (!DatabaseValue::isStorable(item.folder.str()) || (!item.file.IsEmpty() && !DatabaseValue::isStorable(item.file.str())))
    {
        mProblems.push_back(path + ": name cannot be stored in the database");
        return;
    }
    if (!readFileState(nItem, path, bTitleSets))
    {
        mProblems.push_back(path + ": cannot be read");
        return;
    }
    scan.cacheKey = path.str();
    if (cache.lookup(scan.cacheKey, scan.nSize, scan.nTime, scan.values))
    {
        scan.bProbed = true;
        scan.bUnchanged = true;
    }
    else
    {
        PallixString reason;
        scan.bProbed = bTitleSets ? scan.values.probeTitleSets(path, reason) : scan.values.probeFile(path, reason);
        if (!scan.bProbed)
            mProblems.push_back(path + ": " + reason);
    }
    if (!scan.pExisting)
        readNfo(nItem);
}

void TitleScan::readNfo(size_t nItem)
{
    const TitleFolder::Item& item = mTitle.items[nItem];
    ItemScan& scan = mItems[nItem];
    std::vector<PallixString> candidates;
    if (item.role == TitleFolder::MAIN && mTitle.kind != TitleFolder::LOOSE_FILE)
    {
        candidates.push_back(mTitle.folder + "/movie.nfo");
        if (mTitle.kind == TitleFolder::SERIES)
            candidates.push_back(mTitle.folder + "/tvshow.nfo");
        if (mTitle.kind == TitleFolder::DVD && !item.file.IsEmpty())
            candidates.push_back(mTitle.folder + "/" + item.file + "/VIDEO_TS.nfo");
    }
    // A series' own record is not its first episode's.
    if (!(item.role == TitleFolder::MAIN && mTitle.kind == TitleFolder::SERIES) &&
        !(item.role == TitleFolder::MAIN && mTitle.kind == TitleFolder::DVD))
        candidates.push_back(item.folder + "/" + FolderWalker::withoutExtension(item.file) + ".nfo");

    for (const PallixString& candidate : candidates)
    {
        if (!FileUtils::fileExists(candidate))
            continue;
        if (scan.nfo.load(candidate))
        {
            scan.bHasNfo = true;
            return;
        }
        // The first one that can be read wins; a broken one is reported and passed over.
        mProblems.push_back(candidate + ": " + scan.nfo.getError());
    }
}

void TitleScan::run(const ProbeCache& cache, CoverMaker* pCovers)
{
    // A series plays its first episode that can be played: its own record
    // follows its episodes.
    for (size_t i = 1; i < mItems.size(); ++i)
        scanItem(i, cache);
    if (mTitle.kind == TitleFolder::SERIES)
    {
        for (size_t i = 1; i < mItems.size(); ++i)
            if (mTitle.items[i].role == TitleFolder::EPISODE && mItems[i].bProbed)
            {
                mTitle.items[0].file = mTitle.items[i].file;
                mItems[0].cacheKey = mItems[i].cacheKey;
                mItems[0].nSize = mItems[i].nSize;
                mItems[0].nTime = mItems[i].nTime;
                mItems[0].bProbed = true;
                mItems[0].bUnchanged = mItems[i].bUnchanged;
                mItems[0].values = mItems[i].values;
                break;
            }
        if (!mItems[0].pExisting)
            readNfo(0);
    }
    else
        scanItem(0, cache);

    if (pCovers && !mItems[0].pExisting && mItems[0].bProbed)
        pCovers->provideCovers(mTitle, getRecordPath(0) + "/" + getRecordFilename(0), mImage, mLargeImage,
                               mProblems);
}
