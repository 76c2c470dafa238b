#include "LibrarySettings.h"
#include "MediaMaker.h"
#include "PallixApp.h"
#include "PallixEventLoop.h"
#include "PallixVideoPlane.h"
#include "Player.h"
#include "PlayerTestAccess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace
{
// An engine whose decoder never gets a byte: the stream moves only when the
// engine moves it, so every position is exact.
class QuietPlayer : public Player
{
public:
    uint32_t OnFillBuffer(unsigned char*, unsigned long) override { return 0; }
};

// A real movie start followed by nothing: room for minutes of jumps.
std::string bigTransportStream(const TempDir& dir)
{
    std::string path = dir.file("big.ts");
    MediaMaker::Movie movie;
    movie.seconds = 1;
    movie.size = "160x120";
    movie.container = "mpegts";
    EXPECT_TRUE(MediaMaker::make(path, movie));
    std::filesystem::resize_file(path, 100000000);
    return path;
}

// Runs the event loop around a scenario and records the wormhole messages.
class LoopApp : public PallixApp
{
public:
    explicit LoopApp(std::function<void(LoopApp&)> scenario) : mScenario(std::move(scenario)) {}
    std::vector<uint32_t> mMessages;
    std::function<void(LoopApp&)> onMessage;

protected:
    void OnAppInit() override { mScenario(*this); }
    void OnWormholeMessage(const PallixMessage& message) override
    {
        mMessages.push_back(message.GetMessageID());
        if (onMessage)
            onMessage(*this);
    }

private:
    std::function<void(LoopApp&)> mScenario;
};

class PlayerTest : public ::testing::Test
{
protected:
    PlayerTest() { ::setenv("PALLIX_ECP_PORT", "0", 1); }
    TempDir mDir;
    LibrarySettings mSettings;
};
} // namespace

// A second of jumping is a second of the file's own rate, its size over its
// running time; only a file that does not tell its running time falls back on
// the nominal rate of its container.
TEST_F(PlayerTest, TheContainerChoosesTheBitRate)
{
    MediaMaker::Movie movie;
    movie.seconds = 4;
    movie.size = "160x120";
    movie.container = "mpegts";
    ASSERT_TRUE(MediaMaker::make(mDir.file("a.ts"), movie));
    ASSERT_TRUE(MediaMaker::makeUntimed(mDir.file("untimed.ts"), movie));
    movie.container = "vob";
    ASSERT_TRUE(MediaMaker::makeUntimed(mDir.file("untimed.vob"), movie));
    movie.videoCodec = "mpeg1video";
    movie.container = "mpeg";
    ASSERT_TRUE(MediaMaker::make(mDir.file("c.mpg"), movie));
    ASSERT_TRUE(MediaMaker::makeUntimed(mDir.file("untimed.mpg"), movie));

    QuietPlayer player;
    for (const char* name : {"a.ts", "c.mpg"})
    {
        SCOPED_TRACE(name);
        const double size = double(std::filesystem::file_size(mDir.file(name)));
        std::string output = captureOutput([&] { EXPECT_TRUE(player.startPlaying(mDir.file(name).c_str(), 60)); });
        // No complaint about an MPEG-1 program stream that tells its running time.
        EXPECT_EQ(output, "");
        EXPECT_EQ(player.getFileDurationInSecs(), 4);
        EXPECT_NEAR(player.getNumBytesInSeconds(4), size, size * 0.05);
        EXPECT_NEAR(player.getNumBytesInSeconds(-2), -size / 2, size * 0.05);
        player.close();
    }

    ASSERT_TRUE(player.startPlaying(mDir.file("untimed.ts").c_str(), 60));
    EXPECT_EQ(player.getFileDurationInSecs(), 0);
    EXPECT_EQ(player.getNumBytesInSeconds(1), 2375000);
    EXPECT_EQ(player.getNumBytesInSeconds(-15), -35625000);
    player.close();

    ASSERT_TRUE(player.startPlaying(mDir.file("untimed.vob").c_str(), 60));
    EXPECT_EQ(player.getNumBytesInSeconds(1), 625000);
    player.close();

    // Neither kind: a program stream's rate, whatever the file before had.
    ASSERT_TRUE(player.startPlaying(mDir.file("untimed.ts").c_str(), 60));
    player.close();
    std::string output =
        captureOutput([&] { EXPECT_TRUE(player.startPlaying(mDir.file("untimed.mpg").c_str(), 60)); });
    EXPECT_EQ(output, "ERROR: Unknown MPEG stream type\n");
    EXPECT_EQ(player.getNumBytesInSeconds(1), 625000);
    player.close();

    output = captureOutput([&] { EXPECT_FALSE(player.startPlaying(mDir.file("missing.ts").c_str(), 60)); });
    EXPECT_EQ(output, "ERROR: Failed to open file for size read.\nERROR: Failed to open file.\n");
    EXPECT_EQ(player.getFailureReason(), "The file cannot be found.");
    player.close();
}

TEST_F(PlayerTest, JumpsMoveByNominalSecondsAndNeverBelowTheStart)
{
    std::string path = bigTransportStream(mDir);
    QuietPlayer player;
    ASSERT_TRUE(player.startPlaying(path.c_str(), 0));
    EXPECT_EQ(player.getPosition(), 0u);

    player.seekToPosition(50000000);
    EXPECT_EQ(player.getPosition(), 50000000u);
    player.jumpSeconds(-15);
    EXPECT_EQ(player.getPosition(), 50000000u - 35625000u);

    // Paused, a jump does nothing and a second pause leaves the decoder alone.
    EXPECT_TRUE(player.pause());
    EXPECT_TRUE(player.pause());
    EXPECT_TRUE(player.isPaused());
    player.jumpSeconds(15);
    EXPECT_EQ(player.getPosition(), 14375000u);
    // A seek resumes.
    player.seekToPosition(20000000);
    EXPECT_FALSE(player.isPaused());
    EXPECT_EQ(player.getPosition(), 20000000u);

    // Thirty seconds back from less than ten lands on the start, not near 2^64.
    player.seekToPosition(9000000);
    player.jumpSeconds(-30);
    EXPECT_EQ(player.getPosition(), 0u);
    player.close();
}

TEST_F(PlayerTest, TrickPlayStepsEverySecondAndStepsBackWhenItEnds)
{
    std::string path = bigTransportStream(mDir);
    QuietPlayer player;
    PlayerTestAccess access(player);
    ASSERT_TRUE(player.startPlaying(path.c_str(), 0));
    EXPECT_NE(access.activityTimer(), 0u);
    player.seekToPosition(10000000);

    // Normal speed with no fast movement running: no seek at all.
    player.setSeekRate(1);
    EXPECT_EQ(player.getPosition(), 10000000u);

    player.setSeekRate(5);
    EXPECT_EQ(access.seekingOffset(), 11875000);
    EXPECT_EQ(player.getPosition(), 21875000u);
    uint32_t timer = access.seekTimer();
    ASSERT_NE(timer, 0u);
    // A new rate keeps the timer and applies from its next tick.
    player.setSeekRate(15);
    EXPECT_EQ(access.seekTimer(), timer);
    EXPECT_EQ(player.getPosition(), 21875000u);
    player.OnTimer(timer);
    EXPECT_EQ(player.getPosition(), 21875000u + 35625000u);
    // Ticks of other timers move nothing.
    player.OnTimer(timer + 1000);
    EXPECT_EQ(player.getPosition(), 57500000u);

    // Back to normal: five seconds behind where the movement stopped.
    player.setSeekRate(1);
    EXPECT_EQ(access.seekTimer(), 0u);
    EXPECT_EQ(player.getPosition(), 57500000u - 11875000u);

    // Rewind past the start stays on the start; pausing does not stop it.
    player.seekToPosition(50000000);
    player.setSeekRate(-40);
    EXPECT_EQ(player.getPosition(), 0u);
    player.OnTimer(access.seekTimer());
    EXPECT_EQ(player.getPosition(), 0u);
    player.setSeekRate(1);
    EXPECT_EQ(player.getPosition(), 0u);
    player.close();
    EXPECT_EQ(access.activityTimer(), 0u);
}

TEST_F(PlayerTest, PercentagesAreExactForEverySize)
{
    // Too short to play, but its size is read before anything else fails.
    mDir.write("tiny.mpg", std::string(5000, 'x'));
    QuietPlayer player;
    std::string output =
        captureOutput([&] { EXPECT_FALSE(player.startPlaying(mDir.file("tiny.mpg").c_str(), 0)); });
    EXPECT_EQ(output, "ERROR: Stream set failed.\n");
    EXPECT_EQ(player.getFailureReason(), "The file is not a movie this player knows.");
    EXPECT_EQ(player.getFileSize(), 5000u);
    EXPECT_DOUBLE_EQ(player.getPercentComplete(2500), 0.5);
    EXPECT_DOUBLE_EQ(player.getPercentComplete(5000), 1.0);
    EXPECT_DOUBLE_EQ(player.getPercentComplete(0), 0.0);
    player.close();

    std::string path = bigTransportStream(mDir);
    ASSERT_TRUE(player.startPlaying(path.c_str(), 0));
    EXPECT_DOUBLE_EQ(player.getPercentComplete(37000000), 0.37);
    player.seekToPosition(25000000);
    EXPECT_DOUBLE_EQ(player.getPercentComplete(), 0.25);
    player.close();

    Player fresh;
    EXPECT_DOUBLE_EQ(fresh.getPercentComplete(1234), 0.0);
}

// The fill that reaches the end, and an empty fill after a jump past it, end
// the movie with one message to the application.
TEST_F(PlayerTest, TheEndOfTheFileIsAnnouncedOnce)
{
    MediaMaker::Movie movie;
    movie.seconds = 1;
    movie.size = "160x120";
    movie.container = "mpegts";
    ASSERT_TRUE(MediaMaker::make(mDir.file("a.ts"), movie));
    const std::string path = mDir.file("a.ts");
    const uint64_t size = std::filesystem::file_size(path);

    QuietPlayer player;
    PlayerTestAccess access(player);
    std::vector<unsigned char> buffer(32768);
    std::vector<uint32_t> seenAfterFirstEnd;
    LoopApp app([&](LoopApp& self) {
        ASSERT_TRUE(player.startPlaying(path.c_str(), 0));
        EXPECT_EQ(access.fill(buffer.data(), 1000), 1000u);
        EXPECT_EQ(player.getLastPosition(), 1000u);
        EXPECT_FALSE(player.getMovieFinished());

        player.seekToPosition(size - 100);
        EXPECT_EQ(access.fill(buffer.data(), buffer.size()), 100u);
        EXPECT_EQ(player.getLastPosition(), size);
        EXPECT_TRUE(player.getMovieFinished());
        // Nothing more to read: no position change, no second message.
        EXPECT_EQ(access.fill(buffer.data(), buffer.size()), 0u);
        EXPECT_EQ(player.getLastPosition(), size);
        PallixEventLoop::Post([&] {
            seenAfterFirstEnd = self.mMessages;
            player.close();
            // A new start forgets the end; a jump past the end ends it again.
            ASSERT_TRUE(player.startPlaying(path.c_str(), 0));
            EXPECT_FALSE(player.getMovieFinished());
            player.jumpSeconds(300);
            EXPECT_LE(access.fill(buffer.data(), buffer.size()), 1u);
            EXPECT_TRUE(player.getMovieFinished());
            player.close();
            PallixEventLoop::Post([&] { self.Terminate(0); });
        });
    });
    char name[] = "player-test";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(app.Run(1, argv), 0);
    EXPECT_EQ(seenAfterFirstEnd, std::vector<uint32_t>{0xEEEEEEEE});
    EXPECT_EQ(app.mMessages, (std::vector<uint32_t>{0xEEEEEEEE, 0xEEEEEEEE}));
}

TEST_F(PlayerTest, ASeekKeepsThePictureAndClosingClearsIt)
{
    MediaMaker::Movie movie;
    movie.seconds = 3;
    movie.size = "160x120";
    movie.container = "mpegts";
    ASSERT_TRUE(MediaMaker::make(mDir.file("a.ts"), movie));
    PallixVideoPlane& plane = PallixVideoPlane::Get();
    plane.Clear();

    Player player;
    ASSERT_TRUE(player.startPlaying(mDir.file("a.ts").c_str(), 3));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (player.GetFramesPresented() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_GT(player.GetFramesPresented(), 0u);

    // The decoder restarts at the new place; the old picture stays until a new one comes.
    player.seekToPosition(player.getFileSize() / 2);
    EXPECT_FALSE(plane.GetPicture().IsEmpty());
    EXPECT_EQ(plane.GetPicture().nWidth, 160);

    player.close();
    EXPECT_TRUE(plane.GetPicture().IsEmpty());
}

TEST_F(PlayerTest, DecoderErrorsAreReportedAndDeclined)
{
    Player player;
    bool bRetry = true;
    EXPECT_EQ(captureOutput([&] { bRetry = player.OnDecoderError(); }), "ERROR: There was a decoder error!\n");
    EXPECT_FALSE(bRetry);
}

// Damaged data in the middle of a file the decoder reads itself is skipped:
// the movie plays on to its end, which is announced as for any other file.
TEST_F(PlayerTest, AFileReadByTheDecoderPlaysPastDamageToItsEnd)
{
    MediaMaker::Movie movie;
    movie.seconds = 6;
    movie.size = "160x120";
    movie.videoCodec = "libx264";
    movie.videoOptions = {"-preset", "ultrafast", "-g", "25"};
    movie.audioCodec = "aac";
    movie.container = "matroska";
    const std::string path = mDir.file("damaged.mkv");
    ASSERT_TRUE(MediaMaker::make(path, movie));
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        const auto size = static_cast<std::streamoff>(std::filesystem::file_size(path));
        std::mt19937 random(3);
        file.seekp(size * 2 / 5);
        for (std::streamoff i = 0; i < size / 10; ++i)
            file.put(static_cast<char>(random()));
    }

    Player player;
    bool bEnded = false;
    std::mutex mutex;
    std::condition_variable done;
    bool bDone = false;
    LoopApp app([&](LoopApp&) { ASSERT_TRUE(player.startPlaying(path.c_str(), 0)); });
    app.onMessage = [&](LoopApp& self) {
        bEnded = true;
        self.Terminate(0);
    };
    // Whatever happens, the run ends; a late order finds no run to end.
    auto pRunning = std::make_shared<std::atomic<LoopApp*>>(&app);
    std::thread watchdog([&, pRunning] {
        std::unique_lock<std::mutex> lock(mutex);
        if (!done.wait_for(lock, std::chrono::seconds(30), [&] { return bDone; }))
            PallixEventLoop::Post([pRunning] {
                if (LoopApp* pApp = pRunning->load())
                    pApp->Terminate(0);
            });
    });
    char name[] = "player-test";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(app.Run(1, argv), 0);
    *pRunning = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        bDone = true;
    }
    done.notify_all();
    watchdog.join();
    EXPECT_TRUE(bEnded);
    EXPECT_TRUE(player.getMovieFinished());
    EXPECT_GT(player.GetLastPresentedPtsUs(), 5000000);
    EXPECT_EQ(player.getLastPosition(), player.getFileSize());
    player.close();
}
