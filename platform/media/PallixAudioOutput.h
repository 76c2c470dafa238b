#pragma once

#include <SDL.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

class PallixMediaClock;

// Plays 16-bit stereo sound at 48 kHz through SDL and keeps the playback clock
// with what has been heard. Without a sound card (headless, SDL's dummy driver,
// or no device that opens) a silent sink consumes the sound at the same pace,
// so the clock runs the same.
class PallixAudioOutput
{
public:
    static constexpr int RATE = 48000;
    static constexpr int CHANNELS = 2;

    explicit PallixAudioOutput(PallixMediaClock& clock);
    ~PallixAudioOutput();
    PallixAudioOutput(const PallixAudioOutput&) = delete;
    PallixAudioOutput& operator=(const PallixAudioOutput&) = delete;

    void Open(bool bPaused);
    void Close();
    bool IsSilent() const { return mDevice == 0; }

    // Queues interleaved samples that begin at pts, for the stretch nSerial.
    // Waits while two seconds are already queued; false once aborted.
    bool Write(std::vector<int16_t> samples, double pts, int nSerial);
    // Drops what is queued; from now on only nSerial is played.
    void Flush(int nSerial);
    void SetPaused(bool bPaused);
    // Wakes a waiting Write for good.
    void Abort();

private:
    struct Chunk
    {
        std::vector<int16_t> samples;
        size_t nOffset = 0;
        double pts = 0.0;
        int nSerial = 0;
    };

    static void SdlCallback(void* userdata, Uint8* stream, int len);
    // Takes nFrames frames off the queue into out (or nowhere), padding with
    // silence, and tells the clock what is being heard latency seconds later.
    void Consume(int16_t* out, size_t nFrames, double latency);
    void SilentLoop();

    PallixMediaClock& mClock;
    std::mutex mMutex;
    std::condition_variable mSpace;
    std::condition_variable mTick;
    std::deque<Chunk> mChunks;
    size_t mQueuedFrames = 0;
    int mSerial = 0;
    bool mbAbort = false;
    bool mbPaused = false;
    bool mbStopSilent = false;
    bool mbSdlAudio = false;
    SDL_AudioDeviceID mDevice = 0;
    double mDeviceLatency = 0.0;
    std::thread mSilent;
};
