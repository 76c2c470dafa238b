#include "PallixWindowManager.h"

#include "PallixBitmap.h"
#include "PallixKeyCodes.h"
#include "PallixScreen.h"
#include "PallixWindow.h"
#include "PallixWindowSystem.h"

#include <algorithm>

namespace
{
constexpr size_t MAX_DAMAGE_RECTS = 8;

bool contains(const PallixRect& outer, const PallixRect& inner)
{
    return inner.x >= outer.x && inner.y >= outer.y && int64_t(inner.x) + inner.w <= int64_t(outer.x) + outer.w &&
           int64_t(inner.y) + inner.h <= int64_t(outer.y) + outer.h;
}

PallixRect boundingBox(const PallixRect& a, const PallixRect& b)
{
    const int64_t x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const int64_t x1 = std::max(int64_t(a.x) + a.w, int64_t(b.x) + b.w);
    const int64_t y1 = std::max(int64_t(a.y) + a.h, int64_t(b.y) + b.h);
    return PallixRect(int32_t(x0), int32_t(y0), uint32_t(x1 - x0), uint32_t(y1 - y0));
}

int clampPlane(int nPlane)
{
    return std::clamp(nPlane, int(kBottomMost), int(kTopMost));
}
} // namespace

PallixWindowManager& PallixWindowManager::Get()
{
    static PallixWindowManager manager;
    return manager;
}

PallixWindowManager::PallixWindowManager()
{
    // Windows exist, so the loop gets their keys, paint and screenshots.
    PallixWindowSystem::Install();
}

bool PallixWindowManager::IsNavKey(uint32_t nKey)
{
    return PallixKeyCodes::IsNavigation(nKey);
}

void PallixWindowManager::Show(PallixWindow* pWindow, int nPlane)
{
    Hide(pWindow);
    mPlanes[clampPlane(nPlane)].push_back(pWindow);
}

void PallixWindowManager::Hide(PallixWindow* pWindow)
{
    for (auto& plane : mPlanes)
        std::erase(plane, pWindow);
}

bool PallixWindowManager::IsShown(const PallixWindow* pWindow) const
{
    for (const auto& plane : mPlanes)
    {
        if (std::find(plane.begin(), plane.end(), pWindow) != plane.end())
            return true;
    }
    return false;
}

void PallixWindowManager::Forget(PallixWindow* pWindow)
{
    Hide(pWindow);
    if (mpFocus == pWindow)
        mpFocus = nullptr;
}

void PallixWindowManager::MoveFocus(PallixWindow* pWindow)
{
    PallixWindow* pOld = mpFocus;
    if (pOld == pWindow)
        return;
    mpFocus = pWindow;
    if (pOld)
        pOld->OnClearFocus();
    // OnClearFocus may itself have moved the focus; then that move stands.
    if (pWindow && mpFocus == pWindow)
        pWindow->OnSetFocus();
}

void PallixWindowManager::AddDamage(const PallixRect& rect)
{
    PallixRect damage;
    damage.MakeIntersectRect(rect, PallixScreen().GetRect());
    if (damage.IsEmpty())
        return;
    for (const PallixRect& existing : mDamage)
    {
        if (contains(existing, damage))
            return;
    }
    std::erase_if(mDamage, [&](const PallixRect& existing) { return contains(damage, existing); });
    mDamage.push_back(damage);
    // Many small areas cost more in repeated window paints than one larger one.
    if (mDamage.size() > MAX_DAMAGE_RECTS)
    {
        PallixRect all = mDamage.front();
        for (const PallixRect& r : mDamage)
            all = boundingBox(all, r);
        mDamage.assign(1, all);
    }
}

std::vector<PallixRect> PallixWindowManager::Paint(PallixBitmap& plane)
{
    std::vector<PallixRect> damage;
    damage.swap(mDamage);
    for (const PallixRect& rect : damage)
    {
        plane.SetClipRect(rect);
        plane.FillRect(rect, PallixColor(0, 0, 0, 0));
        for (const auto& windows : mPlanes)
        {
            // A paint may show or hide windows; it takes effect next time.
            const std::vector<PallixWindow*> snapshot = windows;
            for (PallixWindow* pWindow : snapshot)
                PaintTree(pWindow, plane, rect);
        }
    }
    plane.ClearClipRect();
    return damage;
}

void PallixWindowManager::PaintTree(PallixWindow* pWindow, PallixBitmap& plane, const PallixRect& damage)
{
    if (!pWindow->mbMaterialized)
        return;
    PallixRect clip;
    clip.MakeIntersectRect(pWindow->GetRectAbsolute(), damage);
    if (!clip.IsEmpty())
    {
        plane.SetClipRect(clip);
        pWindow->OnPaint(plane);
    }
    // Children are not confined to their parent's rectangle, only to their own.
    const std::vector<PallixWindow*> children = pWindow->mChildren;
    for (PallixWindow* pChild : children)
        PaintTree(pChild, plane, damage);
}

bool PallixWindowManager::DeliverKeyDown(uint32_t nKey)
{
    const bool bNav = IsNavKey(nKey);
    for (PallixWindow* pWindow = mpFocus; pWindow; pWindow = pWindow->GetParent())
    {
        bool bHandled = false;
        if (bNav)
        {
            PallixWindow* pProposed = nullptr;
            bHandled = pWindow->OnNavKey(nKey, pProposed);
            if (bHandled && pProposed && pProposed->WillAcceptFocus())
                pProposed->SetFocus(true);
        }
        else
        {
            bHandled = pWindow->OnKeyDown(nKey);
        }
        if (bHandled)
            return true;
    }
    return false;
}

void PallixWindowManager::DeliverKeyUp(uint32_t nKey)
{
    if (mpFocus)
        mpFocus->OnKeyUp(nKey);
}

bool PallixWindowManager::DeliverChar(char32_t nChar)
{
    for (PallixWindow* pWindow = mpFocus; pWindow; pWindow = pWindow->GetParent())
        if (pWindow->OnChar(nChar))
            return true;
    return false;
}

bool PallixWindowManager::IsTakingText() const
{
    for (PallixWindow* pWindow = mpFocus; pWindow; pWindow = pWindow->GetParent())
        if (pWindow->WantsTextInput())
            return true;
    return false;
}
