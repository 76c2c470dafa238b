#include "PallixJumpDetector.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace
{
// Timestamps further apart than this mean the stream was moved. Backwards
// allows for pictures sent out of display order.
constexpr double JUMP_FORWARD = 1.5;
constexpr double JUMP_BACKWARD = 0.5;
// After a jump this many packets are looked at before giving up on telling
// leftovers apart.
constexpr int SETTLE_PACKETS = 64;
} // namespace

PallixJumpDetector::Verdict PallixJumpDetector::Track(int nStream, double t)
{
    if (nStream < 0 || nStream >= STREAMS)
        return kKeep;
    double& last = mLast[nStream];
    bool& bHave = mbHave[nStream];
    if (!bHave)
    {
        if (mSettle > 0)
        {
            --mSettle;
            if (std::fabs(t - mStart) > JUMP_FORWARD)
                return kDrop;
        }
        bHave = true;
        last = t;
        return kKeep;
    }
    if (t > last + JUMP_FORWARD || t < last - JUMP_BACKWARD)
    {
        Restart(t);
        mbHave[nStream] = true;
        mLast[nStream] = t;
        return kJump;
    }
    last = t;
    return kKeep;
}

void PallixJumpDetector::Restart(double t)
{
    std::fill(std::begin(mbHave), std::end(mbHave), false);
    mStart = t;
    mSettle = SETTLE_PACKETS;
}
