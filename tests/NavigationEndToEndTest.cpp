#include "ImageFactoryTestAccess.h"
#include "MainWindow.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "PallixBitmap.h"
#include "PallixDisplay.h"
#include "PallixWindowManager.h"
#include "PixelProbe.h"
#include "QuorvaApp.h"
#include "QuorvaProcess.h"
#include "RemoteKeys.h"
#include "TestEntry.h"
#include "TestLibrary.h"
#include "TestRecord.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <utility>

namespace
{
// The clock may turn a minute between two pictures.
const PallixRect CLOCK(10, 670, 125, 50);
// The genre list, centred in the panel right of the column strip.
const PallixRect LIST(510, 50, 400, 670);
const PallixRect FIRST_BALL(30, 25, 84, 84);
const PallixRect SECOND_BALL(30, 175, 84, 84);
const PallixRect SCREEN(0, 0, 1280, 720);

// The running binary: its pictures after each key.
class Jukebox : public TestLibrary
{
public:
    explicit Jukebox(const TempDir& dir) : TestLibrary(dir, TestDatabase::threeTitles().text()) {}

    std::unique_ptr<PallixBitmap> press(const char* key)
    {
        TestLibrary::press(key);
        return screenshot();
    }
};

// What the screen must show: the same library and artwork, drawn in this process.
class Model
{
public:
    Model()
    {
        for (const char* name : {"emptyBall.png", "selectedEmptyBall.png", "listSelect_left.png",
                                 "listSelect_middle.png", "listSelect_right.png", "listSelect_nofocus_left.png",
                                 "listSelect_nofocus_middle.png", "listSelect_nofocus_right.png"})
            EXPECT_NE(mCache.addFile(name, binaryDir() + "/images/" + name), nullptr) << name;
        for (auto [title, genre] : {std::pair{"Harbour Lights", "Drama, Romance"}, {"The Copper Key", "Crime"},
                                    {"Paper Planets", "Animation, Family"}})
            mApp.getMediaCache()->addMediaEntry(newTestEntry(title, genre));
        mApp.getMediaCache()->updateGenreList();
        mpWindow = std::make_unique<MainWindow>();
        mpWindow->Materialize(kAppNormal);
    }
    ~Model() { mpWindow->Vanish(); }

    std::unique_ptr<PallixBitmap> press(uint32_t nKey)
    {
        PallixWindowManager::Get().DeliverKeyDown(nKey);
        return picture();
    }

    std::unique_ptr<PallixBitmap> picture()
    {
        PallixBitmap plane;
        plane.Create(1280, 720);
        mpWindow->RedrawScreen();
        PallixWindowManager::Get().Paint(plane);
        auto pScreen = std::make_unique<PallixBitmap>();
        PallixDisplay::Composite(plane, *pScreen);
        return pScreen;
    }

private:
    // The platform's artwork beside the binary, before any window asks for it.
    static bool useBinaryArtwork()
    {
        return setenv("PALLIX_GRAPHICS_DIR", (binaryDir() + "/graphics").c_str(), 1) == 0;
    }

    bool mbArtwork = useBinaryArtwork();
    ImageFactoryTestAccess mCache;
    QuorvaApp mApp;
    std::unique_ptr<MainWindow> mpWindow;
};
} // namespace

TEST(NavigationEndToEnd, ArrowsMoveTheFocusAndTheGenreSelectionAndExitEndsTheRun)
{
    TempDir dir;
    Jukebox jukebox(dir);
    QuorvaProcess& app = jukebox.process();
    ASSERT_TRUE(app.waitForLine("Full path to db file: " + dir.path() + "/movies.html"));
    Model model;

    // The genres and "All" under "Browse By Genre" and "6 Genres", the last line
    // selected, the list focused, the clock in its corner.
    auto pStart = jukebox.screenshot();
    EXPECT_TRUE(PixelProbe::sameIn(*pStart, *model.picture(), SCREEN, {CLOCK}));

    // Down wraps from "All" to the first genre.
    auto pDown = jukebox.press("Down");
    EXPECT_TRUE(PixelProbe::sameIn(*pDown, *model.press(RemoteKeys::DOWN), SCREEN, {CLOCK}));
    EXPECT_FALSE(PixelProbe::sameIn(*pDown, *pStart, LIST, {CLOCK}));
    EXPECT_TRUE(PixelProbe::sameIn(*pDown, *pStart, FIRST_BALL, {CLOCK}));
    // Back does nothing in the genre list.
    EXPECT_TRUE(PixelProbe::sameIn(*jukebox.press("Back"), *pDown, SCREEN, {CLOCK}));

    // Left gives the keys to the column menu: its ball lights up and the list's bar dims.
    auto pMenu = jukebox.press("Left");
    EXPECT_TRUE(PixelProbe::sameIn(*pMenu, *model.press(RemoteKeys::LEFT), SCREEN, {CLOCK}));
    EXPECT_FALSE(PixelProbe::sameIn(*pMenu, *pDown, FIRST_BALL, {CLOCK}));
    EXPECT_FALSE(PixelProbe::sameIn(*pMenu, *pDown, LIST, {CLOCK}));

    // Columns do not wrap: Up on the first changes nothing, nor does Select.
    EXPECT_TRUE(PixelProbe::sameIn(*jukebox.press("Up"), *pMenu, SCREEN, {CLOCK}));
    EXPECT_TRUE(PixelProbe::sameIn(*jukebox.press("Select"), *pMenu, SCREEN, {CLOCK}));

    // Down moves the moat and the lit ball to the second column, which shows every title.
    auto pDetails = jukebox.press("Down");
    EXPECT_TRUE(PixelProbe::sameIn(*pDetails, *model.press(RemoteKeys::DOWN), SCREEN, {CLOCK}));
    EXPECT_FALSE(PixelProbe::sameIn(*pDetails, *pMenu, FIRST_BALL, {CLOCK}));
    EXPECT_FALSE(PixelProbe::sameIn(*pDetails, *pMenu, SECOND_BALL, {CLOCK}));
    EXPECT_FALSE(PixelProbe::sameIn(*pDetails, *pMenu, LIST, {CLOCK}));
    // Down goes on to the columns of what to watch next, and Up comes back.
    EXPECT_FALSE(PixelProbe::sameIn(*jukebox.press("Down"), *pDetails, SCREEN, {CLOCK}));
    EXPECT_TRUE(PixelProbe::sameIn(*jukebox.press("Up"), *pDetails, SCREEN, {CLOCK}));

    // Right hands the keys to the table, Left takes them back to the menu.
    EXPECT_TRUE(PixelProbe::sameIn(*jukebox.press("Right"), *model.press(RemoteKeys::RIGHT), SCREEN, {CLOCK}));
    auto pLeft = jukebox.press("Left");
    EXPECT_TRUE(PixelProbe::sameIn(*pLeft, *model.press(RemoteKeys::LEFT), SCREEN, {CLOCK}));
    EXPECT_TRUE(PixelProbe::sameIn(*pLeft, *pDetails, SCREEN, {CLOCK}));

    // Up brings back the genre panel, and Right its list, as they were.
    auto pUp = jukebox.press("Up");
    EXPECT_TRUE(PixelProbe::sameIn(*pUp, *model.press(RemoteKeys::UP), SCREEN, {CLOCK}));
    EXPECT_TRUE(PixelProbe::sameIn(*pUp, *pMenu, SCREEN, {CLOCK}));
    auto pBack = jukebox.press("Right");
    EXPECT_TRUE(PixelProbe::sameIn(*pBack, *model.press(RemoteKeys::RIGHT), SCREEN, {CLOCK}));
    EXPECT_TRUE(PixelProbe::sameIn(*pBack, *pDown, SCREEN, {CLOCK}));

    EXPECT_EQ(app.command("press Exit"), "OK");
    EXPECT_EQ(app.waitExit(), 0);
    // Every picture was found.
    for (const std::string& line : app.remainingLines())
        EXPECT_EQ(line.find("Failed to load image"), std::string::npos) << line;
}
