#include "MediaMaker.h"
#include "PallixBitmap.h"
#include "PallixTestSupport.h"
#include "QuorvaProcess.h"
#include "TestLibrary.h"
#include "TestRecord.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

namespace
{
// A 4:3 picture shown whole, and its bottom, where subtitles go.
const PallixRect SUBTITLES(160, 520, 960, 200);

// The ink of the subtitle's white letters in each column of the subtitle area.
std::vector<int> columns(const PallixBitmap& shot)
{
    std::vector<int> ink(SUBTITLES.w, 0);
    for (int32_t y = SUBTITLES.y; y < SUBTITLES.y + int32_t(SUBTITLES.h); ++y)
        for (int32_t x = 0; x < int32_t(SUBTITLES.w); ++x)
        {
            const PallixColor c = shot.GetPixel(SUBTITLES.x + x, y);
            ink[size_t(x)] += c.GetRed() > 200 && c.GetGreen() > 200 && c.GetBlue() > 200;
        }
    return ink;
}

// The ink left and right of the widest blank between letters: the blank
// between the two words of a line.
bool wordsApart(const std::vector<int>& ink, int& left, int& right)
{
    int first = -1, last = -1;
    for (int x = 0; x < int(ink.size()); ++x)
        if (ink[size_t(x)] > 0)
        {
            first = first < 0 ? x : first;
            last = x;
        }
    if (first < 0)
        return false;
    int gapStart = -1, gapWidth = 0;
    for (int x = first; x <= last;)
    {
        int end = x;
        while (end <= last && ink[size_t(end)] == 0)
            ++end;
        if (end - x > gapWidth)
        {
            gapWidth = end - x;
            gapStart = x;
        }
        x = end == x ? x + 1 : end;
    }
    if (gapWidth < 4)
        return false;
    left = right = 0;
    for (int x = first; x <= last; ++x)
        (x < gapStart ? left : right) += ink[size_t(x)];
    return true;
}

} // namespace

// A Chinese and a Hebrew subtitle file beside a film show their own glyphs, in
// reading order: the thin first word of "一 鬱" on the left, the small yod that
// starts "י שששש" on the right. A face without those glyphs would draw boxes of
// one size on both sides; a line laid out left to right would put the yod left.
TEST(SubtitleScriptsEndToEnd, ChineseAndHebrewSubtitlesShowTheirGlyphsInReadingOrder)
{
    TempDir dir;
    std::filesystem::create_directories(dir.file("movies/Film"));
    MediaMaker::Movie movie;
    movie.seconds = 12;
    movie.source = "color=c=black";
    ASSERT_TRUE(MediaMaker::make(dir.file("movies/Film/film.mpg"), movie));
    dir.write("movies/Film/film.srt", "1\n00:00:00,200 --> 00:00:05,000\n一 鬱\n\n"
                                      "2\n00:00:05,500 --> 00:00:12,000\nי שששש\n");
    TestLibrary library(dir, TestDatabase{TestRecord().title("Film").genre("Drama").originalTitle("Film")
                                              .path(dir.file("movies/Film")).filename("film.mpg")}
                                 .text());
    QuorvaProcess& quorva = library.process();
    // Column menu, the table, play, then the first subtitle track: the file beside the film.
    for (const char* key : {"Left", "Down", "Right", "Play", "Subtitle"})
        ASSERT_EQ(quorva.command(std::string("press ") + key), "OK") << key;

    int left = 0, right = 0;
    EXPECT_TRUE(pallixtest::WaitUntil([&] {
        return wordsApart(columns(*quorva.screenshot()), left, right) && right > 3 * left;
    }, std::chrono::seconds(20))) << "Chinese: left " << left << ", right " << right;
    EXPECT_TRUE(pallixtest::WaitUntil([&] {
        return wordsApart(columns(*quorva.screenshot()), left, right) && left > 3 * right;
    }, std::chrono::seconds(20))) << "Hebrew: left " << left << ", right " << right;
    ASSERT_EQ(quorva.command("press Exit"), "OK");
    ASSERT_EQ(quorva.command("quorvaApp exit"), "OK");
    EXPECT_EQ(quorva.waitExit(), 0);
}
