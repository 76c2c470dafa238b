#pragma once

#include <cstdint>

// The engine counts in bytes, while a file the decoder reads itself is reached
// by time: the two map linearly onto each other through the file's size and its
// stretch of time (start and duration), so that a position the engine saved
// keeps its meaning whichever way the file is read.
class PallixByteTimeMap
{
public:
    PallixByteTimeMap() = default;
    PallixByteTimeMap(uint64_t nSize, double start, double duration);

    // False for an empty file or one without a duration: nothing maps then.
    bool IsValid() const { return mnSize > 0 && mDuration > 0; }
    uint64_t GetSize() const { return mnSize; }
    double GetStart() const { return mStart; }
    double GetDuration() const { return mDuration; }

    // The time of a byte position: the start at 0, the end at the size and past it.
    double TimeAt(uint64_t position) const;
    // The byte position of a time: 0 at or before the start, the size at or after
    // the end, rounded down in between so that it reaches the size only at the end.
    uint64_t PositionAt(double time) const;

private:
    uint64_t mnSize = 0;
    double mStart = 0.0;
    double mDuration = 0.0;
};
