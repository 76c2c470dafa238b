#include "HTMLDBParser.h"
#include "MediaEntry.h"
#include "MediaMaker.h"
#include "MediaStore.h"
#include "PallixBitmap.h"
#include "PixelProbe.h"
#include "QuorvaProcess.h"
#include "ScanProcess.h"
#include "TestLibrary.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace
{
const char* const DASH = " \xE2\x80\x93 ";
// The centre of the cover grid's first cell, the distance between cells (five
// to a row), and a stretch of the picture.
const int CELL_Y = 90 + 101;
const int CELL0_X = 140 + 35 + 73;
const int CELL_STEP = 166;
const int ROW_STEP = 230;
const PallixRect VIDEO(320, 150, 640, 350);


MediaMaker::Movie clip(double seconds, const char* container)
{
    MediaMaker::Movie movie;
    movie.seconds = seconds;
    movie.container = container;
    if (std::string(container) == "matroska" || std::string(container) == "mp4")
    {
        movie.videoCodec = "libx264";
        movie.audioCodec = "aac";
    }
    return movie;
}

void picture(const std::string& path, const char* colour)
{
    const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i color=c=" + std::string(colour) +
                                ":size=400x600 -frames:v 1 '" + path + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
}

// A collection as people keep one: a film with its .nfo, poster and extras, a
// film known only by its file name, a DVD folder, a series of three episodes,
// a film lying loose in the scanned folder, a broken .nfo and a file that is no film.
class Collection
{
public:
    Collection()
    {
        make("films/Night.Express.2016.mpg", clip(2, "vob"));
        make("films/Atlas of Winter/VIDEO_TS/VTS_01_1.VOB", clip(1, "vob"));
        make("films/Atlas of Winter/VIDEO_TS/VTS_02_1.VOB", clip(3, "vob"));
        mDir.write("films/Atlas of Winter/movie.nfo",
                   "<movie><title>Atlas of Winter</title><year>2009</year><genre>Documentary</genre></movie>");
        picture(mDir.file("films/Atlas of Winter/folder.jpg"), "0x2040d0");
        make("films/Broken Nfo/Broken Nfo.mkv", clip(1, "matroska"));
        mDir.write("films/Broken Nfo/movie.nfo", "<movie><title>Broken</movie>");
        make("films/Harbour Lights (2004)/Harbour Lights.mkv", clip(2, "matroska"));
        mDir.write("films/Harbour Lights (2004)/movie.nfo",
                   "<movie><title>Harbour Lights</title><year>2004</year><genre>Drama</genre><genre>Romance</genre>"
                   "<director>Ines Marlow</director><actor><name>Tom Avery</name></actor>"
                   "<actor><name>Lena Ruiz</name></actor><plot>Letters across\na long winter.</plot>"
                   "<mpaa>Rated PG-13 for brief strong language</mpaa></movie>");
        picture(mDir.file("films/Harbour Lights (2004)/poster.jpg"), "0xd02020");
        make("films/Harbour Lights (2004)/Extras/Trailer.mpg", clip(3, "vob"));
        for (const char* episode : {"S1E1", "S1E9", "S1E10"})
            make(std::string("films/Lantern Street/Lantern Street ") + episode + ".mpg", clip(1, "vob"));
        mDir.write("films/Lantern Street/tvshow.nfo",
                   "<tvshow><title>Lantern Street</title><year>2021</year><genre>Comedy</genre></tvshow>");
        picture(mDir.file("films/Lantern Street/cover.png"), "0x20c040");
        make("films/Some.Film.2011.1080p/Some.Film.2011.1080p.mkv", clip(1, "matroska"));
        mDir.write("films/Unreadable/Unreadable.mkv", std::string(50000, 'Q'));
    }

    const TempDir& dir() const { return mDir; }
    std::string path(const std::string& name) const { return mDir.file(name); }

    void make(const std::string& name, const MediaMaker::Movie& movie)
    {
        std::filesystem::create_directories(std::filesystem::path(mDir.file(name)).parent_path());
        ASSERT_TRUE(MediaMaker::make(mDir.file(name), movie)) << name;
    }

    ScanProcess scan(std::vector<std::string> args) const
    {
        args.insert(args.end(), {"--jobs", "2", "films"});
        return ScanProcess(mDir.path(), args);
    }

    // The database as Quorva's own reader sees it.
    std::unique_ptr<MediaStore> read() const { return ScanProcess::readDatabase(mDir.file("movies.html")); }

private:
    TempDir mDir;
};

MediaEntry& entry(MediaStore& store, const std::string& title)
{
    return ScanProcess::entryOf(store, title);
}

void expectCover(const PallixString& path, uint32_t w, uint32_t h)
{
    PallixBitmap cover;
    PallixFile file(path);
    ASSERT_TRUE(cover.Load(file, 2)) << path;
    EXPECT_EQ(cover.GetDims().w, w) << path;
    EXPECT_EQ(cover.GetDims().h, h) << path;
}
} // namespace

TEST(ScanEndToEnd, AFolderOfFilmsBecomesALibraryQuorvaShowsAndPlays)
{
    Collection films;
    const std::string d = films.dir().path();
    ScanProcess scan = films.scan({});
    EXPECT_EQ(scan.status(), 0);
    EXPECT_EQ(scan.lines(), (std::vector<std::string>{
                                "Found 7 titles",
                                "Added: Night Express",
                                "Added: Atlas of Winter",
                                "Added: Broken Nfo",
                                "Added: Harbour Lights",
                                std::string("Added: Harbour Lights") + DASH + "Trailer",
                                "Added: Lantern Street",
                                std::string("Added: Lantern Street") + DASH + "1x01",
                                std::string("Added: Lantern Street") + DASH + "1x09",
                                std::string("Added: Lantern Street") + DASH + "1x10",
                                "Added: Some Film",
                                "Skipped: " + d + "/films/Unreadable",
                                "Problem: " + d + "/films/Broken Nfo/movie.nfo: broken .nfo: Start-end tags mismatch at byte 22",
                                "Problem: " + d + "/films/Unreadable/Unreadable.mkv: cannot be probed",
                                "Titles: 10 added, 0 updated, 0 unchanged, 0 missing. Problems: 2",
                                "Wrote " + d + "/movies.html: 10 records",
                            }));

    std::unique_ptr<MediaStore> pStore = films.read();
    MediaEntry& harbour = entry(*pStore, "Harbour Lights");
    EXPECT_EQ(harbour.getGenre(), "Drama, Romance");
    EXPECT_EQ(harbour.getYear(), "2004");
    EXPECT_EQ(harbour.getRating(), "PG-13");
    EXPECT_EQ(harbour.getActors(), "Tom Avery, Lena Ruiz");
    EXPECT_EQ(harbour.getDescription(), "Letters across a long winter.");
    EXPECT_EQ(harbour.getDuration(), "0:00:02");
    EXPECT_EQ(harbour.getResolution(), "320x240");
    EXPECT_EQ(harbour.getAspectRatio(), "4:3");
    EXPECT_EQ(harbour.getMediaType(), "MKV H.264 AAC");
    EXPECT_EQ(harbour.getPath(), d + "/films/Harbour Lights (2004)");
    EXPECT_EQ(harbour.getFilename(), "Harbour Lights.mkv");
    EXPECT_EQ(harbour.getImagePath(), d + "/films/Harbour Lights (2004)/folder.png");
    expectCover(harbour.getImagePath(), 146, 203);
    expectCover(harbour.getLargeImagePath(), 300, 420);
    ASSERT_EQ(harbour.getFeatureItems().GetSize(), 1);
    EXPECT_EQ(harbour.getFeatureItems().GetAt(0).getText(), "Trailer");
    MediaEntry& trailer = entry(*pStore, std::string("Harbour Lights") + DASH + "Trailer");
    EXPECT_EQ(trailer.getGenre(), "Extras");
    EXPECT_EQ(trailer.getRating(), "PG-13");
    EXPECT_EQ(trailer.getDuration(), "0:00:03");
    EXPECT_EQ(trailer.getFullPathToPlayFile(), d + "/films/Harbour Lights (2004)/Extras/Trailer.mpg");

    MediaEntry& atlas = entry(*pStore, "Atlas of Winter");
    EXPECT_EQ(atlas.getGenre(), "Documentary");
    EXPECT_EQ(atlas.getFilename(), "VIDEO_TS/VTS_02_1.VOB");
    EXPECT_EQ(atlas.getDuration(), "0:00:03");
    EXPECT_EQ(atlas.getMediaType(), "DVD MPEG-2 MP2");

    // Episodes in episode order, not in the order their names sort.
    // A series is no file of its own: its feature items name its episodes.
    MediaEntry& series = entry(*pStore, "Lantern Street");
    EXPECT_EQ(series.getGenre(), "Comedy");
    EXPECT_EQ(series.getFilename(), "");
    ASSERT_EQ(series.getFeatureItems().GetSize(), 3);
    const char* episodes[] = {"1x01", "1x09", "1x10"};
    const char* files[] = {"S1E1", "S1E9", "S1E10"};
    for (int i = 0; i < 3; ++i)
    {
        FeatureItem& item = series.getFeatureItems().GetAt(i);
        EXPECT_EQ(item.getText(), episodes[i]);
        MediaEntry& episode = entry(*pStore, item.getPath().str());
        EXPECT_EQ(episode.getGenre(), "Episodes");
        EXPECT_EQ(episode.getYear(), "2021");
        EXPECT_EQ(episode.getFilename(), std::string("Lantern Street ") + files[i] + ".mpg");
    }

    MediaEntry& some = entry(*pStore, "Some Film");
    EXPECT_EQ(some.getYear(), "2011");
    EXPECT_EQ(some.getGenre(), "");
    expectCover(some.getImagePath(), 146, 203);
    // A loose film's covers live beside the database: its folder is everybody's.
    MediaEntry& night = entry(*pStore, "Night Express");
    EXPECT_EQ(night.getImagePath().str().rfind(d + "/quorva-covers/Night.Express.2016-", 0), 0u);
    expectCover(night.getLargeImagePath(), 300, 420);
    EXPECT_EQ(pStore->getEntryForTitle("Unreadable"), nullptr);

    // Quorva reads every title in full; only those without a genre are reported.
    TestLibrary library(films.dir(), "", "ondemand.parsing=true\n");
    QuorvaProcess& quorva = library.process();
    EXPECT_TRUE(quorva.waitForLine(std::string(10, '.') + "10 entries read."));
    auto pGrid = quorva.screenshot();
    std::vector<std::string> errors;
    for (bool bOk = true; bOk;)
    {
        std::string line = quorva.nextLine(bOk, std::chrono::milliseconds(300));
        if (bOk && (line.rfind("ERROR", 0) == 0 || line.rfind("FAILED", 0) == 0))
            errors.push_back(line);
    }
    EXPECT_EQ(errors, (std::vector<std::string>{"ERROR:  Night Express is missing a genre value.",
                                                 "ERROR:  Broken Nfo is missing a genre value.",
                                                 "ERROR:  Some Film is missing a genre value."}));

    // The grid of all titles shows the covers made from the posters.
    EXPECT_EQ(quorva.command("press Select"), "OK");
    bool bCovers = false;
    for (int i = 0; i < 100 && !bCovers; ++i)
    {
        pGrid = quorva.screenshot();
        auto shows = [&](int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b)
        { return PixelProbe::near(pGrid->GetPixel(x, y), PallixColor(r, g, b, 255), 23); };
        bCovers = shows(CELL0_X + CELL_STEP, CELL_Y, 0x20, 0x40, 0xd0) &&
                  shows(CELL0_X + 3 * CELL_STEP, CELL_Y, 0xd0, 0x20, 0x20) &&
                  shows(CELL0_X, CELL_Y + ROW_STEP, 0x20, 0xc0, 0x40);
    }
    EXPECT_TRUE(bCovers);

    // The film's page offers its trailer (after Play and the watched mark), which plays.
    library.keys({"Right", "Right", "Right", "Select", "Down", "Down", "Select"});
    auto pFirst = quorva.screenshot();
    bool bMoves = false;
    for (int i = 0; i < 100 && !bMoves; ++i)
    {
        auto pNext = quorva.screenshot();
        for (int32_t y = VIDEO.y; y < VIDEO.y + int32_t(VIDEO.h) && !bMoves; y += 4)
            for (int32_t x = VIDEO.x; x < VIDEO.x + int32_t(VIDEO.w) && !bMoves; x += 4)
                bMoves = !(pNext->GetPixel(x, y) == pFirst->GetPixel(x, y));
    }
    EXPECT_TRUE(bMoves);
    EXPECT_EQ(quorva.command("press Exit"), "OK");
    const std::string stats = films.path("films/Harbour Lights (2004)/Extras/Trailer.mpg.quorva");
    for (int i = 0; i < 200 && !std::filesystem::exists(stats); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    EXPECT_TRUE(std::filesystem::exists(stats));
}

TEST(ScanEndToEnd, AMergeKeepsHandEditsAddsNewFilmsAndReportsMissingOnes)
{
    Collection films;
    const std::string d = films.dir().path();
    ASSERT_EQ(films.scan({}).status(), 0);

    // Without --merge an existing database is left alone.
    ScanProcess refused = films.scan({});
    EXPECT_EQ(refused.status(), 1);
    EXPECT_EQ(refused.lines(), (std::vector<std::string>{"quorva-scan: " + d +
                                                         "/movies.html already exists: --merge updates it, --force replaces it"}));

    // A new film, a hand edit, a removed film, a film replaced by a longer cut,
    // and a file whose bytes changed but whose size and time did not, which a
    // merge must not even look at.
    films.make("films/New Film (2020)/New Film.mpg", clip(1, "vob"));
    std::string database = films.dir().read("movies.html");
    const std::string plot = "<li>Description=Letters across a long winter.";
    ASSERT_NE(database.find(plot), std::string::npos);
    database.replace(database.find(plot), plot.size(), "<li>Description=Edited by hand.");
    films.dir().write("movies.html", database);
    std::filesystem::remove_all(films.path("films/Some.Film.2011.1080p"));
    films.make("films/Night.Express.2016.mpg", clip(4, "vob"));
    const std::string trailer = films.path("films/Harbour Lights (2004)/Extras/Trailer.mpg");
    struct stat before;
    ASSERT_EQ(stat(trailer.c_str(), &before), 0);
    {
        std::fstream out(trailer, std::ios::in | std::ios::out | std::ios::binary);
        out << std::string(4096, 'Q');
    }
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, trailer.c_str(), times, 0), 0);

    ScanProcess merge = films.scan({"--merge"});
    EXPECT_EQ(merge.status(), 0);
    EXPECT_EQ(merge.lines(), (std::vector<std::string>{
                                 "Merging into " + d + "/movies.html: 10 records",
                                 "Found 7 titles",
                                 "Updated: Night Express",
                                 "Unchanged: Atlas of Winter",
                                 "Unchanged: Broken Nfo",
                                 "Unchanged: Harbour Lights",
                                 std::string("Unchanged: Harbour Lights") + DASH + "Trailer",
                                 "Unchanged: Lantern Street",
                                 std::string("Unchanged: Lantern Street") + DASH + "1x01",
                                 std::string("Unchanged: Lantern Street") + DASH + "1x09",
                                 std::string("Unchanged: Lantern Street") + DASH + "1x10",
                                 "Added: New Film",
                                 "Skipped: " + d + "/films/Unreadable",
                                 "Missing: Some Film: " + d + "/films/Some.Film.2011.1080p/Some.Film.2011.1080p.mkv",
                                 "Problem: " + d + "/films/Unreadable/Unreadable.mkv: cannot be probed",
                                 "Titles: 1 added, 1 updated, 8 unchanged, 1 missing. Problems: 1",
                                 "Wrote " + d + "/movies.html: 11 records",
                             }));

    std::unique_ptr<MediaStore> pStore = films.read();
    EXPECT_EQ(entry(*pStore, "Harbour Lights").getDescription(), "Edited by hand.");
    EXPECT_EQ(entry(*pStore, "Night Express").getDuration(), "0:00:04");
    EXPECT_EQ(entry(*pStore, "New Film").getYear(), "2020");
    EXPECT_EQ(entry(*pStore, "Some Film").getYear(), "2011");
    EXPECT_EQ(entry(*pStore, "Lantern Street").getFeatureItems().GetSize(), 3);
}
