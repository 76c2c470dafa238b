#include "FilmLibrary.h"
#include "MediaMaker.h"
#include "PallixBitmap.h"
#include "QuorvaDatFile.h"
#include "QuorvaProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

namespace
{
namespace fs = std::filesystem;

// The binary with one title in movies/Film, played from the list of the second column.
class Library : public FilmLibrary
{
public:
    // file: the title's Filename, empty for none (the folder's first movie file plays).
    Library(const TempDir& dir, const std::string& file, const std::string& duration = "")
        : FilmLibrary(dir, duration.empty() ? testCard(dir, file) : testCard(dir, file).duration(duration))
    {
    }

    // The burned-in clock on a fresh screenshot, -1 when it cannot be read.
    double clock(int width = 320, int height = 240)
    {
        return FilmLibrary::clock(nullptr, width, height, std::chrono::seconds(5));
    }

    bool clockReaches(double seconds, std::chrono::seconds limit = std::chrono::seconds(30))
    {
        return waitFor([&] { return clock() >= seconds; }, limit);
    }

    // Leaves the film where it is: the first part's stats file then holds a place
    // past minSaved bytes, five seconds before. Resumed there, the film plays to
    // the end of its last part, which leaves nothing to resume.
    void leaveResumeAndPlayToTheEnd(const std::string& firstPart, uint64_t minSaved, int width, int height)
    {
        const double left = clock(width, height);
        press("Exit");
        bool bSaved = false;
        ASSERT_TRUE(waitFor([&] { return saved(firstPart, bSaved) > 0; }));
        EXPECT_GT(saved(firstPart, bSaved), minSaved);
        press("Play");
        press("Select");
        double resumed = -1;
        // Five seconds before the place left, give or take what a program stream
        // had read ahead and the time the screenshots take.
        ASSERT_TRUE(waitFor([&] { return (resumed = clock(width, height)) > 0 && resumed < left - 2; }));
        EXPECT_GE(resumed, left - 6.5);
        ASSERT_TRUE(waitFor([&] { return saved(firstPart, bSaved) == 0 && bSaved; }, std::chrono::seconds(30)));
        EXPECT_FALSE(playing());
        press("Exit");
        EXPECT_EQ(process().waitExit(), 0);
    }
};

// Cuts a program stream the way DVD authoring does: into files of whole
// 2048-byte sectors, the last one taking the rest.
std::vector<uint64_t> cutTitleSet(const std::string& source, const std::string& folder, int nParts)
{
    std::ifstream in(source, std::ios::binary);
    const uint64_t size = fs::file_size(source);
    const uint64_t part = size / uint64_t(nParts) / 2048 * 2048;
    std::vector<uint64_t> sizes;
    for (int i = 1; i <= nParts; ++i)
    {
        const uint64_t n = i < nParts ? part : size - part * uint64_t(nParts - 1);
        std::vector<char> bytes(n);
        in.read(bytes.data(), std::streamsize(n));
        std::ofstream(folder + "/VTS_01_" + std::to_string(i) + ".VOB", std::ios::binary)
            .write(bytes.data(), std::streamsize(n));
        sizes.push_back(n);
    }
    return sizes;
}

// Bytes the process has read through read calls of any kind, from /proc.
uint64_t bytesRead(pid_t pid)
{
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return 0;
}
} // namespace

// A DVD's title set is one film: a jump lands where the set's running time
// says, the parts follow each other, the place is saved in the first part's
// stats file and resumed, and the end is the end of the last part.
TEST(FilmFilesEndToEnd, ADVDTitleSetPlaysAsOneFilm)
{
    TempDir dir;
    fs::create_directories(dir.file("movies/Film/VIDEO_TS"));
    const std::string whole = dir.file("whole.vob");
    ASSERT_TRUE(MediaMaker::run({"-f", "lavfi", "-i", "testsrc=size=352x288:rate=25:duration=24" +
                                 MediaMaker::clockFilters(), "-f", "lavfi", "-i",
                                 "sine=frequency=440:sample_rate=48000:duration=24", "-target", "pal-dvd", "-s",
                                 "352x288", "-b:v", "1500k", "-g", "12", whole}));
    const std::vector<uint64_t> sizes = cutTitleSet(whole, dir.file("movies/Film/VIDEO_TS"), 3);
    const std::string first = "VIDEO_TS/VTS_01_1.VOB";
    Library library(dir, first);
    library.press("Play");

    // Fifteen seconds on from the start lands fifteen seconds on, in a later part.
    ASSERT_TRUE(library.clockReaches(0.5));
    const double from = library.clock(352, 288);
    library.press("Up");
    double to = -1;
    ASSERT_TRUE(waitFor([&] { return (to = library.clock(352, 288)) > from + 8; })) << from;
    EXPECT_NEAR(to - from, 15 + 1.5, 2.5) << from << " -> " << to;

    // Across the last boundary, then out: five seconds before the place left is past the first part.
    ASSERT_TRUE(library.clockReaches(18.5));
    library.leaveResumeAndPlayToTheEnd(first, sizes[0], 352, 288);
}

// A film on two CDs, each its own AVI as rips are, in a folder of their own
// with no Filename: one title that plays from the first part into the second,
// whose jumps, saved place and end run across both.
TEST(FilmFilesEndToEnd, AFilmInTwoFilesPlaysOnFromOneToTheOther)
{
    TempDir dir;
    fs::create_directories(dir.file("movies/Film"));
    const std::string whole = dir.file("whole.avi");
    ASSERT_TRUE(MediaMaker::run({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=20" +
                                 MediaMaker::clockFilters(), "-f", "lavfi", "-i",
                                 "sine=frequency=440:sample_rate=48000:duration=20", "-c:v", "mpeg4", "-vtag", "XVID",
                                 "-g", "25", "-b:v", "600k", "-c:a", "libmp3lame", whole}));
    // Each part starts its own timestamps at 0.
    ASSERT_TRUE(MediaMaker::run({"-i", whole, "-t", "10", "-c", "copy", dir.file("movies/Film/Film.CD1.avi")}));
    ASSERT_TRUE(MediaMaker::run({"-ss", "10", "-i", whole, "-c", "copy", dir.file("movies/Film/Film.CD2.avi")}));
    const std::string first = "Film.CD1.avi";
    Library library(dir, "");
    // The play key plays the film, rather than listing its two files.
    library.press("Play");

    // From the first file into the second without a stop, the clock running on.
    ASSERT_TRUE(library.clockReaches(10.75));
    EXPECT_TRUE(library.playing());
    const std::string line = library.process().command("playback");
    EXPECT_GT(std::atof(line.c_str() + line.find("pts=") + 4), 10.0) << line;

    // Back fifteen seconds from the second file lands in the first, forward again in the second.
    library.press("Down");
    ASSERT_TRUE(waitFor([&] { return library.clock() < 4; })) << "no jump back";
    library.press("Up");
    double to = -1;
    ASSERT_TRUE(waitFor([&] { return (to = library.clock()) > 12; })) << "no jump on";
    EXPECT_LT(to, 19);

    library.leaveResumeAndPlayToTheEnd(first, fs::file_size(dir.file("movies/Film/" + first)), 320, 240);
}

// Chapters from an ffmetadata file, muxed into Matroska: Next goes from
// chapter to chapter and not past the last, Back to the start of the chapter
// playing or, just after it started, to the one before, and the progress bar
// marks where they start.
TEST(FilmFilesEndToEnd, NextAndBackGoFromChapterToChapter)
{
    TempDir dir;
    fs::create_directories(dir.file("movies/Film"));
    dir.write("chapters.txt", ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=6000\ntitle=One\n"
                              "[CHAPTER]\nTIMEBASE=1/1000\nSTART=6000\nEND=14000\ntitle=Two\n"
                              "[CHAPTER]\nTIMEBASE=1/1000\nSTART=14000\nEND=22000\ntitle=Three\n"
                              "[CHAPTER]\nTIMEBASE=1/1000\nSTART=22000\nEND=30000\ntitle=Four\n");
    ASSERT_TRUE(MediaMaker::run({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=30" +
                                 MediaMaker::clockFilters(), "-f", "lavfi", "-i",
                                 "sine=frequency=440:sample_rate=48000:duration=30", "-i", dir.file("chapters.txt"),
                                 "-map", "0", "-map", "1", "-map_metadata", "2", "-map_chapters", "2", "-c:v",
                                 "libx264", "-preset", "ultrafast", "-g", "25", "-c:a", "aac",
                                 dir.file("movies/Film/film.mkv")}));
    Library library(dir, "film.mkv");
    library.press("Play");
    ASSERT_TRUE(library.clockReaches(0.5));

    auto lands = [&](const char* key, double chapter) {
        library.press(key);
        double at = -1;
        EXPECT_TRUE(waitFor([&] { return std::fabs((at = library.clock()) - chapter) < 1.0; }, std::chrono::seconds(5)))
            << key << " to " << chapter << ", at " << at;
    };
    lands("Next", 6);
    lands("Next", 14);
    // Within the first seconds of a chapter Back goes to the one before, later to its start.
    lands("Back", 6);
    ASSERT_TRUE(library.clockReaches(9.5));
    lands("Back", 6);

    // The marks: a tick across the bar where each chapter after the first starts.
    const auto pShot = library.process().screenshot();
    int32_t barLeft = -1;
    int32_t barRow = -1;
    for (int32_t y = 600; y < 720 && barLeft < 0; ++y)
    {
        int32_t left = -1;
        int n = 0;
        for (int32_t x = 0; x < 1280; ++x)
        {
            const PallixColor c = pShot->GetPixel(x, y);
            // The bar's background and its filled part.
            if ((c.GetRed() < 8 && c.GetGreen() > 24 && c.GetGreen() < 40 && c.GetBlue() < 8) ||
                (c.GetRed() > 215 && c.GetGreen() > 180 && c.GetGreen() < 200 && c.GetBlue() < 16))
            {
                left = left < 0 ? x : left;
                ++n;
            }
        }
        if (n > 380)
        {
            barLeft = left;
            barRow = y + 2;
        }
    }
    ASSERT_GE(barLeft, 0) << "no progress bar";
    std::vector<int32_t> ticks;
    for (int32_t x = barLeft; x < barLeft + 400; ++x)
    {
        const PallixColor c = pShot->GetPixel(x, barRow);
        if (c.GetRed() > 240 && c.GetGreen() > 240 && c.GetBlue() > 240)
            ticks.push_back(x - barLeft);
    }
    ASSERT_EQ(ticks.size(), 3u);
    EXPECT_NEAR(ticks[0], 400 * 6 / 30, 2);
    EXPECT_NEAR(ticks[1], 400 * 14 / 30, 2);
    EXPECT_NEAR(ticks[2], 400 * 22 / 30, 2);

    // The last chapter has no next one: the film plays on.
    lands("Next", 14);
    lands("Next", 22);
    library.press("Next");
    ASSERT_TRUE(library.clockReaches(24));
    EXPECT_TRUE(library.playing());
    library.press("Exit");
    library.press("Exit");
    EXPECT_EQ(library.process().waitExit(), 0);
}

// The film is read from the disk once: a Matroska film read by the decoder
// itself and a program stream pushed to it, each played to its end, cost the
// process about their own size in reads.
TEST(FilmFilesEndToEnd, AFilmIsReadFromTheDiskOnce)
{
    struct Case
    {
        const char* file;
        std::vector<std::string> codecs;
    };
    const Case cases[] = {
        {"film.mkv", {"-c:v", "libx264", "-preset", "ultrafast", "-g", "25", "-b:v", "3M", "-c:a", "aac"}},
        {"film.mpg", {"-c:v", "mpeg2video", "-g", "12", "-b:v", "3M", "-c:a", "mp2", "-f", "vob"}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.file);
        TempDir dir;
        fs::create_directories(dir.file("movies/Film"));
        std::vector<std::string> args = {"-f", "lavfi", "-i", "testsrc2=size=640x360:rate=25:duration=12,noise=alls=30:allf=t",
                                         "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=12"};
        args.insert(args.end(), c.codecs.begin(), c.codecs.end());
        args.push_back(dir.file(std::string("movies/Film/") + c.file));
        ASSERT_TRUE(MediaMaker::run(args));
        const uint64_t size = fs::file_size(dir.file(std::string("movies/Film/") + c.file));

        Library library(dir, c.file);
        const uint64_t before = bytesRead(library.process().pid());
        library.press("Play");
        bool bSaved = false;
        ASSERT_TRUE(waitFor([&] { return library.saved(c.file, bSaved) == 0 && bSaved; }, std::chrono::seconds(40)));
        const uint64_t read = bytesRead(library.process().pid()) - before;
        EXPECT_LE(double(read), 1.1 * double(size)) << read << " bytes read for a film of " << size;
        library.press("Exit");
        EXPECT_EQ(library.process().waitExit(), 0);
    }
}

// The zoom mode's name stands under the title band, never over the title's
// details: changing the mode changes nothing in the band.
TEST(FilmFilesEndToEnd, TheZoomModeNameIsClearOfTheTitleBand)
{
    TempDir dir;
    fs::create_directories(dir.file("movies/Film"));
    // A black picture, so that only the display tells the modes apart.
    ASSERT_TRUE(MediaMaker::run({"-f", "lavfi", "-i", "color=c=black:size=320x240:rate=25:duration=20", "-c:v",
                                 "mpeg2video", "-f", "vob", dir.file("movies/Film/film.mpg")}));
    Library library(dir, "film.mpg", "1:42:00");
    library.press("Play");
    ASSERT_TRUE(waitFor([&] { return library.playing(); }));
    library.press("Zoom");
    const auto pFirst = library.process().screenshot();
    library.press("Zoom");
    const auto pSecond = library.process().screenshot();
    int changed = 0;
    int32_t top = 720;
    for (int32_t y = 0; y < 200; ++y)
        for (int32_t x = 0; x < 1280; ++x)
            if (!(pFirst->GetPixel(x, y) == pSecond->GetPixel(x, y)))
            {
                ++changed;
                top = std::min(top, y);
            }
    EXPECT_GT(changed, 50) << "the name did not change";
    EXPECT_GE(top, 88) << "the name reaches into the title band";
    library.press("Exit");
    library.press("Exit");
    EXPECT_EQ(library.process().waitExit(), 0);
}
