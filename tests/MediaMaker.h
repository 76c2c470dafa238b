#pragma once

#include <string>
#include <vector>

// Short test movies made with the ffmpeg command line: a moving test pattern
// with a running clock and a tone, small enough to make in a moment.
namespace MediaMaker
{
struct Movie
{
    double seconds = 2.0;
    std::string size = "320x240";
    std::string videoCodec = "mpeg2video"; // empty for no picture
    std::string audioCodec = "mp2";        // empty for no sound
    std::string container = "vob";         // ffmpeg's muxer name: mpeg, vob, mpegts
    std::vector<std::string> extra;        // more output options
};

// Writes the movie to path. A missing ffmpeg fails the calling test loudly:
// tools/install-deps.sh installs it.
bool make(const std::string& path, const Movie& movie);
} // namespace MediaMaker
