#pragma once

#include <cstdint>
#include <ctime>

// How far one movie file was watched, as its stats file and its watched mark
// say: where playback stopped, when it was last viewed, when it was marked
// watched, and the movie's size, which turns the position into a share.
class ViewingState
{
public:
    uint64_t getPosition() const { return mPosition; }
    time_t getLastViewedTime() const { return mLastViewedTime; }
    // 0 while the file is not marked watched.
    time_t getWatchedTime() const { return mWatchedTime; }
    bool isWatched() const { return mWatchedTime != 0; }
    // 0 while unknown.
    uint64_t getFileSize() const { return mFileSize; }
    // How much of the file lies before the position, 0 to 1; 0 when unknown.
    double getFraction() const;
    // Stopped part-way, and not watched: a title to go on with.
    bool isInProgress() const { return mPosition > 0 && mWatchedTime == 0; }

    void setPosition(uint64_t position) { mPosition = position; }
    void setLastViewedTime(time_t when) { mLastViewedTime = when; }
    void setWatchedTime(time_t when) { mWatchedTime = when; }
    void setFileSize(uint64_t size) { mFileSize = size; }

    // The refresh run during which this box last wrote the files; what a run
    // read before that write is older than what is known.
    uint32_t getWrittenInRun() const { return mWrittenInRun; }
    void setWrittenInRun(uint32_t nRun) { mWrittenInRun = nRun; }

private:
    uint64_t mPosition = 0;
    uint64_t mFileSize = 0;
    time_t mLastViewedTime = 0;
    time_t mWatchedTime = 0;
    uint32_t mWrittenInRun = 0;
};
