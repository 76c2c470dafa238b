#include "HTMLDBParser.h"
#include "MediaEntry.h"
#include "MediaMaker.h"
#include "MediaStore.h"
#include "ScanProcess.h"
#include "TestRecord.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{
const std::string DASH = " \xE2\x80\x93 ";

// A tree of folders as people keep them, its films hard links to three short
// clips of 1, 2 and 6 seconds.
class Tree
{
public:
    Tree()
    {
        for (int nSeconds : {1, 2, 6})
        {
            MediaMaker::Movie movie;
            movie.seconds = nSeconds;
            movie.size = "160x120";
            EXPECT_TRUE(MediaMaker::make(clip(nSeconds), movie));
        }
    }

    void add(const std::string& name, int nSeconds)
    {
        std::filesystem::create_directories(std::filesystem::path(mDir.file(name)).parent_path());
        std::filesystem::create_hard_link(clip(nSeconds), mDir.file(name));
    }
    void write(const std::string& name, const std::string& text) { mDir.write(name, text); }
    std::string path(const std::string& name) const { return mDir.file(name); }

    ScanProcess scan(std::vector<std::string> args, const std::vector<std::string>& roots) const
    {
        args.insert(args.end(), {"--jobs", "2"});
        args.insert(args.end(), roots.begin(), roots.end());
        return ScanProcess(mDir.path(), args);
    }

    // The database as Quorva's own reader sees it.
    std::unique_ptr<MediaStore> read() const { return ScanProcess::readDatabase(mDir.file("movies.html")); }

private:
    std::string clip(int nSeconds) const { return mDir.file("clip" + std::to_string(nSeconds) + ".mpg"); }

    TempDir mDir;
};

MediaEntry& entry(MediaStore& store, const std::string& title)
{
    return ScanProcess::entryOf(store, title);
}

std::vector<std::string> featureTexts(MediaEntry& entry)
{
    std::vector<std::string> texts;
    for (FeatureItem& item : entry.getFeatureItems())
        texts.push_back(item.getText().str());
    return texts;
}

std::vector<std::string> titlesOf(MediaStore& store)
{
    std::vector<std::string> titles;
    PallixNewArray<MediaEntry*> entries(8);
    store.getMediaForGenre("All", entries);
    for (MediaEntry* pEntry : entries)
        titles.push_back(pEntry->getTitle().str());
    return titles;
}
} // namespace

TEST(ScanLayoutsEndToEnd, EveryFilmIsATitleWhateverItsFolder)
{
    Tree tree;
    // Unrelated films in one folder, one with its sample beside it.
    tree.add("media/Movies/Heat.1995.1080p.BluRay.x264-GRP.mkv", 2);
    tree.add("media/Movies/Heat.1995.1080p.BluRay.x264-GRP-sample.mkv", 1);
    tree.add("media/Movies/Alien (1979).mkv", 2);
    tree.add("media/Movies/The.Matrix.1999.720p.mkv", 2);
    // A release's folder: an edition in its name, a trailer, a Sample folder.
    const std::string squad = "media/Films/Suicide.Squad.2016.EXTENDED.1080p.BluRay.x264-SPARKS/";
    tree.add(squad + "suicide.squad.2016.extended.1080p.bluray.x264-sparks.mkv", 6);
    tree.add(squad + "suicide.squad-trailer.mkv", 1);
    tree.add(squad + "Sample/suicide.squad.sample.mkv", 1);
    // A film in two parts, a film beside an extra that only their lengths tell
    // apart, with a link-only .nfo, and a Blu-ray folder.
    tree.add("media/Films/Kill Bill (2003)/Kill.Bill.2003.CD1.avi", 2);
    tree.add("media/Films/Kill Bill (2003)/Kill.Bill.2003.CD2.avi", 1);
    tree.add("media/Films/Night Shift/title_t00.mkv", 6);
    tree.add("media/Films/Night Shift/title_t01.mkv", 1);
    tree.write("media/Films/Night Shift/movie.nfo", "https://www.imdb.com/title/tt0113277/\n");
    tree.add("media/Films/Blade Runner (1982)/BDMV/STREAM/00001.m2ts", 1);
    tree.add("media/Films/Blade Runner (1982)/BDMV/STREAM/00800.m2ts", 6);

    ScanProcess scan = tree.scan({}, {"media"});
    EXPECT_EQ(scan.status(), 0);
    EXPECT_EQ(scan.lines(), (std::vector<std::string>{
                                "Found 7 titles",
                                "Added: Blade Runner",
                                "Added: Kill Bill",
                                "Added: Night Shift",
                                "Added: Night Shift" + DASH + "title t01",
                                "Added: Suicide Squad",
                                "Added: Suicide Squad" + DASH + "Trailer",
                                "Added: Alien",
                                "Added: Heat",
                                "Added: The Matrix",
                                "Titles: 9 added, 0 updated, 0 unchanged, 0 missing. Problems: 0",
                                "Wrote " + tree.path("movies.html") + ": 9 records",
                            }));

    std::unique_ptr<MediaStore> pStore = tree.read();
    MediaEntry& heat = entry(*pStore, "Heat");
    EXPECT_EQ(heat.getYear(), "1995");
    EXPECT_EQ(heat.getFeatureItems().GetSize(), 0);
    EXPECT_EQ(entry(*pStore, "Alien").getYear(), "1979");
    EXPECT_EQ(entry(*pStore, "The Matrix").getFilename(), "The.Matrix.1999.720p.mkv");

    MediaEntry& squadEntry = entry(*pStore, "Suicide Squad");
    EXPECT_EQ(squadEntry.getYear(), "2016");
    EXPECT_EQ(squadEntry.getEdition(), "Extended");
    EXPECT_EQ(featureTexts(squadEntry), std::vector<std::string>{"Trailer"});

    // One record for the film in parts: its first part, running as long as both.
    MediaEntry& killBill = entry(*pStore, "Kill Bill");
    EXPECT_EQ(killBill.getFilename(), "Kill.Bill.2003.CD1.avi");
    EXPECT_EQ(killBill.getDuration(), "0:00:03");

    MediaEntry& nightShift = entry(*pStore, "Night Shift");
    EXPECT_EQ(nightShift.getFilename(), "title_t00.mkv");
    EXPECT_EQ(nightShift.getFilmId(), "tt0113277");
    EXPECT_EQ(entry(*pStore, "Night Shift" + DASH + "title t01").getGenre(), "Extras");

    MediaEntry& bladeRunner = entry(*pStore, "Blade Runner");
    EXPECT_EQ(bladeRunner.getFilename(), "BDMV/STREAM/00800.m2ts");
    EXPECT_EQ(bladeRunner.getDuration(), "0:00:06");
}

TEST(ScanLayoutsEndToEnd, ShowsAreOneSeriesEachWhereverTheirSeasonsLie)
{
    Tree tree;
    const std::string bad = "tv/Breaking Bad/";
    tree.add(bad + "Season 1/Breaking.Bad.S01E02.720p.HDTV.x264-CTU.mkv", 1);
    tree.add(bad + "Season 1/Breaking.Bad.S01E01.720p.HDTV.x264-CTU.mkv", 1);
    tree.add(bad + "Season 02 (2009)/breaking.bad.s02e01.mkv", 1);
    tree.add(bad + "Specials/Breaking.Bad.S00E01.Minisode.mkv", 1);
    tree.add(bad + "Season 1/Sample/Breaking.Bad.S01E01.sample.mkv", 1);
    // A third season on another disk.
    tree.add("disk2/TV/Breaking Bad/S03/Breaking.Bad.S03E01.mkv", 1);
    // A season folder of marks alone, a file of two episodes and an episode's own .nfo.
    const std::string office = "tv/The Office (US)/S03/";
    tree.add(office + "The.Office.S03E02E03.mkv", 1);
    tree.add(office + "The.Office.S03E01.mkv", 1);
    tree.write(office + "The.Office.S03E01.nfo",
               "<episodedetails><title>Gay Witch Hunt</title><plot>Michael outs Oscar.</plot></episodedetails>");
    // The show's name comes from tvshow.nfo over its folder's.
    tree.add("tv/lantern_st/Lantern.Street.1x02.mkv", 1);
    tree.add("tv/lantern_st/Lantern.Street.1x01.mkv", 1);
    tree.write("tv/lantern_st/tvshow.nfo", "<tvshow><title>Lantern Street</title><year>2021</year></tvshow>");
    // Downloads: episodes of two shows in their release folders and loose, a
    // show's episode counted from its start, a daily show, and a film, which
    // makes the folder no film's own.
    tree.add("media/Downloads/Lost.S01E02.720p.HDTV.x264-LOL/lost.s01e02.720p.hdtv.x264-lol.mkv", 1);
    tree.add("media/Downloads/Lost.S01E01.720p.HDTV.x264-LOL.mkv", 1);
    tree.add("media/Downloads/[SubsPlease] Frieren - 02 (1080p) [9E3F0A12].mkv", 1);
    tree.add("media/Downloads/[SubsPlease] Frieren - 01 (1080p) [1B2C3D4E].mkv", 1);
    tree.add("media/Downloads/The.Daily.Show.2024.03.15.720p.WEB.h264.mkv", 1);
    tree.add("media/Downloads/Gravity.2013.1080p.BluRay.x264-SPARKS.mkv", 2);

    ScanProcess scan = tree.scan({}, {"tv", "media", "disk2"});
    EXPECT_EQ(scan.status(), 0);
    ASSERT_FALSE(scan.lines().empty());
    EXPECT_EQ(scan.lines().front(), "Found 7 titles");
    EXPECT_EQ(scan.lines()[scan.lines().size() - 2], "Titles: 21 added, 0 updated, 0 unchanged, 0 missing. Problems: 0");

    std::unique_ptr<MediaStore> pStore = tree.read();
    // No season folder names a title; each show is one series. Folders are
    // walked in the order a person reads their names ("lantern_st" before "The
    // Office (US)", a bracketed name first).
    EXPECT_EQ(titlesOf(*pStore), (std::vector<std::string>{
                                     "Breaking Bad",
                                     "Breaking Bad" + DASH + "1x01",
                                     "Breaking Bad" + DASH + "1x02",
                                     "Breaking Bad" + DASH + "2x01",
                                     "Breaking Bad" + DASH + "3x01",
                                     "Breaking Bad" + DASH + "0x01 Minisode",
                                     "Lantern Street",
                                     "Lantern Street" + DASH + "1x01",
                                     "Lantern Street" + DASH + "1x02",
                                     "The Office (US)",
                                     "The Office (US)" + DASH + "3x01 Gay Witch Hunt",
                                     "The Office (US)" + DASH + "3x02-03",
                                     "Frieren",
                                     "Frieren" + DASH + "Episode 1",
                                     "Frieren" + DASH + "Episode 2",
                                     "Lost",
                                     "Lost" + DASH + "1x01",
                                     "Lost" + DASH + "1x02",
                                     "The Daily Show",
                                     "The Daily Show" + DASH + "2024-03-15",
                                     "Gravity",
                                 }));
    // A series record is no file: its feature items name its episodes, specials last.
    MediaEntry& breakingBad = entry(*pStore, "Breaking Bad");
    EXPECT_EQ(breakingBad.getPath(), tree.path("tv/Breaking Bad"));
    EXPECT_EQ(breakingBad.getFilename(), "");
    EXPECT_EQ(featureTexts(breakingBad), (std::vector<std::string>{"1x01", "1x02", "2x01", "3x01", "0x01 Minisode"}));
    MediaEntry& third = entry(*pStore, "Breaking Bad" + DASH + "3x01");
    EXPECT_EQ(third.getFullPathToPlayFile(), tree.path("disk2/TV/Breaking Bad/S03/Breaking.Bad.S03E01.mkv"));
    EXPECT_EQ(third.getGenre(), "Episodes");

    EXPECT_EQ(entry(*pStore, "The Office (US)" + DASH + "3x01 Gay Witch Hunt").getDescription(), "Michael outs Oscar.");
    EXPECT_EQ(entry(*pStore, "Lantern Street").getYear(), "2021");
    MediaEntry& gravity = entry(*pStore, "Gravity");
    EXPECT_EQ(gravity.getYear(), "2013");
    EXPECT_EQ(gravity.getImagePath().str().rfind(tree.path("quorva-covers/"), 0), 0u);
}

TEST(ScanLayoutsEndToEnd, AMergeRegroupsWhatTheOldDatabaseGroupedWronglyAndKeepsHandEdits)
{
    Tree tree;
    tree.add("media/Movies/Alien (1979).mkv", 2);
    tree.add("media/Movies/Heat.1995.1080p.BluRay.x264-GRP.mkv", 2);
    tree.add("media/Movies/Heat.1995.1080p.BluRay.x264-GRP-sample.mkv", 1);
    tree.add("media/TV/Breaking Bad/Season 1/Breaking.Bad.S01E01.mkv", 1);
    tree.add("media/TV/Breaking Bad/Season 1/Breaking.Bad.S01E02.mkv", 1);
    // As an earlier scanner wrote it, edited by hand since: the folder of films
    // one title "Alien" whose extras are the other film and its sample, the
    // season folder a series "Season 1".
    auto record = [&](const std::string& title, const std::string& genre, const std::string& folder,
                      const std::string& file)
    {
        return TestRecord().genre(genre).field("Year", "1979").duration("0:00:02").field("MPAA", "")
            .originalTitle(title).path(tree.path(folder)).imagePath("").filename(file).title(title);
    };
    const std::string heatExtra = "Alien" + DASH + "Heat 1995";
    const std::string sampleExtra = "Alien" + DASH + "Heat 1995-sample";
    const std::string first = "Season 1" + DASH + "1x01";
    const std::string second = "Season 1" + DASH + "1x02";
    const std::string season = "media/TV/Breaking Bad/Season 1";
    TestDatabase database;
    database.add(record("Alien", "Horror", "media/Movies", "Alien (1979).mkv")
                     .description("Edited by hand.")
                     .field("FeatureItem1", "Heat 1995," + heatExtra)
                     .field("FeatureItem2", "Heat 1995-sample," + sampleExtra));
    database.add(record(heatExtra, "Extras", "media/Movies", "Heat.1995.1080p.BluRay.x264-GRP.mkv"));
    database.add(record(sampleExtra, "Extras", "media/Movies", "Heat.1995.1080p.BluRay.x264-GRP-sample.mkv"));
    database.add(record("Season 1", "Drama", season, "Breaking.Bad.S01E01.mkv")
                     .field("FeatureItem1", "1x01," + first)
                     .field("FeatureItem2", "1x02," + second));
    database.add(
        record(first, "Episodes", season, "Breaking.Bad.S01E01.mkv").description("The pilot, written up by hand."));
    database.add(record(second, "Episodes", season, "Breaking.Bad.S01E02.mkv"));
    tree.write("movies.html", database.text());

    const std::string movies = tree.path("media/Movies/");
    ScanProcess merge = tree.scan({"--merge", "--db", "movies.html"}, {"media"});
    EXPECT_EQ(merge.status(), 0);
    EXPECT_EQ(merge.lines(), (std::vector<std::string>{
                                 "Merging into " + tree.path("movies.html") + ": 6 records",
                                 "Found 3 titles",
                                 "Updated: Alien",
                                 "Added: Heat",
                                 "Added: Breaking Bad",
                                 "Updated: " + first,
                                 "Updated: " + second,
                                 "Missing: " + heatExtra + ": " + movies + "Heat.1995.1080p.BluRay.x264-GRP.mkv",
                                 "Missing: " + sampleExtra + ": " + movies + "Heat.1995.1080p.BluRay.x264-GRP-sample.mkv",
                                 "Missing: Season 1: " + tree.path("media/TV/Breaking Bad/Season 1/Breaking.Bad.S01E01.mkv"),
                                 "Titles: 2 added, 3 updated, 0 unchanged, 3 missing. Problems: 0",
                                 "Wrote " + tree.path("movies.html") + ": 8 records",
                             }));

    std::unique_ptr<MediaStore> pStore = tree.read();
    // The same films keep what was written by hand, their picture and codecs now
    // probed; the wrong records stay for the user to remove.
    EXPECT_EQ(entry(*pStore, "Alien").getDescription(), "Edited by hand.");
    EXPECT_EQ(entry(*pStore, "Heat").getGenre(), "");
    EXPECT_EQ(entry(*pStore, "Heat").getYear(), "1995");
    EXPECT_EQ(entry(*pStore, heatExtra).getGenre(), "Extras");
    MediaEntry& show = entry(*pStore, "Breaking Bad");
    ASSERT_EQ(show.getFeatureItems().GetSize(), 2);
    EXPECT_EQ(show.getFeatureItems().GetAt(0).getPath(), first);
    EXPECT_EQ(entry(*pStore, first).getDescription(), "The pilot, written up by hand.");

    // A second merge finds everything where the first put it.
    ScanProcess again = tree.scan({"--merge", "--db", "movies.html"}, {"media"});
    EXPECT_EQ(again.lines()[again.lines().size() - 2], "Titles: 0 added, 0 updated, 5 unchanged, 3 missing. Problems: 0");
}
