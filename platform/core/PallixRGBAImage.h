#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A picture as plain bytes: rows of width pixels, four bytes each (red, green,
// blue, alpha), no padding. What a movie frame becomes before it is drawn or
// written, shared by the media and graphics parts without either knowing the other.
struct PallixRGBAImage
{
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;

    bool IsEmpty() const { return width == 0 || height == 0 || pixels.size() < size_t(width) * height * 4; }
};
