#include "PallixRaster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{
// x / 255 rounded, exact for every product of two bytes.
inline uint32_t div255(uint32_t x)
{
    x += 128;
    return (x + (x >> 8)) >> 8;
}

// Source over destination for one pixel, straight alpha on both sides.
inline void blendPixel(uint8_t* d, uint32_t r, uint32_t g, uint32_t b, uint32_t a)
{
    if (a == 255)
    {
        d[0] = static_cast<uint8_t>(r);
        d[1] = static_cast<uint8_t>(g);
        d[2] = static_cast<uint8_t>(b);
        d[3] = 255;
        return;
    }
    if (a == 0)
        return;
    const uint32_t da = d[3];
    const uint32_t inv = 255 - a;
    if (da == 255)
    {
        d[0] = static_cast<uint8_t>(div255(r * a + d[0] * inv));
        d[1] = static_cast<uint8_t>(div255(g * a + d[1] * inv));
        d[2] = static_cast<uint8_t>(div255(b * a + d[2] * inv));
        return;
    }
    // A see-through destination keeps its own colour weight, so a half-covered
    // edge over a clear plane does not darken when the plane is composited.
    const uint32_t dw = div255(da * inv);
    const uint32_t outA = a + dw;
    if (outA == 0)
        return;
    const uint32_t half = outA / 2;
    d[0] = static_cast<uint8_t>((r * a + d[0] * dw + half) / outA);
    d[1] = static_cast<uint8_t>((g * a + d[1] * dw + half) / outA);
    d[2] = static_cast<uint8_t>((b * a + d[2] * dw + half) / outA);
    d[3] = static_cast<uint8_t>(outA);
}

struct Span
{
    int x0, y0, x1, y1; // half-open
    bool empty() const { return x1 <= x0 || y1 <= y0; }
};

Span intersect(const PallixRect& a, const PallixRect& b)
{
    int64_t x0 = std::max<int64_t>(a.x, b.x);
    int64_t y0 = std::max<int64_t>(a.y, b.y);
    int64_t x1 = std::min<int64_t>(int64_t(a.x) + a.w, int64_t(b.x) + b.w);
    int64_t y1 = std::min<int64_t>(int64_t(a.y) + a.h, int64_t(b.y) + b.h);
    if (x1 <= x0 || y1 <= y0)
        return Span{0, 0, 0, 0};
    return Span{int(x0), int(y0), int(x1), int(y1)};
}

// Destination span of a sourceRect placed at point, with the matching source origin.
bool placeSource(const PallixRect& clip, PallixPoint point, const PallixRaster::View& source,
                 const PallixRect& sourceRect, Span& span, int& srcX, int& srcY)
{
    Span src = intersect(sourceRect, PallixRaster::Bounds(source));
    if (src.empty())
        return false;
    const int64_t dx = int64_t(point.x) + (src.x0 - int64_t(sourceRect.x));
    const int64_t dy = int64_t(point.y) + (src.y0 - int64_t(sourceRect.y));
    if (dx < INT32_MIN || dy < INT32_MIN || dx > INT32_MAX || dy > INT32_MAX)
        return false;
    PallixRect placed(int32_t(dx), int32_t(dy), uint32_t(src.x1 - src.x0), uint32_t(src.y1 - src.y0));
    span = intersect(placed, clip);
    if (span.empty())
        return false;
    srcX = src.x0 + (span.x0 - placed.x);
    srcY = src.y0 + (span.y0 - placed.y);
    return true;
}
// Liang-Barsky: narrows the segment to the span (one pixel of slack each side).
bool clipLine(const Span& s, PallixPoint& from, PallixPoint& to)
{
    const double x0 = from.x, y0 = from.y, dx = double(to.x) - from.x, dy = double(to.y) - from.y;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - (s.x0 - 1), (s.x1) - x0, y0 - (s.y0 - 1), (s.y1) - y0};
    for (int i = 0; i < 4; ++i)
    {
        if (p[i] == 0.0)
        {
            if (q[i] < 0.0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    const PallixPoint a(int32_t(std::lround(x0 + t0 * dx)), int32_t(std::lround(y0 + t0 * dy)));
    const PallixPoint b(int32_t(std::lround(x0 + t1 * dx)), int32_t(std::lround(y0 + t1 * dy)));
    from = a;
    to = b;
    return true;
}
} // namespace

PallixRect PallixRaster::Bounds(const View& view)
{
    if (!view.pixels)
        return PallixRect();
    return PallixRect(0, 0, uint32_t(view.w), uint32_t(view.h));
}

void PallixRaster::Fill(const View& dest, const PallixRect& clip, const PallixRect& rect, PallixColor color)
{
    Span s = intersect(rect, clip);
    if (s.empty() || !dest.pixels)
        return;
    const uint8_t px[4] = {color.GetRed(), color.GetGreen(), color.GetBlue(), color.GetAlpha()};
    uint32_t word;
    std::memcpy(&word, px, 4);
    for (int y = s.y0; y < s.y1; ++y)
    {
        uint32_t* row = reinterpret_cast<uint32_t*>(dest.pixels + size_t(y) * dest.pitch) + s.x0;
        std::fill(row, row + (s.x1 - s.x0), word);
    }
}

void PallixRaster::Line(const View& dest, const PallixRect& clip, PallixPoint from, PallixPoint to, PallixColor color)
{
    Span s = intersect(clip, Bounds(dest));
    if (s.empty())
        return;
    const uint8_t px[4] = {color.GetRed(), color.GetGreen(), color.GetBlue(), color.GetAlpha()};
    // A very long line is first cut to the clip so the walk stays short.
    if (std::llabs(int64_t(to.x) - from.x) + std::llabs(int64_t(to.y) - from.y) > 8192 &&
        !clipLine(s, from, to))
        return;
    int64_t x = from.x, y = from.y;
    const int64_t dx = std::llabs(int64_t(to.x) - x), dy = -std::llabs(int64_t(to.y) - y);
    const int sx = x < to.x ? 1 : -1, sy = y < to.y ? 1 : -1;
    int64_t err = dx + dy;
    for (;;)
    {
        if (x >= s.x0 && x < s.x1 && y >= s.y0 && y < s.y1)
            std::memcpy(dest.pixels + size_t(y) * dest.pitch + size_t(x) * 4, px, 4);
        if (x == to.x && y == to.y)
            break;
        const int64_t e2 = 2 * err;
        if (e2 >= dy)
        {
            err += dy;
            x += sx;
        }
        if (e2 <= dx)
        {
            err += dx;
            y += sy;
        }
    }
}

void PallixRaster::Blend(const View& dest, const PallixRect& clip, PallixPoint point, const View& source,
                         const PallixRect& sourceRect)
{
    Span s;
    int srcX = 0, srcY = 0;
    if (!dest.pixels || !placeSource(clip, point, source, sourceRect, s, srcX, srcY))
        return;
    const int width = s.x1 - s.x0;
    for (int y = s.y0; y < s.y1; ++y)
    {
        const uint8_t* sp = source.pixels + size_t(srcY + (y - s.y0)) * source.pitch + size_t(srcX) * 4;
        uint8_t* dp = dest.pixels + size_t(y) * dest.pitch + size_t(s.x0) * 4;
        for (int i = 0; i < width; ++i, sp += 4, dp += 4)
        {
            const uint32_t a = sp[3];
            if (a == 255)
                std::memcpy(dp, sp, 4);
            else if (a != 0)
                blendPixel(dp, sp[0], sp[1], sp[2], a);
        }
    }
}

void PallixRaster::BlendMask(const View& dest, const PallixRect& clip, PallixPoint point, const uint8_t* mask,
                             int maskPitch, int maskW, int maskH, PallixColor color)
{
    if (!dest.pixels || !mask || maskW <= 0 || maskH <= 0 || color.GetAlpha() == 0)
        return;
    PallixRect placed(point.x, point.y, uint32_t(maskW), uint32_t(maskH));
    Span s = intersect(placed, clip);
    if (s.empty())
        return;
    const uint32_t r = color.GetRed(), g = color.GetGreen(), b = color.GetBlue(), ca = color.GetAlpha();
    for (int y = s.y0; y < s.y1; ++y)
    {
        const uint8_t* mp = mask + size_t(y - point.y) * maskPitch + (s.x0 - point.x);
        uint8_t* dp = dest.pixels + size_t(y) * dest.pitch + size_t(s.x0) * 4;
        for (int x = s.x0; x < s.x1; ++x, ++mp, dp += 4)
        {
            if (*mp)
                blendPixel(dp, r, g, b, ca == 255 ? *mp : div255(uint32_t(*mp) * ca));
        }
    }
}
