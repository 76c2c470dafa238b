#include "SeriesWindow.h"

#include "ClientProperties.h"
#include "DrawingUtils.h"
#include "FileUtils.h"
#include "MainWindow.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "QuorvaApp.h"
#include "PallixBitmap.h"
#include "PlayerWindow.h"
#include "RemoteKeys.h"
#include "WindowUtils.h"

namespace
{
constexpr int32_t LIST_TOP = 50;
// Where the list starts when there is no picture beside it.
constexpr int32_t LIST_LEFT_WITHOUT_IMAGE = 270;
} // namespace

SeriesWindow::SeriesWindow() : RightPanelWindow(""), mpEntry(nullptr), mpEntryBitmap(nullptr)
{
    mList.setListener(this);
    mList.setLeftAlign(true);
    AddChild(&mList);
}

SeriesWindow::~SeriesWindow() = default;

void SeriesWindow::reset()
{
    mList.removeAllItems();
}

void SeriesWindow::setMediaEntry(MediaEntry* pEntry)
{
    mpEntry = pEntry;
    if (!pEntry)
        return;
    // Episodes in season folders are not the series folder's files: its records name them.
    QuorvaApp* pApp = QuorvaApp::getApp();
    for (FeatureItem& feature : pEntry->getFeatureItems())
        mList.addItem(feature.getText(), pApp ? pApp->getMediaCache()->getEntryForTitle(feature.getPath()) : nullptr);
    PallixNewArray<PallixString> files(8);
    if (pEntry->getFeatureItems().GetSize() == 0)
        FileUtils::getMediaFiles(pEntry->getPath(), files);
    for (int i = 0; i < files.GetSize(); ++i)
        mList.addItem(files.GetAt(i), nullptr);
    if (mList.getItemCount() > 0)
        mList.setSelectedIndex(0);
    // The previous picture stays in the cache for the next visit.
    mpEntryBitmap = nullptr;
}

void SeriesWindow::loadEntryBitmap()
{
    mpEntryBitmap = DrawingUtils::loadEntryCover(mpEntry);
}

void SeriesWindow::setupLayout()
{
    PallixRect absolute = GetRectAbsolute();
    PallixRect relative = GetRectRelative();
    int32_t x = mpEntryBitmap ? absolute.x + static_cast<int32_t>(mpEntryBitmap->GetDims().w) + 35
                              : LIST_LEFT_WITHOUT_IMAGE;
    int32_t width = relative.x + static_cast<int32_t>(relative.w) - x;
    int32_t height = static_cast<int32_t>(relative.h) - LIST_TOP;
    mList.SetRectAbsolute(PallixRect(x, LIST_TOP, static_cast<uint32_t>(width > 0 ? width : 0),
                                     static_cast<uint32_t>(height > 0 ? height : 0)));
}

void SeriesWindow::OnPaint(PallixBitmap& bitmap)
{
    if (!mpEntry)
        return;
    if (!mpEntryBitmap)
    {
        loadEntryBitmap();
        setupLayout();
    }
    PallixRect rect = GetRectAbsolute();
    DrawingUtils::drawEntryDetails(bitmap, rect, mpEntry, "");
    DrawingUtils::drawEntryCover(bitmap, rect, mpEntryBitmap);
}

void SeriesWindow::OnSetFocus()
{
    mList.SetFocus(true);
}

void SeriesWindow::onItemSelected(int) {}

// The chosen file is played as the title, with a stats file of its own.
void SeriesWindow::onItemChosen(int item, int)
{
    if (mpEntry && mpEntry->getFeatureItems().GetSize() > 0)
    {
        // An episode's record: a title of its own, with its own stats file.
        auto* pEpisode = static_cast<MediaEntry*>(mList.getItemData(item));
        if (pEpisode)
            WindowUtils::onMediaEntryChosen(this, pEpisode, static_cast<int>(RemoteKeys::PLAY), true, true, "");
        return;
    }
    PallixString file = mList.getItemText(item);
    if (!mpEntry || file.IsEmpty())
        return;
    if (ClientProperties::getUseMPlay())
        WindowUtils::onMediaEntryChosen(this, mpEntry, static_cast<int>(RemoteKeys::PLAY), true, true, file);
    else
        PlayerWindow::getInstance()->playEntry(mpEntry, file, getMainWindow(), true, true);
}

void SeriesWindow::onNavLeft()
{
    if (getMainWindow())
        getMainWindow()->setFocusOnColumn();
}

void SeriesWindow::onPageBack()
{
    showReturnPanel(getMainWindow() ? getMainWindow()->getCoverArtWindow() : nullptr);
}
