#include "MediaMaker.h"
#include "PallixBitmap.h"
#include "QuorvaDatFile.h"
#include "QuorvaProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

namespace
{
using Clock = std::chrono::steady_clock;

// A 4:3 picture in the "Full" mode: the whole height, black bars beside it.
const PallixRect PICTURE(160, 0, 960, 720);
// The bottom of the picture, where subtitles go.
const PallixRect SUBTITLES(160, 560, 960, 160);


double seconds(Clock::time_point when)
{
    return std::chrono::duration<double>(when.time_since_epoch()).count();
}

bool waitFor(const std::function<bool()>& condition, std::chrono::seconds limit = std::chrono::seconds(20))
{
    const Clock::time_point deadline = Clock::now() + limit;
    while (!condition())
    {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// Where a title's movie goes.
std::string moviePath(const TempDir& dir, const std::string& file)
{
    std::filesystem::create_directories(dir.file("movies/Film"));
    return dir.file("movies/Film/" + file);
}

// The binary with one title, its movie put in place by the test, played from
// the list of the second column.
class Library
{
public:
    Library(const TempDir& dir, const std::string& file, const std::string& settings = "")
        : mDir(dir), mMovie(moviePath(dir, file))
    {
        mDir.write("client.properties", "db.file=movies.html\nenable.trickplay=true\n" + settings);
        // No running time in the database: the file's own is shown.
        mDir.write("movies.html", "<html><body>\n<ul>\n  <li>Title=Test Card\n  <li>Genre=Drama\n"
                                  "  <li>Original Title=Test Card\n  <li>Path=" +
                                      mDir.file("movies/Film") + "\n  <li>Filename=" + file +
                                      "\n</ul>\n</body></html>\n");
        linkArtwork(mDir);
        mpProcess = std::make_unique<QuorvaProcess>(mDir.path(), std::vector<std::string>{});
        // Column menu, second column, its table, then play.
        for (const char* key : {"Left", "Down", "Right", "Play"})
            press(key);
    }

    QuorvaProcess& process() { return *mpProcess; }
    std::string movie() const { return mMovie; }
    void press(const char* key) { EXPECT_EQ(mpProcess->command(std::string("press ") + key), "OK") << key; }

    // The playback verb's figures by name.
    std::map<std::string, std::string> playback()
    {
        std::map<std::string, std::string> figures;
        std::istringstream words(mpProcess->command("playback"));
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

    // The burned-in clock on a fresh screenshot, and when the screenshot was taken.
    double clock(double* pWhen = nullptr)
    {
        double time = -1;
        waitFor([&] {
            const auto pShot = mpProcess->screenshot();
            if (pWhen)
                *pWhen = seconds(Clock::now());
            time = MediaMaker::readClock(*pShot, PICTURE, 320, 240);
            return time >= 0;
        });
        return time;
    }

    // Near-white pixels where subtitles go, and the clock, on one screenshot.
    int subtitlePixels(double* pClock = nullptr)
    {
        const auto pShot = mpProcess->screenshot();
        if (pClock)
            *pClock = MediaMaker::readClock(*pShot, PICTURE, 320, 240);
        int n = 0;
        for (int32_t y = SUBTITLES.y; y < SUBTITLES.y + int32_t(SUBTITLES.h); ++y)
            for (int32_t x = SUBTITLES.x; x < SUBTITLES.x + int32_t(SUBTITLES.w); ++x)
            {
                const PallixColor c = pShot->GetPixel(x, y);
                n += c.GetRed() > 220 && c.GetGreen() > 220 && c.GetBlue() > 220;
            }
        return n;
    }

    uint64_t savedPosition(bool& bSaved)
    {
        bSaved = std::filesystem::exists(mMovie + ".quorva");
        return bSaved ? QuorvaDatFile(mMovie.c_str()).getLastPosition() : 0;
    }

private:
    const TempDir& mDir;
    std::string mMovie;
    std::unique_ptr<QuorvaProcess> mpProcess;
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
    ASSERT_TRUE(waitFor([&] { return library.savedPosition(bSaved) > 0; }));
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
    ASSERT_TRUE(waitFor([&] { return library.savedPosition(bSaved) == 0 && bSaved; }, std::chrono::seconds(30)));
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
