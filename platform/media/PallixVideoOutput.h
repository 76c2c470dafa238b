#pragma once

#include "PallixAVTypes.h"
#include "PallixRect.h"

// Draws decoded pictures into the video plane: the part of the picture named by
// the scale rectangle, stretched over the output rectangle, black around it.
// Both rectangles are in the coordinates of the screen's output resolution, the
// scale rectangle as if the picture filled that whole resolution.
class PallixVideoOutput
{
public:
    PallixVideoOutput() = default;
    PallixVideoOutput(const PallixVideoOutput&) = delete;
    PallixVideoOutput& operator=(const PallixVideoOutput&) = delete;

    // Empty rectangles mean the whole output resolution.
    void Present(const AVFrame& frame, const PallixRect& output, const PallixRect& scale);

private:
    pallix_av::SwsPtr mSws;
    PallixRect mLastDest;
    int mLastColorspace = -1;
};
