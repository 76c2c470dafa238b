#include "MediaMaker.h"
#include "PallixBitmap.h"
#include "QuorvaDatFile.h"
#include "QuorvaProcess.h"
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

std::string binaryDir()
{
    return std::filesystem::path(QUORVA_BINARY).parent_path().string();
}

bool samePixels(const PallixBitmap& a, const PallixBitmap& b, const PallixRect& area)
{
    for (int32_t y = area.y; y < area.y + int32_t(area.h); y += 2)
        for (int32_t x = area.x; x < area.x + int32_t(area.w); x += 2)
            if (!(a.GetPixel(x, y) == b.GetPixel(x, y)))
                return false;
    return true;
}

// The binary with one title in its library, reached through the second column.
class Cinema
{
public:
    // bUntimed: a file whose timestamps do not tell its running time.
    Cinema(const TempDir& dir, const char* duration, double seconds, bool bUntimed = false) : mDir(dir)
    {
        std::filesystem::create_directories(mDir.file("movies/Film"));
        MediaMaker::Movie movie;
        movie.seconds = seconds;
        movie.container = "mpegts";
        // Padded to the nominal rate, so that seconds and bytes agree either way.
        movie.extra = {"-muxrate", "19000000"};
        if (bUntimed)
            EXPECT_TRUE(MediaMaker::makeUntimed(mDir.file("movies/Film/film.ts"), movie));
        else
            EXPECT_TRUE(MediaMaker::make(mDir.file("movies/Film/film.ts"), movie));
        mDir.write("client.properties", "db.file=movies.html\nenable.trickplay=true\n");
        mDir.write("movies.html", std::string("<html><body>\n<ul>\n  <li>Title=Test Card\n  <li>Genre=Drama\n"
                                              "  <li>Original Title=Test Card\n  <li>Duration=") +
                                      duration + "\n  <li>Path=" + mDir.file("movies/Film") +
                                      "\n  <li>Filename=film.ts\n</ul>\n</body></html>\n");
        std::filesystem::create_directory_symlink(binaryDir() + "/images", mDir.file("images"));
        std::filesystem::create_directory_symlink(binaryDir() + "/graphics", mDir.file("graphics"));
        mpProcess = std::make_unique<QuorvaProcess>(mDir.path(), std::vector<std::string>{});
        // Column menu, second column, its table, then play.
        for (const char* key : {"Left", "Down", "Right", "Play"})
            EXPECT_EQ(mpProcess->command(std::string("press ") + key), "OK") << key;
    }

    QuorvaProcess& process() { return *mpProcess; }
    std::string movie() const { return mDir.file("movies/Film/film.ts"); }
    std::string stats() const { return movie() + ".quorva"; }

    void press(const char* key) { EXPECT_EQ(mpProcess->command(std::string("press ") + key), "OK") << key; }

    std::unique_ptr<PallixBitmap> screenshot() { return mpProcess->screenshot(); }

    // Pictures until one differs from before in the video area.
    bool videoMoves(const PallixBitmap& before)
    {
        for (int i = 0; i < 100; ++i)
        {
            if (!samePixels(*screenshot(), before, VIDEO))
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
    const TempDir& mDir;
    std::unique_ptr<QuorvaProcess> mpProcess;
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
    EXPECT_TRUE(samePixels(*cinema.screenshot(), *pPaused, VIDEO));
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
