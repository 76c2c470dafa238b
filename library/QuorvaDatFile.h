#pragma once

#include "PallixString.h"

#include <cstdint>

// The small stats file kept beside a title's movie file: resume position, zoom mode
// and when the title was last viewed. Exactly 16 little-endian bytes: position
// (8, unsigned), zoom mode (4, signed), last-viewed time (4, unsigned seconds).
class QuorvaDatFile
{
public:
    // path is the movie file; the stats file is path + ".quorva". Reads it at once.
    explicit QuorvaDatFile(PallixString path);
    ~QuorvaDatFile();

    unsigned long long getLastPosition() { return mLastPosition; }
    void setLastPosition(unsigned long long position) { mLastPosition = position; }
    int getZoomMode() { return mZoomMode; }
    void setZoomMode(int mode) { mZoomMode = mode; }
    // Seconds since 1970 as the file holds them: unsigned 32 bits on every box,
    // whatever the width of its time_t.
    uint32_t getLastViewedTime() { return mLastViewedTime; }
    void setLastViewedTime(uint32_t timeVal) { mLastViewedTime = timeVal; }

    // Replaces the file as a whole: a failed or interrupted write leaves the old
    // one, and false is returned with the reason in getWriteError().
    bool write();
    const PallixString& getWriteError() const { return mWriteError; }

private:
    void read();

    PallixString mFilename;
    unsigned long long mLastPosition;
    int mZoomMode;
    uint32_t mLastViewedTime;
    PallixString mWriteError;
};
