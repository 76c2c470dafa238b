#include "RecentlyAddedWindow.h"

#include "DrawingUtils.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "QuorvaApp.h"
#include "RecentlyAdded.h"
#include "WindowUtils.h"

#include <vector>

RecentlyAddedWindow::RecentlyAddedWindow() : CoverGridPanel("Recently\nAdded"), mCovers(true)
{
    mList.setDecorator(&mCovers);
    mList.setListDescription("[Recently Added]");
}

RecentlyAddedWindow::~RecentlyAddedWindow() = default;

void RecentlyAddedWindow::loadItems(ViewingHistory& history)
{
    int selected = mList.getSelectedIndex();
    void* pSelected = selected >= 0 ? mList.getItemData(selected) : nullptr;

    PallixNewArray<MediaEntry*> all(8);
    QuorvaApp::getApp()->getMediaCache()->getMediaForGenre("All", all);
    std::vector<MediaEntry*> titles =
        RecentlyAdded::collect(history, std::vector<MediaEntry*>(all.begin(), all.end()));
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

void RecentlyAddedWindow::onItemChosen(int item, int button)
{
    MediaEntry* pEntry = static_cast<MediaEntry*>(mList.getItemData(item));
    if (pEntry)
        WindowUtils::onMediaEntryChosen(this, pEntry, button, true, true, "");
}
