#pragma once

#include "PallixRect.h"
#include "PallixString.h"

#include <cstdint>

class MPEGDecoder;

// The six picture (zoom) modes: for the current output resolution, where the
// decoder shows the picture and which part of the picture it shows.
class VideoScaler
{
public:
    static constexpr int NUM_MODES = 6;

    VideoScaler();

    // The next nextMode applies mode 0.
    void reset();
    void setDecoder(MPEGDecoder* pDecoder) { mpDecoder = pDecoder; }
    // The next nextMode applies mode (mode 0 for one out of range); nothing
    // reaches the decoder here.
    void setZoomMode(int mode);
    int getZoomMode() const { return mMode; }
    // Advances to the following mode (after 5 comes 0) and hands its rectangles
    // to the decoder. Does nothing while no decoder is bound.
    void nextMode();
    // Empty while no mode has been applied.
    const PallixString& getModeName() const;

    // The rectangles of a mode for an output resolution of width x height whose
    // scale rectangle is screenScale: where the picture goes (output) and which
    // part of it is shown (scale).
    static void getModeRects(int mode, uint32_t width, uint32_t height, PallixRect screenScale, PallixRect& output,
                             PallixRect& scale);

private:
    int mMode;
    MPEGDecoder* mpDecoder;
};
