#include "PallixImageScaler.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
struct Tap
{
    uint32_t nIndex;
    float weight;
};

// For every destination position along one axis, the source positions it is
// made of and how much each counts.
std::vector<std::vector<Tap>> TapsFor(uint32_t nSource, uint32_t nDest)
{
    std::vector<std::vector<Tap>> taps(nDest);
    const double scale = double(nSource) / double(nDest);
    for (uint32_t d = 0; d < nDest; ++d)
    {
        std::vector<Tap>& list = taps[d];
        if (scale > 1.0)
        {
            // Shrinking: the source span the destination pixel covers, each source
            // pixel weighted by how much of it lies inside.
            const double start = d * scale;
            const double end = std::min(double(nSource), (d + 1) * scale);
            for (uint32_t s = uint32_t(start); s < nSource && double(s) < end; ++s)
            {
                const double overlap = std::min(end, double(s) + 1) - std::max(start, double(s));
                if (overlap > 0)
                    list.push_back({s, float(overlap / (end - start))});
            }
        }
        else
        {
            // Growing: between the two nearest source pixel centres.
            const double centre = std::clamp((d + 0.5) * scale - 0.5, 0.0, double(nSource - 1));
            const uint32_t s0 = uint32_t(centre);
            const uint32_t s1 = std::min(s0 + 1, nSource - 1);
            const float fraction = float(centre - s0);
            list.push_back({s0, 1.0f - fraction});
            if (s1 != s0)
                list.push_back({s1, fraction});
        }
    }
    return taps;
}
} // namespace

PallixRGBAImage PallixImageScaler::FitInto(const PallixRGBAImage& source, uint32_t width, uint32_t height)
{
    PallixRGBAImage result;
    if (source.IsEmpty() || width == 0 || height == 0)
        return result;

    const double scale = std::min(double(width) / source.width, double(height) / source.height);
    const uint32_t fitWidth = std::clamp(uint32_t(std::lround(source.width * scale)), 1u, width);
    const uint32_t fitHeight = std::clamp(uint32_t(std::lround(source.height * scale)), 1u, height);

    // Transparent parts of the source show the black they are laid on.
    std::vector<float> opaque(size_t(source.width) * source.height * 3);
    for (size_t i = 0, n = size_t(source.width) * source.height; i < n; ++i)
    {
        const float alpha = source.pixels[i * 4 + 3] / 255.0f;
        for (int c = 0; c < 3; ++c)
            opaque[i * 3 + c] = source.pixels[i * 4 + c] * alpha;
    }

    const std::vector<std::vector<Tap>> across = TapsFor(source.width, fitWidth);
    std::vector<float> rows(size_t(fitWidth) * source.height * 3, 0.0f);
    for (uint32_t y = 0; y < source.height; ++y)
        for (uint32_t x = 0; x < fitWidth; ++x)
            for (const Tap& tap : across[x])
                for (int c = 0; c < 3; ++c)
                    rows[(size_t(y) * fitWidth + x) * 3 + c] +=
                        opaque[(size_t(y) * source.width + tap.nIndex) * 3 + c] * tap.weight;

    result.width = width;
    result.height = height;
    result.pixels.assign(size_t(width) * height * 4, 0);
    for (size_t i = 0, n = size_t(width) * height; i < n; ++i)
        result.pixels[i * 4 + 3] = 255;

    const std::vector<std::vector<Tap>> down = TapsFor(source.height, fitHeight);
    const uint32_t left = (width - fitWidth) / 2;
    const uint32_t top = (height - fitHeight) / 2;
    for (uint32_t y = 0; y < fitHeight; ++y)
        for (uint32_t x = 0; x < fitWidth; ++x)
        {
            float sum[3] = {0, 0, 0};
            for (const Tap& tap : down[y])
                for (int c = 0; c < 3; ++c)
                    sum[c] += rows[(size_t(tap.nIndex) * fitWidth + x) * 3 + c] * tap.weight;
            uint8_t* pOut = &result.pixels[(size_t(top + y) * width + left + x) * 4];
            for (int c = 0; c < 3; ++c)
                pOut[c] = uint8_t(std::clamp(std::lround(sum[c]), 0L, 255L));
        }
    return result;
}
