#pragma once

#include "PallixRect.h"

#include <array>
#include <cstdint>
#include <vector>

class PallixBitmap;
class PallixWindow;

// The window layer's shared state: materialised top-level windows by plane, the
// one focused window and the damaged part of the screen. Used on the event loop
// thread (and by static constructors before it runs).
class PallixWindowManager
{
public:
    static PallixWindowManager& Get();

    PallixWindowManager(const PallixWindowManager&) = delete;
    PallixWindowManager& operator=(const PallixWindowManager&) = delete;

    // Registry of shown top-level windows; showing again brings a window to the
    // front of its plane.
    void Show(PallixWindow* pWindow, int nPlane);
    void Hide(PallixWindow* pWindow);
    bool IsShown(const PallixWindow* pWindow) const;
    // Drops every reference to a window that is going away.
    void Forget(PallixWindow* pWindow);

    PallixWindow* GetFocus() const { return mpFocus; }
    // Moves the focus with OnClearFocus and OnSetFocus; null clears it.
    void MoveFocus(PallixWindow* pWindow);

    // Damage in screen coordinates; the part off the screen is dropped.
    void AddDamage(const PallixRect& rect);
    bool HasDamage() const { return !mDamage.empty(); }
    const std::vector<PallixRect>& GetDamage() const { return mDamage; }

    // Repaints the damaged areas of the graphics plane: each is cleared, then the
    // shown windows paint in plane order, parents before their children. Returns
    // the repainted rectangles; the damage is then empty.
    std::vector<PallixRect> Paint(PallixBitmap& plane);

    // Offers a key to the focused window and then to each of its parents;
    // navigation keys go to OnNavKey, others to OnKeyDown. True when handled.
    bool DeliverKeyDown(uint32_t nKey);
    void DeliverKeyUp(uint32_t nKey);
    // Offers a typed character to the focused window and then to its parents.
    bool DeliverChar(char32_t nChar);
    // Whether the focused window or one of its parents takes text.
    bool IsTakingText() const;

    static bool IsNavKey(uint32_t nKey);

private:
    PallixWindowManager();

    void PaintTree(PallixWindow* pWindow, PallixBitmap& plane, const PallixRect& damage);

    std::array<std::vector<PallixWindow*>, 3> mPlanes;
    PallixWindow* mpFocus = nullptr;
    std::vector<PallixRect> mDamage;
};
