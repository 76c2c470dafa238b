#include "MediaMaker.h"
#include "PallixBitmap.h"
#include "PixelProbe.h"
#include "QuorvaProcess.h"
#include "TestLibrary.h"
#include "TestRecord.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace
{
// The screen below the clock, which may turn a minute between two pictures.
const PallixRect SCREEN(140, 0, 1140, 720);


// What the keys sent while the film plays may change on the table once it has
// ended (a damaged film ends early): the title column of the selected line,
// where a check mark comes after an end, and the order named in the header,
// which Info changes there.
const PallixRect TITLE_ON_BAR(160, 300, 380, 100);
const PallixRect ORDER_IN_HEADER(440, 10, 820, 35);

enum class Fault
{
    kTruncatedEarly,
    kTruncatedLate,
    kRandomRunsInTheMiddle,
    kAllRandom,
    kDeletedWhilePlaying,
    kFolderGoneWhilePlaying
};

const char* nameOf(Fault fault)
{
    static const char* const names[] = {"cut at 30 %",        "cut at 70 %",        "random runs in the middle",
                                        "nothing but random", "deleted while playing", "folder gone while playing"};
    return names[int(fault)];
}

void damage(const std::string& path, Fault fault)
{
    const auto size = std::filesystem::file_size(path);
    std::mt19937 random(11);
    if (fault == Fault::kTruncatedEarly || fault == Fault::kTruncatedLate)
    {
        std::filesystem::resize_file(path, size * (fault == Fault::kTruncatedEarly ? 3 : 7) / 10);
        return;
    }
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    const auto from = fault == Fault::kAllRandom ? 0 : size * 4 / 10;
    const auto to = fault == Fault::kAllRandom ? size : size * 6 / 10;
    for (auto at = from; at < to;)
    {
        // Runs of a few kilobytes, apart by as much again, or the whole file.
        const auto length = fault == Fault::kAllRandom ? to - from : std::min<decltype(at)>(4096, to - at);
        std::string bytes(length, 0);
        for (char& c : bytes)
            c = char(random());
        file.seekp(std::streamoff(at));
        file.write(bytes.data(), std::streamsize(bytes.size()));
        at += fault == Fault::kAllRandom ? length : length * 2;
    }
}

// Quorva on a library of one film, damaged in one way, started from the table of titles.
void playDamaged(const MediaMaker::Movie& movie, const char* file, Fault fault)
{
    SCOPED_TRACE(std::string(file) + ", " + nameOf(fault));
    TempDir dir;
    std::filesystem::create_directories(dir.file("movies/Film"));
    const std::string path = dir.file("movies/Film/") + file;
    ASSERT_TRUE(MediaMaker::make(path, movie));
    const bool bWhilePlaying = fault == Fault::kDeletedWhilePlaying || fault == Fault::kFolderGoneWhilePlaying;
    if (!bWhilePlaying)
        damage(path, fault);
    TestLibrary library(
        dir, TestDatabase({TestRecord().named("Film").genre("Drama").path("movies/Film").filename(file)}, true).text());
    QuorvaProcess& app = library.process();
    auto press = [&](const char* key) { library.press(key); };
    library.openTable();
    auto pList = app.screenshot();
    press("Play");

    if (fault == Fault::kDeletedWhilePlaying)
        std::filesystem::remove(path);
    else if (fault == Fault::kFolderGoneWhilePlaying)
        std::filesystem::rename(dir.file("movies"), dir.file("unmounted"));
    // Jumps make the player read where the damage is, or where the file was.
    press("Up");
    press("Up");

    // Keys are answered at once through it all: the screen never hangs.
    std::vector<double> answers;
    for (int i = 0; i < 12; ++i)
    {
        const auto sent = std::chrono::steady_clock::now();
        press(i % 2 ? "Info" : "Zoom");
        answers.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - sent).count());
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    std::sort(answers.begin(), answers.end());
    EXPECT_LT(answers[answers.size() / 2], 100.0);
    EXPECT_LT(answers.back(), 1000.0);

    // Back on the list, by the end of the movie, a key after its message, or Exit.
    for (int i = 0; i < 3 && !PixelProbe::sameIn(*app.screenshot(), *pList, SCREEN, {TITLE_ON_BAR, ORDER_IN_HEADER}, 2); ++i)
        press(i == 0 ? "Select" : "Exit");
    EXPECT_TRUE(PixelProbe::sameIn(*app.screenshot(), *pList, SCREEN, {TITLE_ON_BAR, ORDER_IN_HEADER}, 2));
    EXPECT_EQ(app.command("quorvaApp exit"), "OK");
    EXPECT_EQ(app.waitExit(), 0);
    for (const std::string& line : app.remainingLines())
        EXPECT_EQ(line.find("Sanitizer"), std::string::npos) << line;
}

const std::vector<Fault> FAULTS = {Fault::kTruncatedEarly,   Fault::kTruncatedLate,       Fault::kRandomRunsInTheMiddle,
                                   Fault::kAllRandom,        Fault::kDeletedWhilePlaying, Fault::kFolderGoneWhilePlaying};
} // namespace

TEST(MediaFaultEndToEnd, ADamagedProgramStreamNeverHangsAndExitReturnsToTheList)
{
    MediaMaker::Movie movie;
    movie.seconds = 6;
    movie.size = "160x120";
    for (Fault fault : FAULTS)
        playDamaged(movie, "film.mpg", fault);
}

TEST(MediaFaultEndToEnd, ADamagedMatroskaFilmNeverHangsAndExitReturnsToTheList)
{
    MediaMaker::Movie movie;
    movie.seconds = 6;
    movie.size = "160x120";
    movie.videoCodec = "libx264";
    movie.videoOptions = {"-g", "12", "-preset", "veryfast"};
    movie.audioCodec = "aac";
    movie.container = "matroska";
    for (Fault fault : FAULTS)
        playDamaged(movie, "film.mkv", fault);
}
