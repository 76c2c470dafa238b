#pragma once

#include "PallixBitmap.h"
#include "PallixColor.h"
#include "PallixRect.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <initializer_list>

// Questions about the pixels of a drawn bitmap.
class PixelProbe
{
public:
    using Test = std::function<bool(const PallixColor&)>;

    // Anti-aliased white text, told apart from the shadow and from the colours used as pictures.
    static bool isWhite(const PallixColor& c)
    {
        return c.GetRed() > 200 && c.GetGreen() > 200 && c.GetBlue() > 200 && c.GetAlpha() > 200;
    }
    static bool isBlueText(const PallixColor& c)
    {
        return c.GetRed() < 120 && c.GetGreen() > 150 && c.GetBlue() > 150;
    }
    static bool isYellowText(const PallixColor& c)
    {
        return c.GetRed() > 200 && c.GetGreen() > 200 && c.GetBlue() < 180 && c.GetAlpha() > 200;
    }

    static int count(const PallixBitmap& bitmap, const PallixRect& rect, const Test& test)
    {
        int n = 0;
        forEach(bitmap, rect, [&](int, int, const PallixColor& c) { n += test(c) ? 1 : 0; });
        return n;
    }

    static bool all(const PallixBitmap& bitmap, const PallixRect& rect, const PallixColor& color)
    {
        return count(bitmap, rect, [&](const PallixColor& c) { return c == color; }) == int(rect.w * rect.h);
    }

    // The smallest rectangle holding every pixel that passes; empty when none does.
    static PallixRect bounds(const PallixBitmap& bitmap, const PallixRect& rect, const Test& test)
    {
        int x0 = INT32_MAX, y0 = INT32_MAX, x1 = INT32_MIN, y1 = INT32_MIN;
        forEach(bitmap, rect,
                [&](int x, int y, const PallixColor& c)
                {
                    if (!test(c))
                        return;
                    x0 = std::min(x0, x);
                    y0 = std::min(y0, y);
                    x1 = std::max(x1, x);
                    y1 = std::max(y1, y);
                });
        if (x1 < x0)
            return PallixRect();
        return PallixRect(x0, y0, uint32_t(x1 - x0 + 1), uint32_t(y1 - y0 + 1));
    }

    static bool same(const PallixBitmap& a, const PallixBitmap& b)
    {
        int differences = 0;
        forEach(a, a.GetRect(), [&](int x, int y, const PallixColor& c) { differences += c == b.GetPixel(x, y) ? 0 : 1; });
        return a.GetDims() == b.GetDims() && differences == 0;
    }

    // The same pixels in area, leaving out those inside any of the skipped rectangles
    // (a clock that may turn between two pictures); step > 1 looks at every step-th
    // pixel of every step-th row.
    static bool sameIn(const PallixBitmap& a, const PallixBitmap& b, const PallixRect& area,
                       std::initializer_list<PallixRect> skipped = {}, int step = 1)
    {
        if (!(a.GetDims() == b.GetDims()))
            return false;
        for (int32_t y = area.y; y < area.y + int32_t(area.h); y += step)
            for (int32_t x = area.x; x < area.x + int32_t(area.w); x += step)
                if (!(a.GetPixel(x, y) == b.GetPixel(x, y)) &&
                    std::none_of(skipped.begin(), skipped.end(), [&](const PallixRect& r) { return r.Contains(x, y); }))
                    return false;
        return true;
    }

    // Red, green and blue each within tolerance of the expected colour's, the same alpha.
    static bool near(const PallixColor& c, const PallixColor& expected, int tolerance)
    {
        return std::abs(c.GetRed() - expected.GetRed()) <= tolerance &&
               std::abs(c.GetGreen() - expected.GetGreen()) <= tolerance &&
               std::abs(c.GetBlue() - expected.GetBlue()) <= tolerance && c.GetAlpha() == expected.GetAlpha();
    }

private:
    static void forEach(const PallixBitmap& bitmap, const PallixRect& rect,
                        const std::function<void(int, int, const PallixColor&)>& fn)
    {
        for (int y = rect.y; y < rect.y + int(rect.h); ++y)
        {
            for (int x = rect.x; x < rect.x + int(rect.w); ++x)
                fn(x, y, bitmap.GetPixel(x, y));
        }
    }
};
