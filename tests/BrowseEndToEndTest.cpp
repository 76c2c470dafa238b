#include "MediaMaker.h"
#include "PallixBitmap.h"
#include "PixelProbe.h"
#include "QuorvaDatFile.h"
#include "QuorvaProcess.h"
#include "TestLibrary.h"
#include "TestRecord.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace
{
const PallixColor COVER_FILM(200, 40, 40, 255);
const PallixColor COVER_SERIES(40, 40, 200, 255);
const PallixColor LARGE_FILM(230, 120, 0, 255);
const PallixColor LARGE_SERIES(0, 160, 120, 255);
// The centres of the first two grid cells, and of a large cover on the info and series pages.
const int CELL_Y = 90 + 101;
const int CELL0_X = 140 + 35 + 73;
const int CELL1_X = CELL0_X + 166;
const int LARGE_X = 140 + 25 + 150;
const int LARGE_Y = 385;
// The clock may turn a minute between two pictures.
const PallixRect CLOCK(10, 670, 125, 50);
const PallixRect SCREEN(0, 0, 1280, 720);


void writePicture(const std::string& path, uint32_t w, uint32_t h, const PallixColor& color)
{
    PallixBitmap picture;
    picture.Create(w, h);
    picture.FillRect(picture.GetRect(), color);
    ASSERT_TRUE(picture.SavePNG(path.c_str()));
}

// A film with covers, a saved position and a feature item, a series of two
// episodes, and the film's trailer in a genre of its own.
class Jukebox
{
public:
    Jukebox()
    {
        std::string movies = mDir.file("movies");
        MediaMaker::Movie clip;
        clip.seconds = 3;
        clip.size = "160x120";
        for (const char* file : {"Harbour Lights/film.mpg", "Tide/EP1.mpg", "Tide/EP2.mpg", "Trailer/trailer.mpg"})
        {
            std::filesystem::create_directories(std::filesystem::path(movies + "/" + file).parent_path());
            MediaMaker::make(movies + "/" + file, clip);
        }
        writePicture(movies + "/Harbour Lights/folder.png", 146, 203, COVER_FILM);
        writePicture(movies + "/Harbour Lights/folderLarge.png", 300, 420, LARGE_FILM);
        writePicture(movies + "/Tide/folder.png", 146, 203, COVER_SERIES);
        writePicture(movies + "/Tide/folderLarge.png", 300, 420, LARGE_SERIES);
        QuorvaDatFile stats((movies + "/Harbour Lights/film.mpg").c_str());
        stats.setLastPosition(40000);
        stats.write();

        const TestDatabase database{
            TestRecord().title("Harbour Lights").genre("Drama").duration("0:00:03").originalTitle("Harbour Lights")
                .field("Actors", "Tom Avery").description("A lighthouse keeper and a ferry captain trade letters.")
                .field("FeatureItem", "Trailer,Harbour Lights Trailer").path(movies + "/Harbour Lights")
                .filename("film.mpg"),
            TestRecord().title("Tide").genre("Drama").duration("0:00:03").originalTitle("Tide").path(movies + "/Tide"),
            TestRecord().title("Harbour Lights Trailer").genre("Extras").originalTitle("Harbour Lights Trailer")
                .path(movies + "/Trailer").filename("trailer.mpg")};
        mpLibrary = std::make_unique<TestLibrary>(mDir, database.text());
        EXPECT_TRUE(app().waitForLine("Full path to db file: " + mDir.path() + "/movies.html"));
    }

    QuorvaProcess& app() { return mpLibrary->process(); }
    std::string movie(const std::string& file) { return mDir.file("movies/" + file); }

    std::unique_ptr<PallixBitmap> press(const char* key)
    {
        mpLibrary->press(key);
        return screenshot();
    }

    std::unique_ptr<PallixBitmap> screenshot() { return mpLibrary->screenshot(); }

    // Genres Drama, Extras, All: Down wraps from All to Drama, whose grid loads a cover per tick.
    std::unique_ptr<PallixBitmap> openDrama()
    {
        press("Down");
        press("Select");
        EXPECT_TRUE(app().waitForLine(".."));
        return screenshot();
    }

    void exit()
    {
        EXPECT_EQ(app().command("press Exit"), "OK");
        EXPECT_EQ(app().waitExit(), 0);
    }

private:
    TempDir mDir;
    std::unique_ptr<TestLibrary> mpLibrary;
};
} // namespace

TEST(BrowseEndToEnd, GenreGridInfoPlayAndBackToTheGrid)
{
    Jukebox jukebox;
    auto pGrid = jukebox.openDrama();
    EXPECT_EQ(pGrid->GetPixel(CELL0_X, CELL_Y), COVER_FILM);
    EXPECT_EQ(pGrid->GetPixel(CELL1_X, CELL_Y), COVER_SERIES);

    // The film's page: its large cover, and "Resume" first since it was watched before.
    auto pInfo = jukebox.press("Select");
    EXPECT_EQ(pInfo->GetPixel(LARGE_X, LARGE_Y), LARGE_FILM);

    // Resume plays from the saved position without asking; Exit comes back to the page.
    auto pPlaying = jukebox.press("Select");
    EXPECT_NE(pPlaying->GetPixel(LARGE_X, LARGE_Y), LARGE_FILM);
    EXPECT_NE(pPlaying->GetPixel(CELL0_X, 50), pInfo->GetPixel(CELL0_X, 50));
    // Left in its first seconds, it has no spot to resume from any more: the page says so.
    auto pAfter = jukebox.press("Exit");
    EXPECT_EQ(pAfter->GetPixel(LARGE_X, LARGE_Y), LARGE_FILM);
    EXPECT_FALSE(PixelProbe::sameIn(*pAfter, *pInfo, SCREEN, {CLOCK}));
    EXPECT_GT(QuorvaDatFile(jukebox.movie("Harbour Lights/film.mpg").c_str()).getLastViewedTime(), 0);

    // Back leaves the page, giving its picture back, and shows the grid as it was.
    auto pBack = jukebox.press("Back");
    EXPECT_TRUE(jukebox.app().waitForLine("Removing bitmap"));
    EXPECT_EQ(jukebox.app().nextLine(), "Back from remove");
    EXPECT_TRUE(PixelProbe::sameIn(*pBack, *pGrid, SCREEN, {CLOCK}));
    jukebox.exit();
}

TEST(BrowseEndToEnd, GenreGridSeriesEpisodesKeepStatsOfTheirOwn)
{
    Jukebox jukebox;
    jukebox.openDrama();
    auto pGrid = jukebox.press("Right");
    auto pSeries = jukebox.press("Select");
    EXPECT_EQ(pSeries->GetPixel(LARGE_X, LARGE_Y), LARGE_SERIES);

    // The first episode plays and records its own stats file; the second has none yet.
    EXPECT_EQ(jukebox.press("Select")->GetPixel(LARGE_X, LARGE_Y) == LARGE_SERIES, false);
    auto pAfter = jukebox.press("Exit");
    EXPECT_TRUE(PixelProbe::sameIn(*pAfter, *pSeries, SCREEN, {CLOCK}));
    EXPECT_TRUE(std::filesystem::exists(jukebox.movie("Tide/EP1.mpg.quorva")));
    EXPECT_FALSE(std::filesystem::exists(jukebox.movie("Tide/EP2.mpg.quorva")));

    jukebox.press("Down");
    jukebox.press("Select");
    jukebox.press("Exit");
    EXPECT_TRUE(std::filesystem::exists(jukebox.movie("Tide/EP2.mpg.quorva")));

    // Back returns to the grid with the series still selected.
    EXPECT_TRUE(PixelProbe::sameIn(*jukebox.press("Back"), *pGrid, SCREEN, {CLOCK}));
    jukebox.exit();
}

TEST(BrowseEndToEnd, APageOpenedFromTheTableReturnsThereAndOffersResumeAfterPlaying)
{
    TempDir dir;
    // Long enough that three quarters in, the film is still playing when Exit
    // comes, however slowly a loaded machine takes the screenshots between keys.
    MediaMaker::Movie movie = MediaMaker::paddedTransport(24);
    movie.size = "160x120";
    std::filesystem::create_directories(dir.file("movies/Film"));
    // No running time anywhere, so that Next goes by quarters of the file.
    ASSERT_TRUE(MediaMaker::makeUntimed(dir.file("movies/Film/film.ts"), movie));
    TestLibrary library(
        dir, TestDatabase({TestRecord().named("Film").genre("Drama").path("movies/Film").filename("film.ts")}, true).text());
    QuorvaProcess& app = library.process();
    auto press = [&](const char* key)
    {
        library.press(key);
        return library.screenshot();
    };

    // The table of every title, then the film's page; Back returns to the table.
    press("Left");
    press("Down");
    auto pTable = press("Right");
    auto pPage = press("Select");
    EXPECT_FALSE(PixelProbe::sameIn(*pPage, *pTable, SCREEN, {CLOCK}));
    EXPECT_TRUE(PixelProbe::sameIn(*press("Back"), *pTable, SCREEN, {CLOCK}));

    // Played three quarters in and left: back on the page, "Resume" is offered at
    // once, as when the page is opened anew.
    press("Select");
    press("Select");
    for (int i = 0; i < 3; ++i)
        press("Next");
    auto pReturned = press("Exit");
    ASSERT_GT(QuorvaDatFile(dir.file("movies/Film/film.ts").c_str()).getLastPosition(), 0u);
    press("Back");
    auto pReopened = press("Select");
    EXPECT_FALSE(PixelProbe::sameIn(*pReopened, *pPage, SCREEN, {CLOCK}));
    EXPECT_TRUE(PixelProbe::sameIn(*pReturned, *pReopened, SCREEN, {CLOCK}));
    EXPECT_EQ(app.command("quorvaApp exit"), "OK");
    EXPECT_EQ(app.waitExit(), 0);
}
