#pragma once

// Finds where a pushed stream was moved under the decoder (a jump, fast
// forward): within one stream (video, audio...), timestamps that leap forward or
// run back by more than pictures out of display order explain. After a jump,
// the first packets of the other streams that still come from the old place
// are told apart and dropped.
class PallixJumpDetector
{
public:
    static constexpr int STREAMS = 8;

    enum Verdict
    {
        kKeep,
        // A leftover from before the last jump.
        kDrop,
        // The stream moved: a new stretch starts here.
        kJump
    };

    // The timestamp t (seconds) of a packet of stream nStream (0 to STREAMS - 1).
    Verdict Track(int nStream, double t);
    // A new stretch starting at t: every stream's next timestamp is its first.
    void Restart(double t);

private:
    double mLast[STREAMS] = {};
    bool mbHave[STREAMS] = {};
    double mStart = 0.0;
    int mSettle = 0;
};
