#include "BrowseByWindow.h"
#include "BrowseByWindowTestAccess.h"
#include "DrawingUtils.h"
#include "Fonts.h"
#include "ImageFactoryTestAccess.h"
#include "MainWindow.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "PallixBitmap.h"
#include "PallixWindowManager.h"
#include "PixelProbe.h"
#include "QuorvaApp.h"
#include "RemoteKeys.h"
#include "TestEntry.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{
void addTitle(MediaStore& store, const char* title, const char* genre)
{
    store.addMediaEntry(newTestEntry(title, genre));
}

// The panel's frame, drawn the way the panel must draw it; text drawn inside the
// frame, in the area given, is left out of the comparison.
bool paintsFrame(BrowseByWindow& panel, const char* subtitle, const PallixRect& inside = PallixRect())
{
    PallixBitmap actual;
    actual.Create(1280, 720);
    actual.FillRect(actual.GetRect(), PallixColor(0, 0, 0, 0));
    panel.OnPaint(actual);
    if (!inside.IsEmpty() && PixelProbe::count(actual, inside, PixelProbe::isWhite) == 0)
        return false;
    actual.FillRect(inside, PallixColor(0, 0, 0, 0));
    PallixBitmap expected;
    expected.Create(1280, 720);
    expected.FillRect(expected.GetRect(), PallixColor(0, 0, 0, 0));
    DrawingUtils::drawFrame(expected, PallixRect(140, 0, 1140, 720), "Browse By Genre", subtitle);
    expected.FillRect(inside, PallixColor(0, 0, 0, 0));
    return PixelProbe::same(actual, expected) &&
           PixelProbe::count(actual, PallixRect(140, 0, 1140, 60), PixelProbe::isBlueText) > 0;
}

class Corral
{
public:
    explicit Corral(ImageFactoryTestAccess& cache)
    {
        cache.add("/usr/local/zembu/graphics/common/corral-top.png", 1000, 50, PallixColor(30, 30, 30, 255));
        cache.add("/usr/local/zembu/graphics/common/corral-edge.png", 8, 40, PallixColor(90, 90, 90, 255));
        cache.add("/usr/local/zembu/graphics/common/corral-bottom.png", 1000, 20, PallixColor(60, 60, 60, 255));
    }
};
} // namespace

TEST(BrowseByWindow, ListsTheGenresThenAllWithAllSelected)
{
    ImageFactoryTestAccess cache;
    Corral corral(cache);
    QuorvaApp app;
    addTitle(*app.getMediaCache(), "Harbour Lights", "Drama, Comedy");
    addTitle(*app.getMediaCache(), "The Copper Key", "Action");
    app.getMediaCache()->updateGenreList();
    MainWindow window;
    BrowseByWindow& panel = *window.getBrowseByWindow();
    BrowseByWindowTestAccess access(panel);
    EXPECT_EQ(panel.getLabel(), "Browse By\nGenre");
    // Nothing is read before the panel is on screen.
    EXPECT_EQ(access.list().getItemCount(), 0);

    window.Materialize(kAppNormal);
    LoopList& list = access.list();
    EXPECT_EQ(listItems(list), (std::vector<std::string>{"Action", "Comedy", "Drama", "All"}));
    EXPECT_EQ(list.getSelectedIndex(), 3);
    EXPECT_EQ(list.getItemData(0), reinterpret_cast<void*>(0));
    EXPECT_EQ(list.getItemData(2), reinterpret_cast<void*>(2));
    EXPECT_EQ(list.getItemData(3), reinterpret_cast<void*>(-1));
    // Centred in the panel, 400 wide, between the frame's top and bottom pieces.
    EXPECT_EQ(list.GetRectRelative(), PallixRect(370, 50, 400, 650));
    EXPECT_TRUE(paintsFrame(panel, "4 Genres"));

    PallixString genre;
    EXPECT_TRUE(access.findGenre(3, genre));
    EXPECT_EQ(genre, "All");
    EXPECT_TRUE(access.findGenre(1, genre));
    EXPECT_EQ(genre, "Comedy");
    EXPECT_FALSE(access.findGenre(-1, genre));
    EXPECT_FALSE(access.findGenre(4, genre));

    // The genres are read once: a genre the store gains later is not listed.
    addTitle(*app.getMediaCache(), "Paper Planets", "Animation");
    app.getMediaCache()->updateGenreList();
    window.Vanish();
    window.Materialize(kAppNormal);
    EXPECT_EQ(list.getItemCount(), 4);
    window.Vanish();
}

TEST(BrowseByWindow, AnEmptyLibraryShowsOneLineThatLeadsNowhere)
{
    ImageFactoryTestAccess cache;
    Corral corral(cache);
    QuorvaApp app;
    MainWindow window;
    BrowseByWindowTestAccess access(*window.getBrowseByWindow());
    window.Materialize(kAppNormal);

    LoopList& list = access.list();
    EXPECT_EQ(listItems(list), std::vector<std::string>{"Your database file appears to not be valid."});
    EXPECT_EQ(list.getSelectedIndex(), 0);
    // The line is read whole: the list is wider than the line is long, and the
    // panel says which file was read.
    EXPECT_GT(list.GetRectAbsolute().w, Fonts::SYSTEM_38.GetTextExtent(list.getItemText(0)).w + 20);
    app.getMediaCache()->setDatabasePath("/films/./movies.html");
    EXPECT_EQ(access.emptyLibraryText().rfind("No titles were read from /films/movies.html. ", 0), 0u);
    EXPECT_EQ(list.getItemData(0), reinterpret_cast<void*>(-2));
    PallixString genre;
    EXPECT_FALSE(access.findGenre(0, genre));
    // Under the line, in white, what was read.
    EXPECT_TRUE(paintsFrame(*window.getBrowseByWindow(), "1 Genres", PallixRect(200, 420, 1020, 150)));

    // Choosing it changes nothing: the list keeps the focus and its line.
    EXPECT_TRUE(PallixWindowManager::Get().DeliverKeyDown(RemoteKeys::SELECT));
    EXPECT_EQ(PallixWindow::GetFocusWindow(), &list);
    EXPECT_EQ(list.getSelectedIndex(), 0);
    window.Vanish();
}

TEST(BrowseByWindow, LeftReturnsToTheColumnMenuAndBackIsIgnored)
{
    ImageFactoryTestAccess cache;
    QuorvaApp app;
    addTitle(*app.getMediaCache(), "Harbour Lights", "Drama");
    app.getMediaCache()->updateGenreList();
    MainWindow window;
    BrowseByWindowTestAccess access(*window.getBrowseByWindow());
    window.Materialize(kAppNormal);
    LoopList& list = access.list();
    ASSERT_EQ(PallixWindow::GetFocusWindow(), &list);

    EXPECT_TRUE(PallixWindowManager::Get().DeliverKeyDown(RemoteKeys::BACK));
    EXPECT_EQ(PallixWindow::GetFocusWindow(), &list);
    EXPECT_EQ(list.getSelectedIndex(), 1);

    EXPECT_TRUE(PallixWindowManager::Get().DeliverKeyDown(RemoteKeys::LEFT));
    EXPECT_EQ(PallixWindow::GetFocusWindow(), &window);
    // Focusing the panel hands the keys to its list.
    window.getBrowseByWindow()->SetFocus(true);
    EXPECT_EQ(PallixWindow::GetFocusWindow(), &list);
    window.Vanish();
}

TEST(BrowseByWindow, RowsStayAboveTheFramesBottomPieceThroughTheWindowsClipping)
{
    ImageFactoryTestAccess cache;
    Corral corral(cache);
    QuorvaApp app;
    // The highlight bar at the size the application's own has, which places the rows.
    for (const char* name : {"listSelect_left.png", "listSelect_right.png", "listSelect_nofocus_left.png",
                             "listSelect_nofocus_right.png"})
        cache.add(name, 28, 56, PallixColor(40, 200, 210, 255));
    for (const char* name : {"listSelect_middle.png", "listSelect_nofocus_middle.png"})
        cache.add(name, 8, 56, PallixColor(40, 200, 210, 255));
    // More genres than the list can show, so that rows run to its bottom.
    for (int i = 0; i < 30; ++i)
        addTitle(*app.getMediaCache(), ("Title " + std::to_string(i)).c_str(),
                 ("Genre" + std::to_string(100 + i)).c_str());
    app.getMediaCache()->updateGenreList();
    MainWindow window;
    window.Materialize(kAppNormal);
    PallixBitmap plane;
    plane.Create(1280, 720);
    PallixWindowManager::Get().Paint(plane);
    // Rows are drawn white; the bottom piece (the last 20 rows) holds none of them,
    // while the rows just above it do.
    EXPECT_EQ(PixelProbe::count(plane, PallixRect(510, 700, 400, 20), PixelProbe::isWhite), 0);
    EXPECT_GT(PixelProbe::count(plane, PallixRect(510, 400, 400, 300), PixelProbe::isWhite), 0);
    window.Vanish();
}
