#include "PallixWindow.h"

#include "PallixScreen.h"
#include "PallixWindowManager.h"

#include <algorithm>

PallixWindow::PallixWindow()
{
    // The manager must outlive every window, static ones included, so it is
    // built before the first window is finished.
    PallixWindowManager::Get();
}

PallixWindow::~PallixWindow()
{
    if (mpParent)
        mpParent->RemoveChild(this);
    for (PallixWindow* pChild : mChildren)
        pChild->mpParent = nullptr;
    mChildren.clear();
    PallixWindowManager::Get().Forget(this);
}

void PallixWindow::OnPaint(PallixBitmap&) {}
void PallixWindow::OnMaterialize() {}
void PallixWindow::OnMaterialized() {}
void PallixWindow::OnVanish() {}
void PallixWindow::OnClearFocus() {}
void PallixWindow::OnSetFocus() {}

bool PallixWindow::OnKeyDown(unsigned long)
{
    return false;
}

void PallixWindow::OnKeyUp(unsigned long) {}

bool PallixWindow::OnNavKey(unsigned long, PallixWindow*&)
{
    return false;
}

bool PallixWindow::WillAcceptFocus()
{
    return true;
}

bool PallixWindow::OnChar(char32_t)
{
    return false;
}

bool PallixWindow::WantsTextInput()
{
    return false;
}

void PallixWindow::AddChild(PallixWindow* pChild)
{
    if (!pChild || pChild == this || pChild->mpParent == this)
        return;
    if (pChild->mpParent)
        pChild->mpParent->RemoveChild(pChild);
    PallixWindowManager::Get().Hide(pChild);
    pChild->mpParent = this;
    // A child is shown with its parent unless it is vanished on its own.
    pChild->mbMaterialized = true;
    mChildren.push_back(pChild);
    if (pChild->IsVisible())
        pChild->DamageSubtree();
}

void PallixWindow::RemoveChild(PallixWindow* pChild)
{
    auto it = std::find(mChildren.begin(), mChildren.end(), pChild);
    if (it == mChildren.end())
        return;
    if (pChild->IsVisible())
        pChild->DamageSubtree();
    // Its position on screen stays where it was.
    const PallixRect absolute = pChild->GetRectAbsolute();
    mChildren.erase(it);
    pChild->mpParent = nullptr;
    pChild->mRect = absolute;
    pChild->mbMaterialized = false;
}

void PallixWindow::Materialize(int nPlane)
{
    mbMaterialized = true;
    if (!mpParent)
    {
        mPlane = nPlane;
        PallixWindowManager::Get().Show(this, nPlane);
    }
    OnMaterialize();
    if (IsVisible())
        DamageSubtree();
    OnMaterialized();
}

void PallixWindow::Vanish()
{
    if (IsVisible())
        DamageSubtree();
    mbMaterialized = false;
    if (!mpParent)
        PallixWindowManager::Get().Hide(this);
    OnVanish();
}

bool PallixWindow::IsVisible() const
{
    const PallixWindow* pWindow = this;
    for (; pWindow->mpParent; pWindow = pWindow->mpParent)
    {
        if (!pWindow->mbMaterialized)
            return false;
    }
    return pWindow->mbMaterialized && PallixWindowManager::Get().IsShown(pWindow);
}

void PallixWindow::SetFocus(bool bFocus)
{
    PallixWindowManager& manager = PallixWindowManager::Get();
    if (bFocus)
        manager.MoveFocus(this);
    else if (manager.GetFocus() == this)
        manager.MoveFocus(nullptr);
}

bool PallixWindow::IsFocus() const
{
    return PallixWindowManager::Get().GetFocus() == this;
}

PallixWindow* PallixWindow::GetFocusWindow()
{
    return PallixWindowManager::Get().GetFocus();
}

PallixRect PallixWindow::GetRectAbsolute() const
{
    PallixRect rect = mRect;
    for (const PallixWindow* pParent = mpParent; pParent; pParent = pParent->mpParent)
    {
        rect.x += pParent->mRect.x;
        rect.y += pParent->mRect.y;
    }
    return rect;
}

void PallixWindow::SetRectAbsolute(const PallixRect& rect)
{
    PallixRect relative = rect;
    if (mpParent)
    {
        const PallixRect parent = mpParent->GetRectAbsolute();
        relative.x -= parent.x;
        relative.y -= parent.y;
    }
    SetRectRelative(relative);
}

void PallixWindow::SetRectRelative(const PallixRect& rect)
{
    if (rect == mRect)
        return;
    const bool bVisible = IsVisible();
    if (bVisible)
        DamageSubtree();
    mRect = rect;
    if (bVisible)
        DamageSubtree();
}

void PallixWindow::Redraw()
{
    if (IsVisible())
        PallixWindowManager::Get().AddDamage(GetRectAbsolute());
}

void PallixWindow::Redraw(const PallixRect& rect)
{
    if (!IsVisible())
        return;
    const PallixRect absolute = GetRectAbsolute();
    PallixWindowManager::Get().AddDamage(PallixRect(absolute.x + rect.x, absolute.y + rect.y, rect.w, rect.h));
}

void PallixWindow::RedrawScreen()
{
    PallixWindowManager::Get().AddDamage(PallixScreen().GetRect());
}

void PallixWindow::DamageSubtree() const
{
    PallixWindowManager::Get().AddDamage(GetRectAbsolute());
    for (const PallixWindow* pChild : mChildren)
    {
        if (pChild->mbMaterialized)
            pChild->DamageSubtree();
    }
}
