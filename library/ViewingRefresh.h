#pragma once

#include "FileStamp.h"
#include "PallixString.h"
#include "SeriesIndex.h"
#include "ViewingState.h"

#include <atomic>
#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

class MediaEntry;

// Reads, on a thread of its own, the stats files and watched marks of the whole
// library that changed since it last looked: another box on the same shared
// folder may have written any of them. The event loop never waits for the disk
// or the network; when a run is over a wormhole message tells the application,
// which takes the result.
class ViewingRefresh
{
public:
    // One movie file whose files were found changed (or gone).
    struct Change
    {
        MediaEntry* pEntry = nullptr;
        // Empty for the title's own play file, else a file of its folder.
        PallixString file;
        ViewingState state;
    };
    struct Result
    {
        uint32_t nRun = 0;
        std::vector<Change> changes;
        // Titles that are folders of several movie files, with their files now.
        std::vector<std::pair<MediaEntry*, std::vector<PallixString>>> folders;
        // From the first run, for each title: when it entered the library (its
        // Added field, else its movie file's time) and its movie file's time,
        // which tells titles added together apart.
        struct Times
        {
            MediaEntry* pEntry;
            time_t added;
            time_t file;
        };
        // Made here rather than on the event loop: it has a key for every title.
        std::unordered_map<MediaEntry*, std::pair<time_t, time_t>> times;
        // Built by the first run.
        std::unique_ptr<SeriesIndex> pSeries;
    };

    ViewingRefresh();
    // Stops a run at its next title and waits for it.
    ~ViewingRefresh();
    ViewingRefresh(const ViewingRefresh&) = delete;
    ViewingRefresh& operator=(const ViewingRefresh&) = delete;

    // Starts run nRun over the titles, unless one is still going (false). The
    // message nMessageID is posted to url once its result can be taken.
    bool start(std::vector<MediaEntry*> entries, uint32_t nRun, PallixString url, uint32_t nMessageID);
    bool isRunning() const { return mThread.joinable(); }
    // The result of the run that ended; false while none has.
    bool takeResult(Result& result);
    // Runs over the titles on the calling thread: for tests and benchmarks.
    Result runHere(const std::vector<MediaEntry*>& entries, uint32_t nRun);

private:
    // What the last look at one movie file's stats file and mark found.
    struct KnownFile
    {
        FileStamp stats;
        FileStamp mark;
    };
    // What is known of one title: its own file, or its folder's files.
    struct KnownTitle
    {
        KnownFile own;
        FileStamp folder;
        bool bFolderListed = false;
        bool bFileTimeLooked = false;
        std::vector<PallixString> files;
        std::vector<KnownFile> knownFiles;
    };

    void run(const std::vector<MediaEntry*>& entries, Result& result);
    // Looks at one title; what changed goes to the lists.
    void checkTitle(MediaEntry* pEntry, KnownTitle& known, std::vector<Change>& changes,
                    std::vector<std::pair<MediaEntry*, std::vector<PallixString>>>& folders,
                    std::vector<Result::Times>& times);
    // True, with the file's state, when its stats file or mark changed.
    static bool checkFile(const PallixString& moviePath, KnownFile& known, ViewingState& state);

    std::vector<KnownTitle> mKnown;
    bool mbSeriesBuilt = false;
    std::thread mThread;
    std::atomic<bool> mbStop{false};
    std::mutex mMutex;
    bool mbDone = false;
    Result mResult;
};
