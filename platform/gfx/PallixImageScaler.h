#pragma once

#include "PallixRGBAImage.h"

#include <cstdint>

// Resizes pictures for display at a fixed size.
class PallixImageScaler
{
public:
    // A width x height picture holding source scaled as large as it fits without
    // changing its shape, centred on opaque black. Shrinking averages every source
    // pixel a destination pixel covers, so fine detail does not shimmer; growing
    // interpolates linearly. Empty when source is empty or the size is 0.
    static PallixRGBAImage FitInto(const PallixRGBAImage& source, uint32_t width, uint32_t height);
};
