#pragma once

#include "PallixAVTypes.h"
#include "PallixRect.h"
#include "PallixVideoPicture.h"

// Places decoded pictures in the video plane: the part of the picture named by
// the scale rectangle, stretched over the output rectangle, black around it.
// Both rectangles are in the coordinates of the screen's output resolution, the
// scale rectangle as if the picture filled that whole resolution. With the
// aspect kept, the part shown keeps its display shape (sample aspect times
// size) inside the output rectangle, with black bars beside or above it. The
// picture is handed over as decoded; the plane's readers scale and convert it.
class PallixVideoOutput
{
public:
    // The frame (8-bit 4:2:0) as the plane holds it; empty when it cannot be
    // placed. Empty rectangles mean the whole output resolution.
    static PallixVideoPicture Place(pallix_av::FramePtr frame, const PallixRect& output, const PallixRect& scale,
                                    bool bKeepAspect);
};
