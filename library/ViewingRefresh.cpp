#include "ViewingRefresh.h"

#include "FileUtils.h"
#include "MediaEntry.h"
#include "PallixWormhole.h"
#include "ParallelWork.h"
#include "QuorvaDatFile.h"
#include "WatchedMarkFile.h"

#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace
{
// Titles claimed at a time by one thread.
constexpr int TITLES_PER_CLAIM = 64;
constexpr int BACKGROUND_NICENESS = 10;
} // namespace

ViewingRefresh::ViewingRefresh() = default;

ViewingRefresh::~ViewingRefresh()
{
    mbStop = true;
    if (mThread.joinable())
        mThread.join();
}

bool ViewingRefresh::start(std::vector<MediaEntry*> entries, uint32_t nRun, PallixString url, uint32_t nMessageID)
{
    if (mThread.joinable())
        return false;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mbDone = false;
    }
    mThread = std::thread(
        [this, entries = std::move(entries), nRun, url = std::move(url), nMessageID]
        {
            // Behind whatever the viewer is doing: this thread and the helpers it
            // starts yield the processor to the event loop.
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), BACKGROUND_NICENESS);
            Result result = runHere(entries, nRun);
            {
                std::lock_guard<std::mutex> lock(mMutex);
                mResult = std::move(result);
                mbDone = true;
            }
            if (!mbStop)
                PallixWormhole().PostMessage(url, nMessageID, nullptr, 0);
        });
    return true;
}

bool ViewingRefresh::takeResult(Result& result)
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (!mbDone)
            return false;
        mbDone = false;
        result = std::move(mResult);
        mResult = Result();
    }
    if (mThread.joinable())
        mThread.join();
    return true;
}

ViewingRefresh::Result ViewingRefresh::runHere(const std::vector<MediaEntry*>& entries, uint32_t nRun)
{
    Result result;
    result.nRun = nRun;
    run(entries, result);
    return result;
}

void ViewingRefresh::run(const std::vector<MediaEntry*>& entries, Result& result)
{
    // The library does not change during a run, so titles keep their places.
    if (mKnown.size() != entries.size())
        mKnown.assign(entries.size(), KnownTitle());
    if (!mbSeriesBuilt)
    {
        result.pSeries = std::make_unique<SeriesIndex>();
        result.pSeries->build(entries);
        mbSeriesBuilt = true;
    }

    // Few titles change between two looks: what does is handed over under a lock.
    std::mutex resultMutex;
    ParallelWork::forEach(static_cast<int>(entries.size()), TITLES_PER_CLAIM,
                          [&](int i)
                          {
                              MediaEntry* pEntry = entries[static_cast<size_t>(i)];
                              if (mbStop || !pEntry)
                                  return;
                              Result found;
                              std::vector<Result::Times> times;
                              checkTitle(pEntry, mKnown[static_cast<size_t>(i)], found.changes, found.folders, times);
                              if (found.changes.empty() && found.folders.empty() && times.empty())
                                  return;
                              std::lock_guard<std::mutex> lock(resultMutex);
                              std::move(found.changes.begin(), found.changes.end(),
                                        std::back_inserter(result.changes));
                              std::move(found.folders.begin(), found.folders.end(),
                                        std::back_inserter(result.folders));
                              for (const Result::Times& time : times)
                                  result.times[time.pEntry] = std::make_pair(time.added, time.file);
                          });
}

void ViewingRefresh::checkTitle(MediaEntry* pEntry, KnownTitle& known, std::vector<Change>& changes,
                                std::vector<std::pair<MediaEntry*, std::vector<PallixString>>>& folders,
                                std::vector<Result::Times>& times)
{
    if (!known.bFileTimeLooked)
    {
        known.bFileTimeLooked = true;
        struct stat st;
        time_t file = ::stat(pEntry->getFullPathToPlayFile(), &st) == 0 ? st.st_mtime : 0;
        time_t added = pEntry->getAddedTime();
        if (added != 0 || file != 0)
            times.push_back(Result::Times{pEntry, added != 0 ? added : file, file});
    }

    // A title without a file of its own that holds several movie files plays them one by one.
    if (pEntry->getFilename().IsEmpty())
    {
        FileStamp folder = FileStamp::of(pEntry->getPath());
        if (!known.bFolderListed || !(folder == known.folder))
        {
            known.bFolderListed = true;
            known.folder = folder;
            std::vector<PallixString> files = SeriesIndex::getFolderFiles(pEntry);
            if (files.size() < 2)
                files.clear();
            if (files != known.files)
            {
                known.files = files;
                known.knownFiles.assign(files.size(), KnownFile());
                folders.emplace_back(pEntry, files);
            }
        }
        for (size_t i = 0; i < known.files.size(); ++i)
        {
            Change change;
            if (checkFile(pEntry->getPath() + "/" + known.files[i], known.knownFiles[i], change.state))
            {
                change.pEntry = pEntry;
                change.file = known.files[i];
                changes.push_back(std::move(change));
            }
        }
        if (!known.files.empty())
            return;
    }
    Change change;
    if (checkFile(pEntry->getFullPathToPlayFile(), known.own, change.state))
    {
        change.pEntry = pEntry;
        changes.push_back(std::move(change));
    }
}

bool ViewingRefresh::checkFile(const PallixString& moviePath, KnownFile& known, ViewingState& state)
{
    FileStamp stats = FileStamp::of(moviePath + ".quorva");
    FileStamp mark = FileStamp::of(WatchedMarkFile::getPath(moviePath));
    if (stats == known.stats && mark == known.mark)
        return false;
    known.stats = stats;
    known.mark = mark;
    // Both files are only ever replaced whole, so each read sees one version.
    QuorvaDatFile statsFile(moviePath);
    state.setPosition(statsFile.getLastPosition());
    state.setLastViewedTime(statsFile.getLastViewedTime());
    state.setWatchedTime(WatchedMarkFile::read(moviePath));
    if (state.getPosition() > 0)
        state.setFileSize(FileUtils::getFileLen(moviePath));
    return true;
}
