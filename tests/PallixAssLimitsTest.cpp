#include "PallixAssLimits.h"

extern "C" {
#include <ass/ass.h>
}

#include <gtest/gtest.h>

#include <string>

TEST(PallixAssLimits, SizesBeyondTheFrameAreBroughtBack)
{
    // Within a line's override blocks only; the text itself is never touched.
    EXPECT_EQ(PallixAssLimits::CapTags("{\\fs3000\\fscx100000\\blur50\\fs20}\\fs9000 {\\t(\\fscy-900)}x", 360),
              "{\\fs180\\fscx300\\blur22\\fs20}\\fs9000 {\\t(\\fscy-300)}x");
    EXPECT_EQ(PallixAssLimits::CapTags("{\\bord1e9\\shad-inf\\fsp2\\be1}", 288), "{\\bord18\\shad-18\\fsp2\\be1}");
    // libass takes a value after blanks or an opening parenthesis too.
    EXPECT_EQ(PallixAssLimits::CapTags("{\\fs(3000\\blur50zz}{\\bord 1e9}{\\fs(20)}", 288),
              "{\\fs(144\\blur18zz}{\\bord 18}{\\fs(20)}");
    EXPECT_EQ(PallixAssLimits::CapTags("{\\fs20{\\fs3000}\\fs9000", 288), "{\\fs20{\\fs144}\\fs9000");
    EXPECT_EQ(PallixAssLimits::CapTags("0,0,Default,,0,0,0,,{\\pos(10,20)\\fs}Text\\", 360),
              "0,0,Default,,0,0,0,,{\\pos(10,20)\\fs}Text\\");

    // A damaged header: a frame three pixels high and a huge default font.
    ASS_Library* pLibrary = ass_library_init();
    ASS_Track* pTrack = ass_new_track(pLibrary);
    std::string header = "[Script Info]\nScriptType: v4.00+\nPlayResX: 4\nPlayResY: 3\n\n[V4+ Styles]\n"
                         "Format: Name, Fontsize, ScaleX, Outline, Shadow\nStyle: Default,900,5000,90,900\n\n"
                         "[Events]\nFormat: Layer, Start, End, Style, Text\n"
                         "Dialogue: 0,0:00:01.00,0:00:02.00,Default,{\\fs9000}In the header\n";
    ass_process_codec_private(pTrack, header.data(), int(header.size()));
    PallixAssLimits::KeepDrawable(*pTrack);
    EXPECT_EQ(pTrack->PlayResX, 384);
    EXPECT_EQ(pTrack->PlayResY, 288);
    ASSERT_GE(pTrack->n_styles, 1);
    const ASS_Style& style = pTrack->styles[pTrack->n_styles - 1];
    EXPECT_EQ(style.FontSize, 144);
    EXPECT_EQ(style.ScaleX, 3.0);
    EXPECT_EQ(style.Outline, 18);
    EXPECT_EQ(style.Shadow, 18);
    ASSERT_EQ(pTrack->n_events, 1);
    EXPECT_STREQ(pTrack->events[0].Text, "{\\fs144}In the header");
    ass_free_track(pTrack);
    ass_library_done(pLibrary);
}
