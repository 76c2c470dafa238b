#include "Colors.h"
#include "DrawingUtils.h"
#include "Fonts.h"
#include "ImageFactoryTestAccess.h"
#include "MediaEntry.h"
#include "PallixBitmap.h"
#include "PixelProbe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

namespace
{
const char* const CORRAL_TOP = "/usr/local/zembu/graphics/common/corral-top.png";
const char* const CORRAL_EDGE = "/usr/local/zembu/graphics/common/corral-edge.png";
const char* const CORRAL_BOTTOM = "/usr/local/zembu/graphics/common/corral-bottom.png";
const PallixColor RED(255, 0, 0, 255);
const PallixColor GREEN(0, 255, 0, 255);
const PallixColor BLUE(0, 0, 255, 255);
const PallixColor CLEAR(0, 0, 0, 0);
const PallixColor BAR(40, 40, 40, 255);

// Copies made by other static objects before main: they must see finished fonts and colours.
const PallixFont gEarlyFont = Fonts::SYSTEM_38;
const PallixFont gEarlySmallFont = Fonts::SYSTEM_18;
const PallixColor gEarlyColor = Colors::YELLOW_TEXT;

class Corral
{
public:
    explicit Corral(ImageFactoryTestAccess& cache)
    {
        cache.add(CORRAL_TOP, 200, 30, RED);
        cache.add(CORRAL_EDGE, 10, 40, GREEN);
        cache.add(CORRAL_BOTTOM, 200, 20, BLUE);
    }
};

PallixBitmap* blank(PallixBitmap& bitmap, uint32_t w, uint32_t h)
{
    bitmap.Create(w, h);
    bitmap.FillRect(bitmap.GetRect(), CLEAR);
    return &bitmap;
}

bool isPainted(const PallixColor& c)
{
    return c.GetAlpha() != 0;
}
} // namespace

TEST(ColorsAndFonts, CopiesTakenBeforeMainCarryTheirValues)
{
    EXPECT_EQ(gEarlyFont.GetAttributes().m_nPointSize, 38);
    EXPECT_STREQ(gEarlyFont.GetAttributes().m_faceName, "system");
    EXPECT_EQ(gEarlyFont.GetAttributes().m_weightFlags, uint32_t(PallixFont::kNormal));
    EXPECT_EQ(gEarlySmallFont.GetAttributes().m_nPointSize, 18);
    EXPECT_EQ(gEarlyColor.GetPacked(), 0xFFFF80FFu);

    const PallixFont* fonts[] = {&Fonts::SYSTEM_43, &Fonts::SYSTEM_38, &Fonts::SYSTEM_30,
                                 &Fonts::SYSTEM_28, &Fonts::SYSTEM_22, &Fonts::SYSTEM_18};
    const uint16_t sizes[] = {43, 38, 30, 28, 22, 18};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(fonts[i]->GetAttributes().m_nPointSize, sizes[i]);
    EXPECT_EQ(Colors::WHITE.GetPacked(), 0xFFFFFFFFu);
    EXPECT_EQ(Colors::BLACK.GetPacked(), 0x000000FFu);
    EXPECT_EQ(Colors::BLUE_TEXT.GetPacked(), 0x1BDBE4FFu);
}

TEST(DrawingUtils, FrameCentresItsPiecesAndTilesTheEdgesDownToTheBottom)
{
    ImageFactoryTestAccess cache;
    Corral corral(cache);
    PallixBitmap bitmap;
    blank(bitmap, 600, 400);
    DrawingUtils::drawFrame(bitmap, PallixRect(100, 50, 300, 200), "", "");

    EXPECT_TRUE(PixelProbe::all(bitmap, PallixRect(150, 50, 200, 30), RED));
    // Three whole tiles and a last one pulled up to end on the bottom piece.
    EXPECT_TRUE(PixelProbe::all(bitmap, PallixRect(150, 80, 10, 150), GREEN));
    // The right edge starts 5 pixels inside the top piece's right end.
    EXPECT_TRUE(PixelProbe::all(bitmap, PallixRect(345, 80, 10, 150), GREEN));
    EXPECT_TRUE(PixelProbe::all(bitmap, PallixRect(150, 230, 200, 20), BLUE));
    // Nothing else: no titles, nothing between the edges.
    EXPECT_EQ(PixelProbe::count(bitmap, bitmap.GetRect(), isPainted), 200 * 30 + 2 * 10 * 150 + 200 * 20);
}

TEST(DrawingUtils, ShortFramesOverlapTheTopPieceOrDrawNoEdges)
{
    ImageFactoryTestAccess cache;
    Corral corral(cache);
    PallixBitmap bitmap;

    // Room for less than one tile: one pair, starting 40 pixels above the bottom piece.
    blank(bitmap, 600, 400);
    DrawingUtils::drawFrame(bitmap, PallixRect(100, 50, 300, 75), "", "");
    EXPECT_TRUE(PixelProbe::all(bitmap, PallixRect(150, 65, 10, 40), GREEN));
    EXPECT_TRUE(PixelProbe::all(bitmap, PallixRect(345, 65, 10, 40), GREEN));
    EXPECT_TRUE(PixelProbe::all(bitmap, PallixRect(160, 50, 185, 30), RED));
    EXPECT_TRUE(PixelProbe::all(bitmap, PallixRect(150, 105, 200, 20), BLUE));

    // The top piece reaches the bottom piece: no edges at all.
    blank(bitmap, 600, 400);
    DrawingUtils::drawFrame(bitmap, PallixRect(100, 50, 300, 50), "", "");
    EXPECT_EQ(PixelProbe::count(bitmap, bitmap.GetRect(), [](const PallixColor& c) { return c == GREEN; }), 0);
    EXPECT_TRUE(PixelProbe::all(bitmap, PallixRect(150, 50, 200, 30), RED));
    EXPECT_TRUE(PixelProbe::all(bitmap, PallixRect(150, 80, 200, 20), BLUE));
}

TEST(DrawingUtils, FrameWithMissingPicturesDrawsWhatItCanAndNoTitles)
{
    ImageFactoryTestAccess cache;
    cache.add(CORRAL_TOP, 200, 30, RED);
    cache.add(CORRAL_BOTTOM, 200, 20, BLUE);
    PallixBitmap bitmap;
    blank(bitmap, 600, 400);
    DrawingUtils::drawFrame(bitmap, PallixRect(100, 50, 300, 200), "Browse By Genre", "4 Genres");
    EXPECT_EQ(PixelProbe::count(bitmap, bitmap.GetRect(), isPainted), 200 * 30);

    cache.remove(CORRAL_TOP);
    cache.add(CORRAL_EDGE, 10, 40, GREEN);
    blank(bitmap, 600, 400);
    DrawingUtils::drawFrame(bitmap, PallixRect(100, 50, 300, 200), "Browse By Genre", "4 Genres");
    EXPECT_EQ(PixelProbe::count(bitmap, bitmap.GetRect(), isPainted), 0);
}

TEST(DrawingUtils, FrameSubtitleFollowsTheTitle)
{
    ImageFactoryTestAccess cache;
    cache.add(CORRAL_TOP, 600, 40, BAR);
    cache.add(CORRAL_EDGE, 10, 40, BAR);
    cache.add(CORRAL_BOTTOM, 600, 20, BAR);
    PallixBitmap bitmap;
    blank(bitmap, 800, 300);
    DrawingUtils::drawFrame(bitmap, PallixRect(0, 0, 600, 300), "Browse By Genre", "4 Genres");

    int32_t titleWidth = int32_t(Fonts::SYSTEM_28.GetTextExtent("Browse By Genre").w);
    PallixRect title = PixelProbe::bounds(bitmap, PallixRect(0, 0, 800, 40), PixelProbe::isWhite);
    PallixRect subtitle = PixelProbe::bounds(bitmap, PallixRect(0, 0, 800, 40), PixelProbe::isBlueText);
    ASSERT_FALSE(title.IsEmpty());
    ASSERT_FALSE(subtitle.IsEmpty());
    EXPECT_GE(title.x, 40);
    EXPECT_LE(title.x, 44);
    EXPECT_LE(title.x + int32_t(title.w), 40 + titleWidth + 2);
    EXPECT_GE(subtitle.x, titleWidth + 50);
    EXPECT_LE(subtitle.x, titleWidth + 54);
    // The smaller subtitle sits lower in the top piece than the title.
    EXPECT_LT(subtitle.h, title.h);
    EXPECT_GT(subtitle.y, title.y);

    // Without a title the subtitle takes the title's place, 50 pixels in.
    blank(bitmap, 800, 300);
    DrawingUtils::drawFrame(bitmap, PallixRect(0, 0, 600, 300), "", "4 Genres");
    EXPECT_EQ(PixelProbe::count(bitmap, bitmap.GetRect(), PixelProbe::isWhite), 0);
    subtitle = PixelProbe::bounds(bitmap, PallixRect(0, 0, 800, 40), PixelProbe::isBlueText);
    EXPECT_GE(subtitle.x, 50);
    EXPECT_LE(subtitle.x, 54);
}

TEST(DrawingUtils, EntryDetailsComposeBothHeaderLinesOnTheBar)
{
    ImageFactoryTestAccess cache;
    cache.add("topbar.png", 400, 60, BAR);
    MediaEntry entry;
    entry.setOriginalTitle("Paper Planets");
    entry.setYear("2011");
    entry.setGenre("Animation, Family");
    entry.setMPAA("PG-13 for brief strong language");
    entry.setDuration("1:30:00");
    ASSERT_EQ(entry.getRating(), "PG-13");
    ASSERT_FALSE(entry.getMPAA().IsEmpty());

    PallixBitmap actual;
    blank(actual, 1280, 200);
    DrawingUtils::drawEntryDetails(actual, PallixRect(140, 0, 1140, 720), &entry, "");

    // The bar is centred on the panel; its two halves hold the lines; the running
    // time sits in a box at the panel's right end.
    PallixBitmap expected;
    blank(expected, 1280, 200);
    expected.FillRect(PallixRect(510, 3, 400, 60), BAR);
    PallixString line2 = PallixString("PG-13: ") + entry.getMPAA() + " Animation, Family";
    DrawingUtils::drawTextShadowed(expected, Fonts::SYSTEM_30, PallixRect(520, 4, 390, 30), "Paper Planets (2011)",
                                   Colors::WHITE, Colors::BLACK, 0x101);
    DrawingUtils::drawTextShadowed(expected, Fonts::SYSTEM_30, PallixRect(520, 34, 390, 30), line2, Colors::WHITE,
                                   Colors::BLACK, 0x101);
    // The running time is too wide for its 100-pixel box in SYSTEM_30: it takes the
    // largest font that keeps its first digit.
    const PallixFont& durationFont =
        Fonts::SYSTEM_28.GetTextExtent("1:30:00").w <= 100 ? Fonts::SYSTEM_28 : Fonts::SYSTEM_22;
    EXPECT_GT(Fonts::SYSTEM_30.GetTextExtent("1:30:00").w, 100u);
    EXPECT_LE(durationFont.GetTextExtent("1:30:00").w, 100u);
    DrawingUtils::drawTextShadowed(expected, durationFont, PallixRect(1160, 34, 100, 30), "1:30:00", Colors::WHITE,
                                   Colors::BLACK, 0x21);
    EXPECT_TRUE(PixelProbe::same(actual, expected));
}

TEST(DrawingUtils, EntryDetailsWithAFileNameAndFewFields)
{
    ImageFactoryTestAccess cache;
    MediaEntry entry;
    entry.setOriginalTitle("Harbour Lights");
    entry.setYear("2004");
    entry.setGenre("Drama");
    entry.setDuration("0:00:00");

    // No bar picture: the text starts at 150 and keeps to the panel's width.
    PallixBitmap actual;
    blank(actual, 1280, 200);
    DrawingUtils::drawEntryDetails(actual, PallixRect(140, 0, 1140, 720), &entry, "part2.mpg");
    PallixBitmap expected;
    blank(expected, 1280, 200);
    DrawingUtils::drawTextShadowed(expected, Fonts::SYSTEM_30, PallixRect(150, 4, 1130, 35),
                                   "Harbour Lights - part2.mpg", Colors::WHITE, Colors::BLACK, 0x101);
    DrawingUtils::drawTextShadowed(expected, Fonts::SYSTEM_30, PallixRect(150, 39, 1130, 35), "Drama", Colors::WHITE,
                                   Colors::BLACK, 0x101);
    EXPECT_TRUE(PixelProbe::same(actual, expected));

    blank(actual, 1280, 200);
    DrawingUtils::drawEntryDetails(actual, PallixRect(140, 0, 1140, 720), nullptr, "");
    EXPECT_EQ(PixelProbe::count(actual, actual.GetRect(), isPainted), 0);

    // The title's page names its edition after the year; a playing file's name takes its place.
    const PallixRect firstLine(140, 0, 1140, 38);
    blank(actual, 1280, 200);
    DrawingUtils::drawEntryDetails(actual, PallixRect(140, 0, 1140, 720), &entry, "");
    const PallixRect plain = PixelProbe::bounds(actual, firstLine, PixelProbe::isWhite);
    entry.setEdition("Director's Cut");
    blank(actual, 1280, 200);
    DrawingUtils::drawEntryDetails(actual, PallixRect(140, 0, 1140, 720), &entry, "");
    const PallixRect edition = PixelProbe::bounds(actual, firstLine, PixelProbe::isWhite);
    EXPECT_EQ(edition.x, plain.x);
    EXPECT_GT(edition.w, plain.w + 100);
    blank(actual, 1280, 200);
    DrawingUtils::drawEntryDetails(actual, PallixRect(140, 0, 1140, 720), &entry, "part2.mpg");
    PallixBitmap withEdition;
    blank(withEdition, 1280, 200);
    DrawingUtils::drawEntryDetails(withEdition, PallixRect(140, 0, 1140, 720), &entry, "");
    EXPECT_FALSE(PixelProbe::same(actual, withEdition));
}

TEST(DrawingUtils, TimeDrawsTheDateOverTheTimeAndShrinksALineTooWideToKeepItsEnds)
{
    struct tm local = {};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 4;
    local.tm_mday = 30;
    local.tm_hour = 21;
    local.tm_min = 45;
    local.tm_isdst = -1;
    const time_t when = mktime(&local);
    // May's dates are the widest: too wide for SYSTEM_22 in the clock's 125 pixels, whole in SYSTEM_18.
    ASSERT_GT(Fonts::SYSTEM_22.GetTextExtent("May 30, 2026").w, 125u);
    ASSERT_LE(Fonts::SYSTEM_18.GetTextExtent("May 30, 2026").w, 125u);

    for (uint32_t height : {50u, 51u})
    {
        PallixBitmap actual;
        blank(actual, 200, 150);
        DrawingUtils::drawTime(actual, PallixRect(10, 70, 125, height), when);

        PallixBitmap expected;
        blank(expected, 200, 150);
        expected.DrawText(Fonts::SYSTEM_18, PallixRect(10, 70, 125, 25), "May 30, 2026", Colors::YELLOW_TEXT, 3);
        expected.DrawText(Fonts::SYSTEM_22, PallixRect(10, 91, 125, 25), "09:45 PM", Colors::YELLOW_TEXT, 3);
        EXPECT_TRUE(PixelProbe::same(actual, expected)) << "height " << height;

        // Neither line is cut: the ink keeps clear of both sides of the rectangle.
        for (int32_t top : {70, 95})
        {
            PallixRect ink = PixelProbe::bounds(actual, PallixRect(0, top, 200, 21), PixelProbe::isYellowText);
            ASSERT_FALSE(ink.IsEmpty()) << "line at " << top;
            EXPECT_GT(ink.x, 10) << "line at " << top;
            EXPECT_LT(ink.x + int32_t(ink.w), 135) << "line at " << top;
        }
    }
}

TEST(DrawingUtils, ShadowLiesTwoPixelsRightAndDownUnderTheText)
{
    PallixBitmap bitmap;
    blank(bitmap, 300, 100);
    DrawingUtils::drawTextShadowed(bitmap, Fonts::SYSTEM_30, PallixRect(20, 10, 260, 60), "Quorva", Colors::WHITE,
                                   PallixColor(0, 0, 255, 255), 3);
    PallixRect text = PixelProbe::bounds(bitmap, bitmap.GetRect(), PixelProbe::isWhite);
    PallixRect shadow = PixelProbe::bounds(bitmap, bitmap.GetRect(), [](const PallixColor& c)
                                           { return c.GetBlue() > 200 && c.GetRed() < 50 && c.GetAlpha() > 200; });
    ASSERT_FALSE(text.IsEmpty());
    EXPECT_EQ(shadow.x + int32_t(shadow.w), text.x + int32_t(text.w) + 2);
    EXPECT_EQ(shadow.y + int32_t(shadow.h), text.y + int32_t(text.h) + 2);
}
