#include "HTMLDBParser.h"

#include "LibrarySettings.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace
{
class HTMLDBParserTest : public ::testing::Test
{
protected:
    // Parses text as a database; returns the console output.
    std::string parseText(const std::string& text, bool bFullParse, int nFixPathsMode = 0)
    {
        mDir.write("db.html", text);
        return captureOutput([&] { mParser.parse(mDir.file("db.html").c_str(), nFixPathsMode, mStore, bFullParse); });
    }

    std::vector<MediaEntry*> entries()
    {
        PallixNewArray<MediaEntry*> list;
        mStore.getMediaForGenre("All", list);
        return std::vector<MediaEntry*>(list.begin(), list.end());
    }

    LibrarySettings mSettings;
    TempDir mDir;
    HTMLDBParser mParser;
    MediaStore mStore;
};

std::string record(const std::string& originalTitle, const std::string& more = "")
{
    return "<ul>\n  <li>Original Title=" + originalTitle + "\n" + more + "</ul>\n";
}
} // namespace

TEST_F(HTMLDBParserTest, HeaderLinesOpenRecordsAndFieldsFollowTheGrammar)
{
    std::string longValue(3000, 'x');
    std::string text = "<html><body>\r\n"
                       "<ul>\r\n"
                       "    <li>Original Title=  Heat   \r\n"
                       "  <li>Genre=Crime\r\n"
                       "  <li>Genre=Crime, Drama\r\n"
                       "  <li>Year=\r\n"
                       "  <li>Path=/movies/a=b\r\n"
                       "  <li>Filename  \r\n"
                       "  <li>Imagepath=/movies/cover.png</li>\r\n"
                       "  no field here Num=1\r\n"
                       "  <li>Num=7\t\r\n"
                       "</ul>\r\n"
                       "<ul><li>Genre=lost with the opening line\n"
                       "  <li>Original Title=Alien\n"
                       "  <li>Genre=     \n"
                       "  <li>Year=1979 </ul>\n"
                       "  <li>Num=never read\n"
                       "<ul>\n"
                       "  <li>Original Title=" + longValue + "\n"
                       "  <li>Genre=After the long line\n"
                       "</ul>\n"
                       "<ul>\n"
                       "  <li>Genre=No original title\n"
                       "</ul>\n"
                       "</body></html>\n";
    EXPECT_EQ(parseText(text, false), "...3 entries read.\n");

    std::vector<MediaEntry*> list = entries();
    ASSERT_EQ(list.size(), 3u);
    MediaEntry* pHeat = list[0];
    EXPECT_STREQ(pHeat->getOriginalTitle(), "  Heat");
    EXPECT_STREQ(pHeat->getGenre(), "Crime, Drama");
    EXPECT_STREQ(pHeat->getYear(), "");
    EXPECT_STREQ(pHeat->getPath(), "/movies/a=b");
    EXPECT_STREQ(pHeat->getFilename(), "");
    EXPECT_STREQ(pHeat->getImagePath(), "/movies/cover.png</li>");
    EXPECT_STREQ(pHeat->getNum(), "7\t");

    // The line that closes the record is not read as a field; the next line opens a record.
    MediaEntry* pAlien = list[1];
    EXPECT_STREQ(pAlien->getOriginalTitle(), "Alien");
    EXPECT_STREQ(pAlien->getGenre(), "");
    EXPECT_STREQ(pAlien->getYear(), "");
    EXPECT_STREQ(pAlien->getNum(), "");

    // A long line is cut into pieces; only the first carries the field.
    MediaEntry* pLong = list[2];
    EXPECT_EQ(std::string(pLong->getOriginalTitle()), std::string(2047 - 21, 'x'));
    EXPECT_STREQ(pLong->getGenre(), "After the long line");
}

TEST_F(HTMLDBParserTest, FullParseStoresDetailKeysAndReportsUnknownOnesWithDebug)
{
    const std::string more = "  <li>Title=Heat\n"
                             "  <li>Director=Michael Mann\n"
                             "  <li>Actors=Al Pacino\n"
                             "  <li>Duration=2:50:00\n"
                             "  <li>MPAA=R for violence and language\n"
                             "  <li>Resolution=720x480\n"
                             "  <li>Media=DVD\n"
                             "  <li>Aspect=2.35:1\n"
                             "  <li>Description=Cops, robbers\n"
                             "  <li>LargeImagepath=/m/large.png\n"
                             "  <li>FeatureItem=Trailer,Heat Trailer\n"
                             "  <li>FeatureItem2=Making of,Heat Making Of\n"
                             "  <li>FeatureItemX=a,b,c\n"
                             "  <li>Genre =Crime\n"
                             "  <li>rating=R\n";
    const std::string text = record("Heat", more);

    EXPECT_EQ(parseText(text, false), ".1 entries read.\n");
    MediaEntry* pBrowse = entries().at(0);
    EXPECT_STREQ(pBrowse->getTitle(), "");
    EXPECT_STREQ(pBrowse->getDuration(), "-1");
    EXPECT_STREQ(pBrowse->getDescription(), "");
    EXPECT_STREQ(pBrowse->getRating(), "R");
    EXPECT_EQ(pBrowse->getFeatureItems().GetSize(), 0);

    mSettings.setLogDebug(true);
    EXPECT_EQ(parseText(text, false), ".1 entries read.\n");
    EXPECT_EQ(parseText(text, true), "UNKNOWN field in HTML: Genre \nUNKNOWN field in HTML: rating\n.1 entries read.\n");
    MediaEntry* pFull = entries().at(2);
    EXPECT_STREQ(pFull->getTitle(), "Heat");
    EXPECT_STREQ(pFull->getDirector(), "Michael Mann");
    EXPECT_STREQ(pFull->getActors(), "Al Pacino");
    EXPECT_EQ(pFull->getDurationInSecs(), 10200);
    EXPECT_STREQ(pFull->getMPAA(), "(V,L)");
    EXPECT_STREQ(pFull->getResolution(), "720x480");
    EXPECT_STREQ(pFull->getMediaType(), "DVD");
    EXPECT_STREQ(pFull->getAspectRatio(), "2.35:1");
    EXPECT_STREQ(pFull->getDescription(), "Cops, robbers");
    EXPECT_STREQ(pFull->getLargeImagePath(), "/m/large.png");
    EXPECT_STREQ(pFull->getGenre(), "");
    ASSERT_EQ(pFull->getFeatureItems().GetSize(), 2);
    EXPECT_STREQ(pFull->getFeatureItems().GetAt(0).getPath(), "Heat Trailer");
    EXPECT_STREQ(pFull->getFeatureItems().GetAt(1).getText(), "Making of");
}

TEST_F(HTMLDBParserTest, ParentalControlKeepsOnlyAllowedRatings)
{
    const std::string text = record("A", "<li>MPAA=G\n") + record("B", "<li>MPAA=PG for mild language\n") +
                             record("C", "<li>MPAA=g\n") + record("D", "<li>MPAA=PG-13 for action\n") +
                             record("E");

    EXPECT_EQ(parseText(text, false), ".....5 entries read.\n");

    MediaStore filtered;
    mSettings.allowRatings("PG|G");
    mDir.write("db.html", text);
    std::string printed =
        captureOutput([&] { mParser.parse(mDir.file("db.html").c_str(), 0, filtered, false); });
    EXPECT_EQ(printed, "..2 entries read.\n");
    PallixNewArray<MediaEntry*> kept;
    filtered.getMediaForGenre("All", kept);
    ASSERT_EQ(kept.GetSize(), 2);
    EXPECT_STREQ(kept.GetAt(0)->getOriginalTitle(), "A");
    EXPECT_STREQ(kept.GetAt(1)->getOriginalTitle(), "B");

    MediaStore none;
    mSettings.allowRatings("");
    printed = captureOutput([&] { mParser.parse(mDir.file("db.html").c_str(), 0, none, false); });
    EXPECT_EQ(printed, "0 entries read.\n");
}

TEST_F(HTMLDBParserTest, MissingDatabaseAndEmptyRecords)
{
    std::string missing = mDir.file("nope.html");
    std::string printed = captureOutput([&] { mParser.parse(missing.c_str(), 1, mStore, true); });
    // No path repair runs without a database.
    EXPECT_EQ(printed, "Unable to locate " + missing + "...no media entries loaded.\n");

    // A folder (an empty db.file names the working folder itself) or a FIFO is no
    // database: reported, not read as an empty one, and the FIFO is not waited on.
    std::string fifo = mDir.file("db.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {mDir.path() + "/", fifo})
    {
        printed = captureOutput([&] { mParser.parse(path.c_str(), 0, mStore, true); });
        EXPECT_EQ(printed, "Unable to locate " + path + "...no media entries loaded.\n");
    }

    mDir.write("empty.html", "");
    FILE* pFile = std::fopen(mDir.file("empty.html").c_str(), "r");
    ASSERT_NE(pFile, nullptr);
    std::unique_ptr<MediaEntry> pEntry(mParser.parseEntry(pFile, true));
    std::fclose(pFile);
    ASSERT_NE(pEntry, nullptr);
    EXPECT_STREQ(pEntry->getOriginalTitle(), "");
    EXPECT_STREQ(pEntry->getDuration(), "-1");
}

namespace
{
// Every record the store holds, in order, in full.
std::string storeContents(MediaStore& store)
{
    PallixNewArray<MediaEntry*> list;
    store.getMediaForGenre("All", list);
    std::ostringstream text;
    for (MediaEntry* pEntry : list)
        pEntry->exportFullEntry(text);
    return text.str();
}

// Sets the size of the pieces a database is read in, for one test.
class PieceBytes
{
public:
    explicit PieceBytes(long long nBytes) : mSaved(HTMLDBParser::getPieceBytes()) { set(nBytes); }
    ~PieceBytes() { HTMLDBParser::setPieceBytes(mSaved); }
    PieceBytes(const PieceBytes&) = delete;
    PieceBytes& operator=(const PieceBytes&) = delete;

    void set(long long nBytes) { HTMLDBParser::setPieceBytes(nBytes); }

private:
    long long mSaved;
};
} // namespace

TEST_F(HTMLDBParserTest, ReadingInPiecesGivesTheRecordsOfOneReading)
{
    // Records that resynchronise in every way the grammar allows: "</ul>" lines that open
    // a record instead of closing one, blank lines and headers as openers, "</ul>" on a
    // field line, in the second piece of a long line and split across two pieces,
    // CR LF endings, and records that are dropped.
    std::string text = "<html><body>\r\n";
    for (int i = 0; i < 6; ++i)
    {
        std::string n = std::to_string(i);
        text += record("A" + n, "  <li>Title=A" + n + "\n  <li>Genre=Drama\n  <li>Year=19" + n + "\n");
        text += "\n<ul>\n  <li>Original Title=Blank" + n + "\n</ul>\n";
        text += "</ul>\n  <li>Original Title=Opener" + n + "\n</ul>\n</ul>\n</ul>\n";
        text += "<ul>\r\n  <li>Original Title=Crlf" + n + "\r\n  <li>Duration=1:00:0" + n + "\r\n</ul>\r\n";
        text += record("Cut" + n, "  <li>Description=" + std::string(2100 + 300 * (i % 3), 'd') + "</ul> rest\n");
        text += "<ul>\n  <li>Description=" + std::string(2047 - 18 - 2, 'e') + "</ul>\n  <li>Original Title=Split" +
                n + "\n</ul>\n";
        text += record("Kept" + n, "  <li>Original Title=Kept" + n + "</ul>\n");
        text += "<ul>\n  <li>Title=NoOriginal" + n + "\n</ul>\n";
    }
    text += "</body></html>\n";

    PieceBytes pieceBytes(1LL << 40);
    std::string printed = parseText(text, true);
    const std::string expected = storeContents(mStore);
    ASSERT_NE(printed.find(" entries read.\n"), std::string::npos);
    ASSERT_NE(mStore.getEntryForTitle("A5"), nullptr);

    for (long long nBytes = 1; nBytes < static_cast<long long>(text.size()); nBytes += nBytes < 64 ? 1 : 97)
    {
        pieceBytes.set(nBytes);
        MediaStore store;
        mDir.write("db.html", text);
        std::string output =
            captureOutput([&] { mParser.parse(mDir.file("db.html").c_str(), 0, store, true); });
        ASSERT_EQ(output, printed) << "pieces of " << nBytes << " bytes";
        ASSERT_EQ(storeContents(store), expected) << "pieces of " << nBytes << " bytes";
    }

    // Unknown fields are reported in file order, however small the pieces.
    mSettings.setLogDebug(true);
    pieceBytes.set(1LL << 40);
    std::string reported = parseText(text + "<ul>\n<li>Odd=1\n<li>Original Title=Z\n</ul>\n", true);
    pieceBytes.set(7);
    EXPECT_EQ(parseText(text + "<ul>\n<li>Odd=1\n<li>Original Title=Z\n</ul>\n", true), reported);
}

namespace
{
// A volume tree of its own, so that tests never touch the real volumes.
class PathRepairTest : public HTMLDBParserTest
{
protected:
    void SetUp() override
    {
        mVolumes = mDir.file("Volumes");
        HTMLDBParser::setVolumesRoot(mVolumes.c_str());
        mSettings.setMediaRoot("movies");
        touch("usb1/movies/Heat/heat.mpg", 10);
        touch("usb1/movies/Heat/Extras/extra.mpg", 10); // below a title: never visited
        touch("usb1/movies/Pair/a.mpg", 10);
        touch("usb1/movies/Pair/b.mpg", 10);
        touch("usb1/movies/deep/er/Alien/VIDEO_TS/VTS_01_1.VOB", 10);
        touch("usb1/movies/deep/er/Alien/VIDEO_TS/VTS_02_1.VOB", 300);
        touch("usb1/movies/deep/er/Alien/VIDEO_TS/VTS_03_1.VOB", 300);
        touch("usb1/movies/deep/er/Alien/VIDEO_TS/VIDEO_TS.IFO", 900);
        touch("usb1/movies/Serial/VIDEO_TS/VTS_01_1.VOB", 10);
        touch("usb1/movies/Serial/VIDEO_TS/vts_12_1.vob", 50);
        touch("usb1/movies/Loose/VTS_02_1.VOB", 5);
        touch("usb1/movies/heat2/movie.MPG", 5);
        touch("usb1/movies/Kept/x.vob", 5);
        touch("usb1/notmovies/Other/o.mpg", 5);
        touch("usb2/movies/NoVts/film.mpg", 5);
        // Every container, and a film in two parts, which is one film.
        touch("usb2/movies/Ran/Ran.MKV", 5);
        touch("usb2/movies/Brazil/Brazil.CD1.avi", 5);
        touch("usb2/movies/Brazil/Brazil.CD2.avi", 5);
        // A link back up the tree must not make the scan go round.
        std::filesystem::create_directory_symlink("..", mVolumes + "/usb1/movies/deep/loop");
        mDatabase = record("heat", "<li>Title=Heat\n") + record("pair", "<li>Title=Pair\n") +
                    record("alien", "<li>Title=Alien\n") + record("serial", "<li>Title=Serial\n") +
                    record("loose", "<li>Title=Loose\n") + record("heat2", "<li>Title=Heat2\n") +
                    record("kept", "<li>Title=Kept\n<li>Path=/old/Kept\n<li>Filename=keep.vob\n") +
                    record("novts", "<li>Title=NoVts\n") + record("ran", "<li>Title=Ran\n") +
                    record("brazil", "<li>Title=Brazil\n");
    }

    void touch(const std::string& name, size_t size) { mDir.write("Volumes/" + name, std::string(size, 'v')); }

    MediaEntry* title(const char* name) { return mStore.getEntryForTitle(name); }

    std::string mVolumes;
    std::string mDatabase;
};
} // namespace

TEST_F(PathRepairTest, SingleFileModeSetsPathsAndLoneMovieFiles)
{
    std::string printed = parseText(mDatabase, true, 1);
    const std::string root1 = mVolumes + "/usb1/movies";
    const std::string root2 = mVolumes + "/usb2/movies";
    EXPECT_EQ(printed, "..........10 entries read.\n"
                       "Updating paths...\n"
                       "Scanning " + root1 + "...\n"
                       "NO ENTRY found for heat2\n"
                       "Scanning " + root2 + "...\n"
                       "There were 9 media files whose paths were updated.\n");

    EXPECT_EQ(std::string(title("Heat")->getPath()), root1 + "/Heat");
    EXPECT_STREQ(title("Heat")->getFilename(), "heat.mpg");
    EXPECT_EQ(std::string(title("Pair")->getPath()), root1 + "/Pair");
    EXPECT_STREQ(title("Pair")->getFilename(), "");
    EXPECT_EQ(std::string(title("Alien")->getPath()), root1 + "/deep/er/Alien");
    EXPECT_STREQ(title("Alien")->getFilename(), "");
    EXPECT_STREQ(title("Heat2")->getPath(), "");
    EXPECT_EQ(std::string(title("Kept")->getPath()), root1 + "/Kept");
    EXPECT_STREQ(title("Kept")->getFilename(), "keep.vob");
    EXPECT_STREQ(title("NoVts")->getFilename(), "film.mpg");
    EXPECT_STREQ(title("Ran")->getFilename(), "Ran.MKV");
    EXPECT_STREQ(title("Brazil")->getFilename(), "Brazil.CD1.avi");
}

TEST_F(PathRepairTest, DvdModeNamesTheLargestTitleSetAsItIsOnTheDisk)
{
    parseText(mDatabase, true, 2);
    EXPECT_STREQ(title("Alien")->getFilename(), "VIDEO_TS/VTS_02_1.VOB");
    EXPECT_STREQ(title("Serial")->getFilename(), "VIDEO_TS/vts_12_1.vob");
    EXPECT_STREQ(title("Loose")->getFilename(), "VTS_02_1.VOB");
    // Without a title set a folder is repaired as in single-file mode.
    EXPECT_STREQ(title("NoVts")->getFilename(), "film.mpg");
    EXPECT_STREQ(title("Heat")->getFilename(), "heat.mpg");
    EXPECT_STREQ(title("Pair")->getFilename(), "");
    EXPECT_STREQ(title("Kept")->getFilename(), "keep.vob");
}

TEST_F(PathRepairTest, BrowsingParseMatchesNoTitleAndMissingVolumesAddNothing)
{
    std::string printed = parseText(mDatabase, false, 1);
    EXPECT_NE(printed.find("NO ENTRY found for Heat\n"), std::string::npos);
    EXPECT_NE(printed.find("There were 0 media files whose paths were updated.\n"), std::string::npos);

    HTMLDBParser::setVolumesRoot(mDir.file("NoVolumes").c_str());
    MediaStore store;
    printed = captureOutput([&] { mParser.parse(mDir.file("db.html").c_str(), 2, store, true); });
    EXPECT_EQ(printed, "..........10 entries read.\n"
                       "Updating paths...\n"
                       "There were 0 media files whose paths were updated.\n");
}

TEST_F(HTMLDBParserTest, RelativePathsNameThePlaceBesideTheDatabase)
{
    // Read through a relative name from another current folder: what the records
    // name is found beside the database all the same, and kept as written.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(mDir.path());
    mDir.write("lib/db.html", record("Heat", "  <li>Path=movies/Heat\n  <li>Imagepath=movies/Heat/f.png\n"
                                             "  <li>LargeImagepath=/abs/large.png\n") +
                                  record("Alien", "  <li>Path=/abs/Alien\n"));
    std::filesystem::current_path(mDir.path() + "/lib/..");
    captureOutput([&] { mParser.parse("lib/db.html", 0, mStore, true); });
    std::filesystem::current_path(before);

    std::vector<MediaEntry*> list = entries();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(std::string(mStore.getDatabaseDir()), mDir.path() + "/lib");
    EXPECT_EQ(std::string(list[0]->getPath()), mDir.path() + "/lib/movies/Heat");
    EXPECT_EQ(std::string(list[0]->getImagePath()), mDir.path() + "/lib/movies/Heat/f.png");
    EXPECT_EQ(std::string(list[0]->getLargeImagePath()), "/abs/large.png");
    EXPECT_EQ(std::string(list[0]->getStoredPath()), "movies/Heat");
    EXPECT_EQ(std::string(list[0]->getStoredImagePath()), "movies/Heat/f.png");
    EXPECT_EQ(std::string(list[1]->getPath()), "/abs/Alien");
    EXPECT_EQ(std::string(list[1]->getStoredPath()), "/abs/Alien");
    // A path set later (by path repair) is written as it is.
    list[0]->setPath("/tmp/Volumes/usb1/Heat");
    EXPECT_EQ(std::string(list[0]->getStoredPath()), "/tmp/Volumes/usb1/Heat");
}
