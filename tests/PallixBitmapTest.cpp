#include "PallixBitmap.h"
#include "PallixFile.h"
#include "PallixFont.h"
#include "PallixTextLayout.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
const PallixColor RED(255, 0, 0, 255);
const PallixColor BLUE(0, 0, 255, 255);
const PallixColor WHITE(255, 255, 255, 255);
const PallixColor CLEAR(0, 0, 0, 0);

// The smallest rectangle holding every pixel that is not fully transparent.
PallixRect inkBounds(const PallixBitmap& bitmap)
{
    const PallixRect all = bitmap.GetRect();
    int x0 = INT32_MAX, y0 = INT32_MAX, x1 = -1, y1 = -1;
    for (int y = 0; y < int(all.h); ++y)
    {
        for (int x = 0; x < int(all.w); ++x)
        {
            if (bitmap.GetPixel(x, y).GetAlpha() != 0)
            {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
        }
    }
    if (x1 < 0)
        return PallixRect();
    return PallixRect(x0, y0, uint32_t(x1 - x0 + 1), uint32_t(y1 - y0 + 1));
}

bool inside(const PallixRect& inner, const PallixRect& outer)
{
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + int(inner.w) <= outer.x + int(outer.w) &&
           inner.y + int(inner.h) <= outer.y + int(outer.h);
}

PallixFont systemFont(uint16_t size, uint32_t weight = PallixFont::kNormal)
{
    PallixFont font;
    PallixFont::Attributes attributes;
    attributes.m_nPointSize = size;
    attributes.m_weightFlags = weight;
    font.SetAttributes(attributes);
    return font;
}

// Ten pixels a character, the ellipsis counted as one.
int fixedWidth(std::string_view text)
{
    int n = 0;
    for (char c : text)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n * 10;
}

std::vector<std::string> texts(const std::vector<PallixTextLayout::Line>& lines)
{
    std::vector<std::string> out;
    for (const auto& line : lines)
        out.push_back(line.text);
    return out;
}

const char* const LONG_TEXT = "A retired thief returns to the city for one last job, and the old crew "
                              "is waiting for him at the harbour with a plan nobody believes in.";
} // namespace

TEST(PallixBitmap, FillAndOutlineReplacePixelsIncludingAlpha)
{
    PallixBitmap bitmap;
    ASSERT_TRUE(bitmap.Create(20, 10));
    EXPECT_EQ(bitmap.GetDims(), PallixDims(20, 10));
    EXPECT_EQ(bitmap.GetPixel(5, 5), CLEAR);

    bitmap.FillRect(bitmap.GetRect(), RED);
    bitmap.FillRect(PallixRect(2, 2, 4, 4), PallixColor(0, 0, 0, 128));
    // A see-through fill replaces: it does not darken the red underneath.
    EXPECT_EQ(bitmap.GetPixel(3, 3), PallixColor(0, 0, 0, 128));
    EXPECT_EQ(bitmap.GetPixel(6, 3), RED);
    bitmap.FillRect(PallixRect(2, 2, 1, 1), CLEAR);
    EXPECT_EQ(bitmap.GetPixel(2, 2), CLEAR);

    bitmap.FillRect(bitmap.GetRect(), CLEAR);
    bitmap.DrawRect(PallixRect(1, 1, 5, 4), PallixColor(0, 255, 0, 100));
    EXPECT_EQ(bitmap.GetPixel(1, 1), PallixColor(0, 255, 0, 100));
    EXPECT_EQ(bitmap.GetPixel(5, 1), PallixColor(0, 255, 0, 100));
    EXPECT_EQ(bitmap.GetPixel(1, 4), PallixColor(0, 255, 0, 100));
    EXPECT_EQ(bitmap.GetPixel(5, 4), PallixColor(0, 255, 0, 100));
    EXPECT_EQ(bitmap.GetPixel(3, 2), CLEAR);
    EXPECT_EQ(bitmap.GetPixel(6, 1), CLEAR);
    EXPECT_EQ(bitmap.GetPixel(1, 5), CLEAR);

    // Off the bitmap and huge: only the part on it is touched.
    bitmap.FillRect(PallixRect(-100, 8, 1000000, 1000), BLUE);
    EXPECT_EQ(bitmap.GetPixel(0, 9), BLUE);
    EXPECT_EQ(bitmap.GetPixel(19, 8), BLUE);
    EXPECT_EQ(bitmap.GetPixel(0, 7), CLEAR);
}

TEST(PallixBitmap, LinesIncludeBothEndsAndStayClipped)
{
    PallixBitmap bitmap;
    ASSERT_TRUE(bitmap.Create(10, 10));
    bitmap.DrawLine(PallixPoint(2, 1), PallixPoint(2, 6), WHITE);
    EXPECT_EQ(bitmap.GetPixel(2, 1), WHITE);
    EXPECT_EQ(bitmap.GetPixel(2, 6), WHITE);
    EXPECT_EQ(bitmap.GetPixel(2, 7), CLEAR);
    EXPECT_EQ(bitmap.GetPixel(2, 0), CLEAR);
    bitmap.DrawLine(PallixPoint(0, 0), PallixPoint(9, 9), RED);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(bitmap.GetPixel(i, i), RED);
    EXPECT_EQ(bitmap.GetPixel(1, 0), CLEAR);

    // A line from far away ends in reasonable time and draws only what is on the bitmap.
    bitmap.FillRect(bitmap.GetRect(), CLEAR);
    bitmap.DrawLine(PallixPoint(-2000000000, 5), PallixPoint(2000000000, 5), BLUE);
    EXPECT_EQ(bitmap.GetPixel(0, 5), BLUE);
    EXPECT_EQ(bitmap.GetPixel(9, 5), BLUE);
    EXPECT_EQ(inkBounds(bitmap), PallixRect(0, 5, 10, 1));
}

TEST(PallixBitmap, DrawBitmapBlendsSourceOver)
{
    PallixBitmap source;
    ASSERT_TRUE(source.Create(4, 1));
    source.FillRect(PallixRect(0, 0, 1, 1), PallixColor(255, 0, 0, 255));
    source.FillRect(PallixRect(1, 0, 1, 1), PallixColor(255, 0, 0, 128));
    source.FillRect(PallixRect(2, 0, 1, 1), PallixColor(255, 0, 0, 0));
    source.FillRect(PallixRect(3, 0, 1, 1), PallixColor(255, 255, 255, 64));

    PallixBitmap opaque;
    ASSERT_TRUE(opaque.Create(4, 1));
    opaque.FillRect(opaque.GetRect(), BLUE);
    opaque.DrawBitmap(PallixPoint(0, 0), source, source.GetRect());
    EXPECT_EQ(opaque.GetPixel(0, 0), RED);
    EXPECT_EQ(opaque.GetPixel(1, 0), PallixColor(128, 0, 127, 255));
    EXPECT_EQ(opaque.GetPixel(2, 0), BLUE);
    EXPECT_EQ(opaque.GetPixel(3, 0), PallixColor(64, 64, 255, 255));

    // Over a clear plane the colour stays, only the coverage is carried, so the
    // picture is not darkened when the plane goes over the video.
    PallixBitmap clear;
    ASSERT_TRUE(clear.Create(4, 1));
    clear.DrawBitmap(PallixPoint(0, 0), source, source.GetRect());
    EXPECT_EQ(clear.GetPixel(1, 0), PallixColor(255, 0, 0, 128));
    EXPECT_EQ(clear.GetPixel(2, 0), CLEAR);
    // Half over half gives three quarters.
    clear.DrawBitmap(PallixPoint(0, 0), source, PallixRect(1, 0, 1, 1));
    EXPECT_EQ(clear.GetPixel(0, 0), PallixColor(255, 0, 0, 255));
    clear.DrawBitmap(PallixPoint(1, 0), source, PallixRect(1, 0, 1, 1));
    EXPECT_EQ(clear.GetPixel(1, 0), PallixColor(255, 0, 0, 192));
}

TEST(PallixBitmap, DrawBitmapHonoursSourceRectEdgesAndClip)
{
    PallixBitmap source;
    ASSERT_TRUE(source.Create(3, 3));
    source.FillRect(source.GetRect(), RED);
    source.FillRect(PallixRect(1, 1, 1, 1), BLUE);

    PallixBitmap dest;
    ASSERT_TRUE(dest.Create(6, 6));
    // Only the source rectangle is copied, to the given point.
    dest.DrawBitmap(PallixPoint(4, 4), source, PallixRect(1, 1, 2, 2));
    EXPECT_EQ(dest.GetPixel(4, 4), BLUE);
    EXPECT_EQ(dest.GetPixel(5, 5), RED);
    EXPECT_EQ(inkBounds(dest), PallixRect(4, 4, 2, 2));

    // Partly off the top-left: the visible part lines up with the source.
    dest.FillRect(dest.GetRect(), CLEAR);
    dest.DrawBitmap(PallixPoint(-1, -1), source, source.GetRect());
    EXPECT_EQ(dest.GetPixel(0, 0), BLUE);
    EXPECT_EQ(inkBounds(dest), PallixRect(0, 0, 2, 2));

    // A source rectangle reaching past the source is cut to it.
    dest.FillRect(dest.GetRect(), CLEAR);
    dest.DrawBitmap(PallixPoint(0, 0), source, PallixRect(-2, 0, 100, 1));
    EXPECT_EQ(inkBounds(dest), PallixRect(2, 0, 3, 1));

    dest.FillRect(dest.GetRect(), CLEAR);
    dest.SetClipRect(PallixRect(1, 1, 2, 2));
    EXPECT_EQ(dest.GetClipRect(), PallixRect(1, 1, 2, 2));
    dest.DrawBitmap(PallixPoint(0, 0), source, source.GetRect());
    dest.FillRect(PallixRect(0, 0, 6, 6), PallixColor(0, 255, 0, 255));
    dest.DrawLine(PallixPoint(0, 5), PallixPoint(5, 0), WHITE);
    EXPECT_EQ(inkBounds(dest), PallixRect(1, 1, 2, 2));
    dest.ClearClipRect();
    EXPECT_EQ(dest.GetClipRect(), dest.GetRect());
    dest.FillRect(PallixRect(5, 5, 1, 1), RED);
    EXPECT_EQ(dest.GetPixel(5, 5), RED);
}

TEST(PallixBitmap, EmptyBitmapsDrawNothing)
{
    PallixBitmap empty;
    PallixBitmap dest;
    ASSERT_TRUE(dest.Create(4, 4));
    dest.DrawBitmap(PallixPoint(0, 0), empty, PallixRect(0, 0, 4, 4));
    EXPECT_EQ(inkBounds(dest), PallixRect());

    PallixFont font = systemFont(18);
    empty.FillRect(PallixRect(0, 0, 4, 4), RED);
    empty.DrawRect(PallixRect(0, 0, 4, 4), RED);
    empty.DrawLine(PallixPoint(0, 0), PallixPoint(3, 3), RED);
    empty.DrawText(font, PallixRect(0, 0, 100, 30), "text", RED, 3);
    empty.DrawTextAt(PallixPoint(0, 0), "text", font, RED, 0);
    empty.DrawBitmap(PallixPoint(0, 0), dest, dest.GetRect());
    EXPECT_EQ(empty.GetDims(), PallixDims());
    EXPECT_EQ(empty.GetPixel(0, 0), CLEAR);
    EXPECT_EQ(empty.GetPixels(), nullptr);
    EXPECT_FALSE(empty.Create(0, 5));
}

TEST(PallixBitmap, SavedPngLoadsBackWithAlpha)
{
    TempDir dir;
    PallixBitmap bitmap;
    ASSERT_TRUE(bitmap.Create(3, 2));
    bitmap.FillRect(PallixRect(0, 0, 1, 1), PallixColor(10, 20, 30, 255));
    bitmap.FillRect(PallixRect(2, 1, 1, 1), PallixColor(200, 100, 50, 77));
    const std::string path = dir.file("out.png");
    ASSERT_TRUE(bitmap.SavePNG(path.c_str()));
    EXPECT_FALSE(bitmap.SavePNG(dir.file("missing/out.png").c_str()));

    PallixFile file(path.c_str());
    PallixBitmap loaded;
    ASSERT_TRUE(loaded.Load(file, 2));
    EXPECT_EQ(loaded.GetDims(), PallixDims(3, 2));
    EXPECT_EQ(loaded.GetPixel(0, 0), PallixColor(10, 20, 30, 255));
    EXPECT_EQ(loaded.GetPixel(2, 1), PallixColor(200, 100, 50, 77));
    EXPECT_EQ(loaded.GetPixel(1, 0).GetAlpha(), 0);
}

TEST(PallixTextLayout, WrapsWordsAndBreaksWordsTooLongForTheBox)
{
    auto lines = PallixTextLayout::Lay("one two three four", 90, 1000, 20, PallixTextLayout::kWrap, fixedWidth);
    EXPECT_EQ(texts(lines), (std::vector<std::string>{"one two", "three", "four"}));
    EXPECT_EQ(lines[1].y, 20);
    EXPECT_EQ(lines[2].y, 40);

    lines = PallixTextLayout::Lay("abcdefghijklmnop xy", 50, 1000, 20, PallixTextLayout::kWrap, fixedWidth);
    EXPECT_EQ(texts(lines), (std::vector<std::string>{"abcde", "fghij", "klmno", "p xy"}));

    // Line breaks in the text start new lines, in either mode.
    lines = PallixTextLayout::Lay("Browse By\nGenre", 1000, 1000, 20, 0, fixedWidth);
    EXPECT_EQ(texts(lines), (std::vector<std::string>{"Browse By", "Genre"}));
}

TEST(PallixTextLayout, EllipsisKeepsToTheWidthAndMarksCutText)
{
    auto lines = PallixTextLayout::Lay("abcdefghij", 50, 20, 20, PallixTextLayout::kEllipsis, fixedWidth);
    EXPECT_EQ(texts(lines), (std::vector<std::string>{"abcd\xE2\x80\xA6"}));
    lines = PallixTextLayout::Lay("abcde", 50, 20, 20, PallixTextLayout::kEllipsis, fixedWidth);
    EXPECT_EQ(texts(lines), (std::vector<std::string>{"abcde"}));
    // Cut at a character boundary, never inside a UTF-8 sequence; no blank before the dots.
    lines = PallixTextLayout::Lay("ab \xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 50, 20, 20, PallixTextLayout::kEllipsis,
                                  fixedWidth);
    EXPECT_EQ(texts(lines), (std::vector<std::string>{"ab \xC3\xA9\xE2\x80\xA6"}));
    lines = PallixTextLayout::Lay("abc def", 40, 20, 20, PallixTextLayout::kEllipsis, fixedWidth);
    EXPECT_EQ(texts(lines), (std::vector<std::string>{"abc\xE2\x80\xA6"}));
    // Too narrow even for the dots: nothing.
    lines = PallixTextLayout::Lay("abc", 5, 20, 20, PallixTextLayout::kEllipsis, fixedWidth);
    EXPECT_EQ(texts(lines), (std::vector<std::string>{""}));

    // Wrapped text shows whole lines only; the last says that more follows.
    lines = PallixTextLayout::Lay("aa bb cc dd ee", 50, 45, 20, PallixTextLayout::kWrap | PallixTextLayout::kEllipsis,
                                  fixedWidth);
    EXPECT_EQ(texts(lines), (std::vector<std::string>{"aa bb", "cc\xE2\x80\xA6"}));
}

TEST(PallixTextLayout, PlacesLinesByAlignmentFlags)
{
    auto lines = PallixTextLayout::Lay("abc", 100, 50, 20, 0, fixedWidth);
    EXPECT_EQ(lines[0].x, 0);
    EXPECT_EQ(lines[0].y, 0);
    lines = PallixTextLayout::Lay("abc", 100, 50, 20, PallixTextLayout::kCenterHorizontal, fixedWidth);
    EXPECT_EQ(lines[0].x, 35);
    lines = PallixTextLayout::Lay("abc", 100, 50, 20, PallixTextLayout::kAlignRight, fixedWidth);
    EXPECT_EQ(lines[0].x, 70);
    lines = PallixTextLayout::Lay("abc\nd", 100, 50, 20, PallixTextLayout::kCenterVertical, fixedWidth);
    EXPECT_EQ(lines[0].y, 5);
    EXPECT_EQ(lines[1].y, 25);
    EXPECT_TRUE(PallixTextLayout::Lay("", 100, 50, 20, 3, fixedWidth).empty());
}

TEST(PallixFont, ExtentsGrowWithTextSizeAndWeight)
{
    PallixFont small = systemFont(22);
    PallixFont large = systemFont(43);
    PallixFont bold = systemFont(22, PallixFont::kBold);
    const PallixDims one = small.GetTextExtent("Heat");
    const PallixDims two = small.GetTextExtent("Heat Heat");
    EXPECT_GT(one.w, 30u);
    EXPECT_GT(two.w, one.w * 2 - 5);
    // A point size is a pixel size: the line is a little taller than the size.
    EXPECT_GE(one.h, 22u);
    EXPECT_LE(one.h, 30u);
    EXPECT_GT(large.GetTextExtent("Heat").h, 43u);
    EXPECT_GT(large.GetTextExtent("Heat").w, one.w);
    EXPECT_GT(bold.GetTextExtent("Heat").w, one.w);
    EXPECT_EQ(small.GetTextExtent("").w, 0u);
    EXPECT_EQ(small.GetTextExtent("ab\ncd").h, 2 * one.h);
}

TEST(PallixBitmap, TextAlignsByFlags)
{
    PallixFont font = systemFont(22);
    const PallixRect rect(20, 10, 300, 80);
    auto draw = [&](uint32_t flags) {
        PallixBitmap bitmap;
        bitmap.Create(400, 120);
        bitmap.DrawText(font, rect, "Heat", WHITE, flags);
        return inkBounds(bitmap);
    };
    const PallixRect topLeft = draw(0);
    ASSERT_FALSE(topLeft.IsEmpty());
    EXPECT_LE(topLeft.x - rect.x, 3);
    EXPECT_LE(topLeft.y - rect.y, 8);

    const PallixRect centred = draw(0x1 | 0x2);
    const int midX = centred.x + int(centred.w) / 2, midY = centred.y + int(centred.h) / 2;
    EXPECT_NEAR(midX, rect.x + int(rect.w) / 2, 3);
    EXPECT_NEAR(midY, rect.y + int(rect.h) / 2, 5);

    const PallixRect right = draw(0x20 | 0x1);
    EXPECT_LE(rect.x + int(rect.w) - (right.x + int(right.w)), 3);
    EXPECT_GE(rect.x + int(rect.w) - (right.x + int(right.w)), 0);
    EXPECT_EQ(right.y, centred.y);
}

TEST(PallixBitmap, TextWrapsAndEllipsizesInsideItsRectangle)
{
    PallixFont font = systemFont(22);
    const int lineH = int(font.GetTextExtent("H").h);
    const PallixRect rect(10, 10, 200, 200);

    PallixBitmap wrapped;
    wrapped.Create(300, 300);
    wrapped.DrawText(font, rect, LONG_TEXT, WHITE, 0x40);
    const PallixRect wrappedInk = inkBounds(wrapped);
    EXPECT_GT(int(wrappedInk.h), 3 * lineH);
    EXPECT_TRUE(inside(wrappedInk, rect));

    // Kept to the width on one line: it fills the width but not past it.
    PallixBitmap cut;
    cut.Create(300, 300);
    cut.DrawText(font, PallixRect(10, 10, 200, 40), LONG_TEXT, WHITE, 0x100);
    const PallixRect cutInk = inkBounds(cut);
    EXPECT_LT(int(cutInk.h), lineH);
    EXPECT_GT(int(cutInk.w), 170);
    EXPECT_TRUE(inside(cutInk, PallixRect(10, 10, 200, 40)));
}

TEST(PallixBitmap, TextNeverDrawsOutsideItsRectangle)
{
    PallixFont font = systemFont(30);
    const PallixRect rect(50, 40, 120, 20);
    for (uint32_t flags : {0x0u, 0x1u, 0x2u, 0x3u, 0x20u, 0x21u, 0x40u, 0x100u, 0x101u, 0x103u, 0x140u})
    {
        PallixBitmap bitmap;
        bitmap.Create(300, 120);
        bitmap.DrawText(font, rect, LONG_TEXT, WHITE, flags);
        const PallixRect ink = inkBounds(bitmap);
        EXPECT_FALSE(ink.IsEmpty()) << "flags " << flags;
        EXPECT_TRUE(inside(ink, rect)) << "flags " << flags;
    }
    // And within the clip as well.
    PallixBitmap bitmap;
    bitmap.Create(300, 120);
    bitmap.SetClipRect(PallixRect(0, 0, 60, 120));
    bitmap.DrawTextAt(PallixPoint(0, 0), LONG_TEXT, font, WHITE, 0);
    EXPECT_TRUE(inside(inkBounds(bitmap), PallixRect(0, 0, 60, 120)));
}

TEST(PallixBitmap, TextBlendsInItsColour)
{
    PallixFont font = systemFont(43);
    PallixBitmap bitmap;
    bitmap.Create(200, 60);
    bitmap.FillRect(bitmap.GetRect(), BLUE);
    bitmap.DrawText(font, bitmap.GetRect(), "HH", PallixColor(255, 255, 128, 255), 3);
    int yellow = 0, mixed = 0;
    for (int y = 0; y < 60; ++y)
    {
        for (int x = 0; x < 200; ++x)
        {
            const PallixColor c = bitmap.GetPixel(x, y);
            EXPECT_EQ(c.GetAlpha(), 255);
            yellow += c == PallixColor(255, 255, 128, 255);
            mixed += c != BLUE && c != PallixColor(255, 255, 128, 255);
        }
    }
    EXPECT_GT(yellow, 200);
    EXPECT_GT(mixed, 0); // anti-aliased edges
    EXPECT_EQ(bitmap.GetPixel(2, 2), BLUE);

    // A fully transparent colour leaves the bitmap alone.
    PallixBitmap clear;
    clear.Create(200, 60);
    clear.DrawText(font, clear.GetRect(), "HH", CLEAR, 3);
    EXPECT_TRUE(inkBounds(clear).IsEmpty());

    // Anchored at a point: 0x2 centres the text on it.
    PallixBitmap anchored;
    anchored.Create(200, 60);
    anchored.DrawTextAt(PallixPoint(100, 5), "HH", font, WHITE, 0x2);
    const PallixRect ink = inkBounds(anchored);
    EXPECT_NEAR(ink.x + int(ink.w) / 2, 100, 3);
}
