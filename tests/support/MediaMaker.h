#pragma once

#include "PallixRect.h"

#include <string>
#include <vector>

class PallixBitmap;

// Short test movies made with the ffmpeg command line: a moving test pattern
// with a running clock and a tone, small enough to make in a moment.
namespace MediaMaker
{
struct Movie
{
    double seconds = 2.0;
    std::string size = "320x240";
    int rate = 25;
    // The lavfi source of the picture, before its size, rate and duration.
    std::string source = "testsrc";
    std::string videoCodec = "mpeg2video"; // empty for no picture
    std::string audioCodec = "mp2";        // empty for no sound
    std::string container = "vob";         // ffmpeg's muxer name: mpeg, vob, mpegts, matroska...
    // Burns the time into the picture as a bar code that readClock reads back.
    bool bClock = false;
    // More filters after the test pattern (and the clock), such as interlacing.
    std::string videoFilter;
    std::vector<std::string> videoOptions = {"-g", "12", "-b:v", "1M"};
    std::vector<std::string> extra;        // more output options
};

// A transport stream padded to the nominal 19 Mb/s, so that seconds and bytes agree
// either way the engine counts.
Movie paddedTransport(double seconds);

// Writes the movie to path. A missing ffmpeg fails the calling test loudly:
// tools/install-deps.sh installs it.
bool make(const std::string& path, const Movie& movie);
// The movie as a recording joined from two halves whose clocks are hours
// apart, so that its timestamps tell no running time.
bool makeUntimed(const std::string& path, const Movie& movie);
// An NTSC film as DVDs carry it: 23.976 progressive pictures a second (320 x
// 240, 4:3, the clock burned in) coded with the flags that have every other
// one repeat a field (2:3 pulldown, shown at 29.97 frames a second), in a
// program stream with sound.
bool makeSoftTelecined(const std::string& path, double seconds);
// Runs ffmpeg with these arguments after "-nostdin -v error -y".
bool run(const std::vector<std::string>& args);
// The filters that bClock adds after a picture source, starting with a comma.
std::string clockFilters();

// The time burned in by bClock, read from a screenshot on which the picture
// (width x height pixels) fills the rectangle shown: in seconds, to the
// quarter, or -1 when the bar code cannot be read there.
double readClock(const PallixBitmap& screen, const PallixRect& shown, int width, int height);
} // namespace MediaMaker
