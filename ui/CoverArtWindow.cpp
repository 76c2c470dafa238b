#include "CoverArtWindow.h"

#include "DrawingUtils.h"
#include "MainWindow.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "QuorvaApp.h"
#include "WindowUtils.h"

#include <iostream>

namespace
{
constexpr uint32_t LOADING_PERIOD_MS = 10;
// The top of the panel holds the selected title's details.
constexpr int32_t DETAILS_HEIGHT = 90;
} // namespace

CoverArtWindow::CoverArtWindow()
    : RightPanelWindow(""), mMediaArray(8), mCovers(false), mPercentComplete(0), mLoadingTimer(0),
      mNextLoadingIndex(0)
{
    AddChild(&mList);
    mList.setDecorator(&mCovers);
    mList.setWindow(this);
    mList.setListener(this);
}

CoverArtWindow::~CoverArtWindow()
{
    stopLoadingTimer();
    mList.removeAllItems();
    mMediaArray.RemoveAll();
}

void CoverArtWindow::reset(PallixString genre)
{
    // A load still running belongs to the genre shown before; its ticks must not
    // reach the emptied array.
    stopLoadingTimer();
    mList.setLoading(false);
    mGenre = genre;
    mMediaArray.RemoveAll();
    mList.removeAllItems();
}

void CoverArtWindow::setupLayout()
{
    PallixRect rect = GetRectAbsolute();
    // The grid's first row of covers starts below the details band.
    const int32_t top = DETAILS_HEIGHT - ImageList::FRAME_OVERHANG;
    mList.SetRectAbsolute(PallixRect(rect.x, rect.y + top, rect.w, rect.h > uint32_t(top) ? rect.h - top : 0));
}

bool CoverArtWindow::prepareEntryList()
{
    mList.setListDescription("[Genre: " + mGenre + "]");
    QuorvaApp* pApp = QuorvaApp::getApp();
    if (pApp)
        pApp->getMediaCache()->getMediaForGenre(mGenre, mMediaArray);
    for (int i = 0; i < mMediaArray.GetSize(); ++i)
    {
        MediaEntry* pEntry = mMediaArray.GetAt(i);
        if (pEntry && !pEntry->isBitmapLoaded())
            return false;
    }
    return true;
}

void CoverArtWindow::OnMaterialize()
{
    mList.Materialize(kAppNormal);
    setupLayout();
    // Shown again without a reset (back from a title): the grid stays as it was.
    if (mMediaArray.GetSize() > 0)
        return;

    if (prepareEntryList())
    {
        for (int i = 0; i < mMediaArray.GetSize(); ++i)
        {
            if (mMediaArray.GetAt(i))
            {
                addEntry(mMediaArray.GetAt(i));
                std::cout << "." << std::flush;
            }
        }
        std::cout << std::endl;
        showList();
        return;
    }

    mList.setLoading(true);
    mPercentComplete = 0;
    mNextLoadingIndex = 0;
    mLoadingTimer = SetTimer(LOADING_PERIOD_MS);
}

void CoverArtWindow::addEntry(MediaEntry* pEntry)
{
    mList.addItem(pEntry->getOriginalTitle(), pEntry->getBitmap(), pEntry);
}

// One title per tick, so that keys are never kept waiting behind the decoding
// of a whole genre's covers.
void CoverArtWindow::OnTimer(uint32_t nTimerID)
{
    if (nTimerID == 0 || nTimerID != mLoadingTimer)
        return;
    int count = mMediaArray.GetSize();
    if (mNextLoadingIndex >= count)
    {
        std::cout << std::endl;
        showList();
        return;
    }

    MediaEntry* pEntry = mMediaArray.GetAt(mNextLoadingIndex);
    if (pEntry)
    {
        addEntry(pEntry);
        if (mList.getItemCount() == 1)
        {
            mList.setSelectedIndex(0);
            // The user may have left the panel before its first cover came.
            if (IsVisible())
                mList.SetFocus(true);
        }
        std::cout << "." << std::flush;
    }
    mPercentComplete = static_cast<double>(mNextLoadingIndex) / count * 100;
    ++mNextLoadingIndex;
    // About ten repaints in the whole load; the last comes from showList.
    if (static_cast<int>(mPercentComplete) % 10 == 0)
        RedrawScreen();
}

void CoverArtWindow::showList()
{
    stopLoadingTimer();
    mList.setLoading(false);
    RedrawScreen();
}

void CoverArtWindow::stopLoadingTimer()
{
    if (mLoadingTimer != 0)
    {
        KillTimer(mLoadingTimer);
        mLoadingTimer = 0;
    }
}

void CoverArtWindow::OnPaint(PallixBitmap& bitmap)
{
    int selected = mList.getSelectedIndex();
    if (selected < 0)
        return;
    MediaEntry* pEntry = static_cast<MediaEntry*>(mList.getItemData(selected));
    if (pEntry)
        DrawingUtils::drawEntryDetails(bitmap, GetRectAbsolute(), pEntry, "");
}

void CoverArtWindow::OnSetFocus()
{
    mList.SetFocus(true);
}

// The details above the grid follow the selection.
void CoverArtWindow::onItemSelected(int)
{
    RedrawScreen();
}

void CoverArtWindow::onItemChosen(int item, int button)
{
    if (item < 0 || item >= mList.getItemCount())
        return;
    MediaEntry* pEntry = static_cast<MediaEntry*>(mList.getItemData(item));
    if (pEntry)
        WindowUtils::onMediaEntryChosen(this, pEntry, button, true, true, "");
}

void CoverArtWindow::onNavLeft()
{
    if (getMainWindow())
        getMainWindow()->setFocusOnColumn();
}

void CoverArtWindow::onPageBack()
{
    if (getMainWindow() && getMainWindow()->getBrowseByWindow())
        getMainWindow()->showRightPanel(getMainWindow()->getBrowseByWindow(), true, true);
}
