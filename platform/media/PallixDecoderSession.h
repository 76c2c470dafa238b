#pragma once

#include "PallixAVTypes.h"
#include "PallixAudioOutput.h"
#include "PallixMediaClock.h"
#include "PallixVideoOutput.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

class MPEGDecoder;

// One run of an MPEGDecoder, from Open to Close: the decoder thread (asks for
// bytes, demuxes, decodes, queues pictures and sound) and the presenter thread
// (shows each picture when the clock reaches it). Every jump in the stream's
// timestamps starts a new stretch with a new serial: what was queued for the
// old stretch is dropped, the decoders wait for a clean picture, and the clock
// restarts from the new time.
class PallixDecoderSession
{
public:
    PallixDecoderSession(MPEGDecoder& owner, int nPictures, int nReadSize, bool bPaused);
    ~PallixDecoderSession();
    PallixDecoderSession(const PallixDecoderSession&) = delete;
    PallixDecoderSession& operator=(const PallixDecoderSession&) = delete;

    bool Start();
    // Asks both threads to end and waits for them.
    void Stop();
    // The owner's stream selection was set or changed.
    void OnSelectionChanged();
    void SetPaused(bool bPaused);

private:
    using Clock = std::chrono::steady_clock;

    enum Role : int8_t
    {
        kUnknown = -1,
        kIgnored = 0,
        kVideo = 1,
        kAudio = 2
    };

    struct Picture
    {
        pallix_av::FramePtr frame;
        double pts = 0.0;
        int nSerial = 0;
    };

    struct Sound
    {
        std::vector<int16_t> samples;
        double pts = 0.0;
    };

    // Decoder thread.
    void DecodeThread();
    bool OpenDemuxer();
    void CloseDemuxer();
    // False on a read error that the demuxer cannot get past.
    bool RunDemuxer();
    static int ReadPacket(void* opaque, uint8_t* buf, int size);
    Role RoleOf(int nIndex);
    bool OpenCodec(pallix_av::CodecPtr& codec, const AVStream* stream);
    // False when the packet is a leftover from before a jump.
    bool TrackTimestamp(Role role, const AVPacket& packet, const AVStream* stream);
    void NewStretch(double pts);
    void DecodeVideo(const AVPacket* packet);
    void DecodeAudio(const AVPacket* packet);
    void QueueSound(Sound sound);
    void DeliverSound(Sound sound);
    void OpenGate(double pts);
    void Drain();
    bool WaitAbortFor(std::chrono::milliseconds delay);
    bool IsAborted();

    // Presenter thread.
    void PresentThread();
    void Show(Picture& picture, double clock);

    MPEGDecoder& mOwner;
    const size_t mnPictures;
    const int mnReadSize;
    const Clock::time_point mOpened;

    std::thread mDecoder;
    std::thread mPresenter;

    // Guards the abort flag, the pause, the picture queue and the serial.
    std::mutex mMutex;
    std::condition_variable mWake;
    bool mbAbort = false;
    bool mbPaused = false;
    bool mbSelected = false;
    std::deque<Picture> mPictures;
    int mSerial = 0;

    std::atomic<bool> mbSelectionChanged{true};

    PallixMediaClock mClock;
    PallixAudioOutput mAudio;
    PallixVideoOutput mVideo;

    // Decoder thread only.
    pallix_av::IOPtr mIO;
    pallix_av::FormatPtr mFormat;
    bool mbTransport = false;
    std::vector<Role> mRoles;
    int mVideoIndex = -1;
    int mAudioIndex = -1;
    int mSelectedVideo = 0;
    int mSelectedAudio = 0;
    int mSelectedSSID = 0;
    pallix_av::CodecPtr mVideoCodec;
    pallix_av::CodecPtr mAudioCodec;
    pallix_av::FramePtr mFrame;
    pallix_av::SwrPtr mSwr;
    int mSwrRate = 0;
    int mSwrFormat = -1;
    int mSwrChannels = 0;
    // While the container is being recognised the stream may take its time.
    bool mbProbing = false;
    bool mbDrained = false;
    // Waiting for a clean picture; pictures before mKeyPts are from an open GOP.
    bool mbNeedKey = true;
    double mKeyPts = 0.0;
    // Sound is held back until the first clean picture says where to start.
    bool mbGateOpen = false;
    double mGatePts = 0.0;
    std::deque<Sound> mHeldSound;
    double mNextAudioPts = 0.0;
    double mNextVideoPts = 0.0;
    double mVideoFrameDuration = 0.04;
    // Last timestamp per stream role, for finding jumps.
    double mLastTs[3] = {};
    bool mbHaveTs[3] = {};
    double mStretchStart = 0.0;
    int mSettlePackets = 0;
};
