#include "PallixByteTimeMap.h"

#include <cmath>

PallixByteTimeMap::PallixByteTimeMap(uint64_t nSize, double start, double duration)
    : mnSize(nSize), mStart(std::isfinite(start) ? start : 0.0),
      mDuration(std::isfinite(duration) && duration > 0 ? duration : 0.0)
{
}

double PallixByteTimeMap::TimeAt(uint64_t position) const
{
    if (!IsValid())
        return mStart;
    if (position >= mnSize)
        return mStart + mDuration;
    return mStart + double(position) / double(mnSize) * mDuration;
}

uint64_t PallixByteTimeMap::PositionAt(double time) const
{
    if (!IsValid() || !(time > mStart))
        return 0;
    if (time >= mStart + mDuration)
        return mnSize;
    const double position = std::floor((time - mStart) / mDuration * double(mnSize));
    return position >= double(mnSize) ? mnSize - 1 : uint64_t(position);
}
