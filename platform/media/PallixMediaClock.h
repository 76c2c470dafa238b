#pragma once

#include <chrono>
#include <mutex>

// The playback clock that pictures wait on: the movie time last reported by
// whoever keeps time (the sound as it is played, or the first picture when there
// is no sound), carried forward by the wall clock since then. The serial names
// the stretch of movie the time belongs to; a time reported for an older
// stretch is ignored.
class PallixMediaClock
{
public:
    using Clock = std::chrono::steady_clock;

    // Forgets the time: the clock is unset until the stretch's first report.
    void Reset(int nSerial);
    // Ignored unless nSerial is the current stretch.
    void Set(double pts, int nSerial);
    // False while unset.
    bool Get(double& pts) const;
    void SetPaused(bool bPaused);

private:
    mutable std::mutex mMutex;
    double mPts = 0.0;
    Clock::time_point mUpdated;
    int mSerial = 0;
    bool mbSet = false;
    bool mbPaused = false;
};
