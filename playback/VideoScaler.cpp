#include "VideoScaler.h"

#include "ClientProperties.h"
#include "Logger.h"
#include "MPEGDecoder.h"
#include "PallixScreen.h"

#include <cstdio>

namespace
{
const PallixString gModeNames[VideoScaler::NUM_MODES] = {"Full",         "Full+",        "16:9->4:3z",
                                                         "4:3->16:9z",   "16:9w->16:9z", "4:3->16:9"};
const PallixString NO_MODE_NAME;

int32_t crop(uint32_t size, uint32_t parts)
{
    return static_cast<int32_t>(parts * size / 200);
}
} // namespace

VideoScaler::VideoScaler() : mMode(-1), mpDecoder(nullptr)
{
    reset();
}

void VideoScaler::reset()
{
    mMode = -1;
}

void VideoScaler::setZoomMode(int mode)
{
    // A stats file may hold any number; one out of range must not overflow here.
    mMode = mode >= 0 && mode < NUM_MODES ? mode - 1 : -1;
}

void VideoScaler::nextMode()
{
    if (!mpDecoder)
        return;

    PallixScreen screen;
    int nIndex = screen.GetCurrentOutputResolution();
    PallixScreen::OutputResolution resolution;
    screen.GetSupportedOutputResolutionAt(nIndex, resolution);

    // After the last mode, or before any, comes mode 0.
    mMode = mMode >= -1 && mMode < NUM_MODES - 1 ? mMode + 1 : 0;
    PallixRect outputRect;
    PallixRect sRect;
    getModeRects(mMode, resolution.nWidth, resolution.nHeight, screen.GetOutputResolutionScaleRect(nIndex),
                 outputRect, sRect);

    if (ClientProperties::getLogDebug())
        Logger::logDebug("Mode: %d output: %d, %d scale: %d %d", mMode, outputRect.w, outputRect.h, sRect.w, sRect.h);
    // "Full" shows the whole picture in its own shape; the other modes stretch
    // it on purpose.
    mpDecoder->SetKeepAspect(mMode == 0);
    if (!mpDecoder->SetOutputAndScaleRects(outputRect, sRect))
        Logger::logError("Failed to set output and scale rects");
}

const PallixString& VideoScaler::getModeName() const
{
    if (mMode < 0 || mMode >= NUM_MODES)
        return NO_MODE_NAME;
    return gModeNames[mMode];
}

void VideoScaler::getModeRects(int mode, uint32_t width, uint32_t height, PallixRect screenScale, PallixRect& output,
                               PallixRect& scale)
{
    PallixRect scaleRect = screenScale;
    PallixRect outputRect(0, 0, width, height);
    const PallixRect screenRect = outputRect;
    switch (mode)
    {
    case 1:
        scaleRect = outputRect;
        break;
    case 2:
        outputRect.InsetRect(crop(outputRect.w, 31), 0);
        break;
    case 3:
        outputRect.InsetRect(0, crop(outputRect.h, 26));
        break;
    case 4:
        outputRect.InsetRect(crop(outputRect.w, 31), 0);
        outputRect.InsetRect(0, crop(outputRect.h, 31));
        break;
    case 5:
        scaleRect.InsetRect(crop(scaleRect.w, 24), 0);
        break;
    default:
        break;
    }

    // A little overscan, kept inside the picture.
    scaleRect.InsetRect(-static_cast<int32_t>(scaleRect.w / 50), -static_cast<int32_t>(scaleRect.h / 50));
    output = outputRect;
    scale.MakeIntersectRect(scaleRect, screenRect);
}
