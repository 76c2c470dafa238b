#pragma once

#include "PallixRect.h"

#include <string>
#include <vector>

// A VobSub pair ("stem.idx" and "stem.sub") as a DVD ripper writes it: the
// pictures encoded by libavcodec's DVD subtitle encoder, muxed by libavformat's
// VOB muxer into 2048-byte packs of a program stream (the .sub), and the index
// listing the encoder's size and palette and each picture's time and pack
// offset. The ffmpeg command line cannot make one: it turns no text into
// pictures, and has no VobSub muxer.
namespace VobSubMaker
{
struct Picture
{
    double start = 0;
    double end = 0;
    // A filled block on the 720 x 480 canvas of a DVD picture, in the colour
    // (0xRRGGBB, one of the encoder's palette).
    PallixRect block;
    uint32_t color = 0x00FF00;
};

// Writes stem + ".idx" and stem + ".sub" with one track in the language (a
// two-letter code); false, with the test failed, when it cannot.
bool make(const std::string& stem, const std::string& language, const std::vector<Picture>& pictures);
} // namespace VobSubMaker
