#include "PallixScreen.h"

#include "PallixBitmap.h"

#include <array>

namespace
{
constexpr uint32_t PLANE_WIDTH = 1280;
constexpr uint32_t PLANE_HEIGHT = 720;

constexpr std::array<PallixScreen::OutputResolution, 3> kResolutions = {{
    {720, 480, true, 0, 0, 60},
    {1280, 720, true, 0, 1, 60},
    {1920, 1080, true, 0, 2, 60},
}};
} // namespace

PallixRect PallixScreen::GetRect() const
{
    return PallixRect(0, 0, PLANE_WIDTH, PLANE_HEIGHT);
}

PallixBitmap& PallixScreen::GetBitmap()
{
    static PallixBitmap plane;
    if (plane.GetDims().w == 0)
        plane.Create(PLANE_WIDTH, PLANE_HEIGHT);
    return plane;
}

int PallixScreen::GetCurrentOutputResolution() const
{
    return kResolution720;
}

bool PallixScreen::GetSupportedOutputResolutionAt(int nIndex, OutputResolution& resolution) const
{
    if (nIndex < 0 || nIndex >= GetNumSupportedOutputResolutions())
        return false;
    resolution = kResolutions[size_t(nIndex)];
    return true;
}

int PallixScreen::GetNumSupportedOutputResolutions() const
{
    return int(kResolutions.size());
}

PallixRect PallixScreen::GetOutputResolutionScaleRect(int nResolution) const
{
    if (nResolution < 0 || nResolution >= GetNumSupportedOutputResolutions())
        return PallixRect();
    const OutputResolution& resolution = kResolutions[size_t(nResolution)];
    return PallixRect(0, 0, resolution.nWidth, resolution.nHeight);
}
