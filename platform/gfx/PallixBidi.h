#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// The Unicode bidirectional algorithm (FriBidi) for one line of well-formed
// UTF-8: which way a paragraph reads, and the line cut into runs of one
// direction in the order they are seen from left to right.
class PallixBidi
{
public:
    struct Run
    {
        size_t begin = 0; // byte offsets; the text inside a run stays in reading order
        size_t end = 0;
        bool bRightToLeft = false;
        bool operator==(const Run&) const = default;
    };

    // True when the first letter with a strong direction reads right to left.
    static bool IsRightToLeft(std::string_view paragraph);
    // The runs of a line of a paragraph that reads right to left or not.
    static std::vector<Run> VisualRuns(std::string_view line, bool bRightToLeft);
};
