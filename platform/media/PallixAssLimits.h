#pragma once

#include <string>

struct ass_track;

// Keeps subtitle scripts to what can be drawn. A play resolution of a few
// pixels, or a font size, scale, border or blur far beyond the frame, whether
// in a style or in a line's override tags, has libass draw glyphs thousands of
// pixels high: seconds of work and hundreds of megabytes for every picture,
// from one damaged line. Such values are brought back within bounds.
class PallixAssLimits
{
public:
    // The track's frame and styles, once its header is read.
    static void KeepDrawable(ass_track& track);
    // The override tags of one dialogue line ("{\fs40\blur2}Text"), for a track
    // whose frame is playResY high.
    static std::string CapTags(const char* dialogue, int playResY);
};
