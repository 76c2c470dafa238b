#include "LibrarySettings.h"
#include "MPEGDecoder.h"
#include "TestSupport.h"
#include "VideoScaler.h"

#include <gtest/gtest.h>

#include <climits>

namespace
{
struct Rects
{
    PallixRect output;
    PallixRect scale;
};

Rects rectsOf(int mode, uint32_t width, uint32_t height)
{
    Rects rects;
    VideoScaler::getModeRects(mode, width, height, PallixRect(0, 0, width, height), rects.output, rects.scale);
    return rects;
}
} // namespace

TEST(VideoScaler, ModesOnAStandardDefinitionOutput)
{
    const PallixRect whole(0, 0, 720, 480);
    EXPECT_EQ(rectsOf(0, 720, 480).output, whole);
    EXPECT_EQ(rectsOf(0, 720, 480).scale, whole);
    EXPECT_EQ(rectsOf(1, 720, 480).scale, whole);
    EXPECT_EQ(rectsOf(2, 720, 480).output, PallixRect(111, 0, 498, 480));
    EXPECT_EQ(rectsOf(3, 720, 480).output, PallixRect(0, 62, 720, 356));
    EXPECT_EQ(rectsOf(4, 720, 480).output, PallixRect(111, 74, 498, 332));
    // Inset by 86, then grown by a fiftieth of what is left: (10, 9).
    EXPECT_EQ(rectsOf(5, 720, 480).output, whole);
    EXPECT_EQ(rectsOf(5, 720, 480).scale, PallixRect(76, 0, 568, 480));
}

TEST(VideoScaler, ModesOnAFullHighDefinitionOutput)
{
    const PallixRect whole(0, 0, 1920, 1080);
    EXPECT_EQ(rectsOf(2, 1920, 1080).output, PallixRect(297, 0, 1326, 1080));
    EXPECT_EQ(rectsOf(3, 1920, 1080).output, PallixRect(0, 140, 1920, 800));
    EXPECT_EQ(rectsOf(4, 1920, 1080).output, PallixRect(297, 167, 1326, 746));
    for (int mode = 0; mode < 5; ++mode)
        EXPECT_EQ(rectsOf(mode, 1920, 1080).scale, whole) << mode;
    EXPECT_EQ(rectsOf(5, 1920, 1080).scale, PallixRect(201, 0, 1518, 1080));

    // A screen scale rectangle smaller than the output grows by (38, 21) and is
    // kept inside the output.
    PallixRect output;
    PallixRect scale;
    VideoScaler::getModeRects(0, 1920, 1080, PallixRect(100, 50, 1900, 1060), output, scale);
    EXPECT_EQ(scale, PallixRect(62, 29, 1858, 1051));
}

TEST(VideoScaler, ModesCycleAndOutOfRangeModesStartOver)
{
    LibrarySettings settings;
    VideoScaler scaler;
    // Without a decoder nothing happens.
    scaler.nextMode();
    EXPECT_EQ(scaler.getZoomMode(), -1);
    EXPECT_EQ(scaler.getModeName(), "");

    MPEGDecoder decoder;
    scaler.setDecoder(&decoder);
    scaler.nextMode();
    EXPECT_EQ(scaler.getZoomMode(), 0);
    EXPECT_EQ(scaler.getModeName(), "Full");
    const char* names[] = {"Full+", "16:9->4:3z", "4:3->16:9z", "16:9w->16:9z", "4:3->16:9", "Full"};
    for (const char* name : names)
    {
        scaler.nextMode();
        EXPECT_EQ(scaler.getModeName(), name);
    }
    EXPECT_EQ(scaler.getZoomMode(), 0);

    scaler.setZoomMode(3);
    scaler.nextMode();
    EXPECT_EQ(scaler.getZoomMode(), 3);
    for (int mode : {9, -7, INT_MIN, INT_MAX, 0})
    {
        scaler.setZoomMode(mode);
        scaler.nextMode();
        EXPECT_EQ(scaler.getZoomMode(), 0) << mode;
    }
    scaler.setZoomMode(5);
    scaler.reset();
    scaler.nextMode();
    EXPECT_EQ(scaler.getModeName(), "Full");

    settings.setLogDebug(true);
    scaler.setZoomMode(2);
    EXPECT_EQ(captureOutput([&] { scaler.nextMode(); }), "DEBUG: Mode: 2 output: 884, 720 scale: 1280 720\n");
}
