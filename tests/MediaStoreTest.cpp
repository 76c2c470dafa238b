#include "MediaStore.h"

#include "HTMLDBParser.h"
#include "LibrarySettings.h"
#include "MediaEntry.h"
#include "PallixDirScanner.h"
#include "QuorvaDatFile.h"
#include "FailingCalls.h"
#include "TestEntry.h"
#include "TestRecord.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sstream>
#include <string>
#include <vector>

namespace
{
MediaEntry* makeEntry(const char* title, const char* genre, const char* path = "")
{
    return newTestEntry(title, genre, path);
}

std::vector<std::string> genres(MediaStore& store)
{
    std::vector<std::string> names;
    for (PallixString& genre : *store.getGenres())
        names.emplace_back(genre);
    return names;
}

std::vector<std::string> titlesForGenre(MediaStore& store, const char* genre)
{
    PallixNewArray<MediaEntry*> list;
    store.getMediaForGenre(genre, list);
    std::vector<std::string> titles;
    for (MediaEntry* pEntry : list)
        titles.emplace_back(pEntry->getTitle());
    return titles;
}
} // namespace

TEST(MediaStore, GenreListIsSortedDistinctAndCaseSensitive)
{
    MediaStore store;
    for (const char* genre : {"Drama", "Action, Comedy", "Action", "Western", "Animation"})
        store.addMediaEntry(makeEntry(genre, genre));
    store.updateGenreList();
    EXPECT_EQ(genres(store), (std::vector<std::string>{"Action", "Animation", "Comedy", "Drama", "Western"}));

    MediaStore mixed;
    mixed.addMediaEntry(makeEntry("Alien", "Science Fiction,Horror"));
    mixed.addMediaEntry(makeEntry("Heat", "action,  Crime"));
    mixed.addMediaEntry(makeEntry("Up", "Action"));
    mixed.addMediaEntry(makeEntry("Blank", ""));
    mixed.addMediaEntry(nullptr);
    mixed.addMediaEntry(makeEntry("First", "0-Kids"));
    mixed.updateGenreList();
    EXPECT_EQ(genres(mixed),
              (std::vector<std::string>{"0-Kids", "Action", "Crime", "Fiction", "Horror", "Science", "action"}));

    // Look-up by substring, letter case counting; "All" (exactly) is every title.
    EXPECT_EQ(titlesForGenre(mixed, "All"), (std::vector<std::string>{"Alien", "Heat", "Up", "Blank", "First"}));
    EXPECT_EQ(titlesForGenre(mixed, "all"), std::vector<std::string>{});
    EXPECT_EQ(titlesForGenre(mixed, "Fiction"), std::vector<std::string>{"Alien"});
    EXPECT_EQ(titlesForGenre(mixed, "ction"), (std::vector<std::string>{"Alien", "Heat", "Up"}));
    EXPECT_EQ(titlesForGenre(mixed, "Action"), std::vector<std::string>{"Up"});
}

TEST(MediaStore, TitleLookUpIsExactAndSeesLaterEntries)
{
    MediaStore store;
    MediaEntry* pHeat = makeEntry("Heat", "Crime");
    pHeat->setOriginalTitle("Heat (1995)");
    store.addMediaEntry(pHeat);
    store.addMediaEntry(makeEntry("Heat", "Drama"));
    EXPECT_EQ(store.getEntryForTitle("Heat"), pHeat);
    EXPECT_EQ(store.getEntryForTitle("heat"), nullptr);
    EXPECT_EQ(store.getEntryForTitle("Heat (1995)"), nullptr);

    MediaEntry* pAlien = makeEntry("Alien", "Horror");
    store.addMediaEntry(pAlien);
    EXPECT_EQ(store.getEntryForTitle("Alien"), pAlien);
}

TEST(MediaStore, ImagePathsComeFromTheTitleFolder)
{
    TempDir dir;
    dir.write("Both/folderLarge.png", "");
    dir.write("Both/folder.png", "");
    dir.write("LargeOnly/folderLarge.png", "");
    dir.write("Upper/FOLDER.PNG", "");
    dir.write("Upper/my-folder.png.bak", "");

    MediaStore store;
    MediaEntry* pBoth = makeEntry("Both", "", dir.file("Both").c_str());
    MediaEntry* pLarge = makeEntry("LargeOnly", "", dir.file("LargeOnly").c_str());
    MediaEntry* pUpper = makeEntry("Upper", "", dir.file("Upper").c_str());
    MediaEntry* pMissing = makeEntry("Missing", "", dir.file("Missing").c_str());
    MediaEntry* pGiven = makeEntry("Given", "", dir.file("Both").c_str());
    pGiven->setImagePath("/db/cover.png");
    for (MediaEntry* pEntry : {pBoth, pLarge, pUpper, pMissing, pGiven})
    {
        pEntry->setLargeImagePath("/db/large.png");
        store.addMediaEntry(pEntry);
    }
    store.updateImagePaths();

    EXPECT_EQ(std::string(pBoth->getImagePath()), dir.file("Both/folder.png"));
    EXPECT_EQ(std::string(pBoth->getLargeImagePath()), dir.file("Both/folderLarge.png"));
    EXPECT_STREQ(pLarge->getImagePath(), "");
    EXPECT_EQ(std::string(pLarge->getLargeImagePath()), dir.file("LargeOnly/folderLarge.png"));
    EXPECT_EQ(std::string(pUpper->getImagePath()), dir.file("Upper/FOLDER.PNG"));
    EXPECT_STREQ(pUpper->getLargeImagePath(), "");
    EXPECT_STREQ(pMissing->getImagePath(), "");
    EXPECT_STREQ(pMissing->getLargeImagePath(), "");
    EXPECT_STREQ(pGiven->getImagePath(), "/db/cover.png");
    EXPECT_STREQ(pGiven->getLargeImagePath(), "/db/large.png");
}

TEST(MediaStore, StatsGiveTheLastViewedTimeOfThePlayFile)
{
    TempDir dir;
    dir.write("Heat/b.mpg", "");
    dir.write("Heat/a.mpg", "");
    dir.write("Alien/VIDEO_TS/VTS_01_1.VOB", "");
    QuorvaDatFile heat(dir.file("Heat/a.mpg").c_str());
    heat.setLastViewedTime(946684800);
    heat.write();
    QuorvaDatFile alien(dir.file("Alien/VIDEO_TS/VTS_01_1.VOB").c_str());
    alien.setLastViewedTime(1700000000);
    alien.write();
    // A stats file beside a file the title does not play is not its stats file.
    QuorvaDatFile other(dir.file("Heat/b.mpg").c_str());
    other.setLastViewedTime(5);
    other.write();

    MediaStore store;
    MediaEntry* pHeat = makeEntry("Heat", "", dir.file("Heat").c_str());
    MediaEntry* pAlien = makeEntry("Alien", "", dir.file("Alien").c_str());
    pAlien->setFilename("VIDEO_TS/VTS_01_1.VOB");
    MediaEntry* pNone = makeEntry("None", "", dir.file("None").c_str());
    for (MediaEntry* pEntry : {pHeat, pAlien, pNone})
        store.addMediaEntry(pEntry);
    store.readStats();
    EXPECT_EQ(pHeat->getLastViewedTime(), 946684800);
    EXPECT_EQ(pAlien->getLastViewedTime(), 1700000000);
    EXPECT_EQ(pNone->getLastViewedTime(), 0);
}

// The plain way: the sorted listing, and the first name that holds the pattern in any letter case.
std::string firstListedWith(const std::string& dir, const char* pattern)
{
    PallixDirScanner listing(dir.c_str());
    for (int i = 0; i < listing.GetNumEntries(); ++i)
        if (listing.GetEntry(i).Contains(pattern, false, false))
            return dir + "/" + std::string(listing.GetEntry(i));
    return std::string();
}

TEST(MediaStore, ImagePathsAreTheFirstMatchesOfTheSortedListing)
{
    TempDir dir;
    const std::vector<std::vector<std::string>> folders = {
        {"zfolder.png", "folder.png", "Folder.PNG", "FOLDER.png", "afolderLarge.png", "folderLarge.PNG"},
        {"folder.png.bak", "my-folder.png", "cover.png", "folderlarge.png.old", "FOLDERLARGE.PNG"},
        {"folder.pngfolderLarge.png", "folderLarge.png", "folder.png"},
        {"folder", "folder.pn", "Large.png", "folderLarge.jpg"},
        {std::string("\xc3\xa9") + "folder.png", "~folder.png", "Folder.png"},
    };
    MediaStore store;
    std::vector<std::string> paths;
    for (size_t i = 0; i < folders.size(); ++i)
    {
        std::string folder = "t" + std::to_string(i);
        for (const std::string& name : folders[i])
            dir.write(folder + "/" + name, "");
        // A subfolder with a matching name counts like a file.
        if (i == 3)
            dir.write(folder + "/Folder.png.d/folder.png", "");
        paths.push_back(dir.file(folder));
        store.addMediaEntry(makeEntry(folder.c_str(), "", paths.back().c_str()));
    }
    store.updateImagePaths();

    const std::vector<std::string> expectedImages = {"FOLDER.png", "folder.png.bak", "folder.png",
                                                     "Folder.png.d", "Folder.png"};
    const std::vector<std::string> expectedLarge = {"afolderLarge.png", "FOLDERLARGE.PNG",
                                                    "folder.pngfolderLarge.png", "", ""};
    for (size_t i = 0; i < folders.size(); ++i)
    {
        MediaEntry* pEntry = store.getEntryForTitle(("t" + std::to_string(i)).c_str());
        ASSERT_NE(pEntry, nullptr);
        EXPECT_EQ(std::string(pEntry->getImagePath()), firstListedWith(paths[i], "folder.png")) << i;
        EXPECT_EQ(std::string(pEntry->getLargeImagePath()), firstListedWith(paths[i], "folderLarge.png"))
            << i;
        EXPECT_EQ(std::string(pEntry->getImagePath()), paths[i] + "/" + expectedImages[i]) << i;
        EXPECT_EQ(std::string(pEntry->getLargeImagePath()),
                  expectedLarge[i].empty() ? std::string() : paths[i] + "/" + expectedLarge[i])
            << i;
    }
}

TEST(MediaStore, StatsAfterTheImagePassMatchStatsAlone)
{
    TempDir dir;
    auto writeStats = [&](const std::string& playFile, time_t when)
    {
        QuorvaDatFile stats(dir.file(playFile).c_str());
        stats.setLastViewedTime(when);
        stats.write();
    };
    struct Title
    {
        const char* folder;
        const char* filename;
        time_t expected;
    };
    // Stats beside the play file, beside other files, in a subfolder, in other letter
    // case, under names that merely contain the play file's name, and for a title
    // whose play file is chosen by listing its folder.
    dir.write("Plain/movie.mpg", "");
    writeStats("Plain/movie.mpg", 1000);
    dir.write("Other/movie.mpg", "");
    writeStats("Other/trailer.mpg", 1001);
    writeStats("Other/movie.mpg.bak", 1002);
    dir.write("Case/movie.mpg", "");
    writeStats("Case/MOVIE.MPG", 1003);
    dir.write("Dvd/VIDEO_TS/VTS_01_1.VOB", "");
    writeStats("Dvd/VIDEO_TS/VTS_01_1.VOB", 1004);
    dir.write("Listed/b.mpg", "");
    dir.write("Listed/a.mpg", "");
    writeStats("Listed/a.mpg", 1005);
    writeStats("Listed/b.mpg", 1006);
    dir.write("Wide/\xc3\xa9t\xc3\xa9.mpg", "");
    writeStats("Wide/\xc3\xa9t\xc3\xa9.mpg", 1007);
    dir.write("Given/folder.png", "");
    writeStats("Given/movie.mpg", 1008);
    const std::vector<Title> titles = {
        {"Plain", "movie.mpg", 1000}, {"Other", "movie.mpg", 0},
        {"Case", "movie.mpg", 0},     {"Dvd", "VIDEO_TS/VTS_01_1.VOB", 1004},
        {"Listed", "", 1005},         {"Wide", "\xc3\xa9t\xc3\xa9.mpg", 1007},
        {"Given", "movie.mpg", 1008}, {"Missing", "movie.mpg", 0},
    };

    MediaStore withImages;
    MediaStore statsOnly;
    for (MediaStore* pStore : {&withImages, &statsOnly})
    {
        for (const Title& title : titles)
        {
            MediaEntry* pEntry = makeEntry(title.folder, "", dir.file(title.folder).c_str());
            pEntry->setFilename(title.filename);
            if (std::string(title.folder) == "Given")
                pEntry->setImagePath(dir.file("Given/folder.png").c_str());
            pStore->addMediaEntry(pEntry);
        }
    }
    withImages.updateImagePaths();
    withImages.readStats();
    statsOnly.readStats();

    for (const Title& title : titles)
    {
        EXPECT_EQ(withImages.getEntryForTitle(title.folder)->getLastViewedTime(), title.expected)
            << title.folder;
        EXPECT_EQ(statsOnly.getEntryForTitle(title.folder)->getLastViewedTime(), title.expected)
            << title.folder;
    }

    // A stats file written after the start-up passes is found by a later stats pass.
    writeStats("Other/movie.mpg", 1009);
    withImages.readStats();
    EXPECT_EQ(withImages.getEntryForTitle("Other")->getLastViewedTime(), 1009);
}

TEST(MediaStore, ManyTitlesEachGetTheirOwnCoversAndStats)
{
    // Enough titles for the passes to share them out between threads: every title must
    // still get exactly its own folder's answers.
    TempDir dir;
    constexpr int TITLES = 700;
    MediaStore store;
    for (int i = 0; i < TITLES; ++i)
    {
        std::string folder = "t" + std::to_string(i);
        if (i % 3 == 0)
            dir.write(folder + "/folder.png", "");
        if (i % 3 != 2)
            dir.write(folder + "/FolderLarge.PNG", "");
        dir.write(folder + "/movie.mpg", "");
        if (i % 4 == 0)
        {
            QuorvaDatFile stats(dir.file(folder + "/movie.mpg").c_str());
            stats.setLastViewedTime(5000 + i);
            stats.write();
        }
        MediaEntry* pEntry = makeEntry(folder.c_str(), "", dir.file(folder).c_str());
        pEntry->setFilename("movie.mpg");
        store.addMediaEntry(pEntry);
    }
    store.updateImagePaths();
    store.readStats();

    for (int i = 0; i < TITLES; ++i)
    {
        std::string folder = "t" + std::to_string(i);
        MediaEntry* pEntry = store.getEntryForTitle(folder.c_str());
        ASSERT_NE(pEntry, nullptr);
        EXPECT_EQ(std::string(pEntry->getImagePath()), i % 3 == 0 ? dir.file(folder + "/folder.png") : "") << i;
        EXPECT_EQ(std::string(pEntry->getLargeImagePath()), i % 3 != 2 ? dir.file(folder + "/FolderLarge.PNG") : "")
            << i;
        EXPECT_EQ(pEntry->getLastViewedTime(), i % 4 == 0 ? 5000 + i : 0) << i;
    }
}

TEST(MediaStore, ValidationReportsEveryMissingValue)
{
    MediaStore store;
    MediaEntry* pGood = makeEntry("Heat", "Crime");
    pGood->setDuration("2:50:00");
    pGood->setImagePath("/m/folder.png");
    store.addMediaEntry(pGood);
    store.addMediaEntry(nullptr);
    MediaEntry* pBad = makeEntry("", "");
    pBad->setOriginalTitle("");
    store.addMediaEntry(pBad);
    MediaEntry* pNoImage = makeEntry("Alien", "Horror");
    pNoImage->setDuration("0:0");
    store.addMediaEntry(pNoImage);
    // Read without its Title (a browsing parse): named by its Original Title.
    MediaEntry* pUntitled = makeEntry("", "Drama");
    pUntitled->setOriginalTitle("Untitled");
    store.addMediaEntry(pUntitled);

    std::string printed = captureOutput([&] { store.validateEntries(); });
    EXPECT_EQ(printed, "ERROR:   is missing a genre value.\n"
                       "ERROR:   is missing a duration value.\n"
                       "ERROR:   is missing an original title.\n"
                       "ERROR:   is missing a png image.\n"
                       "ERROR:  Alien is missing a png image.\n"
                       "ERROR:  Untitled is missing a duration value.\n"
                       "ERROR:  Untitled is missing a png image.\n");
}

TEST(MediaStore, ExportReadsBackAsTheSameRecords)
{
    LibrarySettings settings;
    TempDir dir;
    const std::string heatDir = dir.file("Heat");
    const std::string alienDir = dir.file("Alien");
    dir.write("Heat/heat.mpg", "");
    dir.write("Alien/VIDEO_TS/VTS_01_1.VOB", "");
    TestDatabase({TestRecord().named("Heat").genre("Crime, Drama").field("Year", "1995").duration("2:50:00")
                      .field("MPAA", "R for violence and language").field("Director", "Michael Mann")
                      .field("Actors", "Al Pacino, Robert De Niro").field("Resolution", "720x480")
                      .field("Media", "DVD").field("Aspect", "2.35:1").description("Cops = robbers.").path(heatDir)
                      .filename("heat.mpg").imagePath(heatDir + "/folder.png")
                      .field("LargeImagepath", heatDir + "/folderLarge.png"),
                  TestRecord().named("Alien").genre("Horror").field("MPAA", "R").path(alienDir)
                      .filename("VIDEO_TS/VTS_01_1.VOB"),
                  TestRecord().originalTitle("No Title")},
                 true)
        .write(dir, "db.html");

    MediaStore store;
    HTMLDBParser parser;
    captureOutput([&] { parser.parse(dir.file("db.html").c_str(), 0, store, true); });
    std::string printed = captureOutput([&] { store.exportEntries(dir.file("exported.txt").c_str()); });
    // A record without a folder has nowhere to keep its detail file.
    EXPECT_EQ(printed, "Exporting..\nERROR: Not exported: No Title has no Path.\nExported 2 records to " +
                           dir.file("exported.txt") + "\n");

    const std::string heatHeader = "<ul>\n  <li>Genre=Crime, Drama\n  <li>Year=1995\n  <li>Duration=2:50:00\n"
                                   "  <li>MPAA=R for violence and language\n  <li>Original Title=Heat\n"
                                   "  <li>Path=" + heatDir + "\n  <li>Imagepath=" + heatDir + "/folder.png\n"
                                   "  <li>Filename=heat.mpg\n";
    const std::string alienHeader = "<ul>\n  <li>Genre=Horror\n  <li>Year=\n  <li>Duration=-1\n  <li>MPAA=R\n"
                                    "  <li>Original Title=Alien\n  <li>Path=" + alienDir + "\n  <li>Imagepath=\n"
                                    "  <li>Filename=VIDEO_TS/VTS_01_1.VOB\n";
    EXPECT_EQ(dir.read("exported.txt"), "<html><body>\n" + heatHeader + "</ul>\n" + alienHeader + "</ul>\n"
                                        "</body></html>\n");
    EXPECT_EQ(dir.read("Heat/heat.mpg.info"),
              "<html><body>\n" + heatHeader +
                  "  <li>Title=Heat\n  <li>Director=Michael Mann\n  <li>Actors=Al Pacino, Robert De Niro\n"
                  "  <li>Resolution=720x480\n  <li>Media=DVD\n  <li>Aspect=2.35:1\n"
                  "  <li>Description=Cops = robbers.\n  <li>LargeImagepath=" + heatDir + "/folderLarge.png\n"
                  "</ul>\n</body></html>\n");

    // The index reads back as the browsing records and each detail file as the full one.
    MediaStore index;
    captureOutput([&] { parser.parse(dir.file("exported.txt").c_str(), 0, index, false); });
    PallixNewArray<MediaEntry*> original;
    store.getMediaForGenre("All", original);
    PallixNewArray<MediaEntry*> reread;
    index.getMediaForGenre("All", reread);
    ASSERT_EQ(reread.GetSize(), 2);
    for (int i = 0; i < 2; ++i)
    {
        MediaEntry* pA = original.GetAt(i);
        MediaEntry* pB = reread.GetAt(i);
        EXPECT_STREQ(pA->getOriginalTitle(), pB->getOriginalTitle());
        EXPECT_STREQ(pA->getGenre(), pB->getGenre());
        EXPECT_STREQ(pA->getYear(), pB->getYear());
        EXPECT_STREQ(pA->getRating(), pB->getRating());
        EXPECT_STREQ(pA->getMPAA(), pB->getMPAA());
        EXPECT_STREQ(pA->getPath(), pB->getPath());
        EXPECT_STREQ(pA->getImagePath(), pB->getImagePath());
        EXPECT_STREQ(pA->getFilename(), pB->getFilename());

        MediaStore detail;
        captureOutput([&] {
            parser.parse(pA->getFullPathToPlayFile() + ".info", 0, detail, true);
        });
        MediaEntry* pC = detail.getEntryForTitle(pA->getTitle());
        ASSERT_NE(pC, nullptr);
        std::ostringstream a;
        std::ostringstream c;
        pA->exportFullEntry(a);
        pC->exportFullEntry(c);
        EXPECT_EQ(a.str(), c.str());
        EXPECT_STREQ(pA->getDuration(), pC->getDuration());
    }
}

TEST(MediaStore, ExportOfAnEmptyStoreAndUnwritableFiles)
{
    TempDir dir;
    MediaStore empty;
    std::string printed = captureOutput([&] { empty.exportEntries(dir.file("exported.txt").c_str()); });
    EXPECT_EQ(printed, "Exporting\nExported 0 records to " + dir.file("exported.txt") + "\n");
    EXPECT_EQ(dir.read("exported.txt"), "<html><body>\n</body></html>\n");

    MediaStore store;
    store.addMediaEntry(makeEntry("Lost", "Drama", dir.file("no/such/folder").c_str()));
    printed = captureOutput([&] { store.exportEntries(dir.file("exported.txt").c_str()); });
    EXPECT_EQ(printed, "Exporting.\nExported 1 records to " + dir.file("exported.txt") + "\n"
                       "ERROR: 1 detail files could not be written.\n");

    std::string badIndex = dir.file("no/such/exported.txt");
    printed = captureOutput([&] { store.exportEntries(badIndex.c_str()); });
    EXPECT_EQ(printed, "ERROR: Unable to write " + badIndex + ": No such file or directory\n");
}

TEST(MediaStore, AnExportThatFailsAtAnyStepLeavesTheOldFilesWhole)
{
    TempDir dir;
    MediaStore store;
    MediaEntry* pEntry = makeEntry("Heat", "Drama", dir.file("Heat").c_str());
    pEntry->setFilename("heat.mpg");
    store.addMediaEntry(pEntry);
    dir.write("exported.txt", "old index");
    dir.write("Heat/heat.mpg.info", "old detail");
    const std::string index = dir.file("exported.txt");

    // The disk fills up, the data cannot be flushed, or the rename is refused.
    for (const AtomicFile::SystemCalls& calls : FailingCalls::each())
    {
        FailingCalls failing(calls);
        std::string printed = captureOutput([&] { store.exportEntries(index.c_str()); });
        EXPECT_EQ(printed, "Exporting.\nERROR: Unable to write " + index + ": " + failing.reason() +
                               "\nERROR: 1 detail files could not be written.\n");
        EXPECT_EQ(dir.read("exported.txt"), "old index");
        EXPECT_EQ(dir.read("Heat/heat.mpg.info"), "old detail");
        EXPECT_FALSE(std::filesystem::exists(index + ".tmp"));
    }
}
