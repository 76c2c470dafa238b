#pragma once

#include "PallixString.h"
#include "SeriesIndex.h"
#include "ViewingRefresh.h"
#include "ViewingState.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class MediaEntry;
class MediaStore;

// What the event loop knows of how far each title was watched: the stats files
// and watched marks beside the movies are the record, read again (off the loop,
// by ViewingRefresh) whenever a panel opens, so that boxes sharing one film
// folder see what the others played. Titles are the store's records; a title
// that is a folder of several movie files has a state per file.
class ViewingHistory
{
public:
    // Posted to the application when a refresh has a result to take.
    static constexpr uint32_t REFRESHED_MESSAGE = 0xEEEEEEF0;
    // Past this share of its running time a title stopped is watched.
    static constexpr double WATCHED_SHARE = 0.9;

    ViewingHistory();
    ~ViewingHistory();
    ViewingHistory(const ViewingHistory&) = delete;
    ViewingHistory& operator=(const ViewingHistory&) = delete;

    void setStore(MediaStore* pStore) { mpStore = pStore; }
    // Told on the loop whenever what is known changed.
    void setChangeListener(std::function<void()> listener) { mListener = std::move(listener); }

    // Looks again at every title's files, off the loop; a refresh asked for
    // while one runs follows it.
    void refresh();
    // The refresh's message arrived: its findings are applied.
    void onRefreshed();
    // The same, all at once on the calling thread (tests and benchmarks).
    void refreshNow();
    // Counts the changes of what is known: a panel whose list was made at the
    // same count need not make it again.
    uint32_t getGeneration() const { return mGeneration; }
    // A refresh was asked for and its findings are not applied yet.
    bool isRefreshing() const { return mRefresh.isRunning() || mbRefreshAgain; }

    // A title's own play file (file empty), or one movie file of its folder;
    // null when nothing was ever recorded for it.
    const ViewingState* find(MediaEntry* pEntry, const PallixString& file) const;
    bool isWatched(MediaEntry* pEntry, const PallixString& file = PallixString()) const;
    // Every file that has a state.
    void forEach(const std::function<void(MediaEntry*, const std::string&, const ViewingState&)>& visit) const;
    // The movie files of a title that is a folder of several, in order; null for others.
    const std::vector<PallixString>* getFolderFiles(MediaEntry* pEntry) const;
    // When the title entered the library: its Added field, else its movie
    // file's time once a refresh has seen it; 0 while unknown.
    time_t getAddedTime(MediaEntry* pEntry);
    // The movie file's modification time once a refresh has seen it; 0 before.
    time_t getFileTime(MediaEntry* pEntry) const;
    SeriesIndex& getSeries();
    // The store's record for an entry that may be a copy read from a detail file.
    MediaEntry* toStoreEntry(MediaEntry* pEntry);

    // Playback of a movie ended and its stats file was written: watched when it
    // played to its end or stopped past WATCHED_SHARE. The mark file is written
    // for a title that became watched; false when it could not be.
    bool recordPlayback(MediaEntry* pEntry, const PallixString& file, uint64_t position, uint64_t fileSize,
                        time_t viewed, bool bWatched);
    // "Mark as watched" and "Mark as unwatched"; false when the mark cannot be written.
    bool setWatched(MediaEntry* pEntry, const PallixString& file, bool bWatched);
    // Stands for one play: the title's own file, or a file of its folder.
    static PallixString getMoviePath(MediaEntry* pEntry, const PallixString& file);

private:
    struct Key
    {
        MediaEntry* pEntry;
        std::string file;
        bool operator==(const Key& other) const = default;
    };
    struct KeyHash
    {
        size_t operator()(const Key& key) const;
    };

    void startRun();
    void apply(ViewingRefresh::Result& result);
    void changed();
    ViewingState& stateFor(MediaEntry* pEntry, const PallixString& file);
    std::vector<MediaEntry*> allEntries();

    MediaStore* mpStore = nullptr;
    std::function<void()> mListener;
    std::unordered_map<Key, ViewingState, KeyHash> mStates;
    std::unordered_map<MediaEntry*, std::vector<PallixString>> mFolders;
    // When each title was added, and its movie file's time.
    std::unordered_map<MediaEntry*, std::pair<time_t, time_t>> mTimes;
    std::unique_ptr<SeriesIndex> mpSeries;
    std::unordered_set<MediaEntry*> mStoreEntries;
    ViewingRefresh mRefresh;
    // Counts the runs started; 0 before the first.
    uint32_t mRun = 0;
    bool mbRefreshAgain = false;
    uint32_t mGeneration = 1;
};
