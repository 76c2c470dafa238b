#include "CoverArtWindow.h"
#include "ImageFactoryTestAccess.h"
#include "ImageList.h"
#include "InfoWindow.h"
#include "MainWindow.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "PallixBitmap.h"
#include "PallixWindowManager.h"
#include "QuorvaApp.h"
#include "TestEntry.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class ImageListTestAccess
{
public:
    explicit ImageListTestAccess(ImageList& list) : mList(list) {}
    std::string status() { return mList.getStatusText().str(); }

private:
    ImageList& mList;
};

class CoverArtWindowTestAccess
{
public:
    explicit CoverArtWindowTestAccess(CoverArtWindow& panel) : mPanel(panel) {}
    ImageList& list() { return mPanel.mList; }
    uint32_t loadingTimer() const { return mPanel.mLoadingTimer; }
    double percent() const { return mPanel.mPercentComplete; }
    void tick(uint32_t nTimerID) { mPanel.OnTimer(nTimerID); }

private:
    CoverArtWindow& mPanel;
};

namespace
{
const int KEY_SELECT = 0x1000B;

class Library
{
public:
    Library()
    {
        // What the panel and its grid paint with, so that painting is quiet.
        mCache.add("topbar.png", 1140, 90, PallixColor(20, 20, 20, 255));
        mCache.add("selector.png", 150, 210, PallixColor(200, 0, 0, 255));
        mCache.add("nselector.png", 150, 210, PallixColor(90, 0, 0, 255));
        mCache.add("upArrow.png", 20, 15, PallixColor(0, 0, 200, 255));
        mCache.add("downArrow.png", 20, 15, PallixColor(0, 200, 200, 255));
    }

    // Titles "<genre> 0" ... with a cover file each when bCovers is set.
    void add(const char* genre, int count, bool bCovers)
    {
        for (int i = 0; i < count; ++i)
        {
            std::string title = std::string(genre) + " " + std::to_string(i);
            MediaEntry* pEntry = newTestEntry(title, genre);
            if (bCovers)
            {
                std::string path = mDir.file(title + ".png");
                PallixBitmap cover;
                cover.Create(14, 20);
                cover.FillRect(cover.GetRect(), PallixColor(0, 100, 0, 255));
                EXPECT_TRUE(cover.SavePNG(path.c_str()));
                pEntry->setImagePath(path.c_str());
            }
            mApp.getMediaCache()->addMediaEntry(pEntry);
        }
        mApp.getMediaCache()->updateGenreList();
    }

    // Clears the damage; true when there was any.
    static bool repainted()
    {
        bool bDamage = PallixWindowManager::Get().HasDamage();
        PallixBitmap plane;
        plane.Create(1280, 720);
        PallixWindowManager::Get().Paint(plane);
        return bDamage;
    }

    TempDir mDir;
    ImageFactoryTestAccess mCache;
    QuorvaApp mApp;
};

class Panel
{
public:
    Panel()
    {
        panel.SetRectAbsolute(PallixRect(140, 0, 1140, 720));
        Library::repainted();
    }
    ~Panel() { panel.Vanish(); }

    // Shows the genre, and returns what it printed.
    std::string show(const char* genre)
    {
        panel.reset(genre);
        return captureOutput([&] { panel.Materialize(kAppNormal); });
    }

    CoverArtWindow panel;
    CoverArtWindowTestAccess access{panel};
};
} // namespace

TEST(CoverArtWindow, LoadsCoversOneTitlePerTickAndRepaintsAboutTenTimes)
{
    Library library;
    library.add("Drama", 25, false);
    library.add("Comedy", 3, false);
    Panel view;
    EXPECT_EQ(view.show("Drama"), "");
    ASSERT_NE(view.access.loadingTimer(), 0u);
    ImageList& grid = view.access.list();
    EXPECT_EQ(grid.getItemCount(), 0);
    Library::repainted();

    // Ticks of another timer are ignored.
    view.access.tick(view.access.loadingTimer() + 100);
    EXPECT_EQ(grid.getItemCount(), 0);

    std::vector<int> repaintedAt;
    std::string dots = captureOutput(
        [&]
        {
            for (int i = 0; i < 25; ++i)
            {
                view.access.tick(view.access.loadingTimer());
                if (Library::repainted())
                    repaintedAt.push_back(i);
                // The first title is selected and focused at once; later ones leave the selection.
                EXPECT_EQ(grid.getSelectedIndex(), 0);
                EXPECT_TRUE(grid.IsFocus());
                EXPECT_EQ(ImageListTestAccess(grid).status(), "[Genre: Drama] Items 1-" +
                                                                  std::to_string(std::min(i + 1, 10)) + " of " +
                                                                  std::to_string(i + 1) + " - Loading");
            }
        });
    EXPECT_EQ(dots, std::string(25, '.'));
    EXPECT_EQ(repaintedAt, (std::vector<int>{0, 5, 10, 15, 20}));
    EXPECT_DOUBLE_EQ(view.access.percent(), 96.0);

    // The tick after the last title ends the load with one more repaint.
    EXPECT_EQ(captureOutput([&] { view.access.tick(view.access.loadingTimer()); }), "\n");
    EXPECT_EQ(view.access.loadingTimer(), 0u);
    EXPECT_TRUE(Library::repainted());
    EXPECT_EQ(ImageListTestAccess(grid).status(), "[Genre: Drama] Items 1-10 of 25 ");
    EXPECT_EQ(grid.getItemData(3), library.mApp.getMediaCache()->getEntryForTitle("Drama 3"));
}

TEST(CoverArtWindow, TwentyTitlesRepaintEveryOtherTick)
{
    Library library;
    library.add("Drama", 20, false);
    Panel view;
    view.show("Drama");
    Library::repainted();
    std::vector<int> repaintedAt;
    captureOutput(
        [&]
        {
            for (int i = 0; i < 20; ++i)
            {
                view.access.tick(view.access.loadingTimer());
                if (Library::repainted())
                    repaintedAt.push_back(i);
            }
        });
    EXPECT_EQ(repaintedAt, (std::vector<int>{0, 2, 4, 6, 8, 10, 12, 14, 16, 18}));
}

TEST(CoverArtWindow, DecodedCoversAndEmptyGenresFillAtOnce)
{
    Library library;
    library.add("Drama", 4, true);
    for (const char* title : {"Drama 0", "Drama 1", "Drama 2", "Drama 3"})
        ASSERT_NE(library.mApp.getMediaCache()->getEntryForTitle(title)->getBitmap(), nullptr);
    Panel view;
    EXPECT_EQ(view.show("Drama"), "....\n");
    EXPECT_EQ(view.access.loadingTimer(), 0u);
    EXPECT_EQ(view.access.list().getItemCount(), 4);
    EXPECT_EQ(ImageListTestAccess(view.access.list()).status(), "[Genre: Drama] Items 1-4 of 4 ");

    EXPECT_EQ(view.show("Western"), "\n");
    EXPECT_EQ(view.access.loadingTimer(), 0u);
    EXPECT_EQ(view.access.list().getSelectedIndex(), -1);
    EXPECT_EQ(ImageListTestAccess(view.access.list()).status(), "[Genre: Western] Items 1-0 of 0 ");
    // Choosing in an empty grid does nothing.
    view.panel.onItemChosen(-1, KEY_SELECT);
    view.panel.onItemChosen(0, KEY_SELECT);
}

TEST(CoverArtWindow, AResetDuringALoadEndsItAndTheOldTimerReadsNothing)
{
    Library library;
    library.add("Drama", 12, false);
    library.add("Comedy", 2, false);
    Panel view;
    view.show("Drama");
    uint32_t nOldTimer = view.access.loadingTimer();
    captureOutput(
        [&]
        {
            for (int i = 0; i < 6; ++i)
                view.access.tick(nOldTimer);
        });
    EXPECT_EQ(view.access.list().getItemCount(), 6);

    // Hidden and shown again without a reset, the grid goes on from where it was.
    view.panel.Vanish();
    captureOutput([&] { view.panel.Materialize(kAppNormal); });
    EXPECT_EQ(view.access.loadingTimer(), nOldTimer);
    EXPECT_EQ(view.access.list().getItemCount(), 6);

    view.panel.reset("Comedy");
    EXPECT_EQ(view.access.loadingTimer(), 0u);
    EXPECT_EQ(ImageListTestAccess(view.access.list()).status(), "[Genre: Drama] Items 1-0 of 0 ");
    view.access.tick(nOldTimer);
    EXPECT_EQ(view.access.list().getItemCount(), 0);

    view.panel.Vanish();
    captureOutput([&] { view.panel.Materialize(kAppNormal); });
    ASSERT_NE(view.access.loadingTimer(), nOldTimer);
    EXPECT_EQ(captureOutput(
                  [&]
                  {
                      view.access.tick(nOldTimer);
                      for (int i = 0; i < 3; ++i)
                          view.access.tick(view.access.loadingTimer());
                  }),
              "..\n");
    EXPECT_EQ(view.access.list().getItemCount(), 2);
    EXPECT_EQ(ImageListTestAccess(view.access.list()).status(), "[Genre: Comedy] Items 1-2 of 2 ");
}

TEST(CoverArtWindow, BackShowsTheGenrePanelAndSelectOpensTheTitleInfo)
{
    Library library;
    library.add("Drama", 3, true);
    for (const char* title : {"Drama 0", "Drama 1", "Drama 2"})
        library.mApp.getMediaCache()->getEntryForTitle(title)->getBitmap();
    library.mCache.add("/usr/local/zembu/graphics/common/corral-top.png", 1000, 50, PallixColor(30, 30, 30, 255));
    MainWindow window;
    CoverArtWindow& panel = *window.getCoverArtWindow();
    CoverArtWindowTestAccess access(panel);
    captureOutput(
        [&]
        {
            window.Materialize(kAppNormal);
            panel.reset("Drama");
            window.showRightPanel(&panel, true, true);
        });
    ImageList& grid = access.list();
    EXPECT_TRUE(grid.IsFocus());
    PallixWindow* pProposed = nullptr;
    grid.OnNavKey(0x1000F, pProposed);

    // Select on a single-file title opens its info page; Back returns to the grid unchanged.
    captureOutput([&] { grid.OnKeyDown(KEY_SELECT); });
    EXPECT_TRUE(window.getInfoWindow()->IsMaterialized());
    EXPECT_FALSE(panel.IsMaterialized());
    captureOutput([&] { window.getInfoWindow()->onPageBack(); });
    EXPECT_TRUE(panel.IsMaterialized());
    EXPECT_EQ(grid.getSelectedIndex(), 1);
    EXPECT_TRUE(grid.IsFocus());

    // Back from the grid goes to the genres; Left to the column menu.
    grid.OnNavKey(0x1000E, pProposed);
    grid.OnNavKey(0x1000E, pProposed);
    EXPECT_TRUE(window.IsFocus());
    window.OnNavKey(0x1000F, pProposed);
    captureOutput([&] { grid.OnKeyDown(0x1001C); });
    EXPECT_TRUE(window.getBrowseByWindow()->IsMaterialized());
    EXPECT_FALSE(panel.IsMaterialized());
    window.Vanish();
}

TEST(CoverArtWindow, TheFrameAndTheArrowsAreDrawnWholeThroughTheWindowsClipping)
{
    Library library;
    library.add("Drama", 15, true);
    for (int i = 0; i < 15; ++i)
        library.mApp.getMediaCache()->getEntryForTitle(("Drama " + std::to_string(i)).c_str())->getBitmap();
    Panel view;
    view.show("Drama");
    view.panel.SetFocus(true);
    // Down twice scrolls a row, Up goes back to row 0: the frame hugs the first
    // row and both up arrows show.
    for (unsigned long key : {0x1000DUL, 0x1000DUL, 0x1000CUL})
        PallixWindowManager::Get().DeliverKeyDown(key);
    view.panel.RedrawScreen();
    PallixBitmap plane;
    plane.Create(1280, 720);
    PallixWindowManager::Get().Paint(plane);
    // The frame's top stroke, 5 pixels above the first row of covers, and the
    // up arrow's top rows, at y 85, are not cut off at the grid's edge.
    EXPECT_EQ(plane.GetPixel(175 - 5, 85), PallixColor(200, 0, 0, 255));
    EXPECT_EQ(plane.GetPixel(175 + 100, 85), PallixColor(200, 0, 0, 255));
    EXPECT_EQ(plane.GetPixel(1250, 85), PallixColor(0, 0, 200, 255));
    EXPECT_EQ(plane.GetPixel(1250, 105), PallixColor(0, 0, 200, 255));
    // The covers stay where they were: the first row starts 90 pixels down.
    EXPECT_EQ(plane.GetPixel(175 + 166 + 7, 90 + 10), PallixColor(0, 100, 0, 255));
}
