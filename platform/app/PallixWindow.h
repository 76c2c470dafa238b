#pragma once

#include "PallixRect.h"

#include <vector>

class PallixBitmap;

// Planes of top-level windows, painted from the bottom up.
enum PallixPlane
{
    kBottomMost = 0,
    kAppNormal = 1,
    kTopMost = 2
};

// Base of every window: a tree of rectangles with focus, key routing and
// damage-driven painting. Windows can be built and arranged before the event
// loop runs; nothing is painted or delivered until it does.
class PallixWindow
{
public:
    PallixWindow();
    virtual ~PallixWindow();
    PallixWindow(const PallixWindow&) = delete;
    PallixWindow& operator=(const PallixWindow&) = delete;

    // Draws the window in absolute screen coordinates; the bitmap is clipped to
    // the window's absolute rectangle and the damaged area.
    virtual void OnPaint(PallixBitmap& bitmap);
    virtual void OnMaterialize();
    virtual void OnMaterialized();
    virtual void OnVanish();
    virtual void OnClearFocus();
    virtual void OnSetFocus();
    // True when handled; an unhandled key is offered to each parent in turn, then
    // to the application.
    virtual bool OnKeyDown(unsigned long nKey);
    virtual void OnKeyUp(unsigned long nKey);
    // Up, Down, Left and Right. A window may propose another window to take the focus.
    virtual bool OnNavKey(unsigned long nKey, PallixWindow*& pProposedNewFocusWnd);
    virtual bool WillAcceptFocus();
    // One typed character (a Unicode code point; 8 is a deletion): from a
    // keyboard while this window or a parent takes text, or from the control
    // channel's "type". True when handled; unhandled, it goes to each parent.
    virtual bool OnChar(char32_t nChar);
    // While the focused window or one of its parents takes text, keyboard keys
    // that make characters come as characters rather than as remote keys.
    virtual bool WantsTextInput();

    // Children are painted after their parent, in the order they were added.
    void AddChild(PallixWindow* pChild);
    void RemoveChild(PallixWindow* pChild);
    PallixWindow* GetParent() const { return mpParent; }

    // A top-level window is shown on a plane; a child is shown with its parent.
    void Materialize(int nPlane = kAppNormal);
    void Vanish();
    bool IsMaterialized() const { return mbMaterialized; }
    // True when this window and all its parents are materialised.
    bool IsVisible() const;

    // One window in the application has the focus. SetFocus(true) calls the old
    // window's OnClearFocus, then this one's OnSetFocus, which may move it on.
    void SetFocus(bool bFocus);
    bool IsFocus() const;
    static PallixWindow* GetFocusWindow();

    PallixRect GetRectAbsolute() const;
    PallixRect GetRectRelative() const { return mRect; }
    void SetRectAbsolute(const PallixRect& rect);
    void SetRectRelative(const PallixRect& rect);

    // These only record damage; painting happens once per loop turn.
    void Redraw();
    void Redraw(const PallixRect& rect);
    void RedrawScreen();

private:
    // Records the window and its shown children as needing paint.
    void DamageSubtree() const;

    PallixWindow* mpParent = nullptr;
    std::vector<PallixWindow*> mChildren;
    PallixRect mRect;
    int mPlane = kAppNormal;
    bool mbMaterialized = false;

    friend class PallixWindowManager;
};
