#pragma once

#include "PallixRect.h"

#include <cstdint>

class PallixBitmap;

// A cheap handle on the one 1280 x 720 graphics plane and the video outputs.
class PallixScreen
{
public:
    enum
    {
        kResolution480 = 0,  // 720 x 480
        kResolution720 = 1,  // 1280 x 720, the default
        kResolution1080 = 2  // 1920 x 1080
    };

    struct OutputResolution
    {
        uint32_t nWidth = 0;
        uint32_t nHeight = 0;
        bool bProgressive = true;
        int nConnector = 0;
        int nVideoMode = 0;
        int nRefreshHz = 60;
    };

    PallixScreen() = default;

    PallixRect GetRect() const;
    // The graphics plane itself, created on first use.
    PallixBitmap& GetBitmap();

    int GetCurrentOutputResolution() const;
    // False for an index that names no resolution.
    bool GetSupportedOutputResolutionAt(int nIndex, OutputResolution& resolution) const;
    int GetNumSupportedOutputResolutions() const;
    // The whole rectangle of the resolution.
    PallixRect GetOutputResolutionScaleRect(int nResolution) const;
};
