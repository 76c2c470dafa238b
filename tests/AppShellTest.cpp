#include "CallLogger.h"
#include "ClientProperties.h"
#include "FileUtils.h"
#include "Logger.h"
#include "SystemInfo.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <unistd.h>

TEST(SystemInfo, FormatsSixUpperCasePairsInMemoryOrder)
{
    EXPECT_STREQ(SystemInfo::formatMac(SystemInfo::PLACEHOLDER_MAC), "BC:9A:78:56:34:12");
    EXPECT_STREQ(SystemInfo::formatMac(0x0000050403020100ULL), "00:01:02:03:04:05");
    // The two high bytes are not part of the address.
    EXPECT_STREQ(SystemInfo::formatMac(0xFFFF0000000000FFULL), "FF:00:00:00:00:00");
    EXPECT_STREQ(SystemInfo::formatMac(0x00009A8F80FEABCDULL), "CD:AB:FE:80:8F:9A");
}

TEST(SystemInfo, ReportsTheFirstNonLoopbackInterfaceOrThePlaceholder)
{
    std::string text(SystemInfo::getMacAsString());
    EXPECT_TRUE(std::regex_match(text, std::regex("([0-9A-F]{2}:){5}[0-9A-F]{2}"))) << text;

    // The kernel's own view: the address must be one of a non-loopback interface's,
    // or the placeholder when there is none.
    std::vector<std::string> addresses;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/net"))
    {
        std::ifstream type(entry.path() / "type");
        int nType = 0;
        std::ifstream address(entry.path() / "address");
        std::string value;
        // Type 1 is Ethernet: the kind of interface that has a hardware address.
        if (type >> nType && nType == 1 && address >> value && value != "00:00:00:00:00:00")
        {
            for (char& c : value)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            addresses.push_back(value);
        }
    }
    if (addresses.empty())
    {
        EXPECT_EQ(text, "BC:9A:78:56:34:12");
    }
    else
    {
        EXPECT_NE(std::find(addresses.begin(), addresses.end(), text), addresses.end()) << text;
    }
}

TEST(Logger, PrefixesAndDebugGate)
{
    std::string out = captureOutput(
        []
        {
            Logger::logError("x");
            Logger::logInfo("starting");
            Logger::logMsg("WARN", "odd");
            Logger::logDebug("restarting...");
            Logger::logDebug("value %d", 42);
            Logger::logDebug("ends in newline\n");
        });
    EXPECT_EQ(out, "ERROR: x\nINFO: starting\nWARN: odd\nDEBUG: restarting...\nDEBUG: value 42\n"
                   "DEBUG: ends in newline\n\n");
}

TEST(CallLogger, TracesOnlyWithDebugOn)
{
    std::string quiet = captureOutput([] { CallLogger log("Player::close"); });
    EXPECT_EQ(quiet, "");

    TempDir dir;
    dir.write("client.properties", "log.debug=true\n");
    std::string path = dir.file("client.properties");
    captureOutput([&] { ClientProperties::parse(path.c_str()); });
    std::string traced = captureOutput(
        []
        {
            CallLogger log("Player::close");
            Logger::logError("inside");
        });
    EXPECT_EQ(traced, "Entering Player::close\nERROR: inside\nLeaving Player::close\n");

    dir.write("client.properties", "log.debug=false\n");
    captureOutput([&] { ClientProperties::parse(path.c_str()); });
}

TEST(FileUtils, MovieAndTitleSetNames)
{
    EXPECT_TRUE(FileUtils::isMovieFile("MOVIE.MPG"));
    EXPECT_TRUE(FileUtils::isMovieFile("movie.mpg"));
    EXPECT_TRUE(FileUtils::isMovieFile("VIDEO_TS.VOB"));
    EXPECT_TRUE(FileUtils::isMovieFile(".vob"));
    // Every container the player opens, in any letter case.
    for (const char* name : {"movie.Mpg", "movie.mpeg", "Heat.MKV", "a.ts", "clip.m2ts", "Film.CD1.avi", "x.webm",
                             "home.MOV", "old.wmv", "phone.mp4", "show.m4v"})
        EXPECT_TRUE(FileUtils::isMovieFile(name)) << name;
    for (const char* name : {"mpg", ".ts", "", "notes.txt", "cover.jpg", "Film.mkv.part", "movie.mkv.quorva", "mkv"})
        EXPECT_FALSE(FileUtils::isMovieFile(name)) << name;

    EXPECT_TRUE(FileUtils::isVTSVob("VTS_01_1.VOB"));
    EXPECT_TRUE(FileUtils::isVTSVob("VTS_01_1.vob"));
    EXPECT_FALSE(FileUtils::isVTSVob("vts_01_1.vob"));
    EXPECT_FALSE(FileUtils::isVTSVob("VTS_01_0.IFO"));
    EXPECT_FALSE(FileUtils::isVTSVob("VIDEO_TS.VOB"));
    EXPECT_FALSE(FileUtils::isVTSVob("VTS"));
}

// The files of a film in parts follow its first part, named like it but for
// the part number counting up, up to the first one missing.
TEST(FileUtils, FilmPartsFollowTheFirstPart)
{
    TempDir dir;
    for (const char* name : {"VTS_01_1.VOB", "VTS_01_2.VOB", "VTS_01_3.VOB", "VTS_01_5.VOB", "VTS_02_2.VOB",
                             "vts_03_1.vob", "vts_03_2.vob", "Heat CD1.avi", "Heat CD2.avi", "Heat CD2.mkv",
                             "Alien.part09.mkv", "Alien.part10.mkv", "Brazil (Disc 1).mp4", "Brazil (Disc 2).mp4",
                             "Plan A.mkv", "Plan B.mkv", "Plan C.mkv", "Solo.mkv", "Solo2.mkv", "Epic pt1.ts",
                             "Epic pt2.ts", "Script 1.mkv", "Script 2.mkv", "Two CD1.avi", "Up.DVD1.avi", "Up.DVD2.avi"})
        dir.write(name, "x");
    dir.write("Two CD2.avi/inside", "a folder, not a part");
    auto parts = [&](const char* first) {
        PallixNewArray<PallixString> found;
        FileUtils::getFilmParts((dir.path() + "/" + first).c_str(), found);
        std::string names;
        for (const PallixString& path : found)
            names += (names.empty() ? "" : "|") + path.str().substr(dir.path().size() + 1);
        return names;
    };
    EXPECT_EQ(parts("VTS_01_1.VOB"), "VTS_01_1.VOB|VTS_01_2.VOB|VTS_01_3.VOB");
    EXPECT_EQ(parts("vts_03_1.vob"), "vts_03_1.vob|vts_03_2.vob");
    EXPECT_EQ(parts("Heat CD1.avi"), "Heat CD1.avi|Heat CD2.avi");
    EXPECT_EQ(parts("Alien.part09.mkv"), "Alien.part09.mkv|Alien.part10.mkv");
    EXPECT_EQ(parts("Brazil (Disc 1).mp4"), "Brazil (Disc 1).mp4|Brazil (Disc 2).mp4");
    EXPECT_EQ(parts("Plan A.mkv"), "Plan A.mkv|Plan B.mkv|Plan C.mkv");
    EXPECT_EQ(parts("Epic pt1.ts"), "Epic pt1.ts|Epic pt2.ts");
    // Every mark the scanner groups by, the player follows.
    EXPECT_EQ(parts("Up.DVD1.avi"), "Up.DVD1.avi|Up.DVD2.avi");
    // No part mark, a word that only ends like one, or a folder where the next part would be.
    EXPECT_EQ(parts("Solo.mkv"), "Solo.mkv");
    EXPECT_EQ(parts("Script 1.mkv"), "Script 1.mkv");
    EXPECT_EQ(parts("Two CD1.avi"), "Two CD1.avi");
    EXPECT_EQ(parts("missing CD1.avi"), "missing CD1.avi");

    // A folder whose movie files are the parts of one film holds one film.
    TempDir folders;
    folders.write("parts/Heat CD1.avi", "x");
    folders.write("parts/Heat CD2.avi", "x");
    folders.write("parts/Heat.nfo", "x");
    folders.write("show/Show S01E01.mkv", "x");
    folders.write("show/Show S01E02.mkv", "x");
    PallixString first;
    EXPECT_TRUE(FileUtils::holdsOneFilm((folders.path() + "/parts").c_str(), first));
    EXPECT_STREQ(first, "Heat CD1.avi");
    EXPECT_FALSE(FileUtils::holdsOneFilm((folders.path() + "/show").c_str(), first));
    EXPECT_TRUE(FileUtils::holdsOneFilm((folders.path() + "/none").c_str(), first));
    EXPECT_STREQ(first, "");
}

TEST(FileUtils, ListingsSizesAndExistence)
{
    TempDir dir;
    dir.write("show/b.mpg", "12345");
    dir.write("show/a.VOB", "1");
    dir.write("show/notes.txt", "n");
    dir.write("show/c.MKV", "matroska");
    dir.write("show/extras.mpg/inside.txt", "folder named like a movie");

    PallixString show((dir.path() + "/show").c_str());
    EXPECT_EQ(FileUtils::getMediaFileCount(show), 4);
    EXPECT_STREQ(FileUtils::getMovieFile(show), "a.VOB");

    PallixNewArray<PallixString> files(8);
    files.Append("kept");
    FileUtils::getMediaFiles(show, files);
    ASSERT_EQ(files.GetSize(), 5);
    EXPECT_STREQ(files[0], "kept");
    EXPECT_STREQ(files[1], "a.VOB");
    EXPECT_STREQ(files[2], "b.mpg");
    EXPECT_STREQ(files[3], "c.MKV");
    EXPECT_STREQ(files[4], "extras.mpg");

    PallixString missing((dir.path() + "/none").c_str());
    EXPECT_EQ(FileUtils::getMediaFileCount(missing), 0);
    EXPECT_STREQ(FileUtils::getMovieFile(missing), "");
    FileUtils::getMediaFiles(missing, files);
    EXPECT_EQ(files.GetSize(), 5);

    EXPECT_EQ(FileUtils::getFileLen((dir.path() + "/show/b.mpg").c_str()), 5u);
    EXPECT_EQ(FileUtils::getFileLen(missing), 0u);
    EXPECT_TRUE(FileUtils::fileExists(show));
    EXPECT_TRUE(FileUtils::fileExists((dir.path() + "/show/b.mpg").c_str()));
    EXPECT_FALSE(FileUtils::fileExists(missing));

    // Sizes past 4 GiB come through whole (a sparse file costs no disk).
    std::string big = dir.path() + "/big.vob";
    {
        std::ofstream out(big);
    }
    ASSERT_EQ(truncate(big.c_str(), 5LL * 1024 * 1024 * 1024 + 7), 0);
    EXPECT_EQ(FileUtils::getFileLen(big.c_str()), 5ULL * 1024 * 1024 * 1024 + 7);
}
