#include "LibraryScanner.h"

#include "CoverMaker.h"
#include "DatabaseFile.h"
#include "FileUtils.h"
#include "FolderWalker.h"
#include "MediaEntry.h"
#include "NameParser.h"
#include "ParallelWork.h"
#include "PallixTitleSetName.h"
#include "ProbeCache.h"
#include "RecordAssembler.h"
#include "ScanConsole.h"

#include <algorithm>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unordered_set>
#include <unistd.h>

namespace
{
const char* const CACHE_SUFFIX = ".scancache";
const char* const COVERS_FOLDER = "quorva-covers";

// When the titles of this run entered the library, in local time: the same for
// every record the run adds.
PallixString addedNow()
{
    static const PallixString ADDED = []
    {
        time_t now = std::time(nullptr);
        struct tm local;
        char text[32] = "";
        if (localtime_r(&now, &local))
            std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &local);
        return PallixString(text);
    }();
    return ADDED;
}
} // namespace

LibraryScanner::LibraryScanner() : mAddedCount(0), mUpdatedCount(0), mUnchangedCount(0) {}

LibraryScanner::~LibraryScanner() = default;

PallixString LibraryScanner::absolutePath(const PallixString& path)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(path.str()), error);
    if (error)
        absolute = std::filesystem::path(path.str());
    std::string text = absolute.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return PallixString(std::move(text));
}

PallixString LibraryScanner::keyOf(MediaEntry* pEntry)
{
    PallixString path = absolutePath(pEntry->getPath());
    PallixString filename = pEntry->getFilename();
    if (filename.IsEmpty())
        return path;
    int nSlash = filename.ReverseFind('/');
    if (PallixTitleSetName::Is(filename.Mid(nSlash + 1).str()))
        return nSlash < 0 ? path : absolutePath(path + "/" + filename.Left(nSlash));
    return absolutePath(path + "/" + filename);
}

PallixString LibraryScanner::keyOf(TitleScan& scan, size_t nItem)
{
    const TitleFolder::Item& item = scan.getTitle().items[nItem];
    return item.file.IsEmpty() ? item.folder : absolutePath(item.folder + "/" + item.file);
}

void LibraryScanner::matchExisting()
{
    mExistingMatched.assign(mExisting.size(), false);
    for (size_t i = 0; i < mExisting.size(); ++i)
        mExistingIndex[mExisting[i].get()] = static_cast<long>(i);
    // A record some other record's feature items name is an episode's or an extra's.
    std::unordered_set<std::string> named;
    for (auto& pEntry : mExisting)
        for (FeatureItem& item : pEntry->getFeatureItems())
            named.insert(item.getPath().str());
    std::vector<bool> bChild(mExisting.size(), false);
    std::map<std::string, std::vector<size_t>> byKey;
    std::map<std::string, std::vector<size_t>> byPath;
    for (size_t i = 0; i < mExisting.size(); ++i)
    {
        bChild[i] = named.count(mExisting[i]->getTitle().str()) > 0;
        byKey[keyOf(mExisting[i].get()).str()].push_back(i);
        byPath[absolutePath(mExisting[i]->getPath()).str()].push_back(i);
    }
    // The first record of this file, in database order, with the same role: a
    // film that was grouped as another's extra (or the other way round) gets a
    // record of its own, and the old one is left for the missing list.
    auto take = [&](const PallixString& key, bool bWantChild) -> MediaEntry*
    {
        auto found = byKey.find(key.str());
        if (found == byKey.end())
            return nullptr;
        for (size_t nIndex : found->second)
            if (!mExistingMatched[nIndex] && bChild[nIndex] == bWantChild)
            {
                mExistingMatched[nIndex] = true;
                return mExisting[nIndex].get();
            }
        return nullptr;
    };
    for (auto& pScan : mScans)
        for (size_t i = 0; i < pScan->getItems().size(); ++i)
            if (i > 0 || pScan->getTitle().kind != TitleFolder::SERIES)
                pScan->getItems()[i].pExisting = take(keyOf(*pScan, i), i > 0);
    for (auto& pScan : mScans)
    {
        TitleScan::ItemScan& main = pScan->getItems()[0];
        if (pScan->getTitle().kind == TitleFolder::SERIES)
            main.pExisting = matchSeries(*pScan, byPath, bChild);
        // A record written by hand may name only the title's folder.
        else if (!main.pExisting && pScan->getTitle().kind != TitleFolder::LOOSE_FILE)
            main.pExisting = take(pScan->getTitle().folder, false);
    }
}

MediaEntry* LibraryScanner::matchSeries(TitleScan& scan, std::map<std::string, std::vector<size_t>>& byPath,
                                        const std::vector<bool>& bChild)
{
    // The show's record lies in its folder and names its episodes; a show's
    // folder may hold several shows' records when its episodes lie among downloads.
    std::unordered_set<std::string> episodes;
    for (TitleScan::ItemScan& item : scan.getItems())
        if (item.pExisting)
            episodes.insert(item.pExisting->getTitle().str());
    const std::string show = NameParser::comparable(scan.getTitle().name.str());
    long nBest = -1;
    int nBestScore = 0;
    std::vector<size_t> candidates;
    for (size_t nIndex : byPath[scan.getTitle().folder.str()])
    {
        MediaEntry* pEntry = mExisting[nIndex].get();
        if (mExistingMatched[nIndex] || bChild[nIndex] ||
            (!pEntry->getFilename().IsEmpty() && pEntry->getFeatureItems().GetSize() == 0))
            continue;
        candidates.push_back(nIndex);
        int nScore = NameParser::comparable(pEntry->getTitle().str()) == show ? 1 : 0;
        for (FeatureItem& item : pEntry->getFeatureItems())
            nScore += episodes.count(item.getPath().str()) > 0 ? 2 : 0;
        if (nScore > nBestScore)
        {
            nBest = static_cast<long>(nIndex);
            nBestScore = nScore;
        }
    }
    // A record written by hand for the show's own folder, naming nothing yet, is the show's.
    if (nBest < 0 && scan.getTitle().bOwnFolder && candidates.size() == 1 &&
        mExisting[candidates.front()]->getFeatureItems().GetSize() == 0 &&
        mExisting[candidates.front()]->getFilename().IsEmpty())
        nBest = static_cast<long>(candidates.front());
    if (nBest < 0)
        return nullptr;
    mExistingMatched[static_cast<size_t>(nBest)] = true;
    return mExisting[static_cast<size_t>(nBest)].get();
}

void LibraryScanner::findTitles()
{
    // The cache also tells a film from its extras by their lengths without probing them again.
    mpCache = std::make_unique<ProbeCache>(mDatabase + CACHE_SUFFIX);
    mpCache->load();
    FolderWalker walker(mpCache.get());
    std::vector<TitleFolder> titles;
    for (const PallixString& root : mRoots)
        walker.walk(root, titles, mProblems);
    walker.finish(titles);
    for (TitleFolder& title : titles)
        mScans.push_back(std::make_unique<TitleScan>(std::move(title)));
    std::cout << "Found " << mScans.size() << " titles" << std::endl;
}

void LibraryScanner::scanTitles(int nJobs, bool bMakeCovers)
{
    const size_t nCount = mScans.size();
    CoverMaker covers(DatabaseFile::folderOf(mDatabase) + "/" + COVERS_FOLDER);
    std::mutex mutex;
    std::condition_variable doneChanged;
    std::vector<char> done(nCount, 0);
    PallixString current;

    auto work = [&](int nTitle)
    {
        const size_t i = static_cast<size_t>(nTitle);
        {
            std::lock_guard<std::mutex> lock(mutex);
            current = mScans[i]->getWhere();
        }
        mScans[i]->run(*mpCache, bMakeCovers ? &covers : nullptr);
        std::lock_guard<std::mutex> lock(mutex);
        done[i] = 1;
        doneChanged.notify_all();
    };
    // Titles are finished, and printed, in the order they were found.
    auto finishInOrder = [&]
    {
        for (size_t i = 0; i < nCount; ++i)
        {
            std::unique_lock<std::mutex> lock(mutex);
            while (!done[i])
            {
                mpConsole->progress(static_cast<int>(i), static_cast<int>(nCount), current);
                doneChanged.wait_for(lock, std::chrono::milliseconds(250));
            }
            PallixString where = current;
            lock.unlock();
            finishTitle(i);
            mpConsole->progress(static_cast<int>(i + 1), static_cast<int>(nCount), where);
        }
    };
    ParallelWork::forEachBeside(nJobs, static_cast<int>(nCount), work, finishInOrder);
    mpConsole->clearProgress();
    for (TitleScan::ItemScan* pItem : mProbed)
        mpCache->store(pItem->cacheKey, pItem->nSize, pItem->nTime, pItem->values);
}

void LibraryScanner::finishExisting(TitleScan& scan, size_t nItem,
                                    std::vector<std::pair<PallixString, PallixString>>& children)
{
    std::vector<TitleScan::ItemScan>& items = scan.getItems();
    TitleScan::ItemScan& item = items[nItem];
    // Only the probed values of a record follow its file; the rest is the user's.
    if (item.bProbed && !item.bUnchanged && item.record.differsFrom(item.pExisting))
    {
        item.record.applyTo(item.pExisting);
        ++mUpdatedCount;
        mpConsole->record("Updated", item.pExisting->getTitle());
    }
    else
    {
        ++mUnchangedCount;
        mpConsole->record("Unchanged", item.pExisting->getTitle());
    }
    // A title already known lists what it listed (an item removed by hand stays
    // removed); one new to the database lists all it has.
    const PallixString& title = item.pExisting->getTitle();
    const bool bListed = items[0].pExisting &&
                         std::any_of(items[0].pExisting->getFeatureItems().begin(),
                                     items[0].pExisting->getFeatureItems().end(),
                                     [&](FeatureItem& feature) { return feature.getPath() == title; });
    if (nItem > 0 && (!items[0].pExisting || bListed))
        children.emplace_back(scan.getTitle().items[nItem].label, title);
}

void LibraryScanner::finishTitle(size_t nTitle)
{
    TitleScan& scan = *mScans[nTitle];
    std::vector<TitleScan::ItemScan>& items = scan.getItems();
    for (PallixString& problem : scan.getProblems())
        mProblems.push_back(problem);

    long nAnchor = -1;
    for (TitleScan::ItemScan& item : items)
        if (item.pExisting)
            nAnchor = std::max(nAnchor, mExistingIndex[item.pExisting]);

    MediaEntry* pParent = items[0].pExisting;
    PallixString parentMPAA;
    // What the title's list is to show, in viewing order: label and Title.
    std::vector<std::pair<PallixString, PallixString>> children;
    for (size_t i = 0; i < items.size(); ++i)
    {
        TitleScan::ItemScan& item = items[i];
        // Stored once the workers are done: they read the cache meanwhile.
        if (item.bProbed && !item.cacheKey.empty())
            mProbed.push_back(&item);
        for (TitleScan::ItemScan& part : item.parts)
            if (part.bProbed)
                mProbed.push_back(&part);
        if (item.pExisting)
        {
            finishExisting(scan, i, children);
            continue;
        }
        if (!item.bProbed)
        {
            if (i == 0)
            {
                mpConsole->record("Skipped", scan.getWhere());
                return;
            }
            continue;
        }
        std::unique_ptr<MediaEntry> pEntry;
        if (i == 0)
        {
            pEntry = mpAssembler->buildMain(scan);
            pParent = pEntry.get();
            if (item.bHasNfo)
                parentMPAA = item.nfo.getMPAA();
        }
        else
        {
            if (parentMPAA.IsEmpty())
                parentMPAA = pParent->getRating();
            PallixString label;
            pEntry = mpAssembler->buildChild(scan, i, pParent, parentMPAA, label);
            children.emplace_back(label, pEntry->getTitle());
        }
        pEntry->setAdded(addedNow());
        ++mAddedCount;
        mpConsole->record("Added", pEntry->getTitle());
        mAdded.emplace_back(nAnchor, std::move(pEntry));
    }
    arrangeFeatureItems(pParent, children);
}

void LibraryScanner::arrangeFeatureItems(MediaEntry* pParent,
                                         const std::vector<std::pair<PallixString, PallixString>>& children)
{
    // The items of what was found come first, in viewing order, each keeping the
    // label it had; items of anything else (written by hand, or gone) follow as they were.
    PallixNewArray<FeatureItem>& items = pParent->getFeatureItems();
    std::vector<FeatureItem> old(items.begin(), items.end());
    std::vector<FeatureItem> arranged;
    std::unordered_set<std::string> listed;
    for (const auto& [label, title] : children)
    {
        if (!listed.insert(title.str()).second)
            continue;
        auto found = std::find_if(old.begin(), old.end(), [&](FeatureItem& item) { return item.getPath() == title; });
        arranged.push_back(found != old.end() ? *found : FeatureItem(label, title));
    }
    for (FeatureItem& item : old)
        if (!listed.count(item.getPath().str()))
            arranged.push_back(item);
    items.RemoveAll();
    for (FeatureItem& item : arranged)
        items.Append(item);
}

void LibraryScanner::findMissing()
{
    // What the scan found, so that a record of a file that now belongs to another
    // title, or to none (a sample), is reported rather than quietly kept.
    std::unordered_set<std::string> found;
    for (auto& pScan : mScans)
        for (size_t i = 0; i < pScan->getTitle().items.size(); ++i)
        {
            const TitleFolder::Item& item = pScan->getTitle().items[i];
            found.insert(keyOf(*pScan, i).str());
            for (const PallixString& part : item.parts)
                found.insert(absolutePath(item.folder + "/" + part).str());
        }
    for (size_t i = 0; i < mExisting.size(); ++i)
    {
        if (mExistingMatched[i])
            continue;
        MediaEntry* pEntry = mExisting[i].get();
        PallixString file = pEntry->getFilename().IsEmpty() ? pEntry->getPath()
                                                            : pEntry->getPath() + "/" + pEntry->getFilename();
        const std::string key = keyOf(pEntry).str();
        bool bUnderRoot = false;
        for (const PallixString& root : mRoots)
            bUnderRoot = bUnderRoot || key.compare(0, root.str().size() + 1, root.str() + "/") == 0;
        const bool bRegrouped =
            found.count(key) > 0 || (bUnderRoot && FolderWalker::isMovieFile(pEntry->getFilename()));
        if (FileUtils::fileExists(file) && !bRegrouped)
            continue;
        PallixString title = pEntry->getTitle().IsEmpty() ? pEntry->getOriginalTitle() : pEntry->getTitle();
        mMissing.push_back("Missing: " + title + ": " + file);
    }
}

std::vector<MediaEntry*> LibraryScanner::ordered()
{
    std::vector<std::vector<MediaEntry*>> after(mExisting.size());
    std::vector<MediaEntry*> tail;
    for (auto& [nAnchor, pEntry] : mAdded)
        (nAnchor < 0 ? tail : after[static_cast<size_t>(nAnchor)]).push_back(pEntry.get());
    std::vector<MediaEntry*> records;
    for (size_t i = 0; i < mExisting.size(); ++i)
    {
        records.push_back(mExisting[i].get());
        records.insert(records.end(), after[i].begin(), after[i].end());
    }
    records.insert(records.end(), tail.begin(), tail.end());
    return records;
}

int LibraryScanner::readCommandLine(int argc, char** argv)
{
    if (!mCommandLine.parse(argc, argv))
    {
        std::cout << "quorva-scan: " << mCommandLine.getError() << std::endl;
        std::cout << ScanCommandLine::USAGE << std::endl;
        return 2;
    }
    if (mCommandLine.isHelp())
    {
        std::cout << ScanCommandLine::USAGE << std::endl;
        return 0;
    }
    mDatabase = absolutePath(mCommandLine.getDatabase());
    for (PallixString& folder : mCommandLine.getFolders())
    {
        PallixString root = absolutePath(folder);
        struct stat st;
        if (::stat(root, &st) != 0 || !S_ISDIR(st.st_mode))
        {
            std::cout << "quorva-scan: " << root << ": not a folder" << std::endl;
            return 2;
        }
        mRoots.push_back(root);
    }
    return -1;
}

int LibraryScanner::readDatabase(bool& bDatabaseExists)
{
    struct stat st;
    if (::stat(DatabaseFile::folderOf(mDatabase), &st) != 0 || !S_ISDIR(st.st_mode))
    {
        std::cout << "quorva-scan: " << DatabaseFile::folderOf(mDatabase) << ": not a folder" << std::endl;
        return 2;
    }
    bDatabaseExists = ::lstat(mDatabase, &st) == 0;
    if (bDatabaseExists && !mCommandLine.isMerge() && !mCommandLine.isForce())
    {
        std::cout << "quorva-scan: " << mDatabase << " already exists: --merge updates it, --force replaces it"
                  << std::endl;
        return 1;
    }
    if (bDatabaseExists && mCommandLine.isMerge())
    {
        if (!DatabaseFile::read(mDatabase, mExisting))
        {
            std::cout << "quorva-scan: " << mDatabase << " cannot be read" << std::endl;
            return 1;
        }
        std::cout << "Merging into " << mDatabase << ": " << mExisting.size() << " records" << std::endl;
    }
    return -1;
}

int LibraryScanner::run(int argc, char** argv)
{
    mpConsole = std::make_unique<ScanConsole>(::isatty(STDOUT_FILENO) == 1);
    int nStatus = readCommandLine(argc, argv);
    if (nStatus >= 0)
        return nStatus;
    const bool bDryRun = mCommandLine.isDryRun();
    bool bDatabaseExists = false;
    nStatus = readDatabase(bDatabaseExists);
    if (nStatus >= 0)
        return nStatus;
    if (bDryRun)
        std::cout << "Dry run: nothing is written" << std::endl;

    findTitles();

    mpAssembler = std::make_unique<RecordAssembler>();
    for (auto& pEntry : mExisting)
        mpAssembler->reserveTitle(pEntry->getTitle());
    matchExisting();

    scanTitles(mCommandLine.getJobs(), !bDryRun);
    findMissing();

    std::vector<MediaEntry*> records = ordered();
    bool bWritten = false;
    PallixString writeError;
    if (!bDryRun)
    {
        bWritten = DatabaseFile::write(mDatabase, records, writeError);
        // The cache speaks for the database: only a database that was written may trust it.
        mpCache->forgetUnseenUnder(mRoots);
        if (bWritten && !mpCache->save())
            mProblems.push_back(mpCache->getPath() + ": cannot be written");
    }
    return report(records.size(), bDryRun, bWritten, writeError, bDatabaseExists);
}

int LibraryScanner::report(size_t nRecords, bool bDryRun, bool bWritten, const PallixString& writeError,
                           bool bDatabaseExists)
{
    for (PallixString& line : mMissing)
        mpConsole->line(line);
    for (PallixString& problem : mProblems)
        mpConsole->line("Problem: " + problem);
    std::cout << "Titles: " << mAddedCount << " added, " << mUpdatedCount << " updated, " << mUnchangedCount
              << " unchanged, " << mMissing.size() << " missing. Problems: " << mProblems.size() << std::endl;
    if (bDryRun)
    {
        std::cout << "Dry run: " << mDatabase << " not written" << std::endl;
        return 0;
    }
    if (!bWritten)
    {
        std::cout << "quorva-scan: " << mDatabase << " cannot be written (" << writeError << "); "
                  << (bDatabaseExists ? "the old one is unchanged" : "nothing was written") << std::endl;
        return 1;
    }
    std::cout << "Wrote " << mDatabase << ": " << nRecords << " records" << std::endl;
    return 0;
}
