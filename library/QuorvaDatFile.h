#pragma once

#include "PallixString.h"

#include <ctime>

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
    time_t getLastViewedTime() { return mLastViewedTime; }
    void setLastViewedTime(time_t timeVal) { mLastViewedTime = timeVal; }

    // Replaces the file as a whole: a failed or interrupted write leaves the old
    // one, and false is returned with the reason in getWriteError().
    bool write();
    const PallixString& getWriteError() const { return mWriteError; }

private:
    void read();

    PallixString mFilename;
    unsigned long long mLastPosition;
    int mZoomMode;
    time_t mLastViewedTime;
    PallixString mWriteError;
};
