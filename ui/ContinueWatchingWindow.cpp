#include "ContinueWatchingWindow.h"

#include "ClientProperties.h"
#include "Colors.h"
#include "CoverBadges.h"
#include "DrawingUtils.h"
#include "Fonts.h"
#include "MainWindow.h"
#include "MediaEntry.h"
#include "PallixBitmap.h"
#include "PlayerWindow.h"
#include "QuorvaApp.h"
#include "RemoteKeys.h"
#include "WindowUtils.h"

ContinueWatchingWindow::ContinueWatchingWindow() : CoverGridPanel("Continue\nWatching")
{
    mList.setDecorator(this);
}

ContinueWatchingWindow::~ContinueWatchingWindow() = default;

void ContinueWatchingWindow::loadItems(ViewingHistory& history)
{
    MediaEntry* pSelectedEntry = nullptr;
    PallixString selectedFile;
    int selected = mList.getSelectedIndex();
    if (selected >= 0 && selected < static_cast<int>(mItems.size()))
    {
        pSelectedEntry = mItems[static_cast<size_t>(selected)].pEntry;
        selectedFile = mItems[static_cast<size_t>(selected)].file;
    }

    mList.removeAllItems();
    mItems = ContinueWatching::collect(history);
    int nKeep = 0;
    for (size_t i = 0; i < mItems.size(); ++i)
    {
        ContinueWatching::Item& item = mItems[i];
        PallixString name = item.pEntry->getOriginalTitle();
        if (!item.file.IsEmpty())
            name += " \xE2\x80\x93 " + item.file;
        // Covers already decoded are shown at once; the others when they come on screen.
        mList.addItem(name, item.pEntry->isBitmapLoaded() ? item.pEntry->getBitmap() : nullptr, &item);
        if (item.pEntry == pSelectedEntry && item.file == selectedFile)
            nKeep = static_cast<int>(i);
    }
    if (!mItems.empty())
        mList.setSelectedIndex(nKeep);
}

PallixBitmap* ContinueWatchingWindow::loadCover(void* data)
{
    return static_cast<ContinueWatching::Item*>(data)->pEntry->getBitmap();
}

void ContinueWatchingWindow::drawOverCover(PallixBitmap& bitmap, void* data, const PallixRect& cover)
{
    const ContinueWatching::Item& item = *static_cast<ContinueWatching::Item*>(data);
    if (!item.bNextEpisode)
        CoverBadges::drawProgress(bitmap, cover, item.state.getFraction());
}

void ContinueWatchingWindow::OnPaint(PallixBitmap& bitmap)
{
    PallixRect rect = GetRectAbsolute();
    int selected = mList.getSelectedIndex();
    if (selected < 0 || selected >= static_cast<int>(mItems.size()))
    {
        DrawingUtils::drawTextShadowed(bitmap, Fonts::SYSTEM_28,
                                       PallixRect(rect.x + 35, rect.y + DETAILS_HEIGHT + 40, rect.w - 70, 40),
                                       "Nothing to go on with yet: titles stopped part-way come here.",
                                       Colors::WHITE, Colors::BLACK, 0x101);
        return;
    }
    const ContinueWatching::Item& item = mItems[static_cast<size_t>(selected)];
    DrawingUtils::drawEntryDetails(bitmap, rect, item.pEntry, item.file);
}

// Play goes on without asking where; Select opens the title's page.
void ContinueWatchingWindow::onItemChosen(int item, int button)
{
    if (item < 0 || item >= static_cast<int>(mItems.size()))
        return;
    ContinueWatching::Item chosen = mItems[static_cast<size_t>(item)];
    if (static_cast<unsigned long>(button) != RemoteKeys::PLAY)
    {
        WindowUtils::onMediaEntryChosen(this, chosen.pEntry, button, true, true, "");
        return;
    }
    // A file of a folder is played as the series page plays it.
    if (!chosen.file.IsEmpty() && !ClientProperties::getUseMPlay())
        PlayerWindow::getInstance()->playEntry(chosen.pEntry, chosen.file, getMainWindow(), true, false);
    else
        WindowUtils::onMediaEntryChosen(this, chosen.pEntry, button, true, false, chosen.file);
}
