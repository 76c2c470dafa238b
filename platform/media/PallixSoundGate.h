#pragma once

#include <cstdint>
#include <deque>
#include <vector>

class PallixAudioOutput;
class PallixMediaClock;

// Where the sound of a stretch of movie starts: it is held back until the
// first clean picture says where the stretch begins (or, with no picture
// coming, until enough of it has come), trimmed to that place, and then handed
// to the audio output.
class PallixSoundGate
{
public:
    PallixSoundGate(PallixAudioOutput& audio, PallixMediaClock& clock);
    PallixSoundGate(const PallixSoundGate&) = delete;
    PallixSoundGate& operator=(const PallixSoundGate&) = delete;

    // A new stretch: closed, nothing held.
    void Reset();
    bool IsOpen() const { return mbOpen; }
    // Sound from pts on plays, what is held first.
    void Open(double pts, int nSerial);
    // A piece of sound of the stretch nSerial. With bAlone no picture is coming
    // to open the gate: it opens on the sound itself, not before notBefore.
    void Queue(std::vector<int16_t> samples, double pts, int nSerial, bool bAlone, double notBefore);
    // What is held plays now: the stream has nothing more for the moment.
    void Release(int nSerial);
    // The next piece of sound starts where the clock is, with silence up to its
    // time: a new sound track joining a movie that plays.
    void PadNextToClock() { mbPad = true; }

private:
    struct Sound
    {
        std::vector<int16_t> samples;
        double pts = 0.0;
    };

    void Deliver(Sound sound, int nSerial);

    PallixAudioOutput& mAudio;
    PallixMediaClock& mClock;
    bool mbOpen = false;
    double mPts = 0.0;
    bool mbPad = false;
    std::deque<Sound> mHeld;
};
