// The window tree without a loop: focus, key routing, damage and painting,
// driven through the window manager the way the event loop drives it.

#include "PallixBitmap.h"
#include "PallixScreen.h"
#include "PallixWindow.h"
#include "PallixWindowManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{
constexpr unsigned long KEY_SELECT = 0x1000B;
constexpr unsigned long KEY_UP = 0x1000C;
constexpr unsigned long KEY_DOWN = 0x1000D;
constexpr unsigned long KEY_LEFT = 0x1000E;
constexpr unsigned long KEY_RIGHT = 0x1000F;
constexpr unsigned long KEY_PLAY = 0x10018;

using Log = std::vector<std::string>;

class RecordingWindow : public PallixWindow
{
public:
    RecordingWindow(Log& log, std::string name) : mLog(log), mName(std::move(name)) {}

    std::function<void()> onSetFocus;
    std::function<bool(unsigned long)> onKey;
    std::function<bool(unsigned long, PallixWindow*&)> onNav;
    PallixColor fill = PallixColor(0, 0, 0, 0);
    bool bFill = false;
    std::vector<PallixRect> paintClips;

    void OnPaint(PallixBitmap& bitmap) override
    {
        mLog.push_back(mName + ".paint");
        paintClips.push_back(bitmap.GetClipRect());
        if (bFill)
            bitmap.FillRect(PallixScreen().GetRect(), fill);
    }
    void OnMaterialize() override { mLog.push_back(mName + ".materialize"); }
    void OnVanish() override { mLog.push_back(mName + ".vanish"); }
    void OnClearFocus() override { mLog.push_back(mName + ".clear(" + std::to_string(IsFocus()) + ")"); }
    void OnSetFocus() override
    {
        mLog.push_back(mName + ".set(" + std::to_string(IsFocus()) + ")");
        if (onSetFocus)
            onSetFocus();
    }
    bool OnKeyDown(unsigned long nKey) override
    {
        mLog.push_back(mName + ".key");
        return onKey && onKey(nKey);
    }
    bool OnNavKey(unsigned long nKey, PallixWindow*& pProposed) override
    {
        mLog.push_back(mName + ".nav");
        return onNav && onNav(nKey, pProposed);
    }

private:
    Log& mLog;
    std::string mName;
};

class PallixWindowTest : public ::testing::Test
{
protected:
    PallixWindowTest()
    {
        manager().MoveFocus(nullptr);
        Flush();
    }

    static PallixWindowManager& manager() { return PallixWindowManager::Get(); }

    // Paints whatever is damaged into a fresh plane, as the loop's paint step does.
    void Flush()
    {
        manager().Paint(mPlane);
        mLog.clear();
    }

    Log mLog;
    PallixBitmap mPlane;
    bool mbCreated = mPlane.Create(1280, 720);
};
} // namespace

TEST_F(PallixWindowTest, OneWindowHoldsTheFocusAndTheOldOneIsToldFirst)
{
    RecordingWindow a(mLog, "a"), b(mLog, "b");
    a.SetFocus(true);
    EXPECT_TRUE(a.IsFocus());
    EXPECT_EQ(PallixWindow::GetFocusWindow(), &a);
    b.SetFocus(true);
    EXPECT_FALSE(a.IsFocus());
    EXPECT_TRUE(b.IsFocus());
    // The old window no longer has the focus when told; the new one already has it.
    EXPECT_EQ(mLog, (Log{"a.set(1)", "a.clear(0)", "b.set(1)"}));

    mLog.clear();
    b.SetFocus(true);
    a.SetFocus(false);
    EXPECT_TRUE(mLog.empty());
    b.SetFocus(false);
    EXPECT_EQ(mLog, (Log{"b.clear(0)"}));
    EXPECT_EQ(PallixWindow::GetFocusWindow(), nullptr);

    {
        RecordingWindow gone(mLog, "gone");
        gone.SetFocus(true);
    }
    EXPECT_EQ(PallixWindow::GetFocusWindow(), nullptr);
}

TEST_F(PallixWindowTest, FocusCanMoveOnFromInsideOnSetFocus)
{
    RecordingWindow main(mLog, "main"), panel(mLog, "panel"), list(mLog, "list");
    main.AddChild(&panel);
    panel.AddChild(&list);
    main.onSetFocus = [&] { panel.SetFocus(true); };
    panel.onSetFocus = [&] { list.SetFocus(true); };
    list.SetFocus(true);
    mLog.clear();

    main.SetFocus(true);
    EXPECT_TRUE(list.IsFocus());
    EXPECT_FALSE(main.IsFocus());
    EXPECT_FALSE(panel.IsFocus());
    EXPECT_EQ(mLog, (Log{"list.clear(0)", "main.set(1)", "main.clear(0)", "panel.set(1)", "panel.clear(0)",
                         "list.set(1)"}));
}

TEST_F(PallixWindowTest, KeysGoToTheFocusedWindowAndBubbleUpItsParents)
{
    RecordingWindow main(mLog, "main"), panel(mLog, "panel"), list(mLog, "list");
    main.AddChild(&panel);
    panel.AddChild(&list);
    list.SetFocus(true);
    std::vector<unsigned long> panelKeys;
    panel.onKey = [&](unsigned long nKey) {
        panelKeys.push_back(nKey);
        return nKey == KEY_PLAY;
    };
    list.onNav = [&](unsigned long nKey, PallixWindow*&) { return nKey == KEY_DOWN; };
    mLog.clear();

    // Navigation keys go to OnNavKey only, everything else to OnKeyDown only.
    EXPECT_TRUE(manager().DeliverKeyDown(KEY_DOWN));
    EXPECT_EQ(mLog, (Log{"list.nav"}));
    mLog.clear();
    EXPECT_TRUE(manager().DeliverKeyDown(KEY_PLAY));
    EXPECT_EQ(mLog, (Log{"list.key", "panel.key"}));
    mLog.clear();
    // Nobody handles these: every ancestor is asked, then the caller hands the
    // key to the application.
    EXPECT_FALSE(manager().DeliverKeyDown(KEY_SELECT));
    EXPECT_EQ(mLog, (Log{"list.key", "panel.key", "main.key"}));
    mLog.clear();
    EXPECT_FALSE(manager().DeliverKeyDown(KEY_UP));
    EXPECT_EQ(mLog, (Log{"list.nav", "panel.nav", "main.nav"}));
    EXPECT_EQ(panelKeys, (std::vector<unsigned long>{KEY_PLAY, KEY_SELECT}));

    for (unsigned long nKey : {KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT})
        EXPECT_TRUE(PallixWindowManager::IsNavKey(uint32_t(nKey)));
    EXPECT_FALSE(PallixWindowManager::IsNavKey(uint32_t(KEY_SELECT)));
    EXPECT_FALSE(PallixWindowManager::IsNavKey(0x10010));

    // Without a focused window nothing is handled.
    list.SetFocus(false);
    EXPECT_FALSE(manager().DeliverKeyDown(KEY_PLAY));
}

TEST_F(PallixWindowTest, AHandledNavKeyMayProposeTheNextFocus)
{
    RecordingWindow left(mLog, "left"), right(mLog, "right");
    left.onNav = [&](unsigned long nKey, PallixWindow*& pProposed) {
        if (nKey == KEY_RIGHT)
            pProposed = &right;
        return true;
    };
    left.SetFocus(true);
    EXPECT_TRUE(manager().DeliverKeyDown(KEY_DOWN));
    EXPECT_TRUE(left.IsFocus());
    EXPECT_TRUE(manager().DeliverKeyDown(KEY_RIGHT));
    EXPECT_TRUE(right.IsFocus());
}

TEST_F(PallixWindowTest, RectanglesAreRelativeToTheParent)
{
    RecordingWindow main(mLog, "main"), panel(mLog, "panel"), list(mLog, "list");
    main.SetRectAbsolute(PallixRect(10, 20, 1000, 600));
    main.AddChild(&panel);
    panel.SetRectAbsolute(PallixRect(150, 20, 800, 600));
    EXPECT_EQ(panel.GetRectRelative(), PallixRect(140, 0, 800, 600));
    panel.AddChild(&list);
    list.SetRectRelative(PallixRect(5, 50, 400, 300));
    EXPECT_EQ(list.GetRectAbsolute(), PallixRect(155, 70, 400, 300));
    main.SetRectAbsolute(PallixRect(0, 0, 1000, 600));
    EXPECT_EQ(list.GetRectAbsolute(), PallixRect(145, 50, 400, 300));
    // A child taken out keeps its place on the screen.
    panel.RemoveChild(&list);
    EXPECT_EQ(list.GetParent(), nullptr);
    EXPECT_EQ(list.GetRectAbsolute(), PallixRect(145, 50, 400, 300));
}

TEST_F(PallixWindowTest, PaintsByPlaneThenParentsBeforeChildrenInAddOrder)
{
    RecordingWindow top(mLog, "top"), normal(mLog, "normal"), bottom(mLog, "bottom");
    RecordingWindow first(mLog, "first"), second(mLog, "second"), inner(mLog, "inner"), hidden(mLog, "hidden");
    for (RecordingWindow* w : {&top, &normal, &bottom})
        w->SetRectAbsolute(PallixRect(0, 0, 1280, 720));
    normal.AddChild(&first);
    normal.AddChild(&second);
    first.AddChild(&inner);
    normal.AddChild(&hidden);
    for (RecordingWindow* w : {&first, &second, &inner, &hidden})
        w->SetRectRelative(PallixRect(10, 10, 100, 100));
    hidden.Vanish();
    EXPECT_FALSE(hidden.IsVisible());

    top.Materialize(kTopMost);
    normal.Materialize(kAppNormal);
    bottom.Materialize(kBottomMost);
    EXPECT_TRUE(inner.IsVisible());
    Flush();
    normal.RedrawScreen();
    manager().Paint(mPlane);
    EXPECT_EQ(mLog, (Log{"bottom.paint", "normal.paint", "first.paint", "inner.paint", "second.paint", "top.paint"}));

    // Nothing damaged, nothing painted.
    mLog.clear();
    EXPECT_TRUE(manager().Paint(mPlane).empty());
    EXPECT_TRUE(mLog.empty());

    // Showing a window again brings it to the front of its plane.
    RecordingWindow other(mLog, "other");
    other.SetRectAbsolute(PallixRect(0, 0, 100, 100));
    other.Materialize(kAppNormal);
    normal.Materialize(kAppNormal);
    Flush();
    normal.RedrawScreen();
    manager().Paint(mPlane);
    EXPECT_EQ(mLog, (Log{"bottom.paint", "other.paint", "normal.paint", "first.paint", "inner.paint",
                         "second.paint", "top.paint"}));
}

TEST_F(PallixWindowTest, RedrawOnlyRecordsDamageAndPaintingIsClippedToIt)
{
    RecordingWindow main(mLog, "main"), panel(mLog, "panel"), gone(mLog, "gone");
    main.SetRectAbsolute(PallixRect(0, 0, 1280, 720));
    main.AddChild(&panel);
    panel.SetRectAbsolute(PallixRect(140, 0, 1140, 720));
    gone.SetRectAbsolute(PallixRect(0, 0, 1280, 720));
    main.Materialize(kAppNormal);
    Flush();

    // A window that is not shown records nothing.
    gone.Redraw();
    EXPECT_FALSE(manager().HasDamage());

    main.Redraw(PallixRect(10, 670, 125, 50));
    EXPECT_TRUE(mLog.empty());
    EXPECT_EQ(manager().GetDamage(), (std::vector<PallixRect>{PallixRect(10, 670, 125, 50)}));
    std::vector<PallixRect> painted = manager().Paint(mPlane);
    EXPECT_EQ(painted, (std::vector<PallixRect>{PallixRect(10, 670, 125, 50)}));
    // The panel does not meet the damage, so it is not asked to paint.
    EXPECT_EQ(mLog, (Log{"main.paint"}));
    EXPECT_EQ(main.paintClips.back(), PallixRect(10, 670, 125, 50));

    // A child's Redraw(rect) is relative to the child; the clip is its own rectangle and the damage.
    mLog.clear();
    panel.Redraw(PallixRect(-20, 100, 40, 10));
    manager().Paint(mPlane);
    EXPECT_EQ(mLog, (Log{"main.paint", "panel.paint"}));
    EXPECT_EQ(main.paintClips.back(), PallixRect(120, 100, 40, 10));
    EXPECT_EQ(panel.paintClips.back(), PallixRect(140, 100, 20, 10));
    // Damage off the screen is dropped.
    main.Redraw(PallixRect(2000, 0, 10, 10));
    EXPECT_FALSE(manager().HasDamage());
}

TEST_F(PallixWindowTest, PaintingClearsTheDamageAndKeepsEachWindowInItsRectangle)
{
    RecordingWindow back(mLog, "back"), box(mLog, "box");
    back.SetRectAbsolute(PallixRect(0, 0, 1280, 720));
    back.bFill = true;
    back.fill = PallixColor(0, 0, 255, 255);
    box.SetRectAbsolute(PallixRect(100, 100, 50, 50));
    box.bFill = true;
    box.fill = PallixColor(255, 0, 0, 128);
    back.Materialize(kBottomMost);
    box.Materialize(kTopMost);
    Flush();
    back.RedrawScreen();
    manager().Paint(mPlane);
    // The box fills "the whole screen" but only its rectangle changes.
    EXPECT_EQ(mPlane.GetPixel(100, 100), PallixColor(255, 0, 0, 128));
    EXPECT_EQ(mPlane.GetPixel(149, 149), PallixColor(255, 0, 0, 128));
    EXPECT_EQ(mPlane.GetPixel(150, 150), PallixColor(0, 0, 255, 255));
    EXPECT_EQ(mPlane.GetPixel(0, 0), PallixColor(0, 0, 255, 255));
    EXPECT_EQ(mPlane.GetClipRect(), mPlane.GetRect());

    // Vanishing damages the window's area; the next paint clears what it left.
    back.Vanish();
    EXPECT_EQ(mLog.back(), "back.vanish");
    manager().Paint(mPlane);
    EXPECT_EQ(mPlane.GetPixel(0, 0), PallixColor(0, 0, 0, 0));
    EXPECT_EQ(mPlane.GetPixel(120, 120), PallixColor(255, 0, 0, 128));
}

TEST_F(PallixWindowTest, ChildrenAreShownWithTheirParentUnlessVanished)
{
    RecordingWindow main(mLog, "main"), panel(mLog, "panel");
    main.SetRectAbsolute(PallixRect(0, 0, 1280, 720));
    panel.SetRectAbsolute(PallixRect(140, 0, 1140, 720));
    main.AddChild(&panel);
    EXPECT_TRUE(panel.IsMaterialized());
    EXPECT_FALSE(panel.IsVisible());
    main.Materialize(kAppNormal);
    EXPECT_TRUE(panel.IsVisible());
    panel.Materialize(kAppNormal);
    EXPECT_EQ(mLog, (Log{"main.materialize", "panel.materialize"}));
    // A materialised child stays a child, not a window of its own.
    EXPECT_EQ(panel.GetParent(), &main);
    EXPECT_FALSE(manager().IsShown(&panel));

    panel.Vanish();
    EXPECT_FALSE(panel.IsVisible());
    EXPECT_TRUE(main.IsVisible());
    main.RemoveChild(&panel);
    main.AddChild(&panel);
    EXPECT_TRUE(panel.IsVisible());
    main.Vanish();
    EXPECT_FALSE(panel.IsVisible());
}
