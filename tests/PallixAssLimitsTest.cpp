#include "PallixAssLimits.h"

extern "C" {
#include <ass/ass.h>
}

#include <gtest/gtest.h>

#include <string>

namespace
{
struct AssTrack
{
    AssTrack(int playResX, int playResY, const std::string& styles, const std::string& events = "")
    {
        std::string header = "[Script Info]\nScriptType: v4.00+\nPlayResX: " + std::to_string(playResX) +
                             "\nPlayResY: " + std::to_string(playResY) +
                             "\n\n[V4+ Styles]\nFormat: Name, Fontsize, ScaleX, Outline, Shadow\n" + styles +
                             "\n[Events]\nFormat: Layer, Start, End, Style, Text\n" + events;
        ass_process_codec_private(pTrack, header.data(), int(header.size()));
    }
    ~AssTrack()
    {
        ass_free_track(pTrack);
        ass_library_done(pLibrary);
    }
    // In the header's "Default" style; libass keeps a default of its own before it.
    std::string Cap(const std::string& text) const
    {
        return PallixAssLimits::CapTags(text.c_str(), *pTrack, pTrack->n_styles > 1 ? 1 : 0);
    }

    ASS_Library* pLibrary = ass_library_init();
    ASS_Track* pTrack = ass_new_track(pLibrary);
};
} // namespace

TEST(PallixAssLimits, SizesBeyondTheFrameAreBroughtBack)
{
    // Within a line's override blocks only; the text itself is never touched.
    const AssTrack wide(640, 360, "Style: Default,20,100,2,2\n");
    EXPECT_EQ(wide.Cap("{\\fs3000\\fscx100000\\blur50\\fs20}\\fs9000 {\\t(\\fscy-900)}x"),
              "{\\fs180\\fscx300\\blur22\\fs20}\\fs9000 {\\t(\\fscy-300)}x");
    const AssTrack track(384, 288, "Style: Default,20,100,2,2\n");
    EXPECT_EQ(track.Cap("{\\bord1e9\\shad-inf\\fsp2\\be1\\fax100\\fay-3}"),
              "{\\bord18\\shad-18\\fsp2\\be1\\fax2\\fay-2}");
    // Past four fonts, a line goes back to its style's: fontconfig takes milliseconds for each.
    EXPECT_EQ(track.Cap("{\\fna\\fnb}x{\\fnc\\fnd\\fna\\fne}y"), "{\\fna\\fnb}x{\\fnc\\fnd\\fna\\fn}y");
    // libass takes a name after blanks, and a value after blanks or an opening parenthesis.
    EXPECT_EQ(track.Cap("{\\fs(3000\\blur50zz}{\\bord 1e9}{\\fs(20)\\ \t fs3000}"),
              "{\\fs(144\\blur18zz}{\\bord 18}{\\fs(20)\\ \t fs144}");
    // The name runs to the first "(" or "\\": a value follows it, or opens the parentheses.
    EXPECT_EQ(track.Cap("{\\fsxyz(3000)\\fs 3000\\fsx+5}"), "{\\fsxyz(144)\\fs 144\\fsx+5}");
    // A block ends at its first "}", and a "{" without one is text.
    EXPECT_EQ(track.Cap("{\\fs20{\\fs3000}\\fs9000"), "{\\fs20{\\fs144}\\fs9000");
    EXPECT_EQ(track.Cap("{\\pos(10,20)\\fs}Text\\ {\\fs3000 no block"),
              "{\\pos(10,20)\\fs}Text\\ {\\fs3000 no block");
    // "\fs+5" is half as large again as the size before it: chained, it would
    // grow without end, so it is written as the size it comes to.
    EXPECT_EQ(track.Cap("{\\fs100\\fs+5}a{\\fs-3}b{\\fs(+144)\\fs+144}c{\\fs +5}"),
              "{\\fs100\\fs144}a{\\fs100}b{\\fs(144)\\fs144}c{\\fs +5}");
}

TEST(PallixAssLimits, ALineLargerThanTheFrameIsShrunkAsAWhole)
{
    const AssTrack track(384, 288, "Style: Default,20,100,2,2\nStyle: Big,144,100,2,2\n");
    // A thousand glyphs of an ordinary size, and a drawing at any size, are left as they are.
    const std::string ordinary(1000, 'z');
    EXPECT_EQ(track.Cap(ordinary), ordinary);
    std::string drawing = "{\\fs144\\p1}";
    for (int i = 0; i < 50; ++i)
        drawing += "m 0 0 l 10 0 10 10 ";
    drawing += "{\\p0}ab";
    EXPECT_EQ(track.Cap(drawing), drawing);

    // A hundred glyphs at the largest size would cover the frame ten times over
    // and more; every size in the line, a reset to another style's too, is
    // multiplied by the same share, so that they cover it four times.
    const std::string first(60, 'z');
    const std::string second(40, 'y');
    EXPECT_EQ(track.Cap("{\\fs144\\fsp10}" + first + "{\\rBig}" + second),
              "{\\fs8\\fsp0}{\\fs63\\fsp4}" + first + "{\\rBig\\fs63\\fsp0}" + second);
    // libass may skip a size within another tag's parentheses, and moves towards
    // one within "\\t(": the larger size is counted.
    const std::string forty(40, 'z');
    EXPECT_EQ(track.Cap("{\\fs144\\fs18}" + forty), "{\\fs144\\fs18}" + forty);
    EXPECT_EQ(track.Cap("{\\fs144\\blur(3,0,\\fs18}" + forty),
              "{\\fs14\\fsp0}{\\fs105\\blur(3,0,\\fs13}" + forty);
    EXPECT_EQ(track.Cap("{\\fs144\\t(\\fs18)}" + forty), "{\\fs14\\fsp0}{\\fs105\\t(\\fs13)}" + forty);
    // A drawing is shrunk by a power of two: its level goes up.
    EXPECT_EQ(track.Cap("{\\p1}m 0 0 l 2000 0 2000 2000 0 2000"),
              "{\\fs6\\fsp0}{\\p3}m 0 0 l 2000 0 2000 2000 0 2000");
    EXPECT_EQ(track.Cap("{\\pa(1)}m 0 0 l 2000 0 2000 2000 0 2000"),
              "{\\fs6\\fsp0}{\\pa(3)}m 0 0 l 2000 0 2000 2000 0 2000");
    // Coordinates past any range, even where the drawing has no width, leave the text counted.
    const std::string text(1000, 'z');
    const std::string capped = track.Cap("{\\fscx0\\p1}m 0 0 l 1e308 -1e308{\\p0\\fscx100\\fs144}" + text);
    EXPECT_EQ(capped, "{\\fs2\\fsp0}{\\fscx0\\p4}m 0 0 l 1e308 -1e308{\\p0\\fscx100\\fs21}" + text);
}

TEST(PallixAssLimits, ATurnedLineKeepsItsRowsShort)
{
    // libass draws a turned line into one bitmap as large as the square of its
    // longest row: a row more than twice the frame's width is shrunk.
    const AssTrack track(384, 288, "Style: Default,20,100,2,2\n");
    std::string words;
    for (int i = 0; i < 10; ++i)
        words += "zzzzzzzzz ";
    EXPECT_EQ(track.Cap("{\\fr45}" + words), "{\\fr45}" + words);
    EXPECT_EQ(track.Cap("{\\fr45\\q2}" + words), "{\\fs7\\fsp0}{\\fr45\\q2}" + words);
    const std::string row(100, 'z');
    EXPECT_EQ(track.Cap(row), row);
    EXPECT_EQ(track.Cap("{\\fay0.5}" + row), "{\\fs7\\fsp0}{\\fay0.5}" + row);
}

TEST(PallixAssLimits, ADamagedHeaderIsBroughtWithinTheFrame)
{
    // A frame three pixels high and a huge default font.
    const AssTrack track(4, 3, "Style: Default,900,5000,90,900\n",
                         "Dialogue: 0,0:00:01.00,0:00:02.00,Default,{\\fs9000}In the header\n");
    PallixAssLimits::KeepDrawable(*track.pTrack);
    EXPECT_EQ(track.pTrack->PlayResX, 384);
    EXPECT_EQ(track.pTrack->PlayResY, 288);
    ASSERT_GE(track.pTrack->n_styles, 1);
    const ASS_Style& style = track.pTrack->styles[track.pTrack->n_styles - 1];
    EXPECT_EQ(style.FontSize, 144);
    EXPECT_EQ(style.ScaleX, 3.0);
    EXPECT_EQ(style.Outline, 18);
    EXPECT_EQ(style.Shadow, 18);
    // Thirteen glyphs 144 high and three times as wide would wrap into six frames' height.
    ASSERT_EQ(track.pTrack->n_events, 1);
    EXPECT_STREQ(track.pTrack->events[0].Text, "{\\fs61\\fsp0}{\\fs61}In the header");
}
