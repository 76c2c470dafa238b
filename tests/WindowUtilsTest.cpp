#include "ClientProperties.h"
#include "LibrarySettings.h"
#include "MPlay.h"
#include "MainWindow.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "PlayerWindow.h"
#include "PlayerWindowTestAccess.h"
#include "QuorvaApp.h"
#include "SeriesWindow.h"
#include "TestSupport.h"
#include "WindowUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace
{
const int KEY_SELECT = 0x1000B;
const int KEY_PLAY = 0x10018;

class WindowUtilsTest : public ::testing::Test
{
protected:
    WindowUtilsTest() { ::setenv("PALLIX_ECP_PORT", "0", 1); }

    void settings(const std::string& text)
    {
        mDir.write("client.properties", text);
        captureOutput([&] { ClientProperties::parse(mDir.file("client.properties").c_str()); });
    }
    std::string choose(MediaEntry& entry, int button, const char* designated = "")
    {
        return captureOutput([&] {
            WindowUtils::onMediaEntryChosen(mWindow.getBrowseByDetailsWindow(), &entry, button, true, true,
                                            designated);
        });
    }

    LibrarySettings mSettings;
    TempDir mDir;
    QuorvaApp mApp;
    MainWindow mWindow;
    PlayerWindowTestAccess mPlayer;
};
} // namespace

TEST_F(WindowUtilsTest, ThePlayKeyPlaysASingleFileTitleAndOtherKeysNever)
{
    mDir.write("one/film.mpg", "not really a movie");
    mDir.write("two/ep1.mpg", "x");
    mDir.write("two/ep2.mpg", "x");
    mWindow.Materialize(kAppNormal);
    mWindow.showRightPanel(mWindow.getBrowseByDetailsWindow(), true, true);
    MediaEntry folderOfOne;
    folderOfOne.setPath(mDir.file("one").c_str());
    MediaEntry series;
    series.setPath(mDir.file("two").c_str());

    // Select opens information, never playback; several files are a series.
    choose(folderOfOne, KEY_SELECT);
    EXPECT_FALSE(PlayerWindow::getInstance()->IsMaterialized());
    choose(series, KEY_PLAY);
    EXPECT_FALSE(PlayerWindow::getInstance()->IsMaterialized());

    // One file in the folder is played here, in place of the main window.
    choose(folderOfOne, KEY_PLAY);
    EXPECT_TRUE(PlayerWindow::getInstance()->IsMaterialized());
    EXPECT_FALSE(mWindow.IsMaterialized());
    EXPECT_EQ(std::string(mPlayer.filename()), mDir.file("one/film.mpg"));
    // It is no movie: the window says so, and the stats file is not touched.
    EXPECT_EQ(std::string(mPlayer.startFailure()), "The file is not a movie this player knows.");
    PlayerWindow::getInstance()->onExitPlayer();
    EXPECT_TRUE(mWindow.IsMaterialized());
    EXPECT_FALSE(std::filesystem::exists(mDir.file("one/film.mpg.quorva")));

    // A named file makes a single-file title even in a folder of several.
    series.setFilename("ep2.mpg");
    choose(series, KEY_PLAY);
    EXPECT_TRUE(PlayerWindow::getInstance()->IsMaterialized());
    EXPECT_EQ(std::string(mPlayer.filename()), mDir.file("two/ep2.mpg"));
    PlayerWindow::getInstance()->onExitPlayer();
    mWindow.Vanish();
}

TEST_F(WindowUtilsTest, WithTheExternalPlayerThePlayKeyHandsOverTheFile)
{
    // The external players leave their arguments in a file of their own, one a line.
    for (const char* name : {"player", "recorder"})
    {
        mDir.write(std::string(name) + ".sh",
                   std::string("#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"$0.txt\"\n"));
        std::filesystem::permissions(mDir.file(std::string(name) + ".sh"), std::filesystem::perms::owner_all);
    }
    settings("use.mplay=true\nmplay.path=" + mDir.file("player.sh") + "\nmplay.args=\n");
    MediaEntry entry;
    entry.setPath("/media/Film");
    entry.setFilename("a.mpg");

    std::string output = choose(entry, KEY_PLAY);
    EXPECT_EQ(output, "MPlay cmd: " + mDir.file("player.sh") + "  \"/media/Film/a.mpg\"\n");
    EXPECT_FALSE(PlayerWindow::getInstance()->IsMaterialized());

    // Without a file name the designated file is appended, else the folder itself goes.
    entry.setFilename("");
    EXPECT_EQ(choose(entry, KEY_PLAY, "ep1.mpg"),
              "MPlay cmd: " + mDir.file("player.sh") + "  \"/media/Film/ep1.mpg\"\n");
    EXPECT_EQ(choose(entry, KEY_PLAY), "MPlay cmd: " + mDir.file("player.sh") + "  \"/media/Film\"\n");
    // Select still goes to the information page.
    EXPECT_EQ(choose(entry, KEY_SELECT), "");

    // A file name with quotes and shell characters reaches the player as it is.
    settings("use.mplay=true\nmplay.path=" + mDir.file("recorder.sh") + "\nmplay.args=\n");
    const std::string odd = mDir.path() + "/it's \"odd\" $(touch pwned) `x`; \\.mpg";
    MPlay::launch(odd.c_str());
    // The player runs on its own: wait for what it writes.
    std::string args;
    for (int i = 0; i < 400 && args.find("odd") == std::string::npos; ++i)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        if (std::filesystem::exists(mDir.file("recorder.sh.txt")))
            args = mDir.read("recorder.sh.txt");
    }
    EXPECT_EQ(args, odd + "\n");
    EXPECT_FALSE(std::filesystem::exists(mDir.file("pwned")));

    settings("use.mplay=true\nmplay.path=" + mDir.file("no-such-player") + "\nmplay.args=-fs\n");
    EXPECT_EQ(captureOutput([&] { MPlay::launch("/media/a.mpg"); }),
              "MPlay cmd: " + mDir.file("no-such-player") + " -fs \"/media/a.mpg\"\nFailed to spawn MPLAY\n");
}

TEST_F(WindowUtilsTest, ASeriesWithItsEpisodesInSeasonFoldersListsThemAndPlaysTheChosenOne)
{
    mDir.write("Show/Season 1/Show.S01E01.mpg", "x");
    mDir.write("Show/Season 2/Show.S02E01.mpg", "x");
    settings("use.mplay=true\nmplay.path=/bin/true\nmplay.args=\n");
    mWindow.Materialize(kAppNormal);
    mWindow.showRightPanel(mWindow.getBrowseByDetailsWindow(), true, true);
    MediaEntry* pShow = new MediaEntry();
    pShow->setTitle("Show");
    pShow->setPath(mDir.file("Show").c_str());
    for (const char* season : {"1", "2"})
    {
        MediaEntry* pEpisode = new MediaEntry();
        pEpisode->setTitle((std::string("Show - ") + season + "x01").c_str());
        pEpisode->setPath(mDir.file(std::string("Show/Season ") + season).c_str());
        pEpisode->setFilename((std::string("Show.S0") + season + "E01.mpg").c_str());
        pShow->addFeatureItem((std::string(season) + "x01," + pEpisode->getTitle().str()).c_str());
        mApp.getMediaCache()->addMediaEntry(pEpisode);
    }
    mApp.getMediaCache()->addMediaEntry(pShow);

    // The series' folder holds no film of its own: even the play key, even with
    // the external player, opens its list of episodes.
    EXPECT_EQ(choose(*pShow, KEY_PLAY), "");
    SeriesWindow* pSeries = mWindow.getSeriesWindow();
    ASSERT_NE(pSeries, nullptr);
    EXPECT_TRUE(pSeries->IsMaterialized());
    EXPECT_EQ(captureOutput([&] { pSeries->onItemChosen(1, KEY_PLAY); }),
              "MPlay cmd: /bin/true  \"" + mDir.file("Show/Season 2/Show.S02E01.mpg") + "\"\n");
    mWindow.Vanish();
}
