#include "ClientProperties.h"
#include "ImageFactoryTestAccess.h"
#include "LibrarySettings.h"
#include "LoopList.h"
#include "MediaEntry.h"
#include "PallixBitmap.h"
#include "RemoteKeys.h"
#include "SeriesWindow.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class SeriesWindowTestAccess
{
public:
    explicit SeriesWindowTestAccess(SeriesWindow& panel) : mPanel(panel) {}
    LoopList& list() { return mPanel.mList; }

    std::vector<std::string> items() { return listItems(list()); }

private:
    SeriesWindow& mPanel;
};

TEST(SeriesWindow, ListsTheFolderMovieFilesInListingOrderAndPlaysTheChosenOne)
{
    LibrarySettings settings;
    TempDir dir;
    dir.write("client.properties", "use.mplay=true\nmplay.path=/bin/true\nmplay.args=-q\n");
    captureOutput([&] { ClientProperties::parse(dir.file("client.properties").c_str()); });
    for (const char* name : {"EP2.mpg", "EP1.mpg", "extra.avi", "extra.mpeg", "odd.Mpg", "D.VOB", "E.MPG", "notes.txt",
                             "EP3.MKV", "cover.jpg"})
        dir.write(std::string("Show/") + name, "");
    MediaEntry show;
    show.setPath(dir.file("Show").c_str());
    SeriesWindow panel;
    SeriesWindowTestAccess access(panel);

    panel.setMediaEntry(&show);
    // Every container the player opens, in any letter case.
    EXPECT_EQ(access.items(), (std::vector<std::string>{"D.VOB", "E.MPG", "EP1.mpg", "EP2.mpg", "EP3.MKV", "extra.avi",
                                                        "extra.mpeg", "odd.Mpg"}));
    EXPECT_EQ(access.list().getSelectedIndex(), 0);
    EXPECT_EQ(captureOutput([&] { panel.onItemChosen(3, RemoteKeys::PLAY); }),
              "MPlay cmd: /bin/true -q \"" + dir.file("Show") + "/EP2.mpg\"\n");

    // reset empties the list; a folder without movie files leaves nothing to choose.
    panel.reset();
    EXPECT_EQ(access.list().getItemCount(), 0);
    MediaEntry empty;
    empty.setPath(dir.file("Nothing Here").c_str());
    panel.setMediaEntry(&empty);
    EXPECT_EQ(access.list().getItemCount(), 0);
    EXPECT_EQ(captureOutput([&] { panel.onItemChosen(0, RemoteKeys::PLAY); }), "");
}

TEST(SeriesWindow, PutsTheListRightOfThePictureOrAt270WithoutOne)
{
    ImageFactoryTestAccess cache;
    cache.add("topbar.png", 1140, 90, PallixColor(20, 20, 20, 255));
    TempDir dir;
    PallixBitmap large;
    large.Create(300, 420);
    ASSERT_TRUE(large.SavePNG(dir.file("large.png").c_str()));
    MediaEntry show;
    show.setPath(dir.path().c_str());
    show.setLargeImagePath(dir.file("large.png").c_str());
    MediaEntry bare;
    bare.setPath(dir.path().c_str());

    SeriesWindow panel;
    SeriesWindowTestAccess access(panel);
    panel.SetRectAbsolute(PallixRect(140, 0, 1140, 720));
    PallixBitmap screen;
    screen.Create(1280, 720);
    panel.setMediaEntry(&show);
    panel.OnPaint(screen);
    EXPECT_EQ(access.list().GetRectAbsolute(), PallixRect(140 + 300 + 35, 50, 1280 - 475, 670));
    panel.setMediaEntry(&bare);
    panel.OnPaint(screen);
    EXPECT_EQ(access.list().GetRectAbsolute(), PallixRect(270, 50, 1280 - 270, 670));
}
