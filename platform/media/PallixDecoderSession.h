#pragma once

#include "MPEGDecoder.h"
#include "PallixAVTypes.h"
#include "PallixAudioDecoder.h"
#include "PallixAudioOutput.h"
#include "PallixFilmDemuxer.h"
#include "PallixJumpDetector.h"
#include "PallixMediaClock.h"
#include "PallixPacketBacklog.h"
#include "PallixPositionSync.h"
#include "PallixPresenter.h"
#include "PallixPushDemuxer.h"
#include "PallixSoundGate.h"
#include "PallixSubtitleRenderer.h"
#include "PallixVideoDecoder.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

// The working parts of an MPEGDecoder, kept from its first Open until
// ClearVideo: the sound device, the open file and its decoders survive the
// Close and Open of a seek. Each run (Start to Stop) has a decoder thread (reads,
// demuxes, decodes, queues pictures and sound) and a presenter thread. Every
// jump in the stream's timestamps (a pushed stream moved by its owner) or seek
// (a file read here) starts a new stretch with a new serial: what was queued
// for the old stretch is dropped, the decoders wait for a clean picture, and
// the clock restarts from the new time.
class PallixDecoderSession
{
public:
    explicit PallixDecoderSession(MPEGDecoder& owner);
    ~PallixDecoderSession();
    PallixDecoderSession(const PallixDecoderSession&) = delete;
    PallixDecoderSession& operator=(const PallixDecoderSession&) = delete;

    bool Start(int nPictures, int nReadSize, bool bPaused);
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
        kAudio = 2,
        kSubtitle = 3,
        // A text subtitle track not shown: its last lines are kept, so that
        // choosing it shows the line of the moment at once.
        kOtherText = 4
    };

    // Decoder thread.
    void DecodeThread();
    void RunPushed();
    bool RunPushDemuxer();
    int ReadPushed(uint8_t* buf, int size, bool bProbing);
    void RunFile();
    // Opens the film's files unless a restart reads on from those open; false
    // when the film cannot be read.
    bool OpenFile();
    // A read that gave no packet: a damaged stretch is skipped, the end of a
    // part goes on in the next. True when all that is left is to wait.
    bool OnReadFailed(int ret);
    void SeekFile(double time);
    // The film goes on in another of its files: its streams are taken up afresh.
    void EnterPart();
    // Takes the owner's new selection; true when one sound track replaced another.
    bool ApplySelection();
    Role RoleOf(int nIndex);
    void CloseDecoders();
    // False when the packet is a leftover from before a jump.
    bool TrackTimestamp(Role role, const AVPacket& packet, const AVStream* stream);
    void NewStretch();
    void Dispatch(Role role, const AVPacket& packet);
    // Decodes the pictures read ahead: all of them, or while there is room for
    // them or no want of sound.
    void DecodeBacklog(bool bAll);
    // Whether a picture decoded now would hold up the sound the clock needs.
    bool WaitsForSound();
    void DecodeVideo(const AVPacket& packet);
    void OnPicture(pallix_av::FramePtr frame, double pts);
    void QueueSound(std::vector<int16_t> samples, double pts);
    void Drain();
    bool Fail(const std::string& reason);
    bool WaitAbortFor(std::chrono::milliseconds delay);
    bool IsAborted();

    MPEGDecoder& mOwner;
    int mnReadSize = 32768;
    Clock::time_point mOpened;

    PallixMediaClock mClock;
    PallixAudioOutput mAudio;
    PallixSubtitleRenderer mSubtitles;
    PallixPresenter mPresenter;
    PallixPositionSync mSync;
    PallixSoundGate mSound;

    std::thread mDecoder;
    // Guards the abort flag, the pause and the serial.
    std::mutex mMutex;
    std::condition_variable mWake;
    bool mbAbort = false;
    bool mbPaused = false;
    bool mbSelected = false;
    int mSerial = 0;
    std::atomic<bool> mbSelectionChanged{true};
    // Every blocking read of a file gives up while this is set.
    std::atomic<bool> mbStopping{false};

    // Decoder thread only.
    MPEGDecoder::Source mSource;
    PallixPushDemuxer mPushed;
    PallixFilmDemuxer mFile;
    bool mbFileRun = false;
    AVFormatContext* mpFormat = nullptr;
    PallixVideoDecoder mVideo;
    PallixPacketBacklog mBacklog;
    PallixAudioDecoder mAudioDecoder;
    std::vector<Role> mRoles;
    std::map<int, std::deque<pallix_av::PacketPtr>> mRecentText;
    int mVideoIndex = -1;
    int mAudioIndex = -1;
    int mSubtitleIndex = -1;
    MPEGDecoder::Selection mSelection;
    // While the container is being recognised the stream may take its time.
    bool mbDrained = false;
    // After a seek in a file, what comes before this time is decoded, not shown.
    double mShowFrom = 0.0;
    // Pictures come out behind the clock: skip those nobody needs.
    bool mbLate = false;
    PallixJumpDetector mJumps;
    int mBadPackets = 0;
    int mBadPictures = 0;
};
