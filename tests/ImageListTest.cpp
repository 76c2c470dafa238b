#include "Colors.h"
#include "Fonts.h"
#include "ImageFactoryTestAccess.h"
#include "ImageList.h"
#include "LibrarySettings.h"
#include "ListRecorder.h"
#include "PallixBitmap.h"
#include "PallixWindowManager.h"
#include "PixelProbe.h"
#include "RemoteKeys.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

class ImageListTestAccess
{
public:
    explicit ImageListTestAccess(ImageList& list) : mList(list) {}

    std::string status() { return mList.getStatusText().str(); }
    int startIndex() const { return mList.mStartIndex; }
    int row() const { return mList.mSelectedRow; }
    int col() const { return mList.mSelectedCol; }
    int offset() const { return mList.mAnimationOffset; }
    uint32_t animationTimer() const { return mList.mAnimateTimerID; }
    void tick(uint32_t nTimerID) { mList.OnTimer(nTimerID); }

private:
    ImageList& mList;
};

namespace
{
const PallixColor COVER(10, 120, 40, 255);
const PallixColor FRAME(220, 0, 0, 255);
const PallixColor FRAME_DIM(90, 0, 0, 255);
const PallixColor UP(0, 0, 230, 255);
const PallixColor DOWN(0, 210, 210, 255);
// The grid as the cover-art panel places it: below the 90-pixel details band.
const PallixRect GRID(140, 85, 1140, 635);

class Grid
{
public:
    explicit Grid(int count, bool bPictures = false)
    {
        if (bPictures)
        {
            mpCover = mCache.add("cover", 140, 200, COVER);
            mCache.add("selector.png", 150, 210, FRAME);
            mCache.add("nselector.png", 150, 210, FRAME_DIM);
            mCache.add("upArrow.png", 20, 15, UP);
            mCache.add("downArrow.png", 20, 15, DOWN);
        }
        list.setListener(&recorder);
        list.SetRectAbsolute(GRID);
        for (int i = 0; i < count; ++i)
            list.addItem(("Title " + std::to_string(i)).c_str(), mpCover, nullptr);
        if (count > 0)
            list.setSelectedIndex(0);
        recorder.take();
    }

    bool nav(unsigned long nKey)
    {
        PallixWindow* pProposed = nullptr;
        return list.OnNavKey(nKey, pProposed);
    }

    std::unique_ptr<PallixBitmap> paint()
    {
        auto pBitmap = std::make_unique<PallixBitmap>();
        pBitmap->Create(1280, 720);
        list.OnPaint(*pBitmap);
        return pBitmap;
    }

    ImageFactoryTestAccess mCache;
    PallixBitmap* mpCover = nullptr;
    ListRecorder recorder;
    ImageList list;
    ImageListTestAccess access{list};
};

int countColor(const PallixBitmap& bitmap, const PallixRect& rect, const PallixColor& color)
{
    return PixelProbe::count(bitmap, rect, [&](const PallixColor& c) { return c == color; });
}
} // namespace

TEST(ImageList, ShortGridMovesWithinItsEntriesAndReportsTheRest)
{
    Grid grid(7);
    EXPECT_EQ(grid.access.status(), "Items 1-7 of 7 ");

    // Right onto the empty cells of row 1 is refused; the column is kept.
    EXPECT_TRUE(grid.nav(RemoteKeys::DOWN));
    EXPECT_EQ(grid.list.getSelectedIndex(), 5);
    EXPECT_TRUE(grid.nav(RemoteKeys::RIGHT));
    EXPECT_FALSE(grid.nav(RemoteKeys::RIGHT));
    EXPECT_EQ(grid.list.getSelectedIndex(), 6);
    EXPECT_EQ(grid.recorder.take(), (std::vector<std::string>{"selected 5", "selected 6"}));

    // Up in row 1 goes to row 0 without scrolling; a column whose row 1 is empty cannot go down.
    EXPECT_TRUE(grid.nav(RemoteKeys::UP));
    EXPECT_EQ(grid.list.getSelectedIndex(), 1);
    EXPECT_EQ(grid.access.startIndex(), 0);
    EXPECT_TRUE(grid.nav(RemoteKeys::RIGHT));
    EXPECT_TRUE(grid.nav(RemoteKeys::RIGHT));
    EXPECT_TRUE(grid.nav(RemoteKeys::RIGHT));
    EXPECT_FALSE(grid.nav(RemoteKeys::RIGHT));
    EXPECT_TRUE(grid.nav(RemoteKeys::DOWN));
    EXPECT_EQ(grid.list.getSelectedIndex(), 4);
    grid.recorder.take();

    // Page down has nothing to show; the keys that choose report the key.
    EXPECT_FALSE(grid.list.OnKeyDown(RemoteKeys::PAGE_DOWN));
    EXPECT_FALSE(grid.list.OnKeyDown(RemoteKeys::PAGE_UP));
    EXPECT_TRUE(grid.list.OnKeyDown(RemoteKeys::SELECT));
    EXPECT_TRUE(grid.list.OnKeyDown(RemoteKeys::PLAY));
    EXPECT_TRUE(grid.list.OnKeyDown(RemoteKeys::BACK));
    EXPECT_FALSE(grid.list.OnKeyDown(0x10021));
    EXPECT_EQ(grid.recorder.take(), (std::vector<std::string>{"chosen 4 65547", "chosen 4 65560", "back"}));

    // Left at column 0 reports, and moves nothing.
    for (int i = 0; i < 4; ++i)
        grid.nav(RemoteKeys::LEFT);
    grid.recorder.take();
    EXPECT_TRUE(grid.nav(RemoteKeys::LEFT));
    EXPECT_EQ(grid.list.getSelectedIndex(), 0);
    EXPECT_EQ(grid.recorder.take(), std::vector<std::string>{"left"});

    // An empty grid refuses Right and reports nothing.
    Grid empty(0);
    EXPECT_FALSE(empty.nav(RemoteKeys::RIGHT));
    EXPECT_EQ(empty.access.col(), 0);
    EXPECT_TRUE(empty.recorder.take().empty());
}

TEST(ImageList, PagesOfALongGridKeepTheCellAndLandOnTheLastEntry)
{
    Grid grid(57);
    grid.list.setListDescription("[Genre: Drama]");
    EXPECT_EQ(grid.access.status(), "[Genre: Drama] Items 1-10 of 57 ");
    EXPECT_TRUE(grid.list.OnKeyDown(RemoteKeys::PAGE_DOWN));
    EXPECT_EQ(grid.access.status(), "[Genre: Drama] Items 11-20 of 57 ");
    EXPECT_EQ(grid.recorder.take(), std::vector<std::string>{"selected 10"});

    // Up in row 0 scrolls a row; Down from row 1 scrolls a row the other way.
    EXPECT_TRUE(grid.nav(RemoteKeys::UP));
    EXPECT_EQ(grid.access.startIndex(), 5);
    EXPECT_EQ(grid.list.getSelectedIndex(), 5);

    // From 45, only a row is left: the cell (1, 4) would be entry 59, so the last entry is taken.
    grid.list.setSelectedIndex(45);
    grid.nav(RemoteKeys::DOWN);
    for (int i = 0; i < 4; ++i)
        grid.nav(RemoteKeys::RIGHT);
    EXPECT_EQ(grid.list.getSelectedIndex(), 54);
    grid.recorder.take();
    EXPECT_TRUE(grid.list.OnKeyDown(RemoteKeys::PAGE_DOWN));
    EXPECT_EQ(grid.access.startIndex(), 50);
    EXPECT_EQ(grid.access.col(), 1);
    EXPECT_EQ(grid.recorder.take(), std::vector<std::string>{"selected 56"});
    EXPECT_EQ(grid.access.status(), "[Genre: Drama] Items 51-57 of 57 ");
    EXPECT_FALSE(grid.list.OnKeyDown(RemoteKeys::PAGE_DOWN));
    grid.nav(RemoteKeys::DOWN);
    EXPECT_EQ(grid.list.getSelectedIndex(), 56);

    // Page up goes back a page, and a row at a time near the top, keeping the cell.
    EXPECT_TRUE(grid.list.OnKeyDown(RemoteKeys::PAGE_UP));
    EXPECT_EQ(grid.access.startIndex(), 40);
    EXPECT_EQ(grid.list.getSelectedIndex(), 46);
    grid.list.setSelectedIndex(7);
    EXPECT_TRUE(grid.list.OnKeyDown(RemoteKeys::PAGE_UP));
    EXPECT_EQ(grid.access.startIndex(), 2);
    EXPECT_FALSE(grid.list.OnKeyDown(RemoteKeys::PAGE_UP));

    // Emptying returns to page 0 and keeps the description.
    grid.recorder.take();
    grid.list.removeAllItems();
    EXPECT_EQ(grid.list.getSelectedIndex(), -1);
    EXPECT_EQ(grid.access.status(), "[Genre: Drama] Items 1-0 of 0 ");
    grid.list.setSelectedIndex(0);
    EXPECT_TRUE(grid.recorder.take().empty());
}

TEST(ImageList, StatusLineStaysWithinItsBufferByCuttingTheDescription)
{
    Grid grid(57);
    grid.list.setLoading(true);
    EXPECT_EQ(grid.access.status(), "Items 1-10 of 57 - Loading");

    std::string description = "[Genre: ";
    for (int i = 0; i < 10; ++i)
        description += "Très long ";
    grid.list.setListDescription(description.c_str());
    std::string line = grid.access.status();
    EXPECT_LT(line.size(), 64u);
    EXPECT_EQ(line.substr(line.size() - 30), "... Items 1-10 of 57 - Loading");
    EXPECT_EQ(line.rfind("[Genre: Très long", 0), 0u);
    // The cut falls between characters: the line is still valid UTF-8.
    std::string head = line.substr(0, line.size() - 30);
    EXPECT_NE(static_cast<unsigned char>(head.back()) & 0xC0, 0xC0);
}

TEST(ImageList, PaintsThePageTheFrameTheArrowsAndTheStatusLine)
{
    Grid grid(57, true);
    grid.list.setListDescription("[Genre: All]");
    grid.list.SetFocus(true);
    auto pPage = grid.paint();
    const PallixBitmap& page = *pPage;
    // Ten covers, 166 pixels apart in rows 230 apart; the focused frame, 5 pixels up and left
    // of cover 0, hides it.
    EXPECT_EQ(countColor(page, GRID, COVER), 9 * 140 * 200);
    EXPECT_EQ(page.GetPixel(175 + 4 * 166 + 70, 90 + 230 + 100), COVER);
    EXPECT_EQ(page.GetPixel(170, 85), FRAME);
    EXPECT_EQ(countColor(page, GRID, FRAME_DIM), 0);
    // A page and a line can be scrolled down (arrows at 508 and 530), nothing up.
    EXPECT_EQ(page.GetPixel(1250, 512), DOWN);
    EXPECT_EQ(page.GetPixel(1250, 535), DOWN);
    EXPECT_EQ(countColor(page, PallixRect(0, 0, 1280, 720), UP), 0);

    PallixBitmap expected;
    expected.Create(1280, 720);
    expected.DrawTextAt(PallixPoint(175, 695), "[Genre: All] Items 1-10 of 57 ", Fonts::SYSTEM_22, Colors::WHITE, 0);
    EXPECT_TRUE(PixelProbe::sameIn(page, expected, PallixRect(0, 690, 1280, 30)));
    EXPECT_GT(PixelProbe::count(page, PallixRect(0, 690, 1280, 30), PixelProbe::isWhite), 0);
    // With print.title off no names are written under the covers.
    EXPECT_EQ(PixelProbe::count(page, PallixRect(140, 90, 1140, 590), PixelProbe::isWhite), 0);

    // On the last page: both up arrows, the line-down arrow only, and a dim frame without focus.
    grid.list.SetFocus(false);
    grid.list.setSelectedIndex(47);
    auto pLast = grid.paint();
    const PallixBitmap& last = *pLast;
    EXPECT_EQ(last.GetPixel(1250, 90), UP);
    EXPECT_EQ(last.GetPixel(1250, 110), UP);
    EXPECT_EQ(last.GetPixel(1250, 535), DOWN);
    EXPECT_NE(last.GetPixel(1250, 512), DOWN);
    EXPECT_EQ(last.GetPixel(170, 85), FRAME_DIM);

    // An empty grid draws no frame, no cover and no arrow.
    grid.list.removeAllItems();
    auto pEmpty = grid.paint();
    const PallixBitmap& empty = *pEmpty;
    EXPECT_EQ(countColor(empty, GRID, FRAME) + countColor(empty, GRID, FRAME_DIM) + countColor(empty, GRID, COVER) +
                  countColor(empty, GRID, DOWN),
              0);
}

TEST(ImageList, NamesAreWrittenUnderTheCoversWhenPrintTitleIsOn)
{
    LibrarySettings settings;
    TempDir dir;
    dir.write("client.properties", "print.title=true\n");
    captureOutput([&] { ClientProperties::parse(dir.file("client.properties").c_str()); });
    Grid grid(3, true);
    auto pPage = grid.paint();
    const PallixBitmap& page = *pPage;
    PallixRect label = PixelProbe::bounds(page, PallixRect(140, 290, 600, 40), PixelProbe::isWhite);
    EXPECT_GE(label.y, 90 + 203);
    EXPECT_LE(label.y + int32_t(label.h), 90 + 203 + 22);
    EXPECT_GE(label.x, 175 - 11);
}

TEST(ImageList, SlideAnimationRunsEightTicksThenHandsTheFocusBack)
{
    PallixWindow owner;
    owner.SetRectAbsolute(PallixRect(140, 0, 1140, 720));
    owner.Materialize(kAppNormal);
    Grid grid(30, true);
    owner.AddChild(&grid.list);
    grid.list.SetRectAbsolute(GRID);
    grid.list.setWindow(&owner);

    // Switched off, a scroll starts nothing.
    grid.nav(RemoteKeys::DOWN);
    grid.nav(RemoteKeys::DOWN);
    EXPECT_EQ(grid.access.animationTimer(), 0u);

    grid.list.setEnableAnimation(true);
    grid.list.SetFocus(true);
    EXPECT_TRUE(grid.nav(RemoteKeys::DOWN));
    uint32_t nTimer = grid.access.animationTimer();
    ASSERT_NE(nTimer, 0u);
    EXPECT_EQ(grid.access.offset(), 230);
    // While it slides the covers are drawn lower and the frame and status line are left out.
    auto pSliding = grid.paint();
    const PallixBitmap& sliding = *pSliding;
    EXPECT_EQ(countColor(sliding, GRID, FRAME), 0);
    EXPECT_EQ(PixelProbe::count(sliding, PallixRect(140, 690, 1140, 30), PixelProbe::isWhite), 0);
    EXPECT_EQ(sliding.GetPixel(180, 90 + 230 + 10), COVER);
    EXPECT_NE(sliding.GetPixel(180, 90 + 10), COVER);

    PallixBitmap scratch;
    scratch.Create(1280, 720);
    PallixWindowManager::Get().Paint(scratch);
    grid.access.tick(nTimer + 1000);
    EXPECT_EQ(grid.access.offset(), 230);
    std::vector<int> offsets;
    while (grid.access.animationTimer() != 0 && offsets.size() < 20)
    {
        grid.access.tick(nTimer);
        offsets.push_back(grid.access.offset());
        // Each tick asks the owner to repaint the grid area.
        EXPECT_TRUE(PallixWindowManager::Get().HasDamage());
        PallixWindowManager::Get().Paint(scratch);
    }
    EXPECT_EQ(offsets, (std::vector<int>{200, 170, 140, 110, 80, 50, 20, 0}));
    EXPECT_TRUE(owner.IsFocus());
    owner.RemoveChild(&grid.list);
    owner.Vanish();
}
