#include "PallixByteTimeMap.h"

#include <algorithm>
#include <cmath>

PallixByteTimeMap::PallixByteTimeMap(uint64_t nSize, double start, double duration)
    : PallixByteTimeMap(std::vector<Piece>{Piece{nSize, duration}}, start)
{
}

PallixByteTimeMap::PallixByteTimeMap(const std::vector<Piece>& pieces, double start)
    : mStart(std::isfinite(start) ? start : 0.0)
{
    bool bTimed = true;
    for (const Piece& piece : pieces)
    {
        const bool bKnown = std::isfinite(piece.duration) && piece.duration > 0;
        bTimed = bTimed && bKnown;
        mSpans.push_back(Span{mnSize, piece.nSize, mStart + mDuration, bKnown ? piece.duration : 0.0});
        mnSize += piece.nSize;
        mDuration += bKnown ? piece.duration : 0.0;
    }
    if (!bTimed || !IsValid())
        mSpans = {Span{0, mnSize, mStart, mDuration}};
}

double PallixByteTimeMap::TimeAt(uint64_t position) const
{
    if (!IsValid())
        return mStart;
    if (position >= mnSize)
        return mStart + mDuration;
    // The part holding the position: the last one starting at or before it.
    auto span = std::upper_bound(mSpans.begin(), mSpans.end(), position,
                                 [](uint64_t at, const Span& s) { return at < s.nOffset; });
    const Span& s = *std::prev(span);
    if (s.nSize == 0)
        return s.start;
    return s.start + double(position - s.nOffset) / double(s.nSize) * s.duration;
}

uint64_t PallixByteTimeMap::PositionAt(double time) const
{
    if (!IsValid() || !(time > mStart))
        return 0;
    if (time >= mStart + mDuration)
        return mnSize;
    auto span = std::upper_bound(mSpans.begin(), mSpans.end(), time,
                                 [](double at, const Span& s) { return at < s.start; });
    const Span& s = *std::prev(span);
    const double inside = s.duration > 0 ? (time - s.start) / s.duration : 0.0;
    const double position = std::floor(double(s.nOffset) + std::clamp(inside, 0.0, 1.0) * double(s.nSize));
    return position >= double(mnSize) ? mnSize - 1 : uint64_t(position);
}
