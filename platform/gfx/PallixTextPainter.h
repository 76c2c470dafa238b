#pragma once

#include "PallixColor.h"
#include "PallixFont.h"
#include "PallixPoint.h"
#include "PallixRaster.h"
#include "PallixRect.h"

#include <cstdint>

// Draws laid-out text into RGBA memory with the font cache's rendered runs.
class PallixTextPainter
{
public:
    // Text inside rect, never outside it (nor outside clip).
    static void DrawInRect(const PallixRaster::View& dest, const PallixRect& clip, const PallixFont& font,
                           const PallixRect& rect, const char* text, PallixColor color, uint32_t flags);
    // Text anchored at point: its top-left corner, or with 0x2 / 0x20 its
    // centre / right end, and with 0x1 its vertical centre.
    static void DrawAtPoint(const PallixRaster::View& dest, const PallixRect& clip, const PallixFont& font,
                            const PallixPoint& point, const char* text, PallixColor color, uint32_t flags);
};
