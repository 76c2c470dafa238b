#include "MediaMaker.h"
#include "QuorvaDatFile.h"
#include "QuorvaProcess.h"
#include "ScanProcess.h"
#include "TestLibrary.h"
#include "TestRecord.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

// Films over 4 GiB, where a 32-bit size, position or file offset goes wrong: a
// real one-minute clip at the start of a sparse file of 8 GiB. The player reaches
// such a file by time, its byte positions mapping onto the minute through the
// size, so every saved or jumped-to position past 4 GiB lands on a picture.
namespace
{
constexpr uint64_t GIB = uint64_t(1) << 30;
constexpr uint64_t SIZE = 8 * GIB;
constexpr double SECONDS = 60;

double timeAt(uint64_t position)
{
    return double(position) / double(SIZE) * SECONDS;
}

bool makeLargeFilm(const std::string& path)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    MediaMaker::Movie movie;
    movie.seconds = SECONDS;
    movie.size = "160x120";
    movie.rate = 10;
    movie.videoCodec = "mpeg4";
    movie.audioCodec = "aac";
    movie.container = "mp4";
    movie.videoOptions = {"-g", "10", "-b:v", "100k"};
    if (!MediaMaker::make(path, movie))
        return false;
    std::filesystem::resize_file(path, SIZE);
    return std::filesystem::file_size(path) == SIZE;
}

// The movie time of the picture on the screen, from the playback verb; -1 when
// nothing is shown.
double shownTime(QuorvaProcess& process)
{
    const std::string reply = process.command("playback");
    const size_t at = reply.find(" pts=");
    return reply.compare(0, 7, "OK open") == 0 && at != std::string::npos ? std::atof(reply.c_str() + at + 5) : -1;
}

// Waits for the picture to show a time within [from, to]; returns the last time seen.
double waitForTime(QuorvaProcess& process, double from, double to)
{
    double shown = -1;
    waitFor(
        [&] {
            shown = shownTime(process);
            return shown >= from && shown <= to;
        },
        std::chrono::seconds(60));
    return shown;
}
} // namespace

TEST(LargeFileEndToEnd, AFilmOverFourGiBResumesJumpsAndSavesItsPlace)
{
    TempDir dir;
    const std::string film = dir.file("movies/Big/film.mp4");
    ASSERT_TRUE(makeLargeFilm(film));
    // Left five eighths in, 5 GiB from the start.
    QuorvaDatFile saved(film.c_str());
    saved.setLastPosition(5 * GIB);
    ASSERT_TRUE(saved.write());

    TestLibrary library(dir, TestDatabase{TestRecord().title("Big Film").genre("Drama").originalTitle("Big Film")
                                              .duration("0:01:00").path("movies/Big").filename("film.mp4")}
                                 .text());
    QuorvaProcess& quorva = library.process();
    // The table of the second column, then Play: the saved place is offered
    // first, and Select takes it.
    for (const char* key : {"Left", "Down", "Right", "Play", "Select"})
        ASSERT_EQ(quorva.command(std::string("press ") + key), "OK") << key;
    const double resumed = timeAt(5 * GIB);
    EXPECT_NEAR(waitForTime(quorva, resumed - 1, resumed + 4), resumed + 1.5, 2.5);

    // Fifteen seconds back and forth from past 4 GiB.
    ASSERT_EQ(quorva.command("press Down"), "OK");
    const double back = waitForTime(quorva, resumed - 16, resumed - 9);
    EXPECT_NEAR(back, resumed - 12.5, 3.5);
    ASSERT_EQ(quorva.command("press Up"), "OK");
    const double forth = waitForTime(quorva, back + 13, back + 20);
    EXPECT_NEAR(forth, back + 16.5, 3.5);

    // Leaving saves the place five seconds back, again past 4 GiB. The engine
    // learns where a film read by time has got to as it plays, so it plays on a
    // little first.
    const double left = waitForTime(quorva, forth + 2, SECONDS);
    ASSERT_EQ(quorva.command("press Exit"), "OK");
    uint64_t position = 0;
    ASSERT_TRUE(waitFor(
        [&] {
            position = QuorvaDatFile(film.c_str()).getLastPosition();
            return position != 5 * GIB;
        },
        std::chrono::seconds(60)));
    EXPECT_GT(position, 4 * GIB);
    EXPECT_NEAR(timeAt(position), left - 5, 2.5);
    ASSERT_EQ(quorva.command("quorvaApp exit"), "OK");
    EXPECT_EQ(quorva.waitExit(), 0);
}

TEST(LargeFileEndToEnd, TheScannerProbesAFilmOverFourGiBOnceAndRemembersItsSize)
{
    TempDir dir;
    ASSERT_TRUE(makeLargeFilm(dir.file("films/Big Film (2001)/film.mp4")));

    ScanProcess first(dir.path(), {"--db", "movies.html", "films"});
    ASSERT_EQ(first.status(), 0);
    EXPECT_NE(std::find(first.lines().begin(), first.lines().end(), "Added: Big Film"), first.lines().end());
    const std::string database = dir.read("movies.html");
    EXPECT_NE(database.find("<li>Duration=0:01:00"), std::string::npos) << database;
    EXPECT_NE(database.find("<li>Filename=film.mp4"), std::string::npos) << database;
    // The cache keeps the size whole, so that the next scan knows the file unchanged.
    EXPECT_NE(dir.read("movies.html.scancache").find("\t" + std::to_string(SIZE) + "\t"), std::string::npos);

    ScanProcess again(dir.path(), {"--db", "movies.html", "--merge", "films"});
    ASSERT_EQ(again.status(), 0);
    EXPECT_NE(std::find(again.lines().begin(), again.lines().end(), "Unchanged: Big Film"), again.lines().end());
}
