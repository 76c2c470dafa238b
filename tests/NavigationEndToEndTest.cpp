#include "ImageFactoryTestAccess.h"
#include "MainWindow.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "PallixBitmap.h"
#include "PallixDisplay.h"
#include "PallixWindowManager.h"
#include "QuorvaApp.h"
#include "QuorvaProcess.h"
#include "RemoteKeys.h"
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

const char* const LIBRARY = "<html><body>\n"
                            "<ul>\n  <li>Title=Harbour Lights\n  <li>Genre=Drama, Romance\n"
                            "  <li>Original Title=Harbour Lights\n  <li>Path=movies/Harbour Lights\n</ul>\n"
                            "<ul>\n  <li>Title=The Copper Key\n  <li>Genre=Crime\n"
                            "  <li>Original Title=The Copper Key\n  <li>Path=movies/The Copper Key\n</ul>\n"
                            "<ul>\n  <li>Title=Paper Planets\n  <li>Genre=Animation, Family\n"
                            "  <li>Original Title=Paper Planets\n  <li>Path=movies/Paper Planets\n</ul>\n"
                            "</body></html>\n";


bool samePixels(const PallixBitmap& a, const PallixBitmap& b, const PallixRect& area)
{
    if (!(a.GetDims() == b.GetDims()))
        return false;
    for (int32_t y = area.y; y < area.y + int32_t(area.h); ++y)
    {
        for (int32_t x = area.x; x < area.x + int32_t(area.w); ++x)
        {
            if (CLOCK.Contains(x, y))
                continue;
            if (!(a.GetPixel(x, y) == b.GetPixel(x, y)))
                return false;
        }
    }
    return true;
}

const PallixRect SCREEN(0, 0, 1280, 720);

// The running binary: its pictures after each key.
class Jukebox
{
public:
    explicit Jukebox(const TempDir& dir) : mDir(dir)
    {
        mDir.write("client.properties", "db.file=movies.html\n");
        mDir.write("movies.html", LIBRARY);
        std::filesystem::create_directory_symlink(binaryDir() + "/images", mDir.file("images"));
        mpProcess = std::make_unique<QuorvaProcess>(mDir.path(), std::vector<std::string>{});
    }

    QuorvaProcess& process() { return *mpProcess; }

    std::unique_ptr<PallixBitmap> press(const char* key)
    {
        EXPECT_EQ(mpProcess->command(std::string("press ") + key), "OK") << key;
        return screenshot();
    }

    std::unique_ptr<PallixBitmap> screenshot() { return mpProcess->screenshot(); }

private:
    const TempDir& mDir;
    std::unique_ptr<QuorvaProcess> mpProcess;
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
        {
            MediaEntry* pEntry = new MediaEntry();
            pEntry->setTitle(title);
            pEntry->setOriginalTitle(title);
            pEntry->setGenre(genre);
            mApp.getMediaCache()->addMediaEntry(pEntry);
        }
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
    EXPECT_TRUE(samePixels(*pStart, *model.picture(), SCREEN));

    // Down wraps from "All" to the first genre.
    auto pDown = jukebox.press("Down");
    EXPECT_TRUE(samePixels(*pDown, *model.press(RemoteKeys::DOWN), SCREEN));
    EXPECT_FALSE(samePixels(*pDown, *pStart, LIST));
    EXPECT_TRUE(samePixels(*pDown, *pStart, FIRST_BALL));
    // Back does nothing in the genre list.
    EXPECT_TRUE(samePixels(*jukebox.press("Back"), *pDown, SCREEN));

    // Left gives the keys to the column menu: its ball lights up and the list's bar dims.
    auto pMenu = jukebox.press("Left");
    EXPECT_TRUE(samePixels(*pMenu, *model.press(RemoteKeys::LEFT), SCREEN));
    EXPECT_FALSE(samePixels(*pMenu, *pDown, FIRST_BALL));
    EXPECT_FALSE(samePixels(*pMenu, *pDown, LIST));

    // Columns do not wrap: Up on the first changes nothing, nor does Select.
    EXPECT_TRUE(samePixels(*jukebox.press("Up"), *pMenu, SCREEN));
    EXPECT_TRUE(samePixels(*jukebox.press("Select"), *pMenu, SCREEN));

    // Down moves the moat and the lit ball to the second column, which shows every title.
    auto pDetails = jukebox.press("Down");
    EXPECT_TRUE(samePixels(*pDetails, *model.press(RemoteKeys::DOWN), SCREEN));
    EXPECT_FALSE(samePixels(*pDetails, *pMenu, FIRST_BALL));
    EXPECT_FALSE(samePixels(*pDetails, *pMenu, SECOND_BALL));
    EXPECT_FALSE(samePixels(*pDetails, *pMenu, LIST));
    // Down goes on to the columns of what to watch next, and Up comes back.
    EXPECT_FALSE(samePixels(*jukebox.press("Down"), *pDetails, SCREEN));
    EXPECT_TRUE(samePixels(*jukebox.press("Up"), *pDetails, SCREEN));

    // Right hands the keys to the table, Left takes them back to the menu.
    EXPECT_TRUE(samePixels(*jukebox.press("Right"), *model.press(RemoteKeys::RIGHT), SCREEN));
    auto pLeft = jukebox.press("Left");
    EXPECT_TRUE(samePixels(*pLeft, *model.press(RemoteKeys::LEFT), SCREEN));
    EXPECT_TRUE(samePixels(*pLeft, *pDetails, SCREEN));

    // Up brings back the genre panel, and Right its list, as they were.
    auto pUp = jukebox.press("Up");
    EXPECT_TRUE(samePixels(*pUp, *model.press(RemoteKeys::UP), SCREEN));
    EXPECT_TRUE(samePixels(*pUp, *pMenu, SCREEN));
    auto pBack = jukebox.press("Right");
    EXPECT_TRUE(samePixels(*pBack, *model.press(RemoteKeys::RIGHT), SCREEN));
    EXPECT_TRUE(samePixels(*pBack, *pDown, SCREEN));

    EXPECT_EQ(app.command("press Exit"), "OK");
    EXPECT_EQ(app.waitExit(), 0);
    // Every picture was found.
    for (const std::string& line : app.remainingLines())
        EXPECT_EQ(line.find("Failed to load image"), std::string::npos) << line;
}
