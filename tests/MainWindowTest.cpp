#include "BrowseByDetailsTestAccess.h"
#include "BrowseByWindowTestAccess.h"
#include "ImageFactoryTestAccess.h"
#include "MainWindow.h"
#include "MainWindowTestAccess.h"
#include "PallixBitmap.h"
#include "PallixWindowManager.h"
#include "PixelProbe.h"
#include "QuorvaApp.h"
#include "RemoteKeys.h"
#include "RightPanelWindow.h"

#include <gtest/gtest.h>

namespace
{
const PallixColor BACKGROUND(10, 10, 40, 255);
const PallixColor OUTER_MOAT(255, 0, 255, 255);
const PallixColor INNER_MOAT(0, 255, 255, 255);
const PallixColor LIT_BALL(255, 255, 0, 255);
const PallixColor DARK_BALL(128, 128, 128, 255);

// A panel that counts what the main window does to it.
class ProbePanel : public RightPanelWindow
{
public:
    ProbePanel() : RightPanelWindow("Probe") {}
    void OnVanish() override { ++mVanished; }
    int mLayouts = 0;
    int mVanished = 0;

protected:
    void setupLayout() override { ++mLayouts; }
};

class Artwork
{
public:
    explicit Artwork(ImageFactoryTestAccess& cache)
    {
        cache.add("/usr/local/zembu/graphics/common/background.png", 1280, 720, BACKGROUND);
        cache.add("/usr/local/zembu/graphics/taskview/vessels/moat-outer.png", 100, 100, OUTER_MOAT);
        cache.add("/usr/local/zembu/graphics/taskview/vessels/moat-inner.png", 100, 100, INNER_MOAT);
        cache.add("selectedEmptyBall.png", 90, 84, LIT_BALL);
        cache.add("emptyBall.png", 90, 84, DARK_BALL);
    }
};

bool deliver(uint32_t nKey)
{
    return PallixWindowManager::Get().DeliverKeyDown(nKey);
}

PallixWindow* focus()
{
    return PallixWindow::GetFocusWindow();
}

void paint(MainWindow& window, PallixBitmap& bitmap)
{
    bitmap.Create(1280, 720);
    bitmap.FillRect(bitmap.GetRect(), PallixColor(0, 0, 0, 0));
    window.OnPaint(bitmap);
}
} // namespace

TEST(MainWindow, ShowsTheGenrePanelBesideTheColumnsAndRunsTheClockWhileShown)
{
    ImageFactoryTestAccess cache;
    QuorvaApp app;
    MainWindow window;
    MainWindowTestAccess access(window);
    BrowseByWindowTestAccess genres(*window.getBrowseByWindow());

    EXPECT_EQ(window.GetRectAbsolute(), PallixRect(0, 0, 1280, 720));
    EXPECT_EQ(access.currentPanel(), window.getBrowseByWindow());
    EXPECT_EQ(window.getBrowseByWindow()->GetParent(), &window);
    EXPECT_EQ(window.getBrowseByWindow()->GetRectAbsolute(), PallixRect(140, 0, 1140, 720));
    EXPECT_EQ(access.clockTimer(), 0u);

    window.Materialize(kAppNormal);
    EXPECT_EQ(focus(), &genres.list());
    EXPECT_NE(access.clockTimer(), 0u);

    // Only the clock's corner is redrawn on its tick; other timers are not the clock's.
    PallixBitmap scratch;
    scratch.Create(1280, 720);
    PallixWindowManager::Get().Paint(scratch);
    access.tick(access.clockTimer() + 1000);
    EXPECT_FALSE(PallixWindowManager::Get().HasDamage());
    access.tick(access.clockTimer());
    EXPECT_EQ(PallixWindowManager::Get().GetDamage(), std::vector<PallixRect>{PallixRect(10, 670, 125, 50)});

    window.Vanish();
    EXPECT_EQ(access.clockTimer(), 0u);
    window.Materialize(kAppNormal);
    EXPECT_NE(access.clockTimer(), 0u);
    window.Vanish();
}

TEST(MainWindow, FocusMovesBetweenTheColumnMenuAndThePanel)
{
    ImageFactoryTestAccess cache;
    QuorvaApp app;
    MainWindow window;
    MainWindowTestAccess access(window);
    BrowseByWindowTestAccess genres(*window.getBrowseByWindow());
    window.Materialize(kAppNormal);
    ASSERT_EQ(focus(), &genres.list());

    // Left in the list hands the keys to the column menu.
    EXPECT_TRUE(deliver(RemoteKeys::LEFT));
    EXPECT_EQ(focus(), &window);
    // Select on the menu is taken and does nothing.
    EXPECT_TRUE(deliver(RemoteKeys::SELECT));
    EXPECT_EQ(focus(), &window);
    EXPECT_EQ(access.currentPanel(), window.getBrowseByWindow());
    // Left on the menu is nobody's: it goes on to the application.
    EXPECT_FALSE(deliver(RemoteKeys::LEFT));

    EXPECT_TRUE(deliver(RemoteKeys::RIGHT));
    EXPECT_EQ(focus(), &genres.list());

    // Anyone who focuses the main window itself means the panel.
    window.SetFocus(true);
    EXPECT_EQ(focus(), &genres.list());

    // Exit is not the list's nor the panel's: it reaches the main window, which
    // ends the application and lets the key go on.
    EXPECT_FALSE(app.IsTerminating());
    EXPECT_FALSE(deliver(RemoteKeys::EXIT));
    EXPECT_TRUE(app.IsTerminating());
    window.Vanish();
}

TEST(MainWindow, ColumnsSwitchPanelsWithoutWrappingAndKeepTheMenuFocused)
{
    ImageFactoryTestAccess cache;
    Artwork artwork(cache);
    QuorvaApp app;
    MainWindow window;
    MainWindowTestAccess access(window);
    BrowseByWindow& genres = *window.getBrowseByWindow();
    BrowseByDetails& details = *window.getBrowseByDetailsWindow();
    window.Materialize(kAppNormal);
    window.setFocusOnColumn();

    PallixBitmap before;
    paint(window, before);
    EXPECT_TRUE(deliver(RemoteKeys::UP));
    PallixBitmap after;
    paint(window, after);
    EXPECT_TRUE(PixelProbe::same(before, after));
    EXPECT_EQ(access.currentPanel(), &genres);

    EXPECT_TRUE(deliver(RemoteKeys::DOWN));
    EXPECT_EQ(access.selectedColumn(), 1);
    EXPECT_EQ(access.currentPanel(), &details);
    EXPECT_TRUE(details.IsVisible());
    EXPECT_EQ(genres.GetParent(), nullptr);
    EXPECT_FALSE(genres.IsVisible());
    EXPECT_EQ(focus(), &window);
    EXPECT_EQ(details.GetRectAbsolute(), PallixRect(140, 0, 1140, 720));

    // The moat moves to slot 1 and that ball lights up; slot 0 goes dark.
    paint(window, after);
    EXPECT_EQ(after.GetPixel(26, 148), INNER_MOAT);
    EXPECT_EQ(after.GetPixel(26, 20), BACKGROUND);
    EXPECT_EQ(after.GetPixel(60, 178), LIT_BALL);
    EXPECT_EQ(after.GetPixel(60, 50), DARK_BALL);

    // Then the three columns of what to watch next, in order; the last one stays.
    const std::vector<RightPanelWindow*> next = {window.getContinueWatchingWindow(), window.getRecentlyAddedWindow(),
                                                 window.getSearchWindow()};
    for (RightPanelWindow* pPanel : next)
    {
        EXPECT_TRUE(deliver(RemoteKeys::DOWN));
        EXPECT_EQ(access.currentPanel(), pPanel);
    }
    EXPECT_EQ(next[0]->getLabel(), "Continue\nWatching");
    EXPECT_EQ(next[1]->getLabel(), "Recently\nAdded");
    EXPECT_EQ(next[2]->getLabel(), "Search");
    EXPECT_TRUE(deliver(RemoteKeys::DOWN));
    EXPECT_EQ(access.selectedColumn(), 4);
    EXPECT_EQ(access.currentPanel(), next[2]);
    EXPECT_EQ(focus(), &window);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(deliver(RemoteKeys::UP));
    EXPECT_EQ(access.currentPanel(), &details);

    EXPECT_TRUE(deliver(RemoteKeys::UP));
    EXPECT_EQ(access.currentPanel(), &genres);
    EXPECT_FALSE(details.IsVisible());
    EXPECT_EQ(focus(), &window);
    EXPECT_TRUE(deliver(RemoteKeys::DOWN));

    // With the focus in the panel the moat stays but the ball is not lit.
    EXPECT_TRUE(deliver(RemoteKeys::RIGHT));
    EXPECT_EQ(focus(), &BrowseByDetailsTestAccess(details).list());
    paint(window, after);
    EXPECT_EQ(after.GetPixel(26, 148), INNER_MOAT);
    EXPECT_EQ(after.GetPixel(60, 178), DARK_BALL);
    window.Vanish();
}

TEST(MainWindow, ShowRightPanelHidesTheOldPanelOnlyWhenAsked)
{
    ImageFactoryTestAccess cache;
    QuorvaApp app;
    ProbePanel first;
    ProbePanel second;
    MainWindow window;
    MainWindowTestAccess access(window);
    window.Materialize(kAppNormal);

    window.showRightPanel(nullptr, true, true);
    EXPECT_EQ(access.currentPanel(), window.getBrowseByWindow());

    window.showRightPanel(&first, true, true);
    EXPECT_EQ(focus(), &first);
    window.showRightPanel(&second, false, true);
    EXPECT_EQ(first.mVanished, 0);
    EXPECT_EQ(first.GetParent(), nullptr);
    EXPECT_EQ(second.GetParent(), &window);
    EXPECT_EQ(second.getMainWindow(), &window);
    EXPECT_EQ(focus(), &second);
    window.showRightPanel(&first, true, false);
    EXPECT_EQ(second.mVanished, 1);
    EXPECT_EQ(first.GetParent(), &window);
    // Laid out once, however often it is shown.
    EXPECT_EQ(first.mLayouts, 1);
    window.Vanish();
}

TEST(MainWindow, PaintsBackgroundMoatBallAndTwoLineLabel)
{
    ImageFactoryTestAccess cache;
    Artwork artwork(cache);
    QuorvaApp app;
    MainWindow window;
    window.Materialize(kAppNormal);
    window.setFocusOnColumn();

    PallixBitmap bitmap;
    paint(window, bitmap);
    EXPECT_EQ(bitmap.GetPixel(700, 400), BACKGROUND);
    // The moat lies 5 pixels left of and 6 above the ball; the ball is lit while the menu has focus.
    EXPECT_EQ(bitmap.GetPixel(25, 19), OUTER_MOAT);
    EXPECT_EQ(bitmap.GetPixel(24, 19), BACKGROUND);
    EXPECT_EQ(bitmap.GetPixel(25, 18), BACKGROUND);
    EXPECT_TRUE(PixelProbe::all(bitmap, PallixRect(30, 25, 90, 84), LIT_BALL));

    // Each column's label on two lines 21 pixels apart, starting 4 pixels above
    // the bottom of its ball; all five columns and labels clear of one another
    // and of the clock.
    for (int32_t slot = 0; slot < 5; ++slot)
    {
        int32_t ballTop = 25 + 128 * slot;
        int32_t top = ballTop + 84 - 4;
        PallixRect label = PixelProbe::bounds(bitmap, PallixRect(0, top, 140, 47), PixelProbe::isWhite);
        ASSERT_FALSE(label.IsEmpty()) << "slot " << slot;
        EXPECT_LT(label.y + int32_t(label.h), ballTop + 128) << "slot " << slot;
        EXPECT_LT(label.y + int32_t(label.h), 670) << "slot " << slot;
        EXPECT_GT(label.h, slot == 4 ? 12u : 30u) << "slot " << slot;
        EXPECT_TRUE(PixelProbe::all(bitmap, PallixRect(30, ballTop, 90, 84), slot == 0 ? LIT_BALL : DARK_BALL))
            << "slot " << slot;
    }
    // The clock's date and time lines in the bottom-left corner.
    EXPECT_GT(PixelProbe::count(bitmap, PallixRect(10, 670, 125, 50), PixelProbe::isYellowText), 0);
}

TEST(MainWindow, MissingPicturesAreSkippedAndTheLabelStillPlaced)
{
    ImageFactoryTestAccess cache;
    cache.add("/usr/local/zembu/graphics/taskview/vessels/moat-outer.png", 100, 100, OUTER_MOAT);
    cache.add("emptyBall.png", 90, 88, DARK_BALL);
    QuorvaApp app;
    MainWindow window;
    window.Materialize(kAppNormal);
    window.setFocusOnColumn();
    deliver(RemoteKeys::DOWN);

    // No background, no inner moat, no lit ball: the slot-1 label sits as under a
    // ball of no height, and the dark ball of slot 0 is still drawn.
    PallixBitmap bitmap;
    paint(window, bitmap);
    EXPECT_EQ(bitmap.GetPixel(700, 400), PallixColor(0, 0, 0, 0));
    EXPECT_EQ(bitmap.GetPixel(26, 148), PallixColor(0, 0, 0, 0));
    EXPECT_EQ(bitmap.GetPixel(110, 105), DARK_BALL);
    PallixRect label = PixelProbe::bounds(bitmap, PallixRect(0, 130, 140, 100), PixelProbe::isWhite);
    ASSERT_FALSE(label.IsEmpty());
    EXPECT_GE(label.y, 149);
    EXPECT_LT(label.y + int32_t(label.h), 149 + 21 + 26);
    window.Vanish();
}

TEST(MainWindow, WithoutTheOuterMoatNoColumnsAreDrawn)
{
    ImageFactoryTestAccess cache;
    cache.add("selectedEmptyBall.png", 90, 88, LIT_BALL);
    cache.add("emptyBall.png", 90, 88, DARK_BALL);
    QuorvaApp app;
    MainWindow window;
    window.Materialize(kAppNormal);
    window.setFocusOnColumn();

    PallixBitmap bitmap;
    paint(window, bitmap);
    EXPECT_EQ(PixelProbe::count(bitmap, PallixRect(0, 0, 140, 600), PixelProbe::isWhite), 0);
    EXPECT_EQ(bitmap.GetPixel(60, 50), PallixColor(0, 0, 0, 0));
    // The picture may turn up later: it is asked for again at every paint.
    cache.add("/usr/local/zembu/graphics/taskview/vessels/moat-outer.png", 100, 100, OUTER_MOAT);
    paint(window, bitmap);
    EXPECT_EQ(bitmap.GetPixel(60, 50), LIT_BALL);
    window.Vanish();
}
