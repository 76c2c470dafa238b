#include "CoverGridPanel.h"

#include "MainWindow.h"
#include "QuorvaApp.h"

CoverGridPanel::CoverGridPanel(PallixString label) : RightPanelWindow(std::move(label))
{
    AddChild(&mList);
    mList.setWindow(this);
    mList.setListener(this);
}

CoverGridPanel::~CoverGridPanel()
{
    mList.removeAllItems();
}

void CoverGridPanel::setupLayout()
{
    PallixRect rect = GetRectAbsolute();
    // The grid's first row of covers starts below the details band.
    const int32_t top = DETAILS_HEIGHT - ImageList::FRAME_OVERHANG;
    mList.SetRectAbsolute(PallixRect(rect.x, rect.y + top, rect.w, rect.h > uint32_t(top) ? rect.h - top : 0));
}

void CoverGridPanel::OnMaterialize()
{
    RightPanelWindow::OnMaterialize();
    setupLayout();
    loadItemsIfChanged();
}

void CoverGridPanel::loadItemsIfChanged()
{
    QuorvaApp* pApp = QuorvaApp::getApp();
    if (!pApp || pApp->getViewingHistory()->getGeneration() == mGeneration)
        return;
    mGeneration = pApp->getViewingHistory()->getGeneration();
    loadItems(*pApp->getViewingHistory());
}

void CoverGridPanel::onViewingChanged()
{
    if (!IsVisible())
        return;
    loadItemsIfChanged();
    RedrawScreen();
}

void CoverGridPanel::OnSetFocus()
{
    mList.SetFocus(true);
}

void CoverGridPanel::onItemSelected(int)
{
    RedrawScreen();
}

void CoverGridPanel::onNavLeft()
{
    if (getMainWindow())
        getMainWindow()->setFocusOnColumn();
}

void CoverGridPanel::onPageBack() {}
