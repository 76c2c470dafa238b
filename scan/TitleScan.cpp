#include "TitleScan.h"

#include "CoverMaker.h"
#include "DatabaseValue.h"
#include "FileUtils.h"
#include "FilmParts.h"
#include "FolderWalker.h"
#include "PallixDirScanner.h"
#include "PallixTitleSetName.h"
#include "ProbeCache.h"

#include <algorithm>
#include <sys/stat.h>

namespace
{
int64_t timeOf(const struct stat64& st)
{
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}
} // namespace

TitleScan::TitleScan(TitleFolder title) : mTitle(std::move(title)), mItems(mTitle.items.size()) {}

PallixString TitleScan::getWhere()
{
    if (mTitle.kind == TitleFolder::LOOSE_FILE)
        return mTitle.folder + "/" + mTitle.items.front().file;
    if (mTitle.kind == TitleFolder::SERIES && !mTitle.bOwnFolder)
        return mTitle.folder + " (" + mTitle.name + ")";
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

bool TitleScan::readFileState(ItemScan& scan, const PallixString& path, bool bTitleSets)
{
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
        if (!PallixTitleSetName::Is(name.str()) || ::stat64(path + "/" + name, &part) != 0)
            continue;
        scan.nSize += static_cast<uint64_t>(part.st_size);
        scan.nTime = std::max(scan.nTime, timeOf(part));
    }
    return true;
}

bool TitleScan::probe(ItemScan& scan, const PallixString& path, bool bTitleSets, const ProbeCache& cache)
{
    if (!readFileState(scan, path, bTitleSets))
    {
        mProblems.push_back(path + ": cannot be read");
        return false;
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
    scan.record = scan.values;
    return scan.bProbed;
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
    if (probe(scan, path, bTitleSets, cache) && !item.parts.empty())
        addUpParts(nItem, cache);
    if (!scan.pExisting)
        readNfo(nItem);
}

void TitleScan::addUpParts(size_t nItem, const ProbeCache& cache)
{
    const TitleFolder::Item& item = mTitle.items[nItem];
    ItemScan& scan = mItems[nItem];
    double seconds = scan.values.getSeconds();
    scan.parts.assign(item.parts.size(), ItemScan());
    for (size_t i = 0; i < item.parts.size(); ++i)
    {
        ItemScan& part = scan.parts[i];
        // A part that cannot be probed leaves the running time unknown rather than short.
        if (!probe(part, item.folder + "/" + item.parts[i], false, cache) || part.values.getSeconds() <= 0)
            seconds = 0;
        seconds += seconds > 0 ? part.values.getSeconds() : 0;
        scan.bUnchanged = scan.bUnchanged && part.bUnchanged;
    }
    scan.record.getDuration() = ProbedValues::formatDuration(seconds);
}

void TitleScan::readNfo(size_t nItem)
{
    const TitleFolder::Item& item = mTitle.items[nItem];
    ItemScan& scan = mItems[nItem];
    const bool bMain = item.role == TitleFolder::MAIN;
    std::vector<PallixString> candidates;
    if (bMain && mTitle.kind == TitleFolder::SERIES)
        for (const PallixString& folder : mTitle.nfoFolders)
            candidates.push_back(folder + "/tvshow.nfo");
    else if (bMain && mTitle.bOwnFolder)
        candidates.push_back(mTitle.folder + "/movie.nfo");
    if (bMain && mTitle.kind == TitleFolder::DVD && !item.file.IsEmpty())
        candidates.push_back(mTitle.folder + "/" + item.file + "/VIDEO_TS.nfo");
    // A series' own record is not its first episode's, nor a disc's its stream's.
    const bool bOwnFile = !bMain || mTitle.kind == TitleFolder::FILM || mTitle.kind == TitleFolder::LOOSE_FILE;
    if (bOwnFile)
    {
        const PallixString stem = FolderWalker::withoutExtension(item.file);
        candidates.push_back(item.folder + "/" + stem + ".nfo");
        // "Film.CD1.avi" may have "Film.nfo".
        if (!item.parts.empty() && FilmParts::withoutMark(stem.str()) != stem.str())
            candidates.push_back(item.folder + "/" + PallixString(FilmParts::withoutMark(stem.str())) + ".nfo");
    }

    for (const PallixString& candidate : candidates)
    {
        if (!FileUtils::fileExists(candidate))
            continue;
        if (scan.nfo.load(candidate))
        {
            scan.bHasNfo = true;
            return;
        }
        // A release group's notes are nobody's metadata; a broken file is reported and passed over.
        if (!scan.nfo.isPlainText())
            mProblems.push_back(candidate + ": " + scan.nfo.getError());
    }
}

void TitleScan::run(const ProbeCache& cache, CoverMaker* pCovers)
{
    for (size_t i = 1; i < mItems.size(); ++i)
        scanItem(i, cache);
    PallixString playFile;
    if (mTitle.kind == TitleFolder::SERIES)
    {
        // A series has no file of its own: it shows what its first playable episode is.
        for (size_t i = 1; i < mItems.size(); ++i)
            if (mTitle.items[i].role == TitleFolder::EPISODE && mItems[i].bProbed)
            {
                mItems[0].bProbed = true;
                mItems[0].bUnchanged = mItems[i].bUnchanged;
                mItems[0].values = mItems[i].values;
                mItems[0].record = mItems[i].values;
                playFile = getRecordPath(i) + "/" + getRecordFilename(i);
                break;
            }
        if (!mItems[0].pExisting)
            readNfo(0);
    }
    else
    {
        scanItem(0, cache);
        playFile = getRecordPath(0) + "/" + getRecordFilename(0);
    }

    if (pCovers && !mItems[0].pExisting && mItems[0].bProbed)
        pCovers->provideCovers(mTitle, playFile, mImage, mLargeImage, mProblems);
}
