#include "PallixSoundGate.h"

#include "PallixAudioOutput.h"
#include "PallixMediaClock.h"

#include <algorithm>

namespace
{
// Sound waits this long for the first clean picture before playing alone.
constexpr double HOLD_SOUND = 1.5;
// A new sound track may start this much after the clock; more is not a gap
// worth filling with silence.
constexpr double MAX_SOUND_GAP = 5.0;
} // namespace

PallixSoundGate::PallixSoundGate(PallixAudioOutput& audio, PallixMediaClock& clock) : mAudio(audio), mClock(clock) {}

void PallixSoundGate::Reset()
{
    mbOpen = false;
    mbPad = false;
    mHeld.clear();
}

void PallixSoundGate::Open(double pts, int nSerial)
{
    mbOpen = true;
    mPts = pts;
    std::deque<Sound> held;
    held.swap(mHeld);
    for (Sound& sound : held)
        Deliver(std::move(sound), nSerial);
}

void PallixSoundGate::Queue(std::vector<int16_t> samples, double pts, int nSerial, bool bAlone, double notBefore)
{
    if (!mbOpen && bAlone)
        Open(std::max(pts, notBefore), nSerial);
    if (mbOpen)
    {
        Deliver(Sound{std::move(samples), pts}, nSerial);
        return;
    }
    mHeld.push_back(Sound{std::move(samples), pts});
    // No picture is coming: play the sound alone.
    if (mHeld.back().pts - mHeld.front().pts > HOLD_SOUND)
        Open(std::max(mHeld.front().pts, notBefore), nSerial);
}

void PallixSoundGate::Release(int nSerial)
{
    if (!mbOpen && !mHeld.empty())
        Open(mHeld.front().pts, nSerial);
}

void PallixSoundGate::Deliver(Sound sound, int nSerial)
{
    const auto nChannels = size_t(mAudio.GetChannels());
    const size_t nFrames = sound.samples.size() / nChannels;
    if (sound.pts + double(nFrames) / PallixAudioOutput::RATE <= mPts)
        return;
    if (sound.pts < mPts)
    {
        // Start the sound with the first picture.
        const size_t nSkip = std::min(nFrames, size_t((mPts - sound.pts) * PallixAudioOutput::RATE));
        sound.samples.erase(sound.samples.begin(), sound.samples.begin() + ptrdiff_t(nSkip * nChannels));
        sound.pts += double(nSkip) / PallixAudioOutput::RATE;
    }
    double now = 0.0;
    if (mbPad && mClock.Get(now))
    {
        mbPad = false;
        const double gap = sound.pts - now;
        if (gap > 0 && gap < MAX_SOUND_GAP)
        {
            sound.samples.insert(sound.samples.begin(), size_t(gap * PallixAudioOutput::RATE) * nChannels, 0);
            sound.pts = now;
        }
    }
    mAudio.Write(std::move(sound.samples), sound.pts, nSerial);
}
