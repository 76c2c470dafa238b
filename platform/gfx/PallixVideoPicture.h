#pragma once

#include "PallixPoint.h"
#include "PallixRect.h"

#include <cstdint>
#include <memory>

class PallixBitmap;

// A decoded picture as the video plane holds it, and where it goes: 8-bit Y, U
// and V planes with chroma at half width and half height (4:2:0). The planes
// belong to whoever decoded them; owner keeps them alive while the picture is
// held, so a picture is handed over without copying its pixels.
struct PallixVideoPicture
{
    int nWidth = 0;
    int nHeight = 0;
    const uint8_t* planes[3] = {};
    int pitches[3] = {};
    // High-definition colour equations (BT.709) instead of standard ones (BT.601).
    bool bHD = false;
    // The part of the picture shown, in picture pixels, starting on even bounds.
    PallixRect crop;
    // Where that part is stretched to, in video plane pixels.
    PallixRect dest;
    std::shared_ptr<const void> owner;
    // Drawn over the picture (subtitles), its top-left corner at overlayAt in
    // video plane pixels; null for nothing. Straight-alpha RGBA.
    std::shared_ptr<const PallixBitmap> overlay;
    PallixPoint overlayAt;

    bool IsEmpty() const { return nWidth <= 0 || nHeight <= 0 || crop.IsEmpty() || dest.IsEmpty(); }
};
