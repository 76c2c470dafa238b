#include "BrowseByDetails.h"

#include "DrawingUtils.h"
#include "Fonts.h"
#include "MainWindow.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "QuorvaApp.h"
#include "WindowUtils.h"

#include <algorithm>
#include <cstdio>

BrowseByDetails::BrowseByDetails() : RightPanelWindow("Browse By\nDetails")
{
    mList.setListener(this);
    mList.setLeftAlign(true);
    mList.setUnselectedFont(Fonts::SYSTEM_22);
    mList.setSelectedFont(Fonts::SYSTEM_22);
    AddChild(&mList);
}

BrowseByDetails::~BrowseByDetails() = default;

void BrowseByDetails::loadAllItems()
{
    mList.removeAllItems();
    QuorvaApp* pApp = QuorvaApp::getApp();
    if (!pApp)
        return;
    PallixNewArray<MediaEntry*> mediaArray(8);
    pApp->getMediaCache()->getMediaForGenre("All", mediaArray);
    for (int i = 0; i < mediaArray.GetSize(); ++i)
    {
        MediaEntry* pEntry = mediaArray.GetAt(i);
        // The list draws the tab-separated parts as columns.
        PallixString text = pEntry->getOriginalTitle() + "\t" + pEntry->getGenre() + "\t" + pEntry->getRating() +
                            "\t" + pEntry->getDuration();
        mList.addItem(text, pEntry);
    }
    if (mList.getItemCount() > 0)
        mList.setSelectedIndex(0);
}

void BrowseByDetails::setupLayout()
{
    loadAllItems();
    PallixRect rect = GetRectAbsolute();
    // The rows stop above the corral's bottom piece.
    uint32_t height = rect.h - 50 - std::min(rect.h - 50, DrawingUtils::getFrameBottomHeight());
    mList.SetRectAbsolute(PallixRect(rect.x + 20, rect.y + 50, rect.w - 20, height));
}

void BrowseByDetails::OnSetFocus()
{
    mList.SetFocus(true);
}

void BrowseByDetails::OnPaint(PallixBitmap& bitmap)
{
    char subtitle[32];
    std::snprintf(subtitle, sizeof(subtitle), "%d Items", mList.getItemCount());
    DrawingUtils::drawFrame(bitmap, GetRectAbsolute(), "Browse By Details", subtitle);
}

void BrowseByDetails::onItemSelected(int) {}

void BrowseByDetails::onPageBack() {}

void BrowseByDetails::onNavLeft()
{
    if (getMainWindow())
        getMainWindow()->setFocusOnColumn();
}

// A title watched before offers to resume where it was left.
void BrowseByDetails::onItemChosen(int item, int button)
{
    if (item < 0)
        return;
    MediaEntry* pEntry = static_cast<MediaEntry*>(mList.getItemData(item));
    if (!pEntry)
        return;
    WindowUtils::onMediaEntryChosen(this, pEntry, button, true, true, "");
}
