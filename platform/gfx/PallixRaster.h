#pragma once

#include "PallixColor.h"
#include "PallixPoint.h"
#include "PallixRect.h"

#include <cstdint>

// Pixel loops on 32-bit RGBA memory (bytes R, G, B, A). Every operation is
// limited to a clip rectangle that the caller has already kept inside the
// destination. Colours are straight (not premultiplied) alpha.
class PallixRaster
{
public:
    struct View
    {
        uint8_t* pixels = nullptr;
        int pitch = 0;
        int w = 0;
        int h = 0;
    };

    // Replaces every pixel of rect.
    static void Fill(const View& dest, const PallixRect& clip, const PallixRect& rect, PallixColor color);
    // Replaces the pixels on the line, both ends included.
    static void Line(const View& dest, const PallixRect& clip, PallixPoint from, PallixPoint to, PallixColor color);
    // Lays sourceRect of source over dest at point (source over).
    static void Blend(const View& dest, const PallixRect& clip, PallixPoint point, const View& source,
                      const PallixRect& sourceRect);
    // Lays color over dest at point, each pixel weighted by an 8-bit coverage mask.
    static void BlendMask(const View& dest, const PallixRect& clip, PallixPoint point, const uint8_t* mask,
                          int maskPitch, int maskW, int maskH, PallixColor color);

    // Clip of a view: its whole area, narrowed by a rectangle.
    static PallixRect Bounds(const View& view);
};
