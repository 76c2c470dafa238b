#pragma once

#include "PallixAVTypes.h"
#include "PallixRect.h"
#include "PallixVideoPicture.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class MPEGDecoder;
class PallixMediaClock;
class PallixSubtitleRenderer;

// The presenter thread of a decoder: holds the decoded pictures and shows each
// in the video plane when the playback clock reaches it, with the subtitles of
// its time over it. Late pictures are skipped when the next one is already due.
// Pictures carry the serial of their stretch of movie; those of an older
// stretch are dropped unseen.
class PallixPresenter
{
public:
    using Clock = std::chrono::steady_clock;

    PallixPresenter(MPEGDecoder& owner, PallixMediaClock& clock, PallixSubtitleRenderer& subtitles);
    ~PallixPresenter();
    PallixPresenter(const PallixPresenter&) = delete;
    PallixPresenter& operator=(const PallixPresenter&) = delete;

    // Starts the thread, holding up to nPictures pictures. tick, when set, runs
    // on the thread at least every tenth of a second while playing.
    bool Start(size_t nPictures, bool bPaused, Clock::time_point opened, std::function<void()> tick);
    void Stop();

    // Queues a picture, waiting while the queue is full; false when stopping.
    bool Push(pallix_av::FramePtr frame, double pts, int nSerial);
    // From now on only pictures of nSerial are shown; older ones are dropped.
    void NewSerial(int nSerial);
    void SetPaused(bool bPaused);
    // The subtitle track changed: the picture on screen gets the new ones.
    void RefreshSubtitles();
    bool IsEmpty();
    // Whether a picture pushed now is queued without waiting.
    bool HasRoom();

private:
    struct Picture
    {
        pallix_av::FramePtr frame;
        double pts = 0.0;
        int nSerial = 0;
    };

    void Run();
    // Under the lock: drops the front picture, waking a decoder waiting for room.
    void PopFront();
    void Show(Picture& picture, double clock);
    // Redraws the subtitles over the picture on screen.
    void Overlay(double time);

    MPEGDecoder& mOwner;
    PallixMediaClock& mClock;
    PallixSubtitleRenderer& mSubtitles;

    std::thread mThread;
    std::mutex mMutex;
    // The presenter waits on mWake, the decoder for room in the queue on
    // mRoom; each is woken only when what it waits for may have come.
    std::condition_variable mWake;
    std::condition_variable mRoom;
    std::deque<Picture> mPictures;
    size_t mnPictures = 2;
    int mSerial = 0;
    bool mbAbort = false;
    bool mbPaused = false;
    bool mbRefresh = false;
    Clock::time_point mOpened;
    std::function<void()> mTick;

    // Presenter thread only: the picture on screen, for redrawing its subtitles.
    PallixVideoPicture mShown;
    double mShownPts = 0.0;
    bool mbHaveShown = false;
    PallixPoint mOverlayOffset;
};
