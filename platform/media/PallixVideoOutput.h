#pragma once

#include "PallixAVTypes.h"
#include "PallixRect.h"

// Shows decoded pictures in the video plane: the part of the picture named by
// the scale rectangle, stretched over the output rectangle, black around it.
// Both rectangles are in the coordinates of the screen's output resolution, the
// scale rectangle as if the picture filled that whole resolution. The picture is
// handed over as decoded; the plane's readers scale and convert it.
class PallixVideoOutput
{
public:
    PallixVideoOutput() = default;
    PallixVideoOutput(const PallixVideoOutput&) = delete;
    PallixVideoOutput& operator=(const PallixVideoOutput&) = delete;

    // Empty rectangles mean the whole output resolution.
    void Present(pallix_av::FramePtr frame, const PallixRect& output, const PallixRect& scale);

private:
    // The plane takes 8-bit 4:2:0 only; MPEG's 4:2:2 and 4:4:4 pictures are rare
    // enough to be converted one by one. Null when that fails.
    pallix_av::FramePtr ToPlanar420(const AVFrame& frame);

    pallix_av::SwsPtr mSws;
};
