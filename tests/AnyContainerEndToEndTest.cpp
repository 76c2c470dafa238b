#include "FilmLibrary.h"
#include "MediaMaker.h"
#include "PallixBitmap.h"
#include "PixelProbe.h"
#include "QuorvaDatFile.h"
#include "QuorvaProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace
{
// A 4:3 picture in the "Full" mode: the whole height, black bars beside it.
const PallixRect PICTURE(160, 0, 960, 720);
// The bottom of the picture, where subtitles go.
const PallixRect SUBTITLES(160, 560, 960, 160);

// Where a title's movie goes.
std::string moviePath(const TempDir& dir, const std::string& file)
{
    std::filesystem::create_directories(dir.file("movies/Film"));
    return dir.file("movies/Film/" + file);
}

// The binary with one title, its movie put in place by the test, played from
// the list of the second column.
class Library : public FilmLibrary
{
public:
    // No running time in the database: the file's own is shown.
    Library(const TempDir& dir, const std::string& file, const std::string& settings = "")
        : FilmLibrary(dir, testCard(dir, file), settings)
    {
        press("Play");
    }

    // The playback verb's figures by name.
    std::map<std::string, std::string> playback()
    {
        std::map<std::string, std::string> figures;
        std::istringstream words(process().command("playback"));
        std::string word;
        while (words >> word)
        {
            const size_t equals = word.find('=');
            if (equals == std::string::npos)
                figures[word] = "";
            else
                figures[word.substr(0, equals)] = word.substr(equals + 1);
        }
        return figures;
    }

    // Near-white pixels where subtitles go, and the clock, on one screenshot.
    int subtitlePixels(double* pClock = nullptr)
    {
        const auto pShot = process().screenshot();
        if (pClock)
            *pClock = MediaMaker::readClock(*pShot, PICTURE, 320, 240);
        return PixelProbe::count(*pShot, SUBTITLES, [](const PallixColor& c)
                                 { return c.GetRed() > 220 && c.GetGreen() > 220 && c.GetBlue() > 220; });
    }
};

MediaMaker::Movie clocked(const char* video, const char* audio, const char* container,
                          std::vector<std::string> options)
{
    MediaMaker::Movie movie;
    movie.seconds = 20;
    movie.rate = 15;
    movie.bClock = true;
    movie.videoCodec = video;
    movie.audioCodec = audio;
    movie.container = container;
    movie.videoOptions = std::move(options);
    return movie;
}

// Plays the movie through: the picture moves, a 15-second jump lands fifteen
// seconds on, leaving saves the place five seconds back and a resume goes
// there, and the end of the file ends the movie with position 0 saved.
void playsThrough(const char* file, const MediaMaker::Movie& movie)
{
    TempDir dir;
    ASSERT_TRUE(MediaMaker::make(moviePath(dir, file), movie));
    Library library(dir, file);

    const double first = library.clock();
    ASSERT_GE(first, 0);
    EXPECT_TRUE(waitFor([&] { return library.clock() > first; })) << "the picture stands still";

    double before = 0;
    const double from = library.clock(&before);
    library.press("Up");
    double after = 0;
    double to = -1;
    ASSERT_TRUE(waitFor([&] {
        to = library.clock(&after);
        return to > from + 8;
    })) << "no jump from " << from;
    // Fifteen seconds of movie on, besides the time that passed meanwhile.
    const double moved = (to - from) - (after - before);
    EXPECT_GE(moved, 13) << from << " -> " << to;
    EXPECT_LE(moved, 17) << from << " -> " << to;

    const double left = library.clock();
    library.press("Exit");
    bool bSaved = false;
    ASSERT_TRUE(waitFor([&] { return library.saved(file, bSaved) > 0; }));
    // The movie starts again underneath the resume list, far from the place left.
    library.press("Play");
    library.press("Select");
    double resumed = -1;
    ASSERT_TRUE(waitFor([&] {
        resumed = library.clock();
        return resumed > left - 8;
    })) << "no resume at " << left - 5;
    // Five seconds before the place left, give or take what a program stream
    // had read ahead and the wait for its next clean picture.
    EXPECT_GE(resumed, left - 6.5);
    EXPECT_LE(resumed, left - 2);

    // The end of the file: back to the list with nothing to resume.
    ASSERT_TRUE(waitFor([&] { return library.saved(file, bSaved) == 0 && bSaved; }, std::chrono::seconds(30)));
    EXPECT_TRUE(library.playback().count("closed"));
    library.press("Exit");
    EXPECT_EQ(library.process().waitExit(), 0);
}
} // namespace

TEST(AnyContainerEndToEnd, H264AndAACInMatroska)
{
    playsThrough("film.mkv", clocked("libx264", "aac", "matroska", {"-preset", "ultrafast", "-g", "30", "-b:v", "300k"}));
}

TEST(AnyContainerEndToEnd, H264AndAACInMP4)
{
    playsThrough("film.mp4", clocked("libx264", "aac", "mp4", {"-preset", "ultrafast", "-g", "30", "-b:v", "300k"}));
}

TEST(AnyContainerEndToEnd, TenBitHEVCAndEAC3InMatroska)
{
    playsThrough("film.mkv", clocked("libx265", "eac3", "matroska",
                                     {"-preset", "ultrafast", "-pix_fmt", "yuv420p10le", "-g", "30", "-b:v", "300k",
                                      "-x265-params", "log-level=error"}));
}

TEST(AnyContainerEndToEnd, MPEG4AndMP3InAVI)
{
    playsThrough("film.avi", clocked("mpeg4", "libmp3lame", "avi", {"-g", "30", "-b:v", "400k"}));
}

TEST(AnyContainerEndToEnd, VP9AndOpusInWebM)
{
    playsThrough("film.webm", clocked("libvpx-vp9", "libopus", "webm",
                                      {"-deadline", "realtime", "-cpu-used", "8", "-g", "30", "-b:v", "300k"}));
}

TEST(AnyContainerEndToEnd, InterlacedMPEG2ProgramStream)
{
    MediaMaker::Movie movie = clocked("mpeg2video", "mp2", "vob", {"-flags", "+ilme+ildct", "-top", "1", "-g", "12",
                                                                  "-b:v", "1500k"});
    // A program stream ends once its last bytes are read, some way before its
    // last picture: room after the jump to leave.
    movie.seconds = 26;
    // Fifty pictures a second woven into twenty-five interlaced ones.
    movie.rate = 50;
    movie.videoFilter = "tinterlace=mode=interleave_top";
    playsThrough("film.mpg", movie);
}

// About a video CD's rate: a second of it is a fraction of the nominal
// program-stream second, so only the file's own rate jumps right.
TEST(AnyContainerEndToEnd, MPEG1ProgramStreamAtItsOwnRate)
{
    MediaMaker::Movie movie = clocked("mpeg1video", "mp2", "mpeg", {"-b:v", "1150k", "-minrate", "1150k", "-maxrate",
                                                                   "1150k", "-bufsize", "327k", "-g", "12"});
    movie.rate = 25;
    movie.seconds = 26;
    movie.extra = {"-b:a", "224k"};
    playsThrough("film.mpg", movie);
}

// Subtitles from a file beside the movie and from a track inside it, and the
// second sound track, chosen by the settings and by the keys.
TEST(AnyContainerEndToEnd, SubtitlesAndSoundTracksFollowTheLanguagesAndTheKeys)
{
    TempDir dir;
    std::string inside;
    for (int second = 0; second < 12; ++second)
        inside += std::to_string(second + 1) + "\n00:00:" + (second < 10 ? "0" : "") + std::to_string(second) +
                  ",000 --> 00:00:" + (second + 1 < 10 ? "0" : "") + std::to_string(second + 1) +
                  ",000\nInside the movie\n\n";
    dir.write("inside.srt", inside);
    // A dark picture, so that only subtitles (and the clock's cells) are white.
    ASSERT_TRUE(MediaMaker::run(
        {"-f", "lavfi", "-i",
         "color=c=0x303030:size=320x240:rate=25:duration=12,format=yuv420p" + MediaMaker::clockFilters(), "-f", "lavfi",
         "-i", "sine=frequency=440:sample_rate=48000:duration=12", "-f", "lavfi", "-i",
         "sine=frequency=880:sample_rate=48000:duration=12", "-i", dir.file("inside.srt"), "-map", "0", "-map", "1",
         "-map", "2", "-map", "3", "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac", "-c:s", "srt",
         "-metadata:s:a:0", "language=eng", "-metadata:s:a:1", "language=deu", "-metadata:s:s:0", "language=eng",
         moviePath(dir, "film.mkv")}));
    dir.write("movies/Film/film.fr.srt", "1\n00:00:02,000 --> 00:01:00,000\nBeside the movie\n");

    // The sound in German and the French subtitles beside the movie.
    Library library(dir, "film.mkv", "audio.lang=de\nsubtitle.lang=fr\n");
    EXPECT_TRUE(library.process().waitForLine("Audio language: de"));
    auto figures = [&] { return library.process().command("playback"); };

    // The second sound track (id 3) and the file beside the movie (track 1).
    ASSERT_TRUE(waitFor([&] { return figures().find(" open ") != std::string::npos; }));
    EXPECT_NE(figures().find("audio=3 subtitle=1"), std::string::npos) << figures();
    // Not before the time the file gives, then there.
    double early = -1;
    const int earlyPixels = library.subtitlePixels(&early);
    if (early >= 0 && early < 1.75)
    {
        EXPECT_EQ(earlyPixels, 0) << "at " << early;
    }
    ASSERT_TRUE(waitFor([&] { return library.clock() >= 2.25; }));
    EXPECT_GT(library.subtitlePixels(), 100);

    // Off: gone.
    library.press("Subtitle");
    EXPECT_NE(figures().find("subtitle=-1"), std::string::npos) << figures();
    EXPECT_TRUE(waitFor([&] { return library.subtitlePixels() == 0; }, std::chrono::seconds(3)));
    // The track inside the movie.
    library.press("Subtitle");
    EXPECT_NE(figures().find("subtitle=0"), std::string::npos) << figures();
    EXPECT_TRUE(waitFor([&] { return library.subtitlePixels() > 100; }, std::chrono::seconds(5)));

    // The Audio key goes on to the first track.
    library.press("Audio");
    EXPECT_NE(figures().find("audio=2"), std::string::npos) << figures();
    library.press("Exit");
    library.press("Exit");
    EXPECT_EQ(library.process().waitExit(), 0);
}

namespace
{
// Where playback stands: the wall clock, the decoder's figures and the clock
// burned into the picture shown.
struct Moment
{
    double wall = 0;
    double pts = 0;
    // Pictures shown and those skipped as late: all the pictures that were due.
    double due = 0;
    double clock = -1;
};

Moment moment(Library& library, int width, int height)
{
    Moment now;
    now.clock = library.clock(&now.wall, width, height);
    auto figures = library.playback();
    now.pts = std::atof(figures["pts"].c_str());
    now.due = std::atof(figures["shown"].c_str()) + std::atof(figures["dropped"].c_str());
    return now;
}

const std::string TONE = "sine=frequency=440:sample_rate=48000:duration=8";
} // namespace

// DVDs, broadcasts and films telecined for NTSC play at their own speed, with
// sound and without: the time in the picture, the decoder's timestamps, the
// wall clock and the number of pictures shown agree.
TEST(AnyContainerEndToEnd, InterlacedAndTelecinedFilmsKeepTheirClock)
{
    struct Case
    {
        const char* name;
        const char* file;
        double rate;
        int width;
        int height;
        std::function<bool(const std::string&)> make;
    };
    const std::vector<Case> cases = {
        {"NTSC DVD, interlaced, top field first", "film.vob", 30000.0 / 1001, 720, 480,
         [](const std::string& path) {
             return MediaMaker::run({"-f", "lavfi", "-i",
                                     "testsrc=size=720x480:rate=60000/1001:duration=8" + MediaMaker::clockFilters() +
                                         ",tinterlace=mode=interleave_top",
                                     "-f", "lavfi", "-i", TONE, "-target", "ntsc-dvd", "-aspect", "4:3", "-flags",
                                     "+ildct+ilme", "-top", "1", path});
         }},
        {"interlaced H.264 in Matroska without sound", "film.mkv", 25, 320, 240,
         [](const std::string& path) {
             MediaMaker::Movie movie;
             movie.seconds = 8;
             movie.rate = 50;
             movie.bClock = true;
             movie.videoFilter = "tinterlace=mode=interleave_top";
             movie.videoCodec = "libx264";
             movie.videoOptions = {"-preset", "ultrafast", "-flags", "+ildct+ilme", "-x264-params", "tff=1", "-b:v",
                                   "500k"};
             movie.audioCodec = "";
             movie.container = "matroska";
             return MediaMaker::make(path, movie);
         }},
        {"soft-telecined NTSC film", "film.mpg", 24000.0 / 1001, 320, 240,
         [](const std::string& path) { return MediaMaker::makeSoftTelecined(path, 8); }},
        {"a recording that turns from progressive to interlaced", "film.ts", 25, 320, 240,
         [](const std::string& path) {
             const std::string later = path + ".later";
             const bool bMade =
                 MediaMaker::run({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=3" +
                                  MediaMaker::clockFilters(), "-f", "lavfi", "-i", TONE, "-t", "3", "-c:v",
                                  "mpeg2video", "-g", "12", "-b:v", "1M", "-c:a", "mp2", "-f", "mpegts", path}) &&
                 MediaMaker::run({"-f", "lavfi", "-i",
                                  "testsrc=size=320x240:rate=50:duration=5,setpts=PTS+3/TB" +
                                      MediaMaker::clockFilters() + ",tinterlace=mode=interleave_top",
                                  "-f", "lavfi", "-i", TONE, "-t", "5", "-c:v", "mpeg2video", "-g", "12", "-b:v", "1M",
                                  "-flags", "+ildct+ilme", "-top", "1", "-c:a", "mp2", "-output_ts_offset", "3", "-f",
                                  "mpegts", later});
             std::ofstream(path, std::ios::binary | std::ios::app) << std::ifstream(later, std::ios::binary).rdbuf();
             return bMade;
         }},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.name);
        TempDir dir;
        ASSERT_TRUE(test.make(moviePath(dir, test.file)));
        Library library(dir, test.file);
        ASSERT_TRUE(waitFor([&] { return std::atof(library.playback()["shown"].c_str()) > 0; }));
        const Moment from = moment(library, test.width, test.height);
        ASSERT_GE(from.clock, 0);
        Moment to;
        ASSERT_TRUE(waitFor([&] {
            to = moment(library, test.width, test.height);
            return to.wall - from.wall >= 4.0;
        }));
        const double played = to.pts - from.pts;
        EXPECT_NEAR(played / (to.wall - from.wall), 1.0, 0.2) << played << " s of movie";
        EXPECT_NEAR(to.clock - from.clock, played, 0.6) << from.clock << " -> " << to.clock;
        EXPECT_NEAR((to.due - from.due) / played, test.rate, test.rate * 0.15) << to.due - from.due;
        library.press("Exit");
        library.press("Exit");
        EXPECT_EQ(library.process().waitExit(), 0);
    }
}

// A phone's film lies on its side in the file, with the way the phone was held
// in its display matrix: it stands upright in every zoom mode, the modes
// cropping and stretching the upright picture.
TEST(AnyContainerEndToEnd, PhoneVideosStandUprightInEveryZoomMode)
{
    TempDir source;
    // A grey picture with a white mark in its top left-hand corner.
    const std::string filmed = source.file("filmed.mp4");
    ASSERT_TRUE(MediaMaker::run({"-f", "lavfi", "-i",
                                 "color=c=gray:size=320x240:rate=25:duration=20,drawbox=x=0:y=0:w=60:h=40:color=white:"
                                 "t=fill",
                                 "-f", "lavfi", "-i", TONE, "-t", "20", "-c:v", "libx264", "-preset", "ultrafast",
                                 "-c:a", "aac", filmed}));
    struct Case
    {
        const char* rotate;
        const char* extension;
        bool bSideways;
        // Where the mark is on the upright picture.
        bool bRight;
        bool bTop;
    };
    // Held turned one way, the other way (in a QuickTime file, as iPhones write
    // them), and upside down.
    for (const Case& test : {Case{"-90", ".mp4", true, true, true}, Case{"90", ".mov", true, false, false},
                             Case{"180", ".mp4", false, true, false}})
    {
        SCOPED_TRACE(std::string("rotate=") + test.rotate);
        TempDir dir;
        const std::string file = std::string("phone") + test.rotate + test.extension;
        ASSERT_TRUE(MediaMaker::run(
            {"-i", filmed, "-c", "copy", "-metadata:s:v:0", std::string("rotate=") + test.rotate, moviePath(dir, file)}));
        Library library(dir, file);
        ASSERT_TRUE(waitFor([&] { return std::atof(library.playback()["shown"].c_str()) > 0; }));
        for (int mode = 0; mode < 6; ++mode)
        {
            SCOPED_TRACE("zoom mode " + std::to_string(mode));
            const auto pShot = library.process().screenshot();
            const PallixRect screen = pShot->GetRect();
            const PallixRect picture = PixelProbe::bounds(*pShot, screen, [](const PallixColor& c) { return c.GetGreen() > 60; });
            const PallixRect mark = PixelProbe::bounds(*pShot, screen, [](const PallixColor& c) { return c.GetGreen() > 220; });
            ASSERT_FALSE(picture.IsEmpty());
            ASSERT_FALSE(mark.IsEmpty());
            EXPECT_EQ(mark.x + int32_t(mark.w / 2) > picture.x + int32_t(picture.w / 2), test.bRight);
            EXPECT_EQ(mark.y + int32_t(mark.h / 2) < picture.y + int32_t(picture.h / 2), test.bTop);
            // Full shows the upright picture in its own shape, the others fill their rectangles.
            if (mode == 0)
            {
                EXPECT_NEAR(double(picture.w) / picture.h, test.bSideways ? 0.75 : 4.0 / 3, 0.05);
            }
            library.press("Zoom");
            // The zoom key brings the information up; it goes again, clear of the picture.
            library.press("Info");
        }
        library.press("Exit");
        library.press("Exit");
        EXPECT_EQ(library.process().waitExit(), 0);
    }
}

// HDR10 (PQ) and HLG films and BT.2020 ones of standard range, made from the
// same picture as an SDR film, show its colours: white as white, grey as
// grey, red, green and blue as saturated as they are.
TEST(AnyContainerEndToEnd, HdrAndWideGamutFilmsShowTheirSdrColours)
{
    // White with a grey quarter, and red, green and blue along the bottom.
    const std::string picture =
        "color=c=white:size=320x240:rate=25:duration=8,drawbox=x=160:y=0:w=160:h=120:color=0x808080:t=fill,"
        "drawbox=x=0:y=120:w=106:h=120:color=0xFF0000:t=fill,drawbox=x=106:y=120:w=107:h=120:color=0x00C000:t=fill,"
        "drawbox=x=213:y=120:w=107:h=120:color=0x4060E0:t=fill";
    struct Case
    {
        const char* transfer;
        const char* x265;
        const char* file;
    };
    for (const Case& test :
         {Case{"smpte2084",
               "hdr10=1:master-display=G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)L(10000000,50):"
               "max-cll=1000,400",
               "hdr10.mkv"},
          Case{"arib-std-b67", "", "hlg.mp4"}, Case{"bt2020-10", "", "wide.mkv"}})
    {
        SCOPED_TRACE(test.transfer);
        TempDir dir;
        ASSERT_TRUE(MediaMaker::run(
            {"-f", "lavfi", "-i",
             picture + ",format=gbrpf32le,zscale=tin=bt709:t=" + test.transfer +
                 ":pin=bt709:p=bt2020:min=gbr:m=bt2020nc:r=limited,format=yuv420p10le",
             "-f", "lavfi", "-i", TONE, "-c:v", "libx265", "-preset", "ultrafast", "-x265-params",
             std::string("log-level=error:colorprim=bt2020:colormatrix=bt2020nc:transfer=") + test.transfer +
                 (*test.x265 ? ":" : "") + test.x265,
             "-color_primaries", "bt2020", "-color_trc", test.transfer, "-colorspace", "bt2020nc", "-c:a", "aac",
             moviePath(dir, test.file)}));
        Library library(dir, test.file);
        ASSERT_TRUE(waitFor([&] { return std::atof(library.playback()["shown"].c_str()) > 0; }));
        const auto pShot = library.process().screenshot();
        auto expectColour = [&](int32_t x, int32_t y, int r, int g, int b, int tolerance) {
            const PallixColor c = pShot->GetPixel(x, y);
            EXPECT_NEAR(c.GetRed(), r, tolerance) << x << "," << y;
            EXPECT_NEAR(c.GetGreen(), g, tolerance) << x << "," << y;
            EXPECT_NEAR(c.GetBlue(), b, tolerance) << x << "," << y;
        };
        // The picture fills PICTURE three times over.
        expectColour(300, 150, 255, 255, 255, 16);
        expectColour(900, 150, 128, 128, 128, 12);
        // HLG's conversion to light and back is not exact for the most saturated colours.
        expectColour(300, 540, 255, 0, 0, 40);
        expectColour(640, 540, 0, 192, 0, 40);
        expectColour(1000, 540, 64, 96, 224, 40);
        library.press("Exit");
        library.press("Exit");
        EXPECT_EQ(library.process().waitExit(), 0);
    }
}
