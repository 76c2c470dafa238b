#pragma once

#include "PallixByteTimeMap.h"

#include <cstdint>
#include <functional>
#include <mutex>

class MPEGDecoder;
class PallixAudioOutput;
class PallixMediaClock;

// For a file the decoder reads itself, keeps the owner's byte position and the
// movie's time in step: as the movie plays the position is moved on (through
// OnFillBuffer, without reading) to the bytes that stand for the time heard and seen, up to the
// file's size once everything has been played; when the owner moves the
// position itself (a jump, fast forward) the decoder is asked to seek to the
// time it stands for.
class PallixPositionSync
{
public:
    PallixPositionSync(MPEGDecoder& owner, PallixMediaClock& clock, PallixAudioOutput& audio);

    // Decoder thread, at the start of a run: the owner's position is start, and
    // the first seek (to its time) is under way. wake is how a seek request
    // reaches the decoder thread.
    void Arm(const PallixByteTimeMap& map, uint64_t start, std::function<void()> wake);
    void Disarm();
    // Decoder thread: a move to follow, with the time to seek to; false when none.
    bool TakeSeek(double& time);
    // Decoder thread: asks for a seek to the time now being played, from where
    // the owner's position is (a change of sound track).
    void RequestSeekHere();
    // Decoder thread: the seek is done, the stretch that follows it has begun.
    void SeekDone();
    // Decoder thread: the file has been read to its end (or not, after a seek).
    void SetEnded(bool bEnded);

    // Presenter thread, regularly: follows the owner's moves and moves the
    // owner's position on. bPicturesQueued tells whether pictures still wait.
    void Tick(bool bPicturesQueued);

private:
    MPEGDecoder& mOwner;
    PallixMediaClock& mClock;
    PallixAudioOutput& mAudio;

    std::mutex mMutex;
    bool mbArmed = false;
    PallixByteTimeMap mMap;
    std::function<void()> mWake;
    // Where the owner's position was left, by the owner or by this.
    uint64_t mReported = 0;
    bool mbSeekRequested = false;
    bool mbSeekPending = false;
    double mSeekTime = 0.0;
    bool mbEnded = false;
    bool mbEndDelivered = false;
};
