#include "RecentlyAddedWindow.h"

#include "DrawingUtils.h"
#include "MainWindow.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "QuorvaApp.h"
#include "RecentlyAdded.h"
#include "WindowUtils.h"

#include <vector>

namespace
{
// The top of the panel holds the selected title's details.
constexpr int32_t DETAILS_HEIGHT = 90;
} // namespace

RecentlyAddedWindow::RecentlyAddedWindow() : RightPanelWindow("Recently\nAdded"), mCovers(true)
{
    AddChild(&mList);
    mList.setWindow(this);
    mList.setListener(this);
    mList.setDecorator(&mCovers);
    mList.setListDescription("[Recently Added]");
}

RecentlyAddedWindow::~RecentlyAddedWindow()
{
    mList.removeAllItems();
}

void RecentlyAddedWindow::setupLayout()
{
    PallixRect rect = GetRectAbsolute();
    const int32_t top = DETAILS_HEIGHT - ImageList::FRAME_OVERHANG;
    mList.SetRectAbsolute(PallixRect(rect.x, rect.y + top, rect.w, rect.h > uint32_t(top) ? rect.h - top : 0));
}

void RecentlyAddedWindow::OnMaterialize()
{
    RightPanelWindow::OnMaterialize();
    setupLayout();
    loadItems();
}

// A refresh learns the times of titles whose record does not say when they came.
void RecentlyAddedWindow::onViewingChanged()
{
    if (!IsVisible())
        return;
    loadItems();
    RedrawScreen();
}

void RecentlyAddedWindow::loadItems()
{
    QuorvaApp* pApp = QuorvaApp::getApp();
    if (!pApp)
        return;
    int selected = mList.getSelectedIndex();
    void* pSelected = selected >= 0 ? mList.getItemData(selected) : nullptr;

    PallixNewArray<MediaEntry*> all(8);
    pApp->getMediaCache()->getMediaForGenre("All", all);
    std::vector<MediaEntry*> titles =
        RecentlyAdded::collect(*pApp->getViewingHistory(), std::vector<MediaEntry*>(all.begin(), all.end()));
    mList.removeAllItems();
    int nKeep = 0;
    for (size_t i = 0; i < titles.size(); ++i)
    {
        MediaEntry* pEntry = titles[i];
        mList.addItem(pEntry->getOriginalTitle(), pEntry->isBitmapLoaded() ? pEntry->getBitmap() : nullptr, pEntry);
        if (pEntry == pSelected)
            nKeep = static_cast<int>(i);
    }
    if (!titles.empty())
        mList.setSelectedIndex(nKeep);
}

void RecentlyAddedWindow::OnPaint(PallixBitmap& bitmap)
{
    int selected = mList.getSelectedIndex();
    MediaEntry* pEntry = selected >= 0 ? static_cast<MediaEntry*>(mList.getItemData(selected)) : nullptr;
    if (pEntry)
        DrawingUtils::drawEntryDetails(bitmap, GetRectAbsolute(), pEntry, "");
}

void RecentlyAddedWindow::OnSetFocus()
{
    mList.SetFocus(true);
}

void RecentlyAddedWindow::onItemSelected(int)
{
    RedrawScreen();
}

void RecentlyAddedWindow::onItemChosen(int item, int button)
{
    MediaEntry* pEntry = static_cast<MediaEntry*>(mList.getItemData(item));
    if (pEntry)
        WindowUtils::onMediaEntryChosen(this, pEntry, button, true, true, "");
}

void RecentlyAddedWindow::onNavLeft()
{
    if (getMainWindow())
        getMainWindow()->setFocusOnColumn();
}

void RecentlyAddedWindow::onPageBack() {}
