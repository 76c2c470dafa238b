#include "MediaMaker.h"

#include "PallixBitmap.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{
// The bar code: nine cells along the top of the picture, in units of a
// 320-pixel-wide picture; cell i is white when bit i of the number of quarter
// seconds is set, so it counts to 128 seconds.
constexpr int CLOCK_BITS = 9;
constexpr int CELL_MARGIN = 4;
constexpr int CELL_PITCH = 35;
constexpr int CELL_SIZE = 30;
constexpr int CLOCK_UNIT = 320;

} // namespace

std::string MediaMaker::clockFilters()
{
    std::string chain;
    for (int bit = 0; bit < CLOCK_BITS; ++bit)
    {
        const std::string box = "drawbox=x=iw*" + std::to_string(CELL_MARGIN + CELL_PITCH * bit) + "/" +
                                std::to_string(CLOCK_UNIT) + ":y=iw*" + std::to_string(CELL_MARGIN) + "/" +
                                std::to_string(CLOCK_UNIT) + ":w=iw*" + std::to_string(CELL_SIZE) + "/" +
                                std::to_string(CLOCK_UNIT) + ":h=iw*" + std::to_string(CELL_SIZE) + "/" +
                                std::to_string(CLOCK_UNIT) + ":t=fill";
        chain += "," + box + ":color=black";
        chain += "," + box + ":color=white:enable='mod(floor(t*4/" + std::to_string(1 << bit) + "),2)'";
    }
    return chain;
}

bool MediaMaker::run(const std::vector<std::string>& arguments)
{
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-v", "error", "-y"};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, "ffmpeg", nullptr, nullptr, argv.data(), environ);
    if (error != 0)
    {
        ADD_FAILURE() << "cannot run ffmpeg (" << std::strerror(error)
                      << "): tools/install-deps.sh installs it, and the media tests need it";
        return false;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR)
    {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    {
        ADD_FAILURE() << "ffmpeg could not make " << args.back();
        return false;
    }
    return true;
}

MediaMaker::Movie MediaMaker::paddedTransport(double seconds)
{
    Movie movie;
    movie.seconds = seconds;
    movie.container = "mpegts";
    movie.extra = {"-muxrate", "19000000"};
    return movie;
}

bool MediaMaker::make(const std::string& path, const Movie& movie)
{
    const std::string duration = std::to_string(movie.seconds);
    std::vector<std::string> args;
    if (!movie.videoCodec.empty())
    {
        std::string source = movie.source + (movie.source.find('=') == std::string::npos ? "=" : ":") +
                             "size=" + movie.size + ":rate=" + std::to_string(movie.rate) +
                             ":duration=" + duration;
        if (movie.bClock)
            source += clockFilters();
        if (!movie.videoFilter.empty())
            source += "," + movie.videoFilter;
        args.insert(args.end(), {"-f", "lavfi", "-i", source});
    }
    if (!movie.audioCodec.empty())
        args.insert(args.end(), {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=" + duration});
    if (!movie.videoCodec.empty())
    {
        args.insert(args.end(), {"-c:v", movie.videoCodec});
        args.insert(args.end(), movie.videoOptions.begin(), movie.videoOptions.end());
    }
    if (!movie.audioCodec.empty())
        args.insert(args.end(), {"-c:a", movie.audioCodec});
    args.insert(args.end(), movie.extra.begin(), movie.extra.end());
    args.insert(args.end(), {"-f", movie.container, path});
    return run(args);
}

bool MediaMaker::makeUntimed(const std::string& path, const Movie& movie)
{
    Movie early = movie;
    early.seconds = movie.seconds / 2;
    Movie late = early;
    late.extra.insert(late.extra.end(), {"-output_ts_offset", "20000"});
    const std::string earlyPath = path + ".early";
    const std::string latePath = path + ".late";
    if (!make(earlyPath, early) || !make(latePath, late))
        return false;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (const std::string& part : {earlyPath, latePath})
            out << std::ifstream(part, std::ios::binary).rdbuf();
    }
    std::filesystem::remove(earlyPath);
    std::filesystem::remove(latePath);
    return true;
}

namespace
{
// Sets the pulldown flags in an MPEG-2 video stream of progressive pictures
// without B-pictures (coded order is display order): the sequence says 29.97
// frames and interlaced, and the pictures go top field first with a repeated
// field, bottom first, bottom first with a repeated field, top first.
void addPulldown(std::string& stream)
{
    int nPicture = 0;
    for (size_t at = stream.find(std::string("\0\0\1", 3)); at != std::string::npos && at + 8 < stream.size();
         at = stream.find(std::string("\0\0\1", 3), at + 3))
    {
        auto byte = [&](size_t i) -> unsigned char& { return reinterpret_cast<unsigned char&>(stream[at + i]); };
        const unsigned char code = byte(3);
        if (code == 0xB3)
        {
            // frame_rate_code 4: 30000/1001.
            byte(7) = static_cast<unsigned char>((byte(7) & 0xF0) | 4);
        }
        else if (code == 0xB5 && (byte(4) >> 4) == 1)
        {
            byte(5) &= static_cast<unsigned char>(~0x08); // progressive_sequence
        }
        else if (code == 0xB5 && (byte(4) >> 4) == 8)
        {
            const int phase = nPicture++ % 4;
            const int topFirst = phase == 0 || phase == 3;
            const int repeat = phase == 0 || phase == 2;
            byte(7) = static_cast<unsigned char>((byte(7) & ~0x82) | topFirst << 7 | repeat << 1);
        }
    }
}
} // namespace

bool MediaMaker::makeSoftTelecined(const std::string& path, double seconds)
{
    const std::string duration = std::to_string(seconds);
    const std::string film = path + ".m2v";
    if (!run({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=24000/1001:duration=" + duration + clockFilters(),
              "-c:v", "mpeg2video", "-bf", "0", "-g", "12", "-b:v", "1M", "-aspect", "4:3", "-f", "mpeg2video", film}))
        return false;
    std::string stream;
    {
        std::ifstream in(film, std::ios::binary);
        stream.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    addPulldown(stream);
    std::ofstream(film, std::ios::binary | std::ios::trunc) << stream;
    // The elementary stream has no times: the muxer counts them from the
    // frame rate and the repeated fields, as an authoring tool does.
    const bool bMade = run({"-fflags", "+genpts", "-r", "30000/1001", "-i", film, "-f", "lavfi", "-i",
                            "sine=frequency=440:sample_rate=48000:duration=" + duration, "-c:v", "copy", "-c:a", "mp2",
                            "-f", "vob", path});
    std::filesystem::remove(film);
    return bMade;
}

double MediaMaker::readClock(const PallixBitmap& screen, const PallixRect& shown, int width, int height)
{
    if (width <= 0 || height <= 0 || shown.IsEmpty())
        return -1;
    int quarters = 0;
    for (int bit = 0; bit < CLOCK_BITS; ++bit)
    {
        // The middle of the cell, in picture pixels, then on the screen.
        const double x = double(width) * (CELL_MARGIN + CELL_PITCH * bit + CELL_SIZE / 2.0) / CLOCK_UNIT;
        const double y = double(width) * (CELL_MARGIN + CELL_SIZE / 2.0) / CLOCK_UNIT;
        const int sx = shown.x + int(x * shown.w / width);
        const int sy = shown.y + int(y * shown.h / height);
        const PallixColor c = screen.GetPixel(sx, sy);
        const int level = (c.GetRed() + c.GetGreen() + c.GetBlue()) / 3;
        if (level > 60 && level < 190)
            return -1;
        if (level >= 190)
            quarters |= 1 << bit;
    }
    return quarters / 4.0;
}
