#pragma once

#include <cstdint>
#include <vector>

// The engine counts in bytes, while a file the decoder reads itself is reached
// by time: the two map linearly onto each other through the file's size and its
// stretch of time (start and duration), so that a position the engine saved
// keeps its meaning whichever way the file is read. A film in several files
// maps part by part: each part's bytes follow the parts before it, and its time
// follows theirs.
class PallixByteTimeMap
{
public:
    struct Piece
    {
        uint64_t nSize = 0;
        double duration = 0.0;
    };

    PallixByteTimeMap() = default;
    PallixByteTimeMap(uint64_t nSize, double start, double duration);
    // The parts in order, the first starting at start. A part without a running
    // time leaves the whole film mapped at its average rate.
    PallixByteTimeMap(const std::vector<Piece>& pieces, double start);

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
    struct Span
    {
        uint64_t nOffset = 0;
        uint64_t nSize = 0;
        double start = 0.0;
        double duration = 0.0;
    };

    uint64_t mnSize = 0;
    double mStart = 0.0;
    double mDuration = 0.0;
    std::vector<Span> mSpans;
};
