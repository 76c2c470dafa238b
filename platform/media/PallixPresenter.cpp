#include "PallixPresenter.h"

#include "MPEGDecoder.h"
#include "PallixMediaClock.h"
#include "PallixSubtitleRenderer.h"
#include "PallixVideoOutput.h"
#include "PallixVideoPlane.h"

#include <cmath>
#include <cstdio>
#include <system_error>

namespace
{
// A picture this far ahead of the clock means the clock lost track.
constexpr double MAX_AHEAD = 2.0;
constexpr std::chrono::milliseconds MAX_WAIT(50);
constexpr std::chrono::milliseconds TICK(100);
constexpr std::chrono::milliseconds MIN_TICK(40);
} // namespace

PallixPresenter::PallixPresenter(MPEGDecoder& owner, PallixMediaClock& clock, PallixSubtitleRenderer& subtitles)
    : mOwner(owner), mClock(clock), mSubtitles(subtitles)
{
}

PallixPresenter::~PallixPresenter()
{
    Stop();
}

bool PallixPresenter::Start(size_t nPictures, bool bPaused, Clock::time_point opened, std::function<void()> tick)
{
    Stop();
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mnPictures = nPictures;
        mbPaused = bPaused;
        mbAbort = false;
        mbRefresh = false;
        mbHaveShown = false;
        mOpened = opened;
        mTick = std::move(tick);
    }
    try
    {
        mThread = std::thread(&PallixPresenter::Run, this);
    }
    catch (const std::system_error& error)
    {
        std::printf("MPEGDecoder: cannot start a thread: %s\n", error.what());
        std::fflush(stdout);
        return false;
    }
    return true;
}

void PallixPresenter::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mbAbort = true;
    }
    mWake.notify_all();
    mRoom.notify_all();
    if (mThread.joinable())
        mThread.join();
    std::lock_guard<std::mutex> lock(mMutex);
    mPictures.clear();
    mTick = nullptr;
}

bool PallixPresenter::Push(pallix_av::FramePtr frame, double pts, int nSerial)
{
    bool bWasEmpty = false;
    {
        std::unique_lock<std::mutex> lock(mMutex);
        mRoom.wait(lock, [&] { return mbAbort || mPictures.size() < mnPictures || nSerial != mSerial; });
        if (mbAbort)
            return false;
        if (nSerial != mSerial)
            return true;
        bWasEmpty = mPictures.empty();
        mPictures.push_back(Picture{std::move(frame), pts, nSerial});
    }
    // A presenter waiting for a due picture needs no news of later ones.
    if (bWasEmpty)
        mWake.notify_one();
    return true;
}

void PallixPresenter::NewSerial(int nSerial)
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mSerial = nSerial;
        mPictures.clear();
    }
    mWake.notify_all();
    mRoom.notify_all();
}

void PallixPresenter::SetPaused(bool bPaused)
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mbPaused = bPaused;
    }
    mWake.notify_all();
}

void PallixPresenter::RefreshSubtitles()
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mbRefresh = true;
    }
    mWake.notify_all();
}

bool PallixPresenter::IsEmpty()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mPictures.empty();
}

bool PallixPresenter::HasRoom()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mPictures.size() < mnPictures;
}

void PallixPresenter::Run()
{
    std::unique_lock<std::mutex> lock(mMutex);
    Clock::time_point lastTick;
    while (!mbAbort)
    {
        if (mTick && Clock::now() - lastTick >= MIN_TICK)
        {
            lastTick = Clock::now();
            lock.unlock();
            mTick();
            lock.lock();
            if (mbAbort)
                break;
        }
        if (mbRefresh)
        {
            mbRefresh = false;
            lock.unlock();
            Overlay(mShownPts);
            lock.lock();
            continue;
        }
        if (mbPaused || mPictures.empty())
        {
            if (mTick)
                mWake.wait_for(lock, TICK);
            else
                mWake.wait(lock);
            continue;
        }
        Picture& front = mPictures.front();
        if (front.nSerial != mSerial)
        {
            PopFront();
            continue;
        }
        double clock = 0.0;
        if (!mClock.Get(clock) || front.pts - clock > MAX_AHEAD)
        {
            // The first picture of a stretch starts the clock.
            mClock.Set(front.pts, mSerial);
            clock = front.pts;
        }
        const double delay = front.pts - clock;
        if (delay > 0.001)
        {
            mWake.wait_for(lock, std::min<Clock::duration>(std::chrono::duration_cast<Clock::duration>(
                                                               std::chrono::duration<double>(delay)),
                                                           MAX_WAIT));
            continue;
        }
        if (mPictures.size() > 1 && mPictures[1].nSerial == mSerial && mPictures[1].pts <= clock)
        {
            // Late, and the next picture is already due: skip this one.
            PopFront();
            mOwner.mFramesDropped.fetch_add(1);
            continue;
        }
        Picture picture = std::move(front);
        PopFront();
        lock.unlock();
        Show(picture, clock);
        lock.lock();
    }
}

void PallixPresenter::PopFront()
{
    const bool bWasFull = mPictures.size() >= mnPictures;
    mPictures.pop_front();
    if (bWasFull)
        mRoom.notify_one();
}

void PallixPresenter::Show(Picture& picture, double clock)
{
    PallixRect output;
    PallixRect scale;
    bool bKeepAspect = false;
    mOwner.GetRects(output, scale, bKeepAspect);
    PallixVideoPicture placed = PallixVideoOutput::Place(std::move(picture.frame), output, scale, bKeepAspect);
    if (!placed.IsEmpty())
    {
        // The subtitles stay as they were unless their time or the picture's size changes them.
        placed.overlay = mShown.overlay;
        mShown = placed;
        mShownPts = picture.pts;
        mbHaveShown = true;
        Overlay(picture.pts);
    }

    const auto offsetUs = int64_t(std::llround((clock - picture.pts) * 1e6));
    int64_t nMax = mOwner.mMaxAVOffsetUs.load();
    while (std::llabs(offsetUs) > nMax && !mOwner.mMaxAVOffsetUs.compare_exchange_weak(nMax, std::llabs(offsetUs)))
    {
    }
    mOwner.mLastPresentedPtsUs.store(int64_t(std::llround(picture.pts * 1e6)));
    if (mOwner.mFramesPresented.fetch_add(1) == 0)
        mOwner.mFirstFrameDelayUs.store(
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - mOpened).count());
}

void PallixPresenter::Overlay(double time)
{
    if (!mbHaveShown)
        return;
    const PallixRect& dest = mShown.dest;
    bool bChanged = false;
    PallixPoint at;
    std::shared_ptr<const PallixBitmap> overlay =
        mSubtitles.Render(time, int(dest.w), int(dest.h), mShown.nWidth, mShown.nHeight, bChanged, at);
    if (bChanged)
    {
        mShown.overlay = std::move(overlay);
        mOverlayOffset = at;
    }
    mShown.overlayAt = PallixPoint(dest.x + mOverlayOffset.x, dest.y + mOverlayOffset.y);
    PallixVideoPlane::Get().Show(mShown);
}
