// Subtitles as people's films carry them, through the real binary: the fonts a
// Matroska film brings for its styled subtitles (and only for that film), the
// pictures of a DVD rip's VobSub pair, and a WebVTT file beside the film.

#include "MediaMaker.h"
#include "PallixBitmap.h"
#include "PallixTestSupport.h"
#include "PixelProbe.h"
#include "QuorvaProcess.h"
#include "TestLibrary.h"
#include "TestRecord.h"
#include "TestSupport.h"
#include "VobSubMaker.h"

#include <gtest/gtest.h>

#include <fontconfig/fontconfig.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

namespace
{
using Clock = std::chrono::steady_clock;

// A 4:3 picture in the "Full" mode, and the bands of it where the checks look.
const PallixRect PICTURE(160, 0, 960, 720);
const PallixRect MIDDLE(160, 240, 960, 240);
const PallixRect BOTTOM(160, 520, 960, 200);

// The file of the face fontconfig gives for the family; empty when the face
// it gives is another.
std::string fontFile(const char* family)
{
    const std::unique_ptr<FcConfig, void (*)(FcConfig*)> config(FcInitLoadConfigAndFonts(), FcConfigDestroy);
    const std::unique_ptr<FcPattern, void (*)(FcPattern*)> pattern(
        FcNameParse(reinterpret_cast<const FcChar8*>(family)), FcPatternDestroy);
    if (!config || !pattern)
        return std::string();
    FcConfigSubstitute(config.get(), pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    const std::unique_ptr<FcPattern, void (*)(FcPattern*)> match(FcFontMatch(config.get(), pattern.get(), &result),
                                                                 FcPatternDestroy);
    FcChar8* found = nullptr;
    FcChar8* file = nullptr;
    if (!match || FcPatternGetString(match.get(), FC_FAMILY, 0, &found) != FcResultMatch ||
        std::string(reinterpret_cast<const char*>(found)) != family ||
        FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch)
        return std::string();
    return reinterpret_cast<const char*>(file);
}

// Two lines in a face named "OCRA", yellow: a row of i in the middle of the
// picture and a row of M at the bottom.
std::string styledScript()
{
    return "[Script Info]\nScriptType: v4.00+\nPlayResX: 384\nPlayResY: 288\n\n[V4+ Styles]\n"
           "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, "
           "Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, "
           "MarginL, MarginR, MarginV, Encoding\n"
           "Style: Default,OCRA,24,&H0000FFFF,&H0000FFFF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,0,0,2,10,10,"
           "20,0\n\n[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
           "Dialogue: 0,0:00:00.00,0:01:00.00,Default,,0,0,0,,{\\an5}iiiiiiiiii\n"
           "Dialogue: 0,0:00:00.00,0:01:00.00,Default,,0,0,0,,MMMMMMMMMM\n";
}

// The width of the row of i over the width of the row of M: near 1 in a face
// whose letters are all as wide, a third in DejaVu Sans; -1 when either row is missing.
double widthRatio(const PallixBitmap& screen)
{
    const PallixRect narrow = PixelProbe::bounds(screen, MIDDLE, PixelProbe::isYellowText);
    const PallixRect wide = PixelProbe::bounds(screen, BOTTOM, PixelProbe::isYellowText);
    if (narrow.IsEmpty() || wide.w < 100)
        return -1;
    return double(narrow.w) / double(wide.w);
}

bool isGreen(const PallixColor& c)
{
    return c.GetGreen() > 200 && c.GetRed() < 80 && c.GetBlue() < 80;
}

// Passes screenshots with a readable clock, and the clock, to check until it
// has taken nShots of them (it returns whether it took one); false when the
// clock cannot be read that often in time.
bool onScreenshots(QuorvaProcess& process, int nShots, const std::function<bool(const PallixBitmap&, double)>& check)
{
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    int nChecked = 0;
    while (nChecked < nShots && Clock::now() < deadline)
    {
        const auto pShot = process.screenshot();
        const double clock = MediaMaker::readClock(*pShot, PICTURE, 320, 240);
        // A black screen reads 0: the picture is not up yet.
        if (clock > 0 && check(*pShot, clock))
            ++nChecked;
    }
    return nChecked == nShots;
}

// Subtitles due from each second to half a second later, on the left in even
// seconds and on the right in odd ones: at a clock a quarter past, only the
// side due shows some; three quarters past, neither does.
bool checkSides(const PallixBitmap& screen, double clock, const PixelProbe::Test& test, int nAtLeast)
{
    const PallixRect left(160, 520, 480, 200);
    const PallixRect right(640, 520, 480, 200);
    const double fraction = clock - std::floor(clock);
    const bool bOdd = int(clock) % 2 == 1;
    if (fraction == 0.25)
    {
        EXPECT_GT(PixelProbe::count(screen, bOdd ? right : left, test), nAtLeast) << "at " << clock;
        EXPECT_EQ(PixelProbe::count(screen, bOdd ? left : right, test), 0) << "at " << clock;
        return true;
    }
    if (fraction == 0.75)
    {
        EXPECT_EQ(PixelProbe::count(screen, BOTTOM, test), 0) << "at " << clock;
        return true;
    }
    return false;
}
} // namespace

TEST(SubtitleFilesEndToEnd, AttachedFontsVobSubPicturesAndWebVttAreShown)
{
    TempDir dir;
    const std::string ocra = fontFile("OCRA");
    ASSERT_FALSE(ocra.empty()) << "the OCRA face (fonts-ocr-a, tools/install-deps.sh) is not installed";
    const std::string dejaVu = fontFile("DejaVu Sans");
    ASSERT_FALSE(dejaVu.empty());
    // Quorva sees only the DejaVu faces, as a box without the film's face would.
    dir.write("fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig>\n  <dir>" +
                                std::filesystem::path(dejaVu).parent_path().string() + "</dir>\n  <cachedir>" +
                                dir.file("fontcache") +
                                "</cachedir>\n  <include ignore_missing=\"yes\">/etc/fonts/conf.d</include>\n"
                                "</fontconfig>\n");
    dir.write("styled.ass", styledScript());

    // Two films of 24 s with the same styled subtitles in English: the first
    // carries its face, as the encoders of styled subtitles attach it.
    const std::string picture = "color=c=0x303030:size=320x240:rate=25:duration=24,format=yuv420p" +
                                MediaMaker::clockFilters();
    for (const char* name : {"alpha", "beta"})
    {
        std::vector<std::string> args = {"-f", "lavfi", "-i", picture, "-i", dir.file("styled.ass")};
        if (std::string(name) == "alpha")
            args.insert(args.end(), {"-attach", ocra, "-metadata:s:t", "mimetype=application/x-truetype-font"});
        args.insert(args.end(), {"-map", "0", "-map", "1", "-c:v", "libx264", "-preset", "ultrafast", "-g", "25",
                                 "-c:s", "ass", "-metadata:s:s:0", "language=eng"});
        args.push_back(dir.file(std::string("movies/") + name + "/" + name + ".mkv"));
        std::filesystem::create_directories(dir.file(std::string("movies/") + name));
        ASSERT_TRUE(MediaMaker::run(args));
    }
    // Beside the second, a DVD rip's French pictures, green blocks...
    std::vector<VobSubMaker::Picture> pictures;
    for (int second = 0; second < 24; ++second)
        pictures.push_back({double(second), second + 0.5,
                            second % 2 ? PallixRect(420, 380, 240, 60) : PallixRect(60, 380, 240, 60), 0x00FF00});
    ASSERT_TRUE(VobSubMaker::make(dir.file("movies/beta/beta"), "fr", pictures));
    // ...and English WebVTT, with a style block (which used to end the file),
    // a note, an identifier, tags and an entity.
    std::string vtt = "\xEF\xBB\xBFWEBVTT\nKind: captions\nLanguage: en\n\nSTYLE\n::cue {\n  color: yellow;\n}\n\n"
                      "NOTE made for the test\n\n";
    for (int second = 0; second < 24; ++second)
    {
        char cue[160];
        std::snprintf(cue, sizeof cue, "%d\n00:%02d.000 --> 00:%02d.500 align:%s position:%s\n<v Anna>Words "
                      "&amp; <i>more</i> words</v>\n\n", second + 1, second, second, second % 2 ? "end" : "start",
                      second % 2 ? "90%" : "10%");
        vtt += cue;
    }
    dir.write("movies/beta/beta.en.vtt", vtt);

    TestDatabase database;
    for (const std::string name : {"alpha", "beta"})
        database.add(TestRecord().title(name).genre("Drama").originalTitle(name).path(dir.file("movies/" + name))
                         .filename(name + ".mkv"));
    TestLibrary library(dir, database.text(), "subtitle.lang=en\n", {"FONTCONFIG_FILE=" + dir.file("fonts.conf")});
    QuorvaProcess& quorva = library.process();
    auto press = [&](const char* key) { library.press(key); };
    auto playing = [&](const char* figure) { return quorva.command("playback").find(figure) != std::string::npos; };

    // The first film's subtitles in its own face, whose i is as wide as its M.
    library.keys({"Left", "Down", "Right", "Play"});
    ASSERT_TRUE(onScreenshots(quorva, 2, [&](const PallixBitmap& screen, double clock) {
        EXPECT_GT(widthRatio(screen), 0.8) << "at " << clock;
        return true;
    }));
    press("Exit");
    ASSERT_TRUE(pallixtest::WaitUntil([&] { return std::filesystem::exists(dir.file("movies/alpha/alpha.mkv.quorva")); }));

    // The next film names the same face but carries none: DejaVu Sans draws it.
    press("Down");
    press("Play");
    ASSERT_TRUE(pallixtest::WaitUntil([&] { return playing(" open ") && playing("subtitle=0"); }));
    ASSERT_TRUE(onScreenshots(quorva, 2, [&](const PallixBitmap& screen, double clock) {
        const double ratio = widthRatio(screen);
        EXPECT_GT(ratio, 0.1) << "at " << clock;
        EXPECT_LT(ratio, 0.5) << "at " << clock;
        return true;
    }));

    // The VobSub pictures, each at its time and place, once the file is read.
    press("Subtitle");
    ASSERT_TRUE(playing("subtitle=1"));
    ASSERT_TRUE(pallixtest::WaitUntil([&] { return PixelProbe::count(*quorva.screenshot(), BOTTOM, isGreen) > 0; },
                                      std::chrono::seconds(10)));
    ASSERT_TRUE(onScreenshots(quorva, 4, [&](const PallixBitmap& screen, double clock) {
        return checkSides(screen, clock, isGreen, 10000);
    }));

    // The WebVTT cues, each at its time and on its side.
    press("Subtitle");
    ASSERT_TRUE(playing("subtitle=2"));
    ASSERT_TRUE(pallixtest::WaitUntil(
        [&] { return PixelProbe::count(*quorva.screenshot(), BOTTOM, PixelProbe::isWhite) > 0; },
        std::chrono::seconds(10)));
    ASSERT_TRUE(onScreenshots(quorva, 4, [&](const PallixBitmap& screen, double clock) {
        EXPECT_EQ(PixelProbe::count(screen, BOTTOM, isGreen), 0) << "at " << clock;
        return checkSides(screen, clock, PixelProbe::isWhite, 300);
    }));
    press("Exit");
    press("Exit");
    EXPECT_EQ(quorva.waitExit(), 0);
}
