#pragma once

#include <cstdint>

// Signed position, unsigned size: a width that goes "negative" wraps, exactly as
// the system's unsigned arithmetic expects.
struct PallixRect
{
    PallixRect() = default;
    PallixRect(int32_t px, int32_t py, uint32_t pw, uint32_t ph) : x(px), y(py), w(pw), h(ph) {}

    int32_t x = 0;
    int32_t y = 0;
    uint32_t w = 0;
    uint32_t h = 0;

    // Moves each edge inwards by dx and dy; negative amounts grow the rectangle.
    void InsetRect(int32_t dx, int32_t dy);
    // Moves each edge outwards by dx and dy.
    void InflateRect(int32_t dx, int32_t dy) { InsetRect(-dx, -dy); }
    // Becomes the intersection of a and b; empty (w = h = 0) when they do not meet.
    void MakeIntersectRect(const PallixRect& a, const PallixRect& b);

    bool IsEmpty() const { return w == 0 || h == 0; }
    bool Contains(int32_t px, int32_t py) const;

    bool operator==(const PallixRect&) const = default;
};
