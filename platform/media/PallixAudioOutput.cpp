#include "PallixAudioOutput.h"

#include "PallixMediaClock.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace
{
constexpr size_t CAPACITY_FRAMES = 2 * PallixAudioOutput::RATE;
// Coarse enough to cost nothing; the clock runs on by the wall clock between ticks.
constexpr std::chrono::milliseconds SILENT_TICK(40);

bool EnvIs(const char* name, const char* value)
{
    const char* set = std::getenv(name);
    return set && std::strcmp(set, value) == 0;
}
} // namespace

PallixAudioOutput::PallixAudioOutput(PallixMediaClock& clock) : mClock(clock) {}

PallixAudioOutput::~PallixAudioOutput()
{
    Close();
}

void PallixAudioOutput::Open(bool bPaused)
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mbAbort = false;
        mbPaused = bPaused;
        mbHeard = false;
    }
    if (mDevice != 0)
    {
        SDL_PauseAudioDevice(mDevice, bPaused ? 1 : 0);
        return;
    }
    if (mSilent.joinable())
        return;
    if (!EnvIs("PALLIX_DISPLAY", "headless") && !EnvIs("SDL_AUDIODRIVER", "dummy") &&
        SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
    {
        mbSdlAudio = true;
        SDL_AudioSpec want = {};
        SDL_AudioSpec have = {};
        want.freq = RATE;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = 1024;
        want.callback = &PallixAudioOutput::SdlCallback;
        want.userdata = this;
        mDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
        if (mDevice != 0)
        {
            mnChannels = std::clamp<int>(have.channels, 1, 8);
            // What is written now is heard after the buffer already playing.
            mDeviceLatency = 2.0 * have.samples / RATE;
            SDL_PauseAudioDevice(mDevice, bPaused ? 1 : 0);
            return;
        }
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        mbSdlAudio = false;
    }
    mnChannels = 2;
    mbStopSilent = false;
    mSilent = std::thread(&PallixAudioOutput::SilentLoop, this);
}

void PallixAudioOutput::Close()
{
    Abort();
    if (mDevice != 0)
    {
        SDL_CloseAudioDevice(mDevice);
        mDevice = 0;
    }
    if (mbSdlAudio)
    {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        mbSdlAudio = false;
    }
    if (mSilent.joinable())
    {
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mbStopSilent = true;
        }
        mTick.notify_all();
        mSilent.join();
    }
    std::lock_guard<std::mutex> lock(mMutex);
    mChunks.clear();
    mQueuedFrames = 0;
}

bool PallixAudioOutput::Write(std::vector<int16_t> samples, double pts, int nSerial)
{
    std::unique_lock<std::mutex> lock(mMutex);
    mSpace.wait(lock, [&] { return mbAbort || mQueuedFrames < CAPACITY_FRAMES || nSerial != mSerial; });
    if (mbAbort)
        return false;
    if (nSerial != mSerial || samples.empty())
        return true;
    if (mQueuedFrames == 0)
        mRefilled = Clock::now();
    mQueuedFrames += samples.size() / size_t(mnChannels);
    mChunks.push_back(Chunk{std::move(samples), 0, pts, nSerial});
    return true;
}

void PallixAudioOutput::Flush(int nSerial)
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mChunks.clear();
        mQueuedFrames = 0;
        mSerial = nSerial;
        mbHeard = false;
    }
    mSpace.notify_all();
}

void PallixAudioOutput::SetPaused(bool bPaused)
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mbPaused = bPaused;
    }
    if (mDevice != 0)
        SDL_PauseAudioDevice(mDevice, bPaused ? 1 : 0);
    mTick.notify_all();
}

void PallixAudioOutput::Abort()
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mbAbort = true;
    }
    mSpace.notify_all();
}

size_t PallixAudioOutput::GetQueuedFrames()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mQueuedFrames;
}

bool PallixAudioOutput::GetFirstHeard(Clock::time_point& when)
{
    std::lock_guard<std::mutex> lock(mMutex);
    when = mFirstHeard;
    return mbHeard;
}

void PallixAudioOutput::SdlCallback(void* userdata, Uint8* stream, int len)
{
    auto* self = static_cast<PallixAudioOutput*>(userdata);
    self->Consume(reinterpret_cast<int16_t*>(stream), size_t(len) / (sizeof(int16_t) * size_t(self->mnChannels)),
                  self->mDeviceLatency);
}

void PallixAudioOutput::Consume(int16_t* out, size_t nFrames, double latency)
{
    const auto nChannels = size_t(mnChannels);
    size_t nDone = 0;
    double endPts = 0.0;
    int nSerial = 0;
    bool bHeard = false;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        while (nDone < nFrames && !mChunks.empty())
        {
            Chunk& chunk = mChunks.front();
            const size_t nLeft = (chunk.samples.size() - chunk.nOffset) / nChannels;
            const size_t n = std::min(nLeft, nFrames - nDone);
            if (out)
                std::memcpy(out + nDone * nChannels, chunk.samples.data() + chunk.nOffset,
                            n * nChannels * sizeof(int16_t));
            chunk.nOffset += n * nChannels;
            nDone += n;
            mQueuedFrames -= n;
            endPts = chunk.pts + double(chunk.nOffset / nChannels) / RATE;
            nSerial = chunk.nSerial;
            bHeard = true;
            if (chunk.nOffset >= chunk.samples.size())
                mChunks.pop_front();
        }
        if (bHeard && !mbHeard)
        {
            mbHeard = true;
            mFirstHeard = Clock::now();
        }
    }
    if (out && nDone < nFrames)
        std::memset(out + nDone * nChannels, 0, (nFrames - nDone) * nChannels * sizeof(int16_t));
    if (bHeard)
    {
        mClock.Set(endPts - latency, nSerial);
        mSpace.notify_all();
    }
}

void PallixAudioOutput::SilentLoop()
{
    Clock::time_point last = Clock::now();
    std::unique_lock<std::mutex> lock(mMutex);
    while (!mbStopSilent)
    {
        mTick.wait_for(lock, SILENT_TICK);
        const Clock::time_point now = Clock::now();
        if (mbPaused)
        {
            last = now;
            continue;
        }
        // Sound that arrived after a gap starts playing when it arrived, not
        // at the last tick.
        if (last < mRefilled)
            last = mRefilled;
        // Whole frames only; the remainder waits for the next tick, so the
        // sink keeps the wall clock's pace exactly.
        const auto nFrames = size_t(std::chrono::duration<double>(now - last).count() * RATE);
        if (nFrames == 0)
            continue;
        last += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(double(nFrames) / RATE));
        lock.unlock();
        Consume(nullptr, nFrames, 0.0);
        lock.lock();
    }
}
