#include "PallixPositionSync.h"

#include "MPEGDecoder.h"
#include "PallixAudioOutput.h"
#include "PallixMediaClock.h"

#include <algorithm>
#include <cstdint>

namespace
{
// The owner's stream is moved on at most this far in one call.
constexpr uint64_t MAX_STEP = 1u << 30;
} // namespace

PallixPositionSync::PallixPositionSync(MPEGDecoder& owner, PallixMediaClock& clock, PallixAudioOutput& audio)
    : mOwner(owner), mClock(clock), mAudio(audio)
{
}

void PallixPositionSync::Arm(const PallixByteTimeMap& map, uint64_t start, std::function<void()> wake)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mbArmed = true;
    mMap = map;
    mWake = std::move(wake);
    mReported = start;
    mbSeekRequested = false;
    mbSeekPending = true;
    mbEnded = false;
    mbEndDelivered = false;
}

void PallixPositionSync::Disarm()
{
    std::lock_guard<std::mutex> lock(mMutex);
    mbArmed = false;
    mWake = nullptr;
}

bool PallixPositionSync::TakeSeek(double& time)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mbSeekRequested)
        return false;
    mbSeekRequested = false;
    time = mSeekTime;
    return true;
}

void PallixPositionSync::RequestSeekHere()
{
    double now = 0.0;
    const bool bPlaying = mClock.Get(now);
    std::lock_guard<std::mutex> lock(mMutex);
    mSeekTime = bPlaying ? now : mMap.TimeAt(mReported);
    mbSeekRequested = true;
    mbSeekPending = true;
}

void PallixPositionSync::SeekDone()
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mbSeekRequested)
        mbSeekPending = false;
}

void PallixPositionSync::SetEnded(bool bEnded)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mbEnded = bEnded;
}

void PallixPositionSync::Tick(bool bPicturesQueued)
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (!mbArmed)
            return;
    }
    const uint64_t position = mOwner.OnGetStreamPosition();
    std::unique_lock<std::mutex> lock(mMutex);
    if (!mbArmed)
        return;
    if (position != mReported)
    {
        // The owner moved the stream: play from the time it stands for.
        mReported = position;
        mSeekTime = mMap.TimeAt(position);
        mbSeekRequested = true;
        mbSeekPending = true;
        mbEnded = false;
        mbEndDelivered = false;
        std::function<void()> wake = mWake;
        lock.unlock();
        if (wake)
            wake();
        return;
    }
    if (mbSeekPending || mbEndDelivered)
        return;
    // Everything has been seen and heard: the rest of the bytes end the movie.
    const bool bAtEnd = mbEnded && !bPicturesQueued && mAudio.GetQueuedFrames() == 0;
    uint64_t target = UINT64_MAX;
    if (!bAtEnd)
    {
        double now = 0.0;
        if (!mClock.Get(now) || mMap.GetSize() == 0)
            return;
        // Only the real end reaches the size.
        target = std::min(mMap.PositionAt(now), mMap.GetSize() - 1);
    }
    while (mReported < target)
    {
        // The decoder reads the file itself: the owner's stream only moves on.
        const auto nWant = static_cast<unsigned long>(std::min<uint64_t>(target - mReported, MAX_STEP));
        lock.unlock();
        const uint32_t nRead = mOwner.OnFillBuffer(nullptr, nWant);
        lock.lock();
        if (!mbArmed)
            return;
        if (nRead == 0)
        {
            mbEndDelivered = bAtEnd;
            return;
        }
        mReported += nRead;
    }
}
