#include "ClientProperties.h"
#include "ImageFactoryTestAccess.h"
#include "InfoWindow.h"
#include "LibrarySettings.h"
#include "LoopList.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "PallixBitmap.h"
#include "QuorvaApp.h"
#include "QuorvaDatFile.h"
#include "RemoteKeys.h"
#include "TestEntry.h"
#include "TestRecord.h"
#include "TestSupport.h"
#include "WatchedMarkFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

class InfoWindowTestAccess
{
public:
    explicit InfoWindowTestAccess(InfoWindow& panel) : mPanel(panel) {}
    LoopList& list() { return mPanel.mList; }
    MediaEntry* entry() { return mPanel.mpEntry; }
    MediaEntry* handed() { return mPanel.mpHandedEntry.get(); }

    std::vector<std::string> items() { return listItems(list()); }

private:
    InfoWindow& mPanel;
};

namespace
{
class Shelf
{
public:
    explicit Shelf(const char* settings)
    {
        mDir.write("client.properties", settings);
        captureOutput([&] { ClientProperties::parse(mDir.file("client.properties").c_str()); });
        mCache.add("topbar.png", 1140, 90, PallixColor(20, 20, 20, 255));
    }

    MediaEntry* add(const char* title, const char* description = "")
    {
        MediaEntry* pEntry = newTestEntry(title, "", mDir.file(title), "movie.mpg");
        pEntry->setDescription(description);
        mDir.write(std::string(title) + "/movie.mpg", "");
        mApp.getMediaCache()->addMediaEntry(pEntry);
        return pEntry;
    }

    std::string dir(const char* title) { return mDir.file(title); }

    LibrarySettings mSettings;
    TempDir mDir;
    ImageFactoryTestAccess mCache;
    QuorvaApp mApp;
};

const char* const EXTERNAL_PLAYER = "use.mplay=true\nmplay.path=/bin/true\nmplay.args=-q\n";
} // namespace

TEST(InfoWindow, OffersResumeOnlyForASavedPositionThenPlayThenTheFeatureItems)
{
    Shelf shelf(EXTERNAL_PLAYER);
    MediaEntry* pFilm = shelf.add("Harbour Lights");
    MediaEntry* pTrailer = shelf.add("Harbour Lights Trailer");
    pFilm->addFeatureItem("Trailer,Harbour Lights Trailer");
    pFilm->addFeatureItem("Making of,Nowhere To Be Found");
    pFilm->addFeatureItem("Teaser,Harbour Lights Trailer");
    InfoWindow panel;
    InfoWindowTestAccess access(panel);

    panel.setMediaEntry(pFilm);
    EXPECT_EQ(access.items(),
              (std::vector<std::string>{"Play", "Mark as watched", "Trailer", "Making of", "Teaser"}));
    EXPECT_EQ(access.list().getSelectedIndex(), 0);
    EXPECT_EQ(access.list().getItemData(2), pTrailer);
    EXPECT_EQ(access.list().getItemData(3), nullptr);

    // The mark goes in a file of its own beside the stats file, and the choice turns round.
    panel.onItemChosen(1, RemoteKeys::SELECT);
    EXPECT_NE(WatchedMarkFile::read(pFilm->getFullPathToPlayFile()), 0);
    EXPECT_FALSE(std::filesystem::exists(pFilm->getFullPathToPlayFile().str() + ".quorva"));
    EXPECT_EQ(access.items()[1], "Mark as unwatched");
    EXPECT_EQ(access.list().getSelectedIndex(), 1);
    panel.onItemChosen(1, RemoteKeys::SELECT);
    EXPECT_EQ(WatchedMarkFile::read(pFilm->getFullPathToPlayFile()), 0);
    EXPECT_EQ(access.items()[1], "Mark as watched");

    // A position past 4 GiB counts as saved.
    QuorvaDatFile stats(pFilm->getFullPathToPlayFile());
    stats.setLastPosition(0x100000000ULL);
    stats.write();
    panel.reset();
    EXPECT_EQ(access.list().getItemCount(), 0);
    panel.setMediaEntry(pFilm);
    EXPECT_EQ(access.items(),
              (std::vector<std::string>{"Resume", "Play", "Mark as watched", "Trailer", "Making of", "Teaser"}));
    EXPECT_EQ(access.list().getSelectedIndex(), 0);

    // Resume and Play play the title, a feature item its own title; one not in the store does nothing.
    std::string film = "MPlay cmd: /bin/true -q \"" + shelf.dir("Harbour Lights") + "/movie.mpg\"\n";
    EXPECT_EQ(captureOutput([&] { panel.onItemChosen(0, RemoteKeys::PLAY); }), film);
    EXPECT_EQ(captureOutput([&] { panel.onItemChosen(1, RemoteKeys::PLAY); }), film);
    EXPECT_EQ(captureOutput([&] { panel.onItemChosen(3, RemoteKeys::PLAY); }),
              "MPlay cmd: /bin/true -q \"" + shelf.dir("Harbour Lights Trailer") + "/movie.mpg\"\n");
    EXPECT_EQ(captureOutput([&] { panel.onItemChosen(4, RemoteKeys::PLAY); }), "");
    EXPECT_EQ(captureOutput([&] { panel.onItemChosen(-1, RemoteKeys::PLAY); }), "");
}

TEST(InfoWindow, OnDemandReadsTheDetailFileAndKeepsWhatThePlayerWasGiven)
{
    Shelf shelf((std::string(EXTERNAL_PLAYER) + "ondemand.parsing=true\n").c_str());
    MediaEntry* pFilm = shelf.add("Harbour Lights", "From the index");
    MediaEntry* pOther = shelf.add("Paper Planets", "Only in the index");
    shelf.add("Harbour Lights Trailer");
    TestDatabase{TestRecord().title("Harbour Lights").path(shelf.dir("Harbour Lights")).filename("movie.mpg")
                     .description("Letters across one long winter.").field("Actors", "Tom Avery, Lena Ruiz")
                     .field("FeatureItem", "Trailer,Harbour Lights Trailer")}
        .write(shelf.mDir, "Harbour Lights/movie.mpg.info");
    InfoWindow panel;
    InfoWindowTestAccess access(panel);

    panel.setMediaEntry(pFilm);
    MediaEntry* pDetail = access.entry();
    ASSERT_NE(pDetail, pFilm);
    EXPECT_EQ(pDetail->getDescription(), "Letters across one long winter.");
    EXPECT_EQ(pDetail->getActors(), "Tom Avery, Lena Ruiz");
    EXPECT_EQ(access.items(), (std::vector<std::string>{"Play", "Mark as watched", "Trailer"}));

    // Without a detail file the store's own entry is shown, and forgetting it frees nothing.
    panel.reset();
    EXPECT_EQ(access.entry(), nullptr);
    panel.setMediaEntry(pOther);
    EXPECT_EQ(access.entry(), pOther);
    panel.reset();
    EXPECT_EQ(pOther->getDescription(), "Only in the index");

    // A record handed to the player outlives the panel's interest in it, until the next one is handed out.
    panel.setMediaEntry(pFilm);
    MediaEntry* pPlayed = access.entry();
    captureOutput([&] { panel.onItemChosen(0, RemoteKeys::PLAY); });
    panel.reset();
    ASSERT_EQ(access.handed(), pPlayed);
    EXPECT_EQ(pPlayed->getActors(), "Tom Avery, Lena Ruiz");
    panel.setMediaEntry(pFilm);
    EXPECT_EQ(access.handed(), pPlayed);
    captureOutput([&] { panel.onItemChosen(0, RemoteKeys::PLAY); });
    panel.setMediaEntry(pOther);
    EXPECT_NE(access.handed(), nullptr);
    EXPECT_NE(access.handed(), pPlayed);
}

TEST(InfoWindow, PlacesTheTextRightOfThePictureAndGivesThePictureBackWhenHidden)
{
    Shelf shelf("");
    MediaEntry* pFilm = shelf.add("Harbour Lights");
    MediaEntry* pBare = shelf.add("Paper Planets");
    PallixBitmap large;
    large.Create(300, 420);
    large.FillRect(large.GetRect(), PallixColor(0, 90, 0, 255));
    ASSERT_TRUE(large.SavePNG(shelf.mDir.file("large.png").c_str()));
    pFilm->setLargeImagePath(shelf.mDir.file("large.png").c_str());

    InfoWindow panel;
    InfoWindowTestAccess access(panel);
    panel.SetRectAbsolute(PallixRect(140, 0, 1140, 720));
    PallixBitmap screen;
    screen.Create(1280, 720);

    panel.setMediaEntry(pFilm);
    panel.OnPaint(screen);
    EXPECT_EQ(access.list().GetRectAbsolute(), PallixRect(140 + 25 + 310, 720 - 250, 1140 - 25 - 310 - 10, 250));
    // Centred in the band below the header: (720 - 50) / 2 - 420 / 2 + 50.
    EXPECT_EQ(screen.GetPixel(165, 175), PallixColor(0, 90, 0, 255));
    EXPECT_EQ(screen.GetPixel(165, 174).GetGreen(), 0);
    EXPECT_EQ(captureOutput([&] { panel.Vanish(); }), "Removing bitmap\nBack from remove\n");
    EXPECT_EQ(captureOutput([&] { panel.Vanish(); }), "");

    panel.reset();
    panel.setMediaEntry(pBare);
    panel.OnPaint(screen);
    EXPECT_EQ(access.list().GetRectAbsolute(), PallixRect(165, 470, 1140 - 25 - 10, 250));
    EXPECT_EQ(captureOutput([&] { panel.Vanish(); }), "");
}
