#include "ClientProperties.h"
#include "LibrarySettings.h"
#include "MediaEntry.h"
#include "MediaMaker.h"
#include "PallixWindowManager.h"
#include "PlayerWindow.h"
#include "PlayerWindowTestAccess.h"
#include "QuorvaDatFile.h"
#include "RemoteKeys.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace
{
bool press(uint32_t key)
{
    return PallixWindowManager::Get().DeliverKeyDown(key);
}

// One short movie in a title's folder, and the window playback returns to.
class PlayerWindowTest : public ::testing::Test
{
protected:
    PlayerWindowTest()
    {
        ::setenv("PALLIX_ECP_PORT", "0", 1);
        MediaMaker::Movie movie;
        movie.seconds = 3;
        movie.size = "160x120";
        movie.container = "mpegts";
        EXPECT_TRUE(MediaMaker::make(mDir.file("film.ts"), movie));
        mSize = std::filesystem::file_size(mDir.file("film.ts"));
        mEntry.setPath(mDir.path().c_str());
        mEntry.setFilename("film.ts");
        mEntry.setDuration("1:00:00");
        mHome.SetRectAbsolute(PallixRect(0, 0, 1280, 720));
        mHome.Materialize(kAppNormal);
        mHome.SetFocus(true);
    }
    ~PlayerWindowTest() override
    {
        if (mAccess.player().IsOpen())
            PlayerWindow::getInstance()->onExitPlayer();
        mHome.Vanish();
    }

    void settings(const char* text)
    {
        mDir.write("client.properties", text);
        captureOutput([&] { ClientProperties::parse(mDir.file("client.properties").c_str()); });
    }
    void play(bool bCheck, bool bPrompt)
    {
        PlayerWindow::getInstance()->playEntry(&mEntry, "", &mHome, bCheck, bPrompt);
    }
    // Where the saved position of seconds into the hour-long title lies.
    uint64_t at(double seconds) { return static_cast<uint64_t>(mSize * (seconds + 0.5) / 3600); }

    LibrarySettings mSettings;
    TempDir mDir;
    uint64_t mSize = 0;
    MediaEntry mEntry;
    PallixWindow mHome;
    PlayerWindowTestAccess mAccess;
};
} // namespace

TEST_F(PlayerWindowTest, KeysChangeRatesZoomInformationAndPause)
{
    settings("enable.trickplay=true\n");
    play(false, false);
    PlayerWindow* pWindow = PlayerWindow::getInstance();
    EXPECT_EQ(PallixWindow::GetFocusWindow(), pWindow);
    EXPECT_FALSE(mHome.IsMaterialized());
    EXPECT_EQ(pWindow->GetRectAbsolute(), PallixRect(0, 0, 1280, 720));
    EXPECT_EQ(mAccess.infoState(), 0);

    // Faster than the fastest rate comes back to normal, and so does slower
    // than the slowest; the progress bar comes up with the first change.
    for (int expected : {4, 5, 6, 3})
    {
        EXPECT_TRUE(press(RemoteKeys::RIGHT));
        EXPECT_EQ(mAccess.seekIndex(), expected);
    }
    EXPECT_EQ(mAccess.infoState(), 1);
    EXPECT_NE(mAccess.redrawTimer(), 0u);
    for (int expected : {2, 1, 0, 3})
    {
        EXPECT_TRUE(press(RemoteKeys::LEFT));
        EXPECT_EQ(mAccess.seekIndex(), expected);
    }
    press(RemoteKeys::RIGHT);
    EXPECT_TRUE(press(RemoteKeys::SELECT));
    EXPECT_EQ(mAccess.seekIndex(), 3);

    // The zoom key steps the mode and shows its name.
    EXPECT_EQ(mAccess.player().getVideoScaler().getZoomMode(), 0);
    EXPECT_TRUE(press(RemoteKeys::ZOOM));
    EXPECT_EQ(mAccess.player().getVideoScaler().getZoomMode(), 1);
    EXPECT_EQ(mAccess.infoState(), 2);
    // Info from 2 wraps to 0 and stops the redraw timer... which starts again.
    EXPECT_TRUE(press(RemoteKeys::INFO));
    EXPECT_EQ(mAccess.infoState(), 0);

    EXPECT_TRUE(press(RemoteKeys::PLAY));
    EXPECT_TRUE(mAccess.player().isPaused());
    EXPECT_EQ(mAccess.infoState(), 1);
    EXPECT_TRUE(press(RemoteKeys::PLAY));
    EXPECT_FALSE(mAccess.player().isPaused());
    // Keys without a meaning here stop here too.
    EXPECT_TRUE(press(0x10040));

    EXPECT_TRUE(press(RemoteKeys::EXIT));
    EXPECT_FALSE(pWindow->IsMaterialized());
    EXPECT_TRUE(mHome.IsMaterialized());
    EXPECT_EQ(PallixWindow::GetFocusWindow(), &mHome);
}

TEST_F(PlayerWindowTest, WithoutTrickPlayTheArrowsAndSelectDoNothing)
{
    settings("enable.trickplay=false\n");
    play(false, false);
    EXPECT_TRUE(press(RemoteKeys::RIGHT));
    EXPECT_TRUE(press(RemoteKeys::LEFT));
    EXPECT_TRUE(press(RemoteKeys::SELECT));
    EXPECT_EQ(mAccess.seekIndex(), 3);
    EXPECT_EQ(mAccess.infoState(), 0);
    EXPECT_EQ(mAccess.redrawTimer(), 0u);
}

TEST_F(PlayerWindowTest, JumpsAddUpAndAPressPastTheLargestCancels)
{
    play(false, false);
    for (int expected : {6, 7, 8})
    {
        EXPECT_TRUE(press(RemoteKeys::UP));
        EXPECT_EQ(mAccess.jumpIndex(), expected);
    }
    uint32_t timer = mAccess.jumpTimer();
    ASSERT_NE(timer, 0u);
    mAccess.tick(timer);
    EXPECT_EQ(mAccess.jumpIndex(), 5);
    EXPECT_EQ(mAccess.jumpTimer(), 0u);
    // A minute ahead in a three-second film ends it.
    EXPECT_GE(mAccess.player().getPosition(), mSize - 1);

    for (int i = 0; i < 5; ++i)
        press(RemoteKeys::UP);
    EXPECT_EQ(mAccess.jumpIndex(), 10);
    press(RemoteKeys::UP);
    EXPECT_EQ(mAccess.jumpIndex(), 5);
    EXPECT_EQ(mAccess.jumpTimer(), 0u);
    for (int i = 0; i < 5; ++i)
        press(RemoteKeys::DOWN);
    EXPECT_EQ(mAccess.jumpIndex(), 0);
    press(RemoteKeys::DOWN);
    EXPECT_EQ(mAccess.jumpIndex(), 5);
    EXPECT_EQ(mAccess.jumpTimer(), 0u);

    // Down then up comes back to no jump, but the timer still runs.
    press(RemoteKeys::DOWN);
    press(RemoteKeys::UP);
    EXPECT_EQ(mAccess.jumpIndex(), 5);
    EXPECT_NE(mAccess.jumpTimer(), 0u);
    mAccess.tick(mAccess.jumpTimer());
    EXPECT_EQ(mAccess.jumpTimer(), 0u);
}

TEST_F(PlayerWindowTest, SkipsGoByFifteenMinutesOrByQuarters)
{
    play(false, false);
    uint64_t target = 0;
    const uint64_t segment = mSize * 900 / 3600;
    ASSERT_TRUE(mAccess.nextTick(at(1200), target));
    EXPECT_EQ(target, segment * 2);
    EXPECT_EQ(mAccess.previousTick(at(1200)), 0u);
    EXPECT_EQ(mAccess.previousTick(at(899)), 0u);
    EXPECT_EQ(mAccess.previousTick(at(900)), 0u);
    EXPECT_EQ(mAccess.previousTick(at(1800)), segment);
    EXPECT_EQ(mAccess.previousTick(at(2100)), segment);
    EXPECT_EQ(mAccess.timeText(at(2530)), "0:42:10");
    EXPECT_EQ(mAccess.timeText(0), "??:??:??");

    // A running time the database does not know is the file's own (three seconds).
    for (const char* duration : {"-1", ""})
    {
        mEntry.setDuration(duration);
        EXPECT_EQ(mAccess.timeText(mSize * 2 / 3), "0:00:02") << duration;
        ASSERT_TRUE(mAccess.nextTick(mSize / 10, target));
        EXPECT_EQ(target, mSize * 900 / 3);
    }
    PlayerWindow::getInstance()->onExitPlayer();

    // A file that does not tell it either: quarters, and no time text.
    MediaMaker::Movie movie;
    movie.seconds = 4;
    movie.size = "160x120";
    movie.container = "mpegts";
    ASSERT_TRUE(MediaMaker::makeUntimed(mDir.file("untimed.ts"), movie));
    mEntry.setFilename("untimed.ts");
    const uint64_t size = std::filesystem::file_size(mDir.file("untimed.ts"));
    for (const char* duration : {"-1", ""})
    {
        mEntry.setDuration(duration);
        play(false, false);
        EXPECT_FALSE(mAccess.nextTick(size * 8 / 10, target)) << duration;
        EXPECT_EQ(mAccess.previousTick(size * 8 / 10), static_cast<uint64_t>(size * 0.75));
        ASSERT_TRUE(mAccess.nextTick(size / 10, target));
        EXPECT_EQ(target, static_cast<uint64_t>(size * 0.25));
        EXPECT_EQ(mAccess.previousTick(size / 10), 0u);
        EXPECT_EQ(mAccess.previousTick(size * 4 / 10), static_cast<uint64_t>(size * 0.25));
        EXPECT_EQ(mAccess.timeText(size / 2), "??:??:??");
    }

    // The key seeks and brings up the progress bar.
    EXPECT_TRUE(press(RemoteKeys::NEXT));
    EXPECT_GE(mAccess.player().getPosition(), static_cast<uint64_t>(size * 0.25));
    EXPECT_EQ(mAccess.infoState(), 1);
}

TEST_F(PlayerWindowTest, AutohideHidesTheInformationUnlessPaused)
{
    settings("autohide.info=true\nautohide.secs=7\n");
    play(false, false);
    press(RemoteKeys::INFO);
    EXPECT_EQ(mAccess.infoState(), 1);
    for (int i = 0; i < 7; ++i)
        mAccess.tick(mAccess.redrawTimer());
    EXPECT_EQ(mAccess.infoState(), 1);
    mAccess.tick(mAccess.redrawTimer());
    EXPECT_EQ(mAccess.infoState(), 0);
    EXPECT_EQ(mAccess.redrawTimer(), 0u);

    press(RemoteKeys::PLAY);
    EXPECT_EQ(mAccess.infoState(), 1);
    for (int i = 0; i < 20; ++i)
        mAccess.tick(mAccess.redrawTimer());
    EXPECT_EQ(mAccess.infoState(), 1);
}

TEST_F(PlayerWindowTest, TheResumeListOffersTheSavedPlaceAndTheEndSavesTheStats)
{
    QuorvaDatFile saved(mDir.file("film.ts").c_str());
    saved.setLastPosition(at(2530));
    saved.setZoomMode(2);
    saved.write();

    play(true, true);
    LoopList& list = mAccess.list();
    ASSERT_EQ(list.getItemCount(), 2);
    EXPECT_EQ(list.getItemText(0), "Resume at 0:42:10");
    EXPECT_EQ(list.getItemText(1), "Continue From Here");
    EXPECT_EQ(list.GetRectAbsolute(), PallixRect(440, 260, 400, 200));
    EXPECT_EQ(PallixWindow::GetFocusWindow(), &list);
    EXPECT_EQ(mAccess.player().getVideoScaler().getZoomMode(), 2);

    // Continue only closes the list.
    press(RemoteKeys::DOWN);
    press(RemoteKeys::SELECT);
    EXPECT_EQ(list.GetParent(), nullptr);
    EXPECT_EQ(PallixWindow::GetFocusWindow(), PlayerWindow::getInstance());
    EXPECT_EQ(mAccess.resumePos(), at(2530));

    // Stopped within the first seconds: resume from the start, never wrapped.
    press(RemoteKeys::EXIT);
    QuorvaDatFile after(mDir.file("film.ts").c_str());
    EXPECT_EQ(after.getLastPosition(), 0u);
    EXPECT_EQ(after.getZoomMode(), 2);
    EXPECT_NEAR(after.getLastViewedTime(), time(nullptr), 5);
    EXPECT_EQ(mEntry.getLastViewedTime(), after.getLastViewedTime());
    EXPECT_EQ(std::filesystem::file_size(mDir.file("film.ts.quorva")), 16u);

    // Without a running time, from the database or the file, the list offers
    // a percentage; choosing it seeks.
    MediaMaker::Movie movie;
    movie.seconds = 4;
    movie.size = "160x120";
    movie.container = "mpegts";
    ASSERT_TRUE(MediaMaker::makeUntimed(mDir.file("untimed.ts"), movie));
    const uint64_t size = std::filesystem::file_size(mDir.file("untimed.ts"));
    mEntry.setFilename("untimed.ts");
    mEntry.setDuration("-1");
    QuorvaDatFile untimed(mDir.file("untimed.ts").c_str());
    untimed.setLastPosition(size * 37 / 100 + 1);
    untimed.write();
    play(true, true);
    EXPECT_EQ(list.getItemText(0), "Resume at 37%");
    press(RemoteKeys::SELECT);
    EXPECT_EQ(mAccess.resumePos(), 0u);
    EXPECT_GE(mAccess.player().getPosition(), size * 37 / 100);
    press(RemoteKeys::EXIT);

    // Asked to check but not to prompt: straight to the saved place.
    mEntry.setFilename("film.ts");
    saved.setLastPosition(mSize / 2);
    saved.write();
    play(true, false);
    EXPECT_EQ(list.GetParent(), nullptr);
    EXPECT_GE(mAccess.player().getPosition(), mSize / 2);
    press(RemoteKeys::EXIT);
}

TEST_F(PlayerWindowTest, AMovieThatCannotGoOnSaysWhyAndAKeyEndsItSavingTheSpot)
{
    play(false, false);
    ASSERT_TRUE(mAccess.player().IsOpen());
    // The decoder gives up on the movie; the application hears of it on its loop.
    captureOutput([&] { EXPECT_FALSE(mAccess.player().OnDecoderError()); });
    PlayerWindow::getInstance()->onPlaybackFailed();
    EXPECT_EQ(std::string(mAccess.startFailure()), "The movie cannot be decoded.");
    EXPECT_TRUE(PlayerWindow::getInstance()->IsMaterialized());
    // Any key ends playback as Exit does: the spot is saved and the screen given back.
    EXPECT_TRUE(press(RemoteKeys::INFO));
    EXPECT_FALSE(PlayerWindow::getInstance()->IsMaterialized());
    EXPECT_TRUE(mHome.IsMaterialized());
    EXPECT_TRUE(std::filesystem::exists(mDir.file("film.ts.quorva")));
    EXPECT_TRUE(mAccess.startFailure().IsEmpty());
}
