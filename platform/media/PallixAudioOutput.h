#pragma once

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

class PallixMediaClock;

// Plays 16-bit sound at 48 kHz through SDL, with as many channels as the
// device has (two on most), and keeps the playback clock with what has been
// heard. Without a sound card (headless, SDL's dummy driver, or no device that
// opens) a silent stereo sink consumes the sound at the same pace, so the clock
// runs the same. The device stays open from Open to Close, across any number of
// flushes: a seek never closes and reopens it.
class PallixAudioOutput
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int RATE = 48000;

    explicit PallixAudioOutput(PallixMediaClock& clock);
    ~PallixAudioOutput();
    PallixAudioOutput(const PallixAudioOutput&) = delete;
    PallixAudioOutput& operator=(const PallixAudioOutput&) = delete;

    // Opens the device, or keeps the one already open; writes work again after an Abort.
    void Open(bool bPaused);
    void Close();
    // Interleaved channels per frame of what Write takes.
    int GetChannels() const { return mnChannels; }

    // Queues interleaved samples that begin at pts, for the stretch nSerial.
    // Waits while two seconds are already queued; false once aborted.
    bool Write(std::vector<int16_t> samples, double pts, int nSerial);
    // Drops what is queued; from now on only nSerial is played.
    void Flush(int nSerial);
    void SetPaused(bool bPaused);
    // Wakes a waiting Write, and fails every Write until the next Open.
    void Abort();
    // Frames queued and not yet heard.
    size_t GetQueuedFrames();
    // When the first sound since the last Open or Flush was heard; false before.
    bool GetFirstHeard(Clock::time_point& when);

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
    int mnChannels = 2;
    bool mbAbort = false;
    bool mbPaused = false;
    bool mbStopSilent = false;
    bool mbSdlAudio = false;
    bool mbHeard = false;
    Clock::time_point mFirstHeard;
    // When sound last arrived in an empty queue: the silent sink plays from then.
    Clock::time_point mRefilled;
    SDL_AudioDeviceID mDevice = 0;
    double mDeviceLatency = 0.0;
    std::thread mSilent;
};
