#include "PallixMediaClock.h"

void PallixMediaClock::Reset(int nSerial)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mSerial = nSerial;
    mbSet = false;
}

void PallixMediaClock::Set(double pts, int nSerial)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (nSerial != mSerial)
        return;
    mPts = pts;
    mUpdated = Clock::now();
    mbSet = true;
}

bool PallixMediaClock::Get(double& pts) const
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mbSet)
        return false;
    pts = mPts;
    if (!mbPaused)
        pts += std::chrono::duration<double>(Clock::now() - mUpdated).count();
    return true;
}

void PallixMediaClock::SetPaused(bool bPaused)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (bPaused == mbPaused)
        return;
    const Clock::time_point now = Clock::now();
    // Freeze the time reached, and carry on from it on resume.
    if (bPaused && mbSet)
        mPts += std::chrono::duration<double>(now - mUpdated).count();
    mUpdated = now;
    mbPaused = bPaused;
}
