#include "HTMLDBParser.h"
#include "MediaEntry.h"
#include "MediaEntryFields.h"

#include "PallixBitmap.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <thread>

namespace
{
struct Codes
{
    const char* mpaa;
    const char* rating;
    const char* codes;
};

std::string fullBlock(MediaEntry& entry)
{
    std::ostringstream out;
    entry.exportFullEntry(out);
    return out.str();
}

std::string headerBlock(MediaEntry& entry)
{
    std::ostringstream out;
    entry.exportHeaderEntry(out);
    return out.str();
}
} // namespace

TEST(MediaEntry, SetMPAADerivesRatingAndCodesInTableOrder)
{
    const Codes cases[] = {
        // The worked example: "action" (row 3) wins over the longer row-4 words.
        {"PG-13 for intense sequences of action violence, brief language and sexual content", "PG-13", "(A,BL,S)"},
        {"R", "R", ""},
        {"R for violence and language", "R", "(V,L)"},
        // The whole text matches row 14 first; the text after "and" matches it again.
        {"R for language and violence", "R", "(V)"},
        {"PG for mild language", "PG", "(BL)"},
        {"R for brief nudity", "R", "(BN)"},
        {"R for nudity", "R", "(N)"},
        {"R for Strong Violence", "R", "(SV)"},
        // An upper-case AND does not split the text.
        {"R for language AND violent", "R", "(L)"},
        // "and" inside a word splits too: the rest after "scandal" is "al violent ".
        {"R for language scandal violent", "R", "(L,V)"},
        {"R for violence, violence, gore", "R", "(V)"},
        {"NC-17 for strong sex, drug content", "NC-17", "(AC,DC)"},
        {"G for nothing in the table", "G", ""},
    };
    for (const Codes& c : cases)
    {
        MediaEntry entry;
        entry.setMPAA(c.mpaa);
        EXPECT_STREQ(entry.getRating(), c.rating) << c.mpaa;
        EXPECT_STREQ(entry.getMPAA(), c.codes) << c.mpaa;
    }

    // An empty text keeps the rating and clears the codes; the text is exported as given.
    MediaEntry entry;
    entry.setMPAA("R for violence");
    entry.setMPAA("");
    EXPECT_STREQ(entry.getRating(), "R");
    EXPECT_STREQ(entry.getMPAA(), "");
    entry.setMPAA("PG-13 for mild language  ");
    EXPECT_NE(headerBlock(entry).find("  <li>MPAA=PG-13 for mild language  \n"), std::string::npos);
}

TEST(MediaEntry, DurationInSeconds)
{
    MediaEntry entry;
    EXPECT_EQ(entry.getDurationInSecs(), -1);
    const std::pair<const char*, int> cases[] = {
        {"2:50:00", 10200}, {"1:45", 6300}, {"95", 342000}, {"", 0},       {"0:90", 5400},
        {"1:2:3:4", 3723},  {"x:10", 600},  {"01:05:09", 3909}, {"-1", -1}, {"99999999999:0:0", 2147483647},
    };
    for (const auto& [text, seconds] : cases)
    {
        entry.setDuration(text);
        EXPECT_EQ(entry.getDurationInSecs(), seconds) << text;
    }
}

TEST(MediaEntry, FeatureItemsNeedExactlyTwoParts)
{
    MediaEntry entry;
    entry.addFeatureItem("Episode 1,Pilot");
    entry.addFeatureItem("a,b,c");
    entry.addFeatureItem("abc");
    entry.addFeatureItem(" Trailer , Heat Trailer");
    ASSERT_EQ(entry.getFeatureItems().GetSize(), 2);
    EXPECT_STREQ(entry.getFeatureItems().GetAt(0).getText(), "Episode 1");
    EXPECT_STREQ(entry.getFeatureItems().GetAt(0).getPath(), "Pilot");
    EXPECT_STREQ(entry.getFeatureItems().GetAt(1).getText(), " Trailer ");
    EXPECT_STREQ(entry.getFeatureItems().GetAt(1).getPath(), " Heat Trailer");
}

TEST(MediaEntry, PlayFilePathFallsBackToTheFirstMovieFile)
{
    TempDir dir;
    dir.write("Heat/b.mpg", "");
    dir.write("Heat/a.VOB", "");
    dir.write("Heat/0.txt", "");
    dir.write("Empty/readme.txt", "");

    MediaEntry entry;
    entry.setPath(dir.file("Heat").c_str());
    EXPECT_EQ(std::string(entry.getFullPathToPlayFile()), dir.file("Heat/a.VOB"));
    entry.setFilename("VIDEO_TS/VTS_01_1.VOB");
    EXPECT_EQ(std::string(entry.getFullPathToPlayFile()), dir.file("Heat/VIDEO_TS/VTS_01_1.VOB"));

    entry.setFilename("");
    entry.setPath(dir.file("Empty").c_str());
    EXPECT_EQ(std::string(entry.getFullPathToPlayFile()), dir.file("Empty/"));
}

TEST(MediaEntry, ExportBlocksWriteEveryFieldUnchanged)
{
    MediaEntry empty;
    EXPECT_EQ(headerBlock(empty), "<ul>\n"
                                  "  <li>Genre=\n"
                                  "  <li>Year=\n"
                                  "  <li>Duration=-1\n"
                                  "  <li>MPAA=\n"
                                  "  <li>Original Title=\n"
                                  "  <li>Path=\n"
                                  "  <li>Imagepath=\n"
                                  "  <li>Filename=\n"
                                  "</ul>\n");

    MediaEntry entry;
    entry.setNum("17");
    entry.setTitle("Heat");
    entry.setGenre("Crime, Drama");
    entry.setDirector("Michael Mann");
    entry.setYear("1995");
    entry.setActors("Al Pacino, Robert De Niro");
    entry.setDuration("2:50:00");
    entry.setMPAA("R for violence and language");
    entry.setResolution("720x480");
    entry.setMediaType("DVD");
    entry.setAspectRatio("2.35:1");
    entry.setOriginalTitle(" Heat ");
    entry.setDescription("A=B <b>bold</b>");
    entry.setPath("/tmp/Volumes/usb1/Heat");
    entry.setImagePath("/tmp/Volumes/usb1/Heat/folder.png");
    entry.setFilename("VIDEO_TS/VTS_01_1.VOB");
    entry.setLargeImagePath("/tmp/Volumes/usb1/Heat/folderLarge.png");
    entry.addFeatureItem("Trailer,Heat Trailer");
    entry.setEdition("Director's Cut");
    entry.setFilmId("tt0113277");
    entry.setOtherTitle("Heat (original)");
    entry.setLastViewedTime(946684800);

    const std::string common = "<ul>\n"
                               "  <li>Genre=Crime, Drama\n"
                               "  <li>Year=1995\n"
                               "  <li>Duration=2:50:00\n"
                               "  <li>MPAA=R for violence and language\n"
                               "  <li>Original Title= Heat \n"
                               "  <li>Path=/tmp/Volumes/usb1/Heat\n"
                               "  <li>Imagepath=/tmp/Volumes/usb1/Heat/folder.png\n"
                               "  <li>Filename=VIDEO_TS/VTS_01_1.VOB\n";
    EXPECT_EQ(headerBlock(entry), common + "</ul>\n");
    // The detail block also carries what the index has no room for: Num, the
    // edition, the film's id, its other title and the feature items. The viewing
    // time belongs to the stats file.
    EXPECT_EQ(fullBlock(entry), common + "  <li>Title=Heat\n"
                                         "  <li>Director=Michael Mann\n"
                                         "  <li>Actors=Al Pacino, Robert De Niro\n"
                                         "  <li>Resolution=720x480\n"
                                         "  <li>Media=DVD\n"
                                         "  <li>Aspect=2.35:1\n"
                                         "  <li>Description=A=B <b>bold</b>\n"
                                         "  <li>LargeImagepath=/tmp/Volumes/usb1/Heat/folderLarge.png\n"
                                         "  <li>Num=17\n"
                                         "  <li>Edition=Director's Cut\n"
                                         "  <li>Film ID=tt0113277\n"
                                         "  <li>Other Title=Heat (original)\n"
                                         "  <li>FeatureItem1=Trailer,Heat Trailer\n"
                                         "</ul>\n");

    // The library's own reader takes them back.
    TempDir dir;
    dir.write("heat.info", fullBlock(entry));
    FILE* pFile = std::fopen(dir.file("heat.info").c_str(), "r");
    ASSERT_NE(pFile, nullptr);
    std::unique_ptr<MediaEntry> pRead(HTMLDBParser().parseEntry(pFile, true));
    std::fclose(pFile);
    EXPECT_EQ(pRead->getEdition(), "Director's Cut");
    EXPECT_EQ(pRead->getFilmId(), "tt0113277");
    EXPECT_EQ(pRead->getOtherTitle(), "Heat (original)");
}

TEST(MediaEntry, EveryFieldOfTheTableSurvivesAWriteAndAReadBack)
{
    // Each row gets a value of its own; the detail block carries them all, the
    // index block exactly its own rows.
    MediaEntry entry;
    int nRow = 0;
    for (const MediaEntryFields::Field& field : MediaEntryFields::all())
        field.set(entry, PallixString("Label " + std::to_string(++nRow) + ",value " + field.szKey));
    TempDir dir;
    auto readBack = [&](const std::string& block)
    {
        dir.write("record.info", block);
        FILE* pFile = std::fopen(dir.file("record.info").c_str(), "r");
        std::unique_ptr<MediaEntry> pRead(pFile ? HTMLDBParser().parseEntry(pFile, true) : new MediaEntry());
        if (pFile)
            std::fclose(pFile);
        return pRead;
    };
    std::unique_ptr<MediaEntry> pDetail = readBack(fullBlock(entry));
    std::unique_ptr<MediaEntry> pIndex = readBack(headerBlock(entry));
    for (const MediaEntryFields::Field& field : MediaEntryFields::all())
    {
        if (field.block == MediaEntryFields::FEATURE_ITEMS)
        {
            ASSERT_EQ(pDetail->getFeatureItems().GetSize(), 1) << field.szKey;
            EXPECT_EQ(pDetail->getFeatureItems()[0].getPath(), "value " + std::string(field.szKey));
            EXPECT_EQ(pIndex->getFeatureItems().GetSize(), 0) << field.szKey;
            continue;
        }
        EXPECT_EQ(field.get(*pDetail), field.get(entry)) << field.szKey;
        MediaEntry fresh;
        EXPECT_EQ(field.get(*pIndex), field.block == MediaEntryFields::INDEX ? field.get(entry) : field.get(fresh))
            << field.szKey;
    }
}

TEST(MediaEntry, LastViewedTimeIsALocalDate)
{
    setenv("TZ", "UTC", 1);
    tzset();
    MediaEntry entry;
    entry.setLastViewedTime(946684800);
    EXPECT_STREQ(entry.getLastViewedTimeAsString(), "Jan 01, 2000");
    entry.setLastViewedTime(1700000000);
    EXPECT_STREQ(entry.getLastViewedTimeAsString(), "Nov 14, 2023");
}

TEST(MediaEntry, CoverBitmapLoadsOnceAndReportsBadFiles)
{
    TempDir dir;
    MediaEntry entry;
    entry.setTitle("Heat");

    entry.setImagePath(dir.file("missing.png").c_str());
    std::string printed = captureOutput([&] { EXPECT_EQ(entry.getBitmap(), nullptr); });
    EXPECT_EQ(printed, "");
    EXPECT_FALSE(entry.isBitmapLoaded());

    dir.write("broken.png", "not a picture");
    entry.setImagePath(dir.file("broken.png").c_str());
    const std::string failure = "FAILED to load media entry image:\n"
                                "   path: " + dir.file("broken.png") + "\n"
                                "  title: Heat\n";
    printed = captureOutput([&] {
        EXPECT_EQ(entry.getBitmap(), nullptr);
        EXPECT_EQ(entry.getBitmap(), nullptr);
    });
    // Reported once; tried again only when the file changes.
    EXPECT_EQ(printed, failure);
    dir.write("broken.png", "still not a picture");
    printed = captureOutput([&] { EXPECT_EQ(entry.getBitmap(), nullptr); });
    EXPECT_EQ(printed, failure);

    entry.setImagePath(QUORVA_SOURCE_DIR "/tests/data/library/cover.png");
    PallixBitmap* pBitmap = entry.getBitmap();
    ASSERT_NE(pBitmap, nullptr);
    EXPECT_TRUE(entry.isBitmapLoaded());
    EXPECT_EQ(pBitmap->GetDims(), PallixDims(4, 3));
    EXPECT_EQ(pBitmap->GetRect(), PallixRect(0, 0, 4, 3));
    // Once loaded the cover stays, even if the path changes.
    entry.setImagePath(dir.file("missing.png").c_str());
    EXPECT_EQ(entry.getBitmap(), pBitmap);
}

TEST(MediaEntry, ConcurrentCoverLoadsShareOneBitmap)
{
    MediaEntry entry;
    entry.setImagePath(QUORVA_SOURCE_DIR "/tests/data/library/cover.png");
    PallixBitmap* results[4] = {};
    std::thread threads[4];
    for (int i = 0; i < 4; ++i)
        threads[i] = std::thread([&, i] { results[i] = entry.getBitmap(); });
    for (std::thread& t : threads)
        t.join();
    ASSERT_NE(results[0], nullptr);
    for (PallixBitmap* pBitmap : results)
        EXPECT_EQ(pBitmap, results[0]);
}
