#include "BrowseByDetails.h"
#include "BrowseByDetailsTestAccess.h"
#include "DrawingUtils.h"
#include "MainWindow.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "PallixBitmap.h"
#include "PallixWindowManager.h"
#include "PixelProbe.h"
#include "PlayerWindow.h"
#include "QuorvaApp.h"
#include "RemoteKeys.h"
#include "TestEntry.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{
MediaEntry* addTitle(MediaStore& store, const char* title, const char* genre, const char* mpaa, const char* duration)
{
    MediaEntry* pEntry = newTestEntry(title, genre);
    pEntry->setMPAA(mpaa);
    if (duration)
        pEntry->setDuration(duration);
    store.addMediaEntry(pEntry);
    return pEntry;
}

bool paintsFrame(BrowseByDetails& panel, const char* subtitle)
{
    PallixBitmap actual;
    actual.Create(1280, 720);
    actual.FillRect(actual.GetRect(), PallixColor(0, 0, 0, 0));
    panel.OnPaint(actual);
    PallixBitmap expected;
    expected.Create(1280, 720);
    expected.FillRect(expected.GetRect(), PallixColor(0, 0, 0, 0));
    DrawingUtils::drawFrame(expected, PallixRect(140, 0, 1140, 720), "Browse By Details", subtitle);
    return PixelProbe::same(actual, expected);
}

class BrowseByDetailsTest : public ::testing::Test
{
protected:
    BrowseByDetailsTest() { ::setenv("PALLIX_ECP_PORT", "0", 1); }
};
} // namespace

TEST_F(BrowseByDetailsTest, EveryTitleIsOneLineInStoreOrder)
{
    QuorvaApp app;
    MediaEntry* pFirst = addTitle(*app.getMediaCache(), "Harbour Lights", "Drama", "PG for language", "1:35:00");
    addTitle(*app.getMediaCache(), "The Copper Key", "Crime", "", nullptr);
    addTitle(*app.getMediaCache(), "Paper Planets", "Animation", "G", "1:20:00");
    MainWindow window;
    BrowseByDetails& panel = *window.getBrowseByDetailsWindow();
    BrowseByDetailsTestAccess access(panel);
    EXPECT_EQ(panel.getLabel(), "Browse By\nDetails");
    window.Materialize(kAppNormal);
    EXPECT_EQ(access.list().getItemCount(), 0);

    // The second column shows the table.
    window.setFocusOnColumn();
    EXPECT_TRUE(PallixWindowManager::Get().DeliverKeyDown(RemoteKeys::DOWN));
    EXPECT_TRUE(panel.IsVisible());
    LoopList& list = access.list();
    EXPECT_EQ(listItems(list), (std::vector<std::string>{"Harbour Lights\tDrama\tPG\t1:35:00",
                                                     "The Copper Key\tCrime\t\t-1",
                                                     "Paper Planets\tAnimation\tG\t1:20:00"}));
    EXPECT_EQ(list.getSelectedIndex(), 0);
    EXPECT_EQ(list.getItemData(0), pFirst);
    EXPECT_EQ(list.GetRectAbsolute(), PallixRect(160, 50, 1120, 670));
    EXPECT_TRUE(paintsFrame(panel, "3 Items"));

    // Right hands the keys to the table, Left back to the menu; Back does nothing.
    EXPECT_TRUE(PallixWindowManager::Get().DeliverKeyDown(0x1000F));
    EXPECT_EQ(PallixWindow::GetFocusWindow(), &list);
    EXPECT_TRUE(PallixWindowManager::Get().DeliverKeyDown(RemoteKeys::BACK));
    EXPECT_EQ(PallixWindow::GetFocusWindow(), &list);
    EXPECT_TRUE(PallixWindowManager::Get().DeliverKeyDown(RemoteKeys::LEFT));
    EXPECT_EQ(PallixWindow::GetFocusWindow(), &window);
    window.Vanish();
}

TEST_F(BrowseByDetailsTest, AnEmptyStoreShowsNoLinesAndChoosingDoesNothing)
{
    QuorvaApp app;
    MainWindow window;
    BrowseByDetails& panel = *window.getBrowseByDetailsWindow();
    BrowseByDetailsTestAccess access(panel);
    window.Materialize(kAppNormal);
    window.showRightPanel(&panel, true, true);
    EXPECT_EQ(access.list().getItemCount(), 0);
    EXPECT_EQ(access.list().getSelectedIndex(), -1);
    EXPECT_TRUE(paintsFrame(panel, "0 Items"));
    panel.onItemChosen(-1, RemoteKeys::SELECT);
    panel.onItemChosen(0, 0x10018);
    EXPECT_FALSE(PlayerWindow::getInstance()->IsMaterialized());
    EXPECT_TRUE(window.IsMaterialized());
    window.Vanish();
}
