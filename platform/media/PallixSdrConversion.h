#pragma once

#include <string>

struct AVFrame;

// What it takes to show a picture's colours on the screen, which shows
// standard dynamic range in BT.709 colours from limited-range YUV. HDR10 (PQ)
// and HLG pictures are converted as an SDR version of the film would show
// them: a white of 100 cd/m2 is the screen's white and colours keep their
// saturation, with PQ highlights above it rolled off instead of clipped.
// BT.2020 pictures of standard range get BT.709 colours, full-range pictures
// (some phones) limited range. zscale does the exact conversion; the roll-off
// is a curve on the PQ luma that lutyuv applies from a table.
class PallixSdrConversion
{
public:
    // The properties of a picture's colours that the conversion depends on.
    struct Colours
    {
        int nTransfer = 0;
        int nPrimaries = 0;
        int nMatrix = 0;
        int nRange = 0;
        int nBits = 8;

        bool operator==(const Colours&) const = default;
    };

    static Colours Of(const AVFrame& frame);
    // Whether the screen would show such colours wrongly as they are.
    static bool IsNeeded(const Colours& colours);
    // The filters that convert pictures of those colours to the screen's, and
    // scale them to nWidth x nHeight on the way (0 for no scaling).
    static std::string Filters(const Colours& colours, int nWidth, int nHeight);
};
