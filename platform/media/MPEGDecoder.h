#pragma once

#include "PallixRect.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class PallixDecoderSession;

// Plays an MPEG stream whose bytes a subclass hands over on request: pictures
// into the video plane, sound to the speakers, paced by the sound (by the wall
// clock when there is none). Constructing one costs nothing; the libraries and
// the decoder's threads come to life in Open. A subclass closes the decoder in
// its own destructor, since its OnFillBuffer is called until Close returns.
class MPEGDecoder
{
public:
    MPEGDecoder();
    virtual ~MPEGDecoder();
    MPEGDecoder(const MPEGDecoder&) = delete;
    MPEGDecoder& operator=(const MPEGDecoder&) = delete;

    // Called on the decoder's thread for up to nBuffSize more bytes of the
    // stream; returns how many were delivered, 0 for none just now (the decoder
    // asks again a little later).
    virtual uint32_t OnFillBuffer(unsigned char* pBuffer, unsigned long nBuffSize);
    // Called on the decoder's thread when the bytes cannot be read as MPEG at
    // all. True asks the decoder to try again on the bytes that follow; false
    // leaves it idle until Close.
    virtual bool OnDecoderError();

    // Starts the decoder: up to nBuffers pictures are decoded ahead of the
    // screen, and the stream is asked for nReadSize bytes at a time. Nothing is
    // asked for before SelectPIDs. False when already open or the values make no
    // sense.
    bool Open(int nBuffers, int nReadSize);
    bool IsOpen() const;
    // Stops the decoder's threads and frees everything Open made. The last
    // picture stays in the video plane, so a restart after a seek shows no black
    // flash. Forgets the stream selection and the pause. False when it was not open.
    bool Close();
    // Turns the video plane black: for when playback has really ended. A decoder
    // still open shows its next picture over it.
    void ClearVideo();

    // The streams to play: in a program stream by stream id (an AC-3 or LPCM
    // track by private stream 1, 0xBD, and its substream id), in a transport
    // stream by PID. 0 selects no stream of that kind.
    bool SelectPIDs(bool bProgramStream, int pcrPID, int videoPID, int audioPID, int audioSSID, bool bAC3);

    // Freeze and continue picture and sound. False when not open.
    bool PauseStreaming();
    bool ResumeStreaming();

    // Where the picture goes on the screen (output) and which part of it is
    // shown (scale, in the coordinates of the picture stretched over the whole
    // output resolution). False for an empty rectangle.
    bool SetOutputAndScaleRects(const PallixRect& output, const PallixRect& scale);

    // What playback did since the last Open, for measurements and tests.
    uint64_t GetFramesPresented() const { return mFramesPresented.load(); }
    // Pictures skipped because they were due before the one after them.
    uint64_t GetFramesDropped() const { return mFramesDropped.load(); }
    // Clock minus picture time when the last picture was shown (positive: late).
    int64_t GetLastAVOffsetUs() const { return mLastAVOffsetUs.load(); }
    // The largest such offset, either way.
    int64_t GetMaxAVOffsetUs() const { return mMaxAVOffsetUs.load(); }
    // From Open to the first picture shown, -1 until then.
    int64_t GetFirstFrameDelayUs() const { return mFirstFrameDelayUs.load(); }
    // The movie time of the last picture shown, in microseconds.
    int64_t GetLastPresentedPtsUs() const { return mLastPresentedPtsUs.load(); }
    // Counts the jumps found in the stream's timestamps.
    uint32_t GetDiscontinuities() const { return mDiscontinuities.load(); }

private:
    friend class PallixDecoderSession;

    struct Selection
    {
        bool bSelected = false;
        int nVideo = 0;
        int nAudio = 0;
        int nAudioSSID = 0;
    };

    Selection GetSelection() const;
    void GetRects(PallixRect& output, PallixRect& scale) const;

    mutable std::mutex mMutex;
    std::unique_ptr<PallixDecoderSession> mSession;
    Selection mSelection;
    PallixRect mOutput;
    PallixRect mScale;
    bool mbPaused = false;

    std::atomic<uint64_t> mFramesPresented{0};
    std::atomic<uint64_t> mFramesDropped{0};
    std::atomic<int64_t> mLastAVOffsetUs{0};
    std::atomic<int64_t> mMaxAVOffsetUs{0};
    std::atomic<int64_t> mFirstFrameDelayUs{-1};
    std::atomic<int64_t> mLastPresentedPtsUs{0};
    std::atomic<uint32_t> mDiscontinuities{0};
};
