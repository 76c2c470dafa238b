// Text in other scripts, drawn through the real text layer: fallback faces,
// bidirectional order, shaping, line breaks and truncation.

#include "PallixBitmap.h"
#include "PallixFont.h"
#include "PallixFontCache.h"
#include "PallixTextLayout.h"
#include "PixelProbe.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
const PallixColor WHITE(255, 255, 255, 255);

PallixFont systemFont(uint16_t size)
{
    PallixFont font;
    PallixFont::Attributes attributes;
    attributes.m_nPointSize = size;
    font.SetAttributes(attributes);
    return font;
}

bool inked(const PallixColor& c)
{
    return c.GetAlpha() > 0;
}

// The coverage of text drawn alone, cropped to its ink, one row after another.
struct Glyphs
{
    int w = 0;
    int h = 0;
    std::vector<int> alpha;
    int at(int x, int y) const { return x >= 0 && x < w && y >= 0 && y < h ? alpha[size_t(y * w + x)] : 0; }
    bool operator==(const Glyphs&) const = default;
};

Glyphs draw(const char* text, uint16_t size = 40)
{
    PallixFont font = systemFont(size);
    PallixBitmap bitmap;
    bitmap.Create(900, 120);
    bitmap.DrawText(font, bitmap.GetRect(), text, WHITE, 0x1);
    const PallixRect ink = PixelProbe::bounds(bitmap, bitmap.GetRect(), inked);
    Glyphs glyphs;
    glyphs.w = int(ink.w);
    glyphs.h = int(ink.h);
    for (int y = 0; y < glyphs.h; ++y)
        for (int x = 0; x < glyphs.w; ++x)
            glyphs.alpha.push_back(bitmap.GetPixel(ink.x + x, ink.y + y).GetAlpha());
    return glyphs;
}

// Where, from the left, the glyphs of part look most like a piece of whole.
int whereIn(const Glyphs& whole, const Glyphs& part)
{
    int best = -1;
    long bestScore = LONG_MAX;
    for (int x = 0; x + part.w <= whole.w; ++x)
    {
        for (int y = 0; y + part.h <= whole.h; ++y)
        {
            long score = 0;
            for (int py = 0; py < part.h; ++py)
                for (int px = 0; px < part.w; ++px)
                    score += std::abs(whole.at(x + px, y + py) - part.at(px, py));
            if (score < bestScore)
            {
                bestScore = score;
                best = x;
            }
        }
    }
    return best;
}

// Ten pixels a character, as in the layout's own tests.
int fixedWidth(std::string_view text)
{
    int n = 0;
    for (char c : text)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n * 10;
}
} // namespace

TEST(PallixTextScripts, IdeographsComeFromAFaceThatHasThem)
{
    // U+E000 is in no installed face: it draws as the missing-glyph box.
    const Glyphs box = draw("\xEE\x80\x80");
    const Glyphs east = draw("東");
    const Glyphs capital = draw("京");
    ASSERT_GT(east.w, 10);
    ASSERT_GT(capital.w, 10);
    EXPECT_NE(east, box);
    EXPECT_NE(capital, box);
    EXPECT_NE(east, capital);
    // Korean and Japanese kana too, each glyph its own.
    EXPECT_NE(draw("기"), box);
    EXPECT_NE(draw("の"), box);
    EXPECT_NE(draw("기"), draw("생"));

    // A title of four ideographs is four glyphs wide, and mixes with Latin on one baseline.
    PallixFont font = systemFont(30);
    const PallixDims one = font.GetTextExtent("東");
    const PallixDims title = font.GetTextExtent("東京物語");
    EXPECT_GE(title.w, 4 * one.w - 4);
    EXPECT_EQ(title.h, font.GetTextExtent("Heat").h);
    EXPECT_GT(font.GetTextExtent("Tokyo 東京物語 (1953)").w, title.w + font.GetTextExtent("Tokyo (1953)").w);
}

TEST(PallixTextScripts, RightToLeftWordsReadFromTheRight)
{
    const Glyphs shin = draw("ש");
    const Glyphs finalMem = draw("ם");
    const Glyphs word = draw("שלום");
    ASSERT_GT(word.w, shin.w + finalMem.w);
    // The first letter is drawn right of the last.
    EXPECT_GT(whereIn(word, shin), whereIn(word, finalMem));

    // In a Latin line the Hebrew word keeps its place between the Latin ones.
    const Glyphs mixed = draw("Tel שלום Aviv");
    const int tel = whereIn(mixed, draw("Tel"));
    const int hebrewFirst = whereIn(mixed, shin);
    const int hebrewLast = whereIn(mixed, finalMem);
    const int aviv = whereIn(mixed, draw("Aviv"));
    EXPECT_LT(tel, hebrewLast);
    EXPECT_LT(hebrewLast, hebrewFirst);
    EXPECT_LT(hebrewFirst, aviv);

    // A Hebrew title with its year: the line reads from the right, so the year
    // is on the left, and its digits stay in their order.
    const Glyphs titled = draw("שלום 1984");
    EXPECT_LT(whereIn(titled, draw("1984")), whereIn(titled, finalMem));
    EXPECT_LT(whereIn(titled, draw("1")), whereIn(titled, draw("4")));
}

TEST(PallixTextScripts, ShapingJoinsArabicLetters)
{
    PallixFont font = systemFont(30);
    // Zero-width non-joiners keep the letters apart, each in its isolated form.
    const uint32_t joined = font.GetTextExtent("سلام").w;
    const uint32_t apart = font.GetTextExtent("س\u200Cل\u200Cا\u200Cم").w;
    EXPECT_GT(joined, 20u);
    EXPECT_LT(joined, apart);
    // Arabic reads from the right too: the first letter is drawn right of the last.
    const Glyphs word = draw("سلام");
    EXPECT_GT(whereIn(word, draw("سـ")), whereIn(word, draw("ـم")));
    // Devanagari forms its conjuncts: ksha is one glyph, narrower than its parts.
    EXPECT_LT(font.GetTextExtent("क्ष").w, font.GetTextExtent("क\u200C्\u200Cष").w);
    EXPECT_NE(draw("क"), draw("\xEE\x80\x80"));
    EXPECT_NE(draw("ก"), draw("\xEE\x80\x80"));
}

TEST(PallixTextScripts, LongTitlesEndInAnEllipsisInsideTheirSpace)
{
    PallixFont font = systemFont(22);
    const PallixRect rect(10, 5, 157, 30);
    for (const char* title : {"千と千尋の神隠し、そして帰らざる夏の日々", "Ça commence aujourd'hui, et demain encore",
                              "בית הקברות של הסיפורים הארוכים מאוד"})
    {
        const auto& lines = PallixFontCache::Get().GetLayout(font.GetAttributes(), title, rect.w, rect.h, 0x103);
        ASSERT_EQ(lines.size(), 1u) << title;
        EXPECT_TRUE(lines[0].text.ends_with(PallixTextLayout::kEllipsisText)) << title;
        EXPECT_LE(PallixFontCache::Get().Measure(font.GetAttributes(), lines[0].text), int(rect.w)) << title;

        PallixBitmap bitmap;
        bitmap.Create(300, 60);
        bitmap.DrawText(font, rect, title, WHITE, 0x103);
        const PallixRect ink = PixelProbe::bounds(bitmap, bitmap.GetRect(), inked);
        EXPECT_GT(int(ink.w), int(rect.w) - 30) << title;
        EXPECT_GE(ink.x, rect.x) << title;
        EXPECT_LE(ink.x + int(ink.w), rect.x + int(rect.w)) << title;
    }
}

TEST(PallixTextLayout, CutsAndBreaksBetweenGraphemeClusters)
{
    // "e" and a combining acute are one cluster: never parted by the dots.
    const std::string accented = "e\xCC\x81";
    std::string text;
    for (int i = 0; i < 6; ++i)
        text += accented;
    EXPECT_EQ(PallixTextLayout::Ellipsize(text, 60, fixedWidth), accented + accented + "\xE2\x80\xA6");

    // Ideographs wrap between any two of them, and nothing is lost.
    const std::string plot = "東京物語は日本の映画です。";
    auto lines = PallixTextLayout::Lay(plot, 45, 1000, 20, PallixTextLayout::kWrap, fixedWidth);
    ASSERT_GT(lines.size(), 2u);
    std::string joined;
    for (const auto& line : lines)
    {
        EXPECT_LE(fixedWidth(line.text), 45) << line.text;
        joined += line.text;
    }
    EXPECT_EQ(joined, plot);
    // The full stop never starts a line.
    EXPECT_EQ(lines.back().text, "す。");

    // A word of a spaced script is never broken while it fits a line of its own.
    lines = PallixTextLayout::Lay("ab Straße cd", 70, 1000, 20, PallixTextLayout::kWrap, fixedWidth);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].text, "Straße");

    // A wrapped paragraph that starts in Hebrew keeps to the right edge; a
    // Latin one, and a Hebrew line that is not wrapped, to the left.
    lines = PallixTextLayout::Lay("שלום עולם\nHello world", 200, 1000, 20, PallixTextLayout::kWrap, fixedWidth);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].bRightToLeft);
    EXPECT_EQ(lines[0].x, 200 - 90);
    EXPECT_FALSE(lines[1].bRightToLeft);
    EXPECT_EQ(lines[1].x, 0);
    lines = PallixTextLayout::Lay("שלום עולם", 200, 1000, 20, 0, fixedWidth);
    EXPECT_EQ(lines[0].x, 0);

    // Bytes that are not UTF-8 become replacement characters, never a cut sequence.
    lines = PallixTextLayout::Lay("ab\xFF\xC3", 1000, 20, 20, 0, fixedWidth);
    EXPECT_EQ(lines[0].text, "ab\xEF\xBF\xBD\xEF\xBF\xBD");
    // The noncharacter U+FFFF, which the line breaker takes for the end of the
    // text, wraps like any other character and is kept.
    const std::string odd = "ab \xEF\xBF\xBF cd ef";
    lines = PallixTextLayout::Lay(odd, 35, 1000, 20, PallixTextLayout::kWrap, fixedWidth);
    joined.clear();
    for (const auto& line : lines)
        joined += line.text;
    EXPECT_GT(lines.size(), 1u);
    EXPECT_NE(joined.find("\xEF\xBF\xBF"), std::string::npos);
}

TEST(PallixTextScripts, AFaceNamedByPallixFontGetsTheCharactersItLacksFromOthers)
{
    setenv("PALLIX_FONT", "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf", 1);
    PallixFont font;
    PallixFont::Attributes attributes;
    std::snprintf(attributes.m_faceName, sizeof(attributes.m_faceName), "%s", "pallix-font-test");
    attributes.m_nPointSize = 30;
    font.SetAttributes(attributes);
    // The file's own letters: every one as wide as the next.
    const uint32_t narrow = font.GetTextExtent("iiii").w;
    const uint32_t wide = font.GetTextExtent("MMMM").w;
    unsetenv("PALLIX_FONT");
    EXPECT_EQ(narrow, wide);
    // An ideograph comes from a face that has it, a full square wider than the
    // file's missing-glyph box, and sits on the same line.
    EXPECT_GT(font.GetTextExtent("東").w, font.GetTextExtent("\xEE\x80\x80").w + 5);
    EXPECT_EQ(font.GetTextExtent("東 M").h, font.GetTextExtent("M").h);
}
