#include "MediaMaker.h"
#include "PallixBitmap.h"
#include "PixelProbe.h"
#include "QuorvaDatFile.h"
#include "QuorvaProcess.h"
#include "TestLibrary.h"
#include "TestRecord.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

namespace
{
// The middle of the picture, clear of the on-screen display.
const PallixRect VIDEO(320, 150, 640, 350);


// The binary with one title in its library, reached through the second column.
class Cinema : public TestLibrary
{
public:
    // bUntimed: a file whose timestamps do not tell its running time.
    Cinema(const TempDir& dir, const char* duration, double seconds, bool bUntimed = false)
        : TestLibrary(dir, library(dir, duration, seconds, bUntimed), "enable.trickplay=true\n"), mDir(dir)
    {
        // Column menu, second column, its table, then play.
        openTable();
        press("Play");
    }

    std::string movie() const { return mDir.file("movies/Film/film.ts"); }
    std::string stats() const { return movie() + ".quorva"; }

    // Pictures until one differs from before in the video area.
    bool videoMoves(const PallixBitmap& before)
    {
        for (int i = 0; i < 100; ++i)
        {
            if (!PixelProbe::sameIn(*screenshot(), before, VIDEO, {}, 2))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    bool waitForStats()
    {
        for (int i = 0; i < 400 && !std::filesystem::exists(stats()); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return std::filesystem::exists(stats());
    }

private:
    // The film, made before the binary starts, and the database naming it.
    static std::string library(const TempDir& dir, const char* duration, double seconds, bool bUntimed)
    {
        std::filesystem::create_directories(dir.file("movies/Film"));
        const MediaMaker::Movie movie = MediaMaker::paddedTransport(seconds);
        if (bUntimed)
            EXPECT_TRUE(MediaMaker::makeUntimed(dir.file("movies/Film/film.ts"), movie));
        else
            EXPECT_TRUE(MediaMaker::make(dir.file("movies/Film/film.ts"), movie));
        return TestDatabase{TestRecord::testCard("movies/Film").duration(duration).filename("film.ts")}.text();
    }

    const TempDir& mDir;
};
} // namespace

TEST(PlaybackEndToEnd, ATitlePlaysPausesJumpsAndReturnsToTheListAtItsEnd)
{
    TempDir dir;
    Cinema cinema(dir, "0:00:03", 3);
    auto pFirst = cinema.screenshot();
    EXPECT_TRUE(cinema.videoMoves(*pFirst));

    // Paused, the picture holds still.
    cinema.press("Play");
    auto pPaused = cinema.screenshot();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(PixelProbe::sameIn(*cinema.screenshot(), *pPaused, VIDEO, {}, 2));
    cinema.press("Play");
    EXPECT_TRUE(cinema.videoMoves(*pPaused));

    // Fifteen seconds back lands on the start; the movie then plays to its end.
    cinema.press("Down");
    ASSERT_TRUE(cinema.waitForStats());
    EXPECT_EQ(std::filesystem::file_size(cinema.stats()), 16u);
    QuorvaDatFile stats(cinema.movie().c_str());
    EXPECT_EQ(stats.getLastPosition(), 0u);
    EXPECT_EQ(stats.getZoomMode(), 0);

    // Back on the list: Exit now ends the run.
    cinema.press("Exit");
    EXPECT_EQ(cinema.process().waitExit(), 0);
}

TEST(PlaybackEndToEnd, LeavingEarlySavesTheSpotFiveSecondsBack)
{
    TempDir dir;
    Cinema cinema(dir, "-1", 8, true);
    const uint64_t size = std::filesystem::file_size(dir.file("movies/Film/film.ts"));
    EXPECT_TRUE(cinema.videoMoves(*cinema.screenshot()));
    // Without a running time, in the database or the file, Next goes by
    // quarters: three take it to 75%.
    for (int i = 0; i < 3; ++i)
        cinema.press("Next");
    cinema.press("Zoom");
    cinema.press("Exit");
    ASSERT_TRUE(cinema.waitForStats());
    QuorvaDatFile stats(cinema.movie().c_str());
    const uint64_t fiveSeconds = 5 * 2375000;
    EXPECT_GE(stats.getLastPosition(), size * 3 / 4 - fiveSeconds);
    EXPECT_LE(stats.getLastPosition(), size - fiveSeconds);
    EXPECT_EQ(stats.getZoomMode(), 1);
    cinema.press("Exit");
    EXPECT_EQ(cinema.process().waitExit(), 0);
}

TEST(PlaybackEndToEnd, QuittingDuringPlaybackSavesTheSpotAsExitDoes)
{
    // The exit verb and a termination signal, each while a movie plays.
    for (const bool bSignal : {false, true})
    {
        TempDir dir;
        // Without a running time anywhere, Next goes by quarters.
        Cinema cinema(dir, "-1", 8, true);
        EXPECT_TRUE(cinema.videoMoves(*cinema.screenshot()));
        // Three quarters in: more than the five seconds a resume steps back.
        for (int i = 0; i < 3; ++i)
            cinema.press("Next");
        cinema.press("Zoom");
        if (bSignal)
            cinema.process().signal(SIGTERM);
        else
            EXPECT_EQ(cinema.process().command("quorvaApp quit"), "OK");
        EXPECT_EQ(cinema.process().waitExit(), 0) << bSignal;
        for (const std::string& line : cinema.process().remainingLines())
            EXPECT_EQ(line.find("Sanitizer"), std::string::npos) << line;
        ASSERT_TRUE(std::filesystem::exists(cinema.stats())) << bSignal;
        QuorvaDatFile stats(cinema.movie().c_str());
        EXPECT_GT(stats.getLastPosition(), 0u) << bSignal;
        EXPECT_EQ(stats.getZoomMode(), 1) << bSignal;
        EXPECT_GT(stats.getLastViewedTime(), 0) << bSignal;
    }
}

namespace
{
// Whether any pixel of the area is bright: text drawn over the black screen.
bool hasBrightPixels(const PallixBitmap& shot, const PallixRect& area)
{
    for (int32_t y = area.y; y < area.y + int32_t(area.h); ++y)
        for (int32_t x = area.x; x < area.x + int32_t(area.w); ++x)
            if (shot.GetPixel(x, y).GetRed() > 200)
                return true;
    return false;
}
} // namespace

TEST(PlaybackEndToEnd, ATitleThatCannotPlaySaysWhyAndKeepsItsStats)
{
    TempDir dir;
    std::filesystem::create_directories(dir.file("movies/Good"));
    MediaMaker::Movie movie;
    movie.seconds = 3;
    ASSERT_TRUE(MediaMaker::make(dir.file("movies/Good/good.mpg"), movie));
    dir.write("movies/Broken/broken.mpg", std::string(200000, '\x5a'));
    std::filesystem::create_directories(dir.file("movies/Missing"));
    // Saved spots: position 4096, zoom mode 2, a time; never written over by a failed start.
    const std::string saved("\x00\x10\x00\x00\x00\x00\x00\x00\x02\x00\x00\x00\x80\x43\x6D\x38", 16);
    dir.write("movies/Missing/missing.mpg.quorva", saved);
    dir.write("movies/Broken/broken.mpg.quorva", saved);
    TestDatabase db;
    for (const std::string name : {"Missing", "Broken", "Good"})
        db.add(TestRecord().named(name).genre("Drama").path("movies/" + name).filename(
            char(std::tolower(name[0])) + name.substr(1) + ".mpg"));
    TestLibrary library(dir, db.text());
    library.openTable();
    QuorvaProcess& app = library.process();
    const PallixRect message(220, 245, 840, 230);
    const PallixRect list(280, 100, 900, 500);

    for (const char* title : {"Missing", "Broken"})
    {
        auto pList = app.screenshot();
        EXPECT_EQ(app.command("press Play"), "OK");
        auto pFailed = app.screenshot();
        // The reason is on the screen, not only on the console.
        EXPECT_TRUE(hasBrightPixels(*pFailed, message)) << title;
        EXPECT_FALSE(hasBrightPixels(*pFailed, PallixRect(0, 0, 1280, 200))) << title;
        // Any key goes back to the list, as it was.
        EXPECT_EQ(app.command("press Select"), "OK");
        EXPECT_TRUE(PixelProbe::sameIn(*app.screenshot(), *pList, list, {}, 2)) << title;
        EXPECT_EQ(dir.read(std::string("movies/") + title + "/" + char(std::tolower(title[0])) + (title + 1) +
                           ".mpg.quorva"),
                  saved)
            << title;
        EXPECT_EQ(app.command("press Down"), "OK");
    }

    // A title never played before opens in the first zoom mode, whatever the last title used.
    EXPECT_EQ(app.command("press Play"), "OK");
    EXPECT_EQ(app.command("press Exit"), "OK");
    QuorvaDatFile stats(dir.file("movies/Good/good.mpg").c_str());
    EXPECT_EQ(stats.getZoomMode(), 0);
    EXPECT_EQ(app.command("quorvaApp exit"), "OK");
    EXPECT_EQ(app.waitExit(), 0);
}
