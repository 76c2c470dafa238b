#include "ContinueWatching.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "QuorvaDatFile.h"
#include "TestEntry.h"
#include "TestSupport.h"
#include "ViewingHistory.h"
#include "WatchedMarkFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace
{
// A library of titles whose movie files are plain bytes: only their sizes and
// the stats files beside them count here.
class Shelf
{
public:
    Shelf() { mHistory.setStore(&mStore); }

    MediaEntry* add(const std::string& title, const std::string& folder, const std::string& file,
                    const char* genre = "Drama")
    {
        MediaEntry* pEntry = newTestEntry(title, genre, mDir.file(folder), file);
        mStore.addMediaEntry(pEntry);
        return pEntry;
    }
    void movie(const std::string& path) { mDir.write(path, std::string(1000, 'x')); }
    void played(const std::string& path, uint64_t position, time_t viewed, bool bWatched = false)
    {
        QuorvaDatFile stats(mDir.file(path).c_str());
        stats.setLastPosition(position);
        stats.setLastViewedTime(viewed);
        ASSERT_TRUE(stats.write());
        PallixString error;
        if (bWatched)
        {
            ASSERT_TRUE(WatchedMarkFile::write(mDir.file(path).c_str(), viewed, error));
        }
    }
    std::vector<std::string> items()
    {
        std::vector<std::string> names;
        for (const ContinueWatching::Item& item : ContinueWatching::collect(mHistory))
        {
            std::string name = item.pEntry->getTitle().str();
            if (!item.file.IsEmpty())
                name += "/" + item.file.str();
            names.push_back(name + (item.bNextEpisode ? " next" : ""));
        }
        return names;
    }

    TempDir mDir;
    MediaStore mStore;
    ViewingHistory mHistory;
};
} // namespace

TEST(ContinueWatching, PartPlayedTitlesAndNextEpisodesMostRecentFirstAsTheFilesSay)
{
    Shelf shelf;
    MediaEntry* pFilm = shelf.add("Harbour Lights", "Harbour", "film.mpg");
    shelf.add("Watched Film", "Watched", "film.mpg");
    // A series as the scanner makes it: a record without a file, naming episode
    // records that lie in its own folder.
    MediaEntry* pSeries = shelf.add("Tide", "Tide", "");
    for (const char* episode : {"1x01", "1x02", "1x03"})
    {
        shelf.add(std::string("Tide \xE2\x80\x93 ") + episode, "Tide", std::string(episode) + ".mpg", "Episodes");
        pSeries->addFeatureItem((std::string(episode) + ",Tide \xE2\x80\x93 " + episode).c_str());
        shelf.movie(std::string("Tide/") + episode + ".mpg");
    }
    // A title that is only a folder of files.
    shelf.add("Lantern Street", "Lantern", "");
    for (const char* file : {"Lantern/ep1.mpg", "Lantern/ep2.mpg", "Harbour/film.mpg", "Watched/film.mpg"})
        shelf.movie(file);

    shelf.played("Harbour/film.mpg", 500, 100);
    shelf.played("Watched/film.mpg", 300, 300, true);
    shelf.played("Tide/1x01.mpg", 0, 200, true);
    shelf.played("Lantern/ep1.mpg", 0, 400, true);
    shelf.mHistory.refreshNow();
    EXPECT_EQ(shelf.items(), (std::vector<std::string>{"Lantern Street/ep2.mpg next",
                                                       "Tide \xE2\x80\x93 1x02 next", "Harbour Lights"}));
    const ViewingState* pState = shelf.mHistory.find(pFilm, PallixString());
    ASSERT_NE(pState, nullptr);
    EXPECT_DOUBLE_EQ(pState->getFraction(), 0.5);

    // Another box plays on: the next episode begun is listed as it stands, and a
    // title whose stats file went is gone.
    shelf.played("Tide/1x02.mpg", 250, 500);
    std::filesystem::remove(shelf.mDir.file("Harbour/film.mpg.quorva"));
    shelf.mHistory.refreshNow();
    EXPECT_EQ(shelf.items(), (std::vector<std::string>{"Tide \xE2\x80\x93 1x02", "Lantern Street/ep2.mpg next"}));

    // The last episode watched leaves nothing to go on with; marked unwatched, the first of a folder is back.
    shelf.played("Tide/1x02.mpg", 0, 600, true);
    shelf.played("Tide/1x03.mpg", 0, 700, true);
    ASSERT_TRUE(shelf.mHistory.setWatched(shelf.mStore.getEntryForTitle("Lantern Street"), "ep1.mpg", false));
    shelf.played("Lantern/ep1.mpg", 900, 800);
    shelf.mHistory.refreshNow();
    EXPECT_EQ(shelf.items(), (std::vector<std::string>{"Lantern Street/ep1.mpg"}));
}
