#include "ViewingHistory.h"

#include "Logger.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "PallixApp.h"
#include "PallixNewArray.h"
#include "WatchedMarkFile.h"

#include <functional>

size_t ViewingHistory::KeyHash::operator()(const Key& key) const
{
    return std::hash<const void*>()(key.pEntry) ^ (std::hash<std::string>()(key.file) << 1);
}

ViewingHistory::ViewingHistory() = default;

ViewingHistory::~ViewingHistory() = default;

std::vector<MediaEntry*> ViewingHistory::allEntries()
{
    PallixNewArray<MediaEntry*> entries(8);
    if (mpStore)
        mpStore->getMediaForGenre("All", entries);
    return std::vector<MediaEntry*>(entries.begin(), entries.end());
}

void ViewingHistory::refresh()
{
    PallixApp* pApp = PallixApp::GetApp();
    if (!mpStore || !pApp)
        return;
    if (mRefresh.isRunning())
    {
        mbRefreshAgain = true;
        return;
    }
    startRun();
}

void ViewingHistory::startRun()
{
    mbRefreshAgain = false;
    mRefresh.start(allEntries(), ++mRun, PallixApp::GetApp()->GetAppWormholeURL(), REFRESHED_MESSAGE);
}

void ViewingHistory::onRefreshed()
{
    ViewingRefresh::Result result;
    if (!mRefresh.takeResult(result))
        return;
    apply(result);
    if (mbRefreshAgain && PallixApp::GetApp())
        startRun();
}

void ViewingHistory::refreshNow()
{
    ViewingRefresh::Result result = mRefresh.runHere(allEntries(), ++mRun);
    apply(result);
}

void ViewingHistory::apply(ViewingRefresh::Result& result)
{
    bool bChanged = false;
    if (result.pSeries && !mpSeries)
        mpSeries = std::move(result.pSeries);
    for (auto& [pEntry, files] : result.folders)
    {
        if (files.empty())
            mFolders.erase(pEntry);
        else
            mFolders[pEntry] = std::move(files);
        bChanged = true;
    }
    bChanged = bChanged || !result.times.empty();
    if (mTimes.empty())
        mTimes.swap(result.times);
    else
        for (const auto& [pEntry, times] : result.times)
            mTimes[pEntry] = times;
    for (ViewingRefresh::Change& change : result.changes)
    {
        ViewingState& state = stateFor(change.pEntry, change.file);
        // This box wrote the files after the run read them: what it knows is newer.
        if (state.getWrittenInRun() >= result.nRun)
            continue;
        uint32_t nWritten = state.getWrittenInRun();
        state = change.state;
        state.setWrittenInRun(nWritten);
        if (change.file.IsEmpty() && change.state.getLastViewedTime() != 0)
            change.pEntry->setLastViewedTime(change.state.getLastViewedTime());
        bChanged = true;
    }
    if (bChanged)
        changed();
}

void ViewingHistory::changed()
{
    ++mGeneration;
    if (mListener)
        mListener();
}

ViewingState& ViewingHistory::stateFor(MediaEntry* pEntry, const PallixString& file)
{
    return mStates[Key{pEntry, file.str()}];
}

const ViewingState* ViewingHistory::find(MediaEntry* pEntry, const PallixString& file) const
{
    auto found = mStates.find(Key{pEntry, file.str()});
    return found == mStates.end() ? nullptr : &found->second;
}

bool ViewingHistory::isWatched(MediaEntry* pEntry, const PallixString& file) const
{
    const ViewingState* pState = find(pEntry, file);
    return pState && pState->isWatched();
}

void ViewingHistory::forEach(
    const std::function<void(MediaEntry*, const std::string&, const ViewingState&)>& visit) const
{
    for (const auto& [key, state] : mStates)
        visit(key.pEntry, key.file, state);
}

const std::vector<PallixString>* ViewingHistory::getFolderFiles(MediaEntry* pEntry) const
{
    auto found = mFolders.find(pEntry);
    return found == mFolders.end() ? nullptr : &found->second;
}

time_t ViewingHistory::getAddedTime(MediaEntry* pEntry)
{
    auto found = mTimes.find(pEntry);
    // Before the first refresh has read them, the record alone says.
    return found == mTimes.end() ? pEntry->getAddedTime() : found->second.first;
}

time_t ViewingHistory::getFileTime(MediaEntry* pEntry) const
{
    auto found = mTimes.find(pEntry);
    return found == mTimes.end() ? 0 : found->second.second;
}

SeriesIndex& ViewingHistory::getSeries()
{
    // Before the first refresh has brought it, the index is made here.
    if (!mpSeries)
    {
        mpSeries = std::make_unique<SeriesIndex>();
        mpSeries->build(allEntries());
    }
    return *mpSeries;
}

MediaEntry* ViewingHistory::toStoreEntry(MediaEntry* pEntry)
{
    if (!pEntry || !mpStore)
        return pEntry;
    if (mStoreEntries.size() != static_cast<size_t>(mpStore->getEntryCount()))
    {
        std::vector<MediaEntry*> entries = allEntries();
        mStoreEntries = std::unordered_set<MediaEntry*>(entries.begin(), entries.end());
    }
    if (mStoreEntries.count(pEntry))
        return pEntry;
    // A record read from a title's detail file names the same files as the store's.
    for (MediaEntry* pStored : mStoreEntries)
        if (pStored->getPath() == pEntry->getPath() && pStored->getFilename() == pEntry->getFilename())
            return pStored;
    return pEntry;
}

PallixString ViewingHistory::getMoviePath(MediaEntry* pEntry, const PallixString& file)
{
    if (!file.IsEmpty())
        return pEntry->getPath() + "/" + file;
    return pEntry->getFullPathToPlayFile();
}

bool ViewingHistory::recordPlayback(MediaEntry* pEntry, const PallixString& file, uint64_t position,
                                    uint64_t fileSize, time_t viewed, bool bWatched)
{
    pEntry = toStoreEntry(pEntry);
    if (!pEntry)
        return true;
    ViewingState& state = stateFor(pEntry, file);
    state.setPosition(position);
    state.setFileSize(fileSize);
    state.setLastViewedTime(viewed);
    state.setWrittenInRun(mRun);
    bool bOk = true;
    // Stopping early again does not take a title's mark away: only the viewer does.
    if (bWatched)
    {
        PallixString error;
        PallixString movie = getMoviePath(pEntry, file);
        bOk = WatchedMarkFile::write(movie, viewed, error);
        if (bOk)
            state.setWatchedTime(viewed);
        else
            Logger::logError("Unable to save the watched mark in " + WatchedMarkFile::getPath(movie) + ": " + error);
    }
    changed();
    return bOk;
}

bool ViewingHistory::setWatched(MediaEntry* pEntry, const PallixString& file, bool bWatched)
{
    pEntry = toStoreEntry(pEntry);
    if (!pEntry)
        return false;
    PallixString movie = getMoviePath(pEntry, file);
    time_t when = bWatched ? std::time(nullptr) : 0;
    PallixString error;
    if (!WatchedMarkFile::write(movie, when, error))
    {
        Logger::logError("Unable to save the watched mark in " + WatchedMarkFile::getPath(movie) + ": " + error);
        return false;
    }
    ViewingState& state = stateFor(pEntry, file);
    state.setWatchedTime(when);
    state.setWrittenInRun(mRun);
    changed();
    return true;
}
