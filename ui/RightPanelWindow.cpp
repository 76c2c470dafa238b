#include "RightPanelWindow.h"

#include "MainWindow.h"
#include "PallixBitmap.h"
#include "PallixColor.h"

#include <utility>

RightPanelWindow::RightPanelWindow(PallixString label)
    : mpMainWindow(nullptr), mbFirstMaterialize(true), mLabel(std::move(label)), mbDrawPositioningRect(false),
      mpReturnPanel(nullptr)
{
}

RightPanelWindow::~RightPanelWindow() = default;

// The main window shows its first panel while it is being built, before the
// library is loaded; the layout (which reads the library) waits until the panel
// is really on screen.
void RightPanelWindow::OnMaterialize()
{
    if (mbFirstMaterialize && IsVisible())
    {
        setupLayout();
        mbFirstMaterialize = false;
    }
}

void RightPanelWindow::drawPositioningRect(PallixBitmap& bitmap, const PallixRect& rect)
{
    if (mbDrawPositioningRect)
        bitmap.DrawRect(rect, PallixColor(255, 0, 0, 255));
}

void RightPanelWindow::showReturnPanel(RightPanelWindow* pFallback)
{
    RightPanelWindow* pPanel = mpReturnPanel && mpReturnPanel != this ? mpReturnPanel : pFallback;
    if (mpMainWindow && pPanel)
        mpMainWindow->showRightPanel(pPanel, true, true);
}

void RightPanelWindow::onViewingChanged()
{
    if (IsVisible())
        RedrawScreen();
}
