// What to watch next, through the real binary: Continue Watching after part of
// a title, a watched mark after a natural end, the next episode after its
// count-down (and not after Exit), Recently Added after a merge, typed search,
// and two boxes on one shared film folder.

#include "MediaMaker.h"
#include "PallixBitmap.h"
#include "PixelProbe.h"
#include "QuorvaDatFile.h"
#include "QuorvaProcess.h"
#include "ScanProcess.h"
#include "TestLibrary.h"
#include "TestRecord.h"
#include "TestSupport.h"
#include "WatchedMarkFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

namespace
{
using Clock = std::chrono::steady_clock;

const PallixColor RED(200, 40, 40, 255);
const PallixColor BLUE(40, 60, 200, 255);
const PallixColor GREEN(40, 170, 60, 255);
// A cover grid's first cell, below the details band: its centre, the progress
// bar just below it, and the watched badge in its top-right corner.
const int CELL_X = 140 + 35 + 73;
const int CELL_Y = 90 + 101;
const int BAR_X = 140 + 35 + 4;
const int BAR_Y = 90 + 203 + 5;
const int BADGE_X = 140 + 35 + 146 - 28 - 4 + 2;
const int BADGE_Y = 90 + 4 + 2;
const PallixColor PROGRESS_FILL(224, 190, 4, 255);
const PallixColor WATCHED_BADGE(30, 150, 70, 255);
// The count-down bar of "Up next", full at first.
const int COUNTDOWN_X = 640 - 380 + 40;
const int COUNTDOWN_Y = 720 - 90 - 32 + 4;
const PallixRect CLOCK(10, 670, 125, 50);

void writeCover(const std::string& path, const PallixColor& color)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    PallixBitmap cover;
    cover.Create(146, 203);
    cover.FillRect(cover.GetRect(), color);
    ASSERT_TRUE(cover.SavePNG(path.c_str()));
}

// Padded to a steady rate, so that where the player has read to is where it plays.
void makeFilm(const std::string& path, double seconds)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    MediaMaker::Movie movie;
    movie.seconds = seconds;
    movie.size = "160x120";
    movie.container = "mpegts";
    movie.extra = {"-muxrate", "2000000"};
    ASSERT_TRUE(MediaMaker::make(path, movie)) << path;
}

// One box: the real binary on a library whose records name the films by absolute paths.
class Box : public TestLibrary
{
public:
    using TestLibrary::TestLibrary;

    // The first cell of the grid on screen shows pred, within the limit.
    bool waitForScreen(const std::function<bool(const PallixBitmap&)>& pred)
    {
        return waitFor([&] { return pred(*screenshot()); });
    }
    // The movie time of the picture shown, -1 while nothing plays.
    double playedTo()
    {
        std::istringstream words(process().command("playback"));
        std::string word;
        bool bOpen = false;
        while (words >> word)
        {
            bOpen = bOpen || word == "open";
            if (word.rfind("pts=", 0) == 0 && bOpen)
                return std::atof(word.c_str() + 4);
        }
        return -1;
    }
    void quit()
    {
        EXPECT_EQ(process().command("quorvaApp exit"), "OK");
        EXPECT_EQ(process().waitExit(), 0);
    }
};

// Two films of 40 seconds with covers of their own.
class Films
{
public:
    Films()
    {
        makeFilm(mDir.file("films/Harbour Lights/film.ts"), 40);
        writeCover(mDir.file("films/Harbour Lights/folder.png"), RED);
        makeFilm(mDir.file("films/Paper Planets/film.ts"), 40);
        writeCover(mDir.file("films/Paper Planets/folder.png"), BLUE);
    }
    std::string library() const
    {
        TestDatabase database;
        for (const std::string title : {"Harbour Lights", "Paper Planets"})
            database.add(TestRecord().named(title).genre("Drama").duration("0:00:40").path(mDir.file("films/" + title))
                             .filename("film.ts"));
        return database.text();
    }
    std::string harbour() const { return mDir.file("films/Harbour Lights/film.ts"); }

private:
    TempDir mDir;
};

// From the genre panel, the table of titles, and the first title played and
// left fifteen seconds in: its spot is saved about ten seconds in.
void playPartOfTheFirstTitle(Box& box)
{
    box.keys({"Left", "Down", "Right", "Play", "Up"});
    EXPECT_TRUE(waitFor([&] { return box.playedTo() >= 14; }));
    box.press("Exit");
}
} // namespace

TEST(WatchNextEndToEnd, ContinueWatchingResumesAtOnceAndANaturalEndMarksTheTitleWatched)
{
    Films films;
    TempDir dir;
    Box box(dir, films.library());
    playPartOfTheFirstTitle(box);
    ASSERT_GT(QuorvaDatFile(films.harbour().c_str()).getLastPosition(), 0u);
    EXPECT_EQ(WatchedMarkFile::read(films.harbour().c_str()), 0);

    // The third column: the film with a bar of how far it went.
    box.keys({"Left", "Down"});
    auto pShown = box.screenshot();
    EXPECT_EQ(pShown->GetPixel(CELL_X, CELL_Y), RED);
    EXPECT_EQ(pShown->GetPixel(BAR_X, BAR_Y), PROGRESS_FILL);
    EXPECT_NE(pShown->GetPixel(CELL_X + 166, CELL_Y), BLUE);

    // Play goes on from the spot without asking: ten seconds in long before ten seconds have passed.
    const auto started = Clock::now();
    box.keys({"Right", "Play"});
    EXPECT_TRUE(waitFor([&] { return box.playedTo() >= 8; }, std::chrono::seconds(6)));
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(6));

    // Past the end is the end: the title is watched, and has nothing to go on with.
    box.keys({"Up", "Up"});
    EXPECT_TRUE(waitFor([&] { return WatchedMarkFile::read(films.harbour().c_str()) != 0; }));
    EXPECT_TRUE(box.waitForScreen([](const PallixBitmap& s) { return !(s.GetPixel(CELL_X, CELL_Y) == RED); }));
    EXPECT_EQ(QuorvaDatFile(films.harbour().c_str()).getLastPosition(), 0u);

    // Every grid marks it: the genre panel's grid of all titles.
    box.keys({"Left", "Up", "Up", "Right", "Select"});
    EXPECT_TRUE(box.process().waitForLine(".."));
    auto pGrid = box.screenshot();
    EXPECT_EQ(pGrid->GetPixel(CELL_X, CELL_Y + 40), RED);
    EXPECT_EQ(pGrid->GetPixel(BADGE_X, BADGE_Y), WATCHED_BADGE);
    EXPECT_NE(pGrid->GetPixel(BADGE_X + 166, BADGE_Y), WATCHED_BADGE);
    box.quit();
}

TEST(WatchNextEndToEnd, TheNextEpisodeStartsAfterItsCountDownButNotAfterExit)
{
    TempDir dir;
    const std::string tide = dir.file("films/Tide");
    for (const char* episode : {"1x01", "1x02"})
        makeFilm(tide + "/" + episode + ".ts", 2);
    const std::string dash = " \xE2\x80\x93 ";
    TestDatabase library{TestRecord().named("Tide").genre("Drama").field("FeatureItem1", "1x01,Tide" + dash + "1x01")
                             .field("FeatureItem2", "1x02,Tide" + dash + "1x02").path(tide)};
    for (const std::string episode : {"1x01", "1x02"})
        library.add(TestRecord().named("Tide" + dash + episode).genre("Episodes").path(tide).filename(episode + ".ts"));
    Box box(dir, library.text(), "ondemand.parsing=true\n");
    const std::string first = tide + "/1x01.ts";
    const std::string second = tide + "/1x02.ts";
    auto upNext = [](const PallixBitmap& s) { return s.GetPixel(COUNTDOWN_X, COUNTDOWN_Y) == PROGRESS_FILL; };
    // The table's frame and the column menu: the lines themselves gain check marks.
    const PallixRect frame(0, 0, 1280, 45);

    // The table: the series, then its episodes. The first one plays to its end.
    box.keys({"Left", "Down", "Right", "Down"});
    auto pTable = box.screenshot();
    box.press("Play");
    EXPECT_TRUE(box.waitForScreen(upNext));
    EXPECT_NE(WatchedMarkFile::read(first.c_str()), 0);

    // Exit takes the viewer back, and the next episode does not start behind them.
    box.press("Exit");
    auto pBack = box.screenshot();
    EXPECT_FALSE(upNext(*pBack));
    EXPECT_TRUE(PixelProbe::sameIn(*pBack, *pTable, frame, {CLOCK}, 2));
    EXPECT_FALSE(waitFor([&] { return box.playing() || std::filesystem::exists(second + ".quorva"); },
                         std::chrono::seconds(12)));

    // Left alone, the count-down starts the next episode; the last returns to the table.
    box.press("Play");
    EXPECT_TRUE(box.waitForScreen(upNext));
    EXPECT_TRUE(waitFor([&] { return box.playing(); }, std::chrono::seconds(15)));
    EXPECT_TRUE(waitFor([&] { return WatchedMarkFile::read(second.c_str()) != 0; }));
    EXPECT_TRUE(box.waitForScreen(
        [&](const PallixBitmap& s) { return !box.playing() && PixelProbe::sameIn(s, *pTable, frame, {CLOCK}, 2); }));
    EXPECT_TRUE(std::filesystem::exists(first + ".quorva"));
    box.quit();
}

TEST(WatchNextEndToEnd, RecentlyAddedAfterAMergeAndTitlesFoundByTypedLetters)
{
    TempDir dir;
    auto film = [&](const std::string& folder, const std::string& nfo, const PallixColor& color)
    {
        MediaMaker::Movie clip;
        clip.seconds = 1;
        clip.size = "160x120";
        std::filesystem::create_directories(dir.file("films/" + folder));
        ASSERT_TRUE(MediaMaker::make(dir.file("films/" + folder + "/film.mpg"), clip));
        dir.write("films/" + folder + "/movie.nfo", nfo);
        writeCover(dir.file("films/" + folder + "/folder.png"), color);
        writeCover(dir.file("films/" + folder + "/folderLarge.png"), color);
    };
    film("Am\xC3\xA9lie (2001)",
         "<movie><title>Am\xC3\xA9lie</title><year>2001</year><genre>Comedy</genre>"
         "<actor><name>Audrey Tautou</name></actor></movie>",
         RED);
    film("Harbour Lights", "<movie><title>Harbour Lights</title><genre>Drama</genre>"
                           "<actor><name>Tom Avery</name></actor></movie>",
         GREEN);
    // Older files, as a collection's are: made in the same second as the film the merge
    // adds, their order would fall to the database's.
    for (const char* file : {"films/Am\xC3\xA9lie (2001)/film.mpg", "films/Harbour Lights/film.mpg"})
        std::filesystem::last_write_time(dir.file(file),
                                         std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
    ScanProcess first(dir.path(), {"--db", "movies.html", "--jobs", "2", "films"});
    ASSERT_EQ(first.status(), 0);
    film("Paper Planets", "<movie><title>Paper Planets</title><genre>Family</genre></movie>", BLUE);
    ScanProcess merged(dir.path(), {"--db", "movies.html", "--merge", "--jobs", "2", "films"});
    ASSERT_EQ(merged.status(), 0);

    // The film the merge added comes first, then the two before it.
    Box box(dir, "", "ondemand.parsing=true\n");
    box.keys({"Left", "Down", "Down", "Down"});
    EXPECT_TRUE(box.waitForScreen([](const PallixBitmap& s) { return s.GetPixel(CELL_X, CELL_Y) == BLUE; }));
    auto pAdded = box.screenshot();
    EXPECT_NE(pAdded->GetPixel(CELL_X + 166, CELL_Y), BLUE);
    EXPECT_NE(pAdded->GetPixel(CELL_X + 2 * 166, CELL_Y), BLUE);
    EXPECT_NE(pAdded->GetPixel(CELL_X + 2 * 166, CELL_Y), pAdded->GetPixel(CELL_X + 166, CELL_Y));

    // Typed without its accent, then by an actor: Play plays the title found.
    const std::string amelie = dir.file("films/Am\xC3\xA9lie (2001)/film.mpg.quorva");
    const std::string harbour = dir.file("films/Harbour Lights/film.mpg.quorva");
    box.keys({"Down", "Right"});
    EXPECT_EQ(box.process().command("type AMELIE"), "OK");
    box.press("Play");
    EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(amelie); }));
    EXPECT_FALSE(std::filesystem::exists(harbour));
    EXPECT_TRUE(box.waitForScreen([&](const PallixBitmap&) { return !box.playing(); }));
    for (int i = 0; i < 6; ++i)
        box.press("Back");
    EXPECT_EQ(box.process().command("type tom av"), "OK");
    box.press("Play");
    EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(harbour); }));
    box.quit();
}

TEST(WatchNextEndToEnd, TwoBoxesOnOneFilmFolderSeeEachOthersSpotsAndMarks)
{
    Films films;
    TempDir living, bedroom;
    Box first(living, films.library());
    Box second(bedroom, films.library());
    playPartOfTheFirstTitle(first);

    // The other room opens Continue Watching: the spot played here is there.
    second.keys({"Left", "Down", "Down"});
    EXPECT_TRUE(second.waitForScreen([](const PallixBitmap& s)
                                     { return s.GetPixel(CELL_X, CELL_Y) == RED && s.GetPixel(BAR_X, BAR_Y) == PROGRESS_FILL; }));
    // ... marks it watched on its page ("Resume", "Play", "Mark as watched") ...
    second.keys({"Right", "Select", "Down", "Down", "Select"});
    EXPECT_NE(WatchedMarkFile::read(films.harbour().c_str()), 0);

    // ... and the first room's Continue Watching lets it go.
    first.keys({"Left", "Down"});
    EXPECT_TRUE(first.waitForScreen([](const PallixBitmap& s) { return !(s.GetPixel(CELL_X, CELL_Y) == RED); }));
    first.quit();
    second.quit();
}
