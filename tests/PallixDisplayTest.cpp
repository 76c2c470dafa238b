// The display side of the window layer: compositing and screenshots on the
// headless display, and the control channel's press and screenshot verbs
// reaching the window tree of a running application.

#include "PallixBitmap.h"
#include "PallixDisplay.h"
#include "PallixFile.h"
#include "PallixScreen.h"
#include "PallixTestSupport.h"
#include "PallixVideoPlane.h"
#include "PallixWindow.h"
#include "PixelProbe.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

using namespace pallixtest;

namespace
{
constexpr unsigned long KEY_SELECT = 0x1000B;
constexpr unsigned long KEY_DOWN = 0x1000D;
constexpr unsigned long KEY_PLAY = 0x10018;

const PallixColor WHITE(255, 255, 255, 255);
const PallixColor BLACK(0, 0, 0, 255);
const PallixColor GREEN(0, 255, 0, 255);

// A picture of two halves, the left white and the right black, kept alive by
// the picture itself as a decoder's frame would be.
PallixVideoPicture halvesPicture(const PallixRect& crop, const PallixRect& dest)
{
    constexpr int W = 64, H = 32;
    auto planes = std::make_shared<std::vector<uint8_t>>(size_t(W * H + 2 * (W / 2) * (H / 2)), uint8_t(128));
    uint8_t* y = planes->data();
    for (int row = 0; row < H; ++row)
        for (int col = 0; col < W; ++col)
            y[row * W + col] = col < W / 2 ? 235 : 16;
    PallixVideoPicture picture;
    picture.nWidth = W;
    picture.nHeight = H;
    picture.planes[0] = y;
    picture.planes[1] = y + W * H;
    picture.planes[2] = y + W * H + (W / 2) * (H / 2);
    picture.pitches[0] = W;
    picture.pitches[1] = picture.pitches[2] = W / 2;
    picture.crop = crop;
    picture.dest = dest;
    picture.owner = planes;
    return picture;
}

// Video pixels come through colour equations, so white may land a step or two off.
PallixColor pixelOf(const std::string& path, int x, int y)
{
    PallixFile file(path.c_str());
    PallixBitmap bitmap;
    if (!bitmap.Load(file, 2))
        return PallixColor(1, 2, 3, 4);
    return bitmap.GetPixel(x, y);
}

// A box that shows its colour, turns green on Select and counts what it gets.
class BoxWindow : public PallixWindow
{
public:
    PallixColor color = PallixColor(255, 0, 0, 255);
    std::vector<unsigned long> navKeys;

    void OnPaint(PallixBitmap& bitmap) override { bitmap.FillRect(GetRectAbsolute(), color); }
    bool OnNavKey(unsigned long nKey, PallixWindow*&) override
    {
        navKeys.push_back(nKey);
        return true;
    }
    bool OnKeyDown(unsigned long nKey) override
    {
        if (nKey != KEY_SELECT)
            return false;
        color = GREEN;
        Redraw();
        return true;
    }
};
} // namespace

TEST(PallixDisplay, ScreenshotShowsTheGraphicsPlaneOverTheVideo)
{
    TempDir dir;
    // The white half of the picture over the whole screen.
    PallixVideoPlane::Get().Show(halvesPicture(PallixRect(0, 0, 32, 32), PallixRect(0, 0, 1280, 720)));
    PallixBitmap graphics;
    ASSERT_TRUE(graphics.Create(1280, 720));
    graphics.FillRect(PallixRect(0, 0, 100, 100), PallixColor(255, 0, 0, 128));
    graphics.FillRect(PallixRect(100, 0, 100, 100), GREEN);

    std::string error;
    const std::string path = dir.file("shot.png");
    ASSERT_TRUE(PallixDisplay::Screenshot(graphics, path.c_str(), error)) << error;
    EXPECT_PRED3(PixelProbe::near, pixelOf(path, 50, 50), PallixColor(255, 127, 127, 255), 4);
    EXPECT_EQ(pixelOf(path, 150, 50), GREEN);
    EXPECT_PRED3(PixelProbe::near, pixelOf(path, 640, 400), WHITE, 4);
    EXPECT_PRED3(PixelProbe::near, pixelOf(path, 1279, 719), WHITE, 4);

    PallixVideoPlane::Get().Clear();
    EXPECT_TRUE(PallixVideoPlane::Get().TakeChanged());
    EXPECT_FALSE(PallixVideoPlane::Get().TakeChanged());
    ASSERT_TRUE(PallixDisplay::Screenshot(graphics, path.c_str(), error));
    EXPECT_EQ(pixelOf(path, 640, 400), BLACK);

    EXPECT_FALSE(PallixDisplay::Screenshot(graphics, dir.file("no/such/folder/shot.png").c_str(), error));
    EXPECT_NE(error.find("no/such/folder"), std::string::npos);
}

TEST(PallixDisplay, VideoPictureIsCroppedAndStretchedOverItsPlaceWithBlackAround)
{
    PallixVideoPlane& plane = PallixVideoPlane::Get();
    // The whole picture on the right half of the screen.
    plane.Show(halvesPicture(PallixRect(0, 0, 64, 32), PallixRect(640, 0, 640, 720)));
    EXPECT_TRUE(plane.TakeChanged());
    PallixVideoPicture shown = plane.GetPicture();
    EXPECT_EQ(shown.nWidth, 64);
    EXPECT_EQ(shown.dest, PallixRect(640, 0, 640, 720));
    PallixBitmap screen;
    PallixBitmap graphics;
    ASSERT_TRUE(graphics.Create(1280, 720));
    PallixDisplay::Composite(graphics, screen);
    EXPECT_EQ(screen.GetPixel(300, 360), BLACK);
    EXPECT_PRED3(PixelProbe::near, screen.GetPixel(700, 360), WHITE, 4);
    EXPECT_EQ(screen.GetPixel(1200, 360), BLACK);

    // Only the black half, over the whole screen: what was white is gone.
    plane.Show(halvesPicture(PallixRect(32, 0, 32, 32), PallixRect(0, 0, 1280, 720)));
    PallixDisplay::Composite(graphics, screen);
    EXPECT_EQ(screen.GetPixel(10, 10), BLACK);
    EXPECT_EQ(screen.GetPixel(700, 360), BLACK);

    plane.Clear();
    EXPECT_TRUE(plane.GetPicture().IsEmpty());
    EXPECT_TRUE(plane.TakeChanged());
}

TEST(PallixDisplay, HeadlessWhenAskedAndSilentAboutIt)
{
    ScopedEnv display("PALLIX_DISPLAY", "headless");
    std::unique_ptr<PallixDisplay> opened;
    const std::string printed = captureOutput([&] { opened = PallixDisplay::Open(); });
    ASSERT_TRUE(opened);
    EXPECT_STREQ(opened->GetName(), "headless");
    EXPECT_EQ(opened->GetMaxWaitMs(), -1);
    EXPECT_EQ(printed, "");
}

TEST(PallixDisplay, PressReachesTheFocusedWindowAndScreenshotShowsItsEffect)
{
    TempDir dir;
    const int port = FindFreePort();
    ScopedEnv display("PALLIX_DISPLAY", "headless");
    ScopedEnv control("PALLIX_ECP_PORT", std::to_string(port));

    BoxWindow parent, box;
    parent.SetRectAbsolute(PallixRect(0, 0, 1280, 720));
    parent.AddChild(&box);
    box.SetRectAbsolute(PallixRect(100, 100, 200, 100));

    ScriptedApp app;
    std::vector<unsigned long> appKeys;
    app.onKey = [&](ScriptedApp&, unsigned long nKey) {
        appKeys.push_back(nKey);
        return true;
    };
    std::vector<std::optional<std::string>> replies;
    std::thread client;
    app.onInit = [&](ScriptedApp& self) {
        self.RegisterECPCommand("testApp");
        parent.Materialize(kAppNormal);
        box.SetFocus(true);
        client = std::thread([&] {
            LineClient line;
            if (!line.Connect(port))
                return;
            const std::vector<std::string> commands = {"screenshot " + dir.file("before.png"), "press Down",
                                                       "press Play", "press Select",
                                                       "screenshot " + dir.file("after.png"), "screenshot",
                                                       "screenshot " + dir.file("missing/x.png")};
            for (const std::string& command : commands)
                replies.push_back(line.Ask(command));
            line.Ask("testApp exit");
        });
    };
    app.onCommand = [](ScriptedApp& self, const PallixString&, PallixString& result) {
        result = "OK";
        self.Terminate(0);
    };
    EXPECT_EQ(app.Run0(), 0);
    client.join();

    ASSERT_EQ(replies.size(), 7u);
    EXPECT_EQ(replies[0], "OK");
    EXPECT_EQ(replies[1], "OK");
    EXPECT_EQ(replies[2], "OK");
    EXPECT_EQ(replies[3], "OK");
    EXPECT_EQ(replies[4], "OK");
    EXPECT_EQ(replies[5], "ERROR missing file name");
    ASSERT_TRUE(replies[6].has_value());
    EXPECT_EQ(replies[6]->rfind("ERROR ", 0), 0u);

    EXPECT_EQ(box.navKeys, (std::vector<unsigned long>{KEY_DOWN}));
    EXPECT_TRUE(parent.navKeys.empty());
    // Play: neither window takes it, so the application gets it.
    EXPECT_EQ(appKeys, (std::vector<unsigned long>{KEY_PLAY}));
    EXPECT_EQ(pixelOf(dir.file("before.png"), 150, 150), PallixColor(255, 0, 0, 255));
    EXPECT_EQ(pixelOf(dir.file("after.png"), 150, 150), GREEN);
    EXPECT_EQ(pixelOf(dir.file("after.png"), 50, 50), PallixColor(255, 0, 0, 255));
    parent.Vanish();
}
