#pragma once

#include <string>

struct ass_track;
struct ass_event;

// Keeps subtitle scripts to what can be drawn. A play resolution of a few
// pixels, a font size, scale, slant, border or blur far beyond the frame, a
// drawing many frames across, or a line of hundreds of glyphs each half the
// frame high, has libass draw bitmaps thousands of pixels across: seconds of
// work and hundreds of megabytes for every picture, from one damaged line.
// Such values are brought back within bounds, a line too large for the frame
// is shrunk as a whole, and a line names a few fonts at most.
class PallixAssLimits
{
public:
    // The track's frame and styles, once its header is read, and the events it carries.
    static void KeepDrawable(ass_track& track);
    // One event added to the track after its header.
    static void KeepEventDrawable(ass_track& track, ass_event& event);
    // The text of one line ("{\fs40\blur2}Text") in the given style of the track.
    static std::string CapTags(const char* text, const ass_track& track, int style);
};
