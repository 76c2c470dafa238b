#include "Fonts.h"
#include "ImageFactoryTestAccess.h"
#include "ListRecorder.h"
#include "LoopList.h"
#include "PallixBitmap.h"
#include "PixelProbe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
const unsigned long KEY_SELECT = 0x1000B;
const unsigned long KEY_UP = 0x1000C;
const unsigned long KEY_DOWN = 0x1000D;
const unsigned long KEY_LEFT = 0x1000E;
const unsigned long KEY_RIGHT = 0x1000F;
const unsigned long KEY_PLAY = 0x10018;
const unsigned long KEY_BACK = 0x1001C;
const unsigned long KEY_PAGE_UP = 0x1001D;
const unsigned long KEY_PAGE_DOWN = 0x1001E;
const unsigned long KEY_EXIT = 0x10022;

const PallixColor LEFT(200, 0, 0, 255);
const PallixColor MIDDLE(0, 150, 0, 255);
const PallixColor RIGHT(0, 0, 200, 255);
const PallixColor LEFT_DIM(100, 0, 0, 255);
const PallixColor MIDDLE_DIM(0, 80, 0, 255);
const PallixColor RIGHT_DIM(0, 0, 100, 255);
const PallixColor CLEAR(0, 0, 0, 0);

// The list sits at (100, 50), 400 x 500, on a 600 x 600 bitmap; its 60-pixel bar
// spans rows 270 to 329.
const PallixRect LIST_RECT(100, 50, 400, 500);
const int32_t BAR_TOP = 270;
const uint32_t BAR_HEIGHT = 60;

class BarPictures
{
public:
    explicit BarPictures(ImageFactoryTestAccess& cache)
    {
        cache.add("listSelect_left.png", 12, BAR_HEIGHT, LEFT);
        cache.add("listSelect_middle.png", 7, BAR_HEIGHT, MIDDLE);
        cache.add("listSelect_right.png", 12, BAR_HEIGHT, RIGHT);
        cache.add("listSelect_nofocus_left.png", 12, BAR_HEIGHT, LEFT_DIM);
        cache.add("listSelect_nofocus_middle.png", 7, BAR_HEIGHT, MIDDLE_DIM);
        cache.add("listSelect_nofocus_right.png", 12, BAR_HEIGHT, RIGHT_DIM);
    }
};

// Entry i is i + 1 letters W wide, so a row's ink width tells which entry it shows.
std::string nameOf(int i)
{
    return std::string(size_t(i + 1), 'W');
}

void fill(LoopList& list, int count)
{
    for (int i = 0; i < count; ++i)
        list.addItem(nameOf(i).c_str(), reinterpret_cast<void*>(intptr_t(i + 100)));
}

void paint(LoopList& list, PallixBitmap& bitmap)
{
    bitmap.Create(600, 600);
    bitmap.FillRect(bitmap.GetRect(), CLEAR);
    list.OnPaint(bitmap);
}

// The entries shown off the bar, from the top of the list down, told by the width
// of each row's white ink.
std::vector<int> rowsShown(const PallixBitmap& bitmap, int count, int32_t skipTop, int32_t skipBottom)
{
    std::vector<int> rows;
    int32_t bandTop = -1;
    auto closeBand = [&](int32_t y)
    {
        PallixRect ink = PixelProbe::bounds(bitmap, PallixRect(LIST_RECT.x, bandTop, LIST_RECT.w, uint32_t(y - bandTop)),
                                            PixelProbe::isWhite);
        int best = -1;
        int32_t bestError = 10;
        for (int i = 0; i < count; ++i)
        {
            int32_t error = std::abs(int32_t(Fonts::SYSTEM_30.GetTextExtent(nameOf(i).c_str()).w) - int32_t(ink.w));
            if (error < bestError)
            {
                bestError = error;
                best = i;
            }
        }
        rows.push_back(best);
        bandTop = -1;
    };
    for (int32_t y = LIST_RECT.y; y < LIST_RECT.y + int32_t(LIST_RECT.h); ++y)
    {
        bool bInk = !(y >= skipTop && y < skipBottom) &&
                    PixelProbe::count(bitmap, PallixRect(LIST_RECT.x, y, LIST_RECT.w, 1), PixelProbe::isWhite) > 0;
        if (bInk && bandTop < 0)
            bandTop = y;
        else if (!bInk && bandTop >= 0)
            closeBand(y);
    }
    return rows;
}

std::vector<int> rowsShown(const PallixBitmap& bitmap, int count)
{
    return rowsShown(bitmap, count, BAR_TOP, BAR_TOP + int32_t(BAR_HEIGHT));
}

// Rows per side that a 500-pixel list holds in the unselected font.
int rowsPerSide()
{
    int32_t fontH = int32_t(Fonts::SYSTEM_30.GetTextExtent("H").h);
    int n = 0;
    for (int32_t r = 250 - fontH / 2; r > 0; r -= fontH + fontH / 2)
        ++n;
    return n - 1;
}
} // namespace

TEST(LoopList, BarSpansTheListAndFollowsTheFocus)
{
    ImageFactoryTestAccess cache;
    BarPictures bar(cache);
    LoopList list;
    list.SetRectAbsolute(LIST_RECT);
    PallixBitmap bitmap;
    paint(list, bitmap);

    EXPECT_TRUE(PixelProbe::all(bitmap, PallixRect(100, BAR_TOP, 12, BAR_HEIGHT), LEFT_DIM));
    EXPECT_TRUE(PixelProbe::all(bitmap, PallixRect(112, BAR_TOP, 376, BAR_HEIGHT), MIDDLE_DIM));
    // The last tile overlaps the one before so that the right end closes the list exactly.
    EXPECT_TRUE(PixelProbe::all(bitmap, PallixRect(488, BAR_TOP, 12, BAR_HEIGHT), RIGHT_DIM));
    EXPECT_EQ(PixelProbe::count(bitmap, bitmap.GetRect(), [](const PallixColor& c) { return c.GetAlpha() != 0; }),
              400 * int(BAR_HEIGHT));

    list.SetFocus(true);
    paint(list, bitmap);
    EXPECT_TRUE(PixelProbe::all(bitmap, PallixRect(100, BAR_TOP, 12, BAR_HEIGHT), LEFT));
    EXPECT_TRUE(PixelProbe::all(bitmap, PallixRect(112, BAR_TOP, 376, BAR_HEIGHT), MIDDLE));
    EXPECT_TRUE(PixelProbe::all(bitmap, PallixRect(488, BAR_TOP, 12, BAR_HEIGHT), RIGHT));

    // Entries without a selection leave the bar empty.
    fill(list, 3);
    paint(list, bitmap);
    EXPECT_EQ(PixelProbe::count(bitmap, PallixRect(100, BAR_TOP, 400, BAR_HEIGHT),
                                [](const PallixColor& c) { return c == PallixColor(0, 0, 0, 255); }),
              0);
    EXPECT_TRUE(PixelProbe::all(bitmap, PallixRect(100, BAR_TOP, 12, BAR_HEIGHT), LEFT));
}

TEST(LoopList, ShortListsShowEveryEntryOnceAroundTheBar)
{
    ImageFactoryTestAccess cache;
    BarPictures bar(cache);
    struct Case
    {
        int count;
        int selected;
        std::vector<int> rows;
    };
    // Above the bar the rows run upwards from the entry before the selection.
    const std::vector<Case> cases = {
        {1, 0, {}},
        {2, 0, {1}},
        {2, 1, {0}},
        {4, 0, {3, 1, 2}},
        {5, 0, {3, 4, 1, 2}},
        {5, 2, {0, 1, 3, 4}},
    };
    for (const Case& c : cases)
    {
        LoopList list;
        list.SetRectAbsolute(LIST_RECT);
        fill(list, c.count);
        list.setSelectedIndex(c.selected);
        PallixBitmap bitmap;
        paint(list, bitmap);
        EXPECT_EQ(rowsShown(bitmap, c.count), c.rows) << c.count << " entries, " << c.selected << " selected";
        // The selected entry is drawn in black on the bar.
        EXPECT_GT(PixelProbe::count(bitmap, PallixRect(100, BAR_TOP, 400, BAR_HEIGHT),
                                    [](const PallixColor& x) { return x == PallixColor(0, 0, 0, 255); }),
                  0);
    }
}

TEST(LoopList, LongListsWrapAroundAndPageByTheRowsShown)
{
    ImageFactoryTestAccess cache;
    BarPictures bar(cache);
    LoopList list;
    list.SetRectAbsolute(LIST_RECT);
    fill(list, 12);
    list.setSelectedIndex(0);
    PallixBitmap bitmap;
    paint(list, bitmap);

    int k = rowsPerSide();
    ASSERT_GE(k, 2);
    std::vector<int> expected;
    for (int i = k; i >= 1; --i)
        expected.push_back(12 - i);
    for (int i = 1; i <= k; ++i)
        expected.push_back(i);
    EXPECT_EQ(rowsShown(bitmap, 12), expected);

    // A page brings the bottom row onto the bar, and back again.
    list.OnKeyDown(KEY_PAGE_DOWN);
    EXPECT_EQ(list.getSelectedIndex(), k);
    list.OnKeyDown(KEY_PAGE_UP);
    EXPECT_EQ(list.getSelectedIndex(), 0);
    list.OnKeyDown(KEY_PAGE_UP);
    EXPECT_EQ(list.getSelectedIndex(), 12 - k);
}

TEST(LoopList, ArrowsWrapAndReportEveryMove)
{
    LoopList list;
    ListRecorder recorder;
    list.setListener(&recorder);
    PallixWindow* pProposed = nullptr;

    // An empty list: Up has nowhere to go; Down stores entry 0 all the same.
    EXPECT_TRUE(list.OnNavKey(KEY_UP, pProposed));
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_TRUE(list.OnNavKey(KEY_DOWN, pProposed));
    EXPECT_EQ(recorder.events, std::vector<std::string>{"selected 0"});
    EXPECT_EQ(list.getItemData(0), nullptr);
    EXPECT_EQ(list.getItemText(0), "");

    fill(list, 3);
    list.setSelectedIndex(0);
    recorder.events.clear();
    list.OnNavKey(KEY_UP, pProposed);
    EXPECT_EQ(list.getSelectedIndex(), 2);
    list.OnNavKey(KEY_DOWN, pProposed);
    EXPECT_EQ(list.getSelectedIndex(), 0);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"selected 2", "selected 0"}));
    EXPECT_EQ(list.getItemData(2), reinterpret_cast<void*>(102));
    EXPECT_EQ(list.getItemText(2), "WWW");
    EXPECT_EQ(list.getItemData(-1), nullptr);
    EXPECT_EQ(list.getItemData(3), nullptr);

    // A single entry stays where it is and says nothing.
    LoopList single;
    single.setListener(&recorder);
    fill(single, 1);
    single.setSelectedIndex(0);
    recorder.events.clear();
    single.OnNavKey(KEY_UP, pProposed);
    single.OnNavKey(KEY_DOWN, pProposed);
    EXPECT_TRUE(recorder.events.empty());
}

TEST(LoopList, PagesBeforeTheFirstPaintStayInsideShortLists)
{
    LoopList ten;
    fill(ten, 10);
    ten.setSelectedIndex(1);
    ten.OnKeyDown(KEY_PAGE_UP);
    EXPECT_EQ(ten.getSelectedIndex(), 7);
    ten.OnKeyDown(KEY_PAGE_DOWN);
    EXPECT_EQ(ten.getSelectedIndex(), 1);

    // Four rows a side is more than these lists hold: one wrap would leave the list.
    struct Case
    {
        int count;
        int from;
        unsigned long key;
        int to;
    };
    const std::vector<Case> cases = {
        {3, 0, KEY_PAGE_UP, 2},   {2, 1, KEY_PAGE_DOWN, 1}, {2, 0, KEY_PAGE_UP, 0},
        {1, 0, KEY_PAGE_DOWN, 0}, {3, 2, KEY_PAGE_DOWN, 0}, {3, 2, KEY_PAGE_UP, 1},
    };
    for (const Case& c : cases)
    {
        LoopList list;
        ListRecorder recorder;
        list.setListener(&recorder);
        fill(list, c.count);
        list.setSelectedIndex(c.from);
        recorder.events.clear();
        EXPECT_TRUE(list.OnKeyDown(c.key));
        EXPECT_EQ(list.getSelectedIndex(), c.to) << c.count << " entries from " << c.from;
        // A page reports its move even when it lands where it started.
        EXPECT_EQ(recorder.events, std::vector<std::string>{"selected " + std::to_string(c.to)});
    }
}

TEST(LoopList, ChoicesLeftAndBackGoToTheListenerAndOtherKeysBubble)
{
    LoopList list;
    ListRecorder recorder;
    list.setListener(&recorder);
    fill(list, 3);
    list.setSelectedIndex(1);
    recorder.events.clear();
    PallixWindow* pProposed = nullptr;

    EXPECT_TRUE(list.OnKeyDown(KEY_SELECT));
    EXPECT_TRUE(list.OnKeyDown(KEY_PLAY));
    EXPECT_TRUE(list.OnNavKey(KEY_LEFT, pProposed));
    EXPECT_TRUE(list.OnKeyDown(KEY_BACK));
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"chosen 1 65547", "chosen 1 65560", "left", "back"}));

    EXPECT_FALSE(list.OnNavKey(KEY_RIGHT, pProposed));
    EXPECT_FALSE(list.OnKeyDown(KEY_EXIT));
    EXPECT_FALSE(list.OnKeyDown(KEY_UP));
    EXPECT_EQ(recorder.events.size(), 4u);

    // Emptying fires nothing and leaves no selection; without a listener events are dropped.
    list.removeAllItems();
    EXPECT_EQ(list.getSelectedIndex(), -1);
    EXPECT_EQ(list.getItemCount(), 0);
    EXPECT_EQ(recorder.events.size(), 4u);
    list.setListener(nullptr);
    EXPECT_TRUE(list.OnKeyDown(KEY_SELECT));
}

TEST(LoopList, TabsMakeColumnsOfFixedWidth)
{
    ImageFactoryTestAccess cache;
    PallixBitmap bitmap;
    const PallixRect wide(0, 0, 1000, 500);

    // Centred columns of 350, 300 and 100 pixels; an empty column keeps its place.
    LoopList list;
    list.SetRectAbsolute(wide);
    list.addItem("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW\t\tW", nullptr);
    list.setSelectedIndex(0);
    bitmap.Create(1000, 500);
    bitmap.FillRect(bitmap.GetRect(), CLEAR);
    list.OnPaint(bitmap);
    // The selected entry is black on a white shadow; its ink tells the columns apart.
    auto isInk = [](const PallixColor& c) { return c.GetAlpha() > 200; };
    PallixRect first = PixelProbe::bounds(bitmap, PallixRect(0, 0, 350, 500), isInk);
    EXPECT_FALSE(first.IsEmpty());
    // Held to its column: cut short with an ellipsis, never reaching the next one.
    EXPECT_EQ(PixelProbe::count(bitmap, PallixRect(350, 0, 300, 500), isInk), 0);
    PallixRect third = PixelProbe::bounds(bitmap, PallixRect(650, 0, 350, 500), isInk);
    ASSERT_FALSE(third.IsEmpty());
    EXPECT_LT(std::abs(third.x + int32_t(third.w) / 2 - 700), 4);

    // A left-aligned entry without tabs starts 10 pixels in.
    LoopList left;
    left.SetRectAbsolute(wide);
    left.setLeftAlign(true);
    left.addItem("Harbour Lights", nullptr);
    left.setSelectedIndex(0);
    bitmap.FillRect(bitmap.GetRect(), CLEAR);
    left.OnPaint(bitmap);
    PallixRect text = PixelProbe::bounds(bitmap, bitmap.GetRect(), isInk);
    EXPECT_GE(text.x, 10);
    EXPECT_LE(text.x, 14);
}
