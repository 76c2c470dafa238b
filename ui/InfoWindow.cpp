#include "InfoWindow.h"

#include "ClientProperties.h"
#include "DrawingUtils.h"
#include "FeatureItem.h"
#include "ImageFactory.h"
#include "MainWindow.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "PallixBitmap.h"
#include "QuorvaApp.h"
#include "QuorvaDatFile.h"
#include "RemoteKeys.h"
#include "WindowUtils.h"

#include <cstdio>
#include <iostream>

namespace
{
constexpr int32_t MARGIN = 25;
constexpr int32_t LIST_HEIGHT = 250;
constexpr int32_t TEXT_TOP = 95;
constexpr const char* MARK_WATCHED = "Mark as watched";
constexpr const char* MARK_UNWATCHED = "Mark as unwatched";
} // namespace

InfoWindow::InfoWindow()
    : RightPanelWindow(""), mpEntry(nullptr), mpStoreEntry(nullptr), mpEntryBitmap(nullptr), mbDetailHandedOut(false),
      mbPlayerStarted(false)
{
    mList.setListener(this);
    mList.setLeftAlign(true);
    AddChild(&mList);
}

InfoWindow::~InfoWindow() = default;

void InfoWindow::reset()
{
    mList.removeAllItems();
    clearEntryBitmap();
    if (ClientProperties::isOnDemandParsing())
        forgetEntry();
}

void InfoWindow::forgetEntry()
{
    if (mpDetailEntry)
    {
        if (mbDetailHandedOut)
            mpHandedEntry = std::move(mpDetailEntry);
        else
            mpDetailEntry.reset();
    }
    mbDetailHandedOut = false;
    mpEntry = nullptr;
    mpStoreEntry = nullptr;
}

void InfoWindow::setMediaEntry(MediaEntry* pEntry)
{
    // The picture may be the old detail record's own cover: give it back first.
    clearEntryBitmap();
    forgetEntry();
    mpEntry = pEntry;
    mpStoreEntry = pEntry;
    if (!pEntry)
    {
        mList.removeAllItems();
        return;
    }

    QuorvaApp* pApp = QuorvaApp::getApp();
    if (ClientProperties::isOnDemandParsing() && pApp)
    {
        mpDetailEntry.reset(pApp->getMediaCache()->readDetailFile(pEntry));
        if (mpDetailEntry)
            mpEntry = mpDetailEntry.get();
    }
    loadItems();
}

void InfoWindow::loadItems()
{
    QuorvaApp* pApp = QuorvaApp::getApp();
    mList.removeAllItems();
    // The stats file sits beside the store's own file, whatever the detail record says.
    QuorvaDatFile stats(mpStoreEntry->getFullPathToPlayFile());
    if (stats.getLastPosition() > 0)
        mList.addItem("Resume", nullptr);
    mList.addItem("Play", nullptr);
    bool bWatched = pApp && pApp->getViewingHistory()->isWatched(mpStoreEntry);
    mList.addItem(bWatched ? MARK_UNWATCHED : MARK_WATCHED, nullptr);

    PallixNewArray<FeatureItem>& features = mpEntry->getFeatureItems();
    for (int i = 0; i < features.GetSize(); ++i)
    {
        FeatureItem& feature = features.GetAt(i);
        MediaEntry* pTarget = pApp ? pApp->getMediaCache()->getEntryForTitle(feature.getPath()) : nullptr;
        mList.addItem(feature.getText(), pTarget);
    }
    mList.setSelectedIndex(0);
}

void InfoWindow::OnMaterialize()
{
    RightPanelWindow::OnMaterialize();
    // Back from the player: the title may now have a spot to resume from, or none.
    if (mbPlayerStarted && mpStoreEntry)
        loadItems();
    mbPlayerStarted = false;
}

void InfoWindow::clearEntryBitmap()
{
    if (mpEntryBitmap)
    {
        std::cout << "Removing bitmap" << std::endl;
        ImageFactory::removeImage(mpEntryBitmap);
        std::cout << "Back from remove" << std::endl;
    }
    mpEntryBitmap = nullptr;
}

void InfoWindow::loadEntryBitmap()
{
    mpEntryBitmap = DrawingUtils::loadEntryCover(mpEntry);
}

int32_t InfoWindow::getTextBoxLeft()
{
    int32_t x = GetRectAbsolute().x + MARGIN;
    if (mpEntryBitmap)
        x += static_cast<int32_t>(mpEntryBitmap->GetDims().w) + 10;
    return x;
}

int InfoWindow::getTextBoxWidth()
{
    PallixRect rect = GetRectAbsolute();
    int width = rect.x + static_cast<int32_t>(rect.w) - getTextBoxLeft() - 10;
    return width > 0 ? width : 0;
}

void InfoWindow::setupLayout()
{
    PallixRect rect = GetRectAbsolute();
    mList.SetRectAbsolute(PallixRect(getTextBoxLeft(), rect.y + static_cast<int32_t>(rect.h) - LIST_HEIGHT,
                                     static_cast<uint32_t>(getTextBoxWidth()), LIST_HEIGHT));
}

void InfoWindow::OnPaint(PallixBitmap& bitmap)
{
    if (!mpEntry)
        return;
    if (!mpEntryBitmap)
    {
        loadEntryBitmap();
        // The text column starts right of the picture.
        setupLayout();
    }

    PallixRect rect = GetRectAbsolute();
    DrawingUtils::drawEntryDetails(bitmap, rect, mpEntry, "");
    DrawingUtils::drawEntryCover(bitmap, rect, mpEntryBitmap);

    // The description and the cast share the band between the header and the choices.
    int32_t boxHeight = (static_cast<int32_t>(rect.h) - (rect.y + TEXT_TOP) - rect.y - LIST_HEIGHT) / 2;
    PallixRect box(getTextBoxLeft(), rect.y + TEXT_TOP, static_cast<uint32_t>(getTextBoxWidth()),
                   static_cast<uint32_t>(boxHeight > 0 ? boxHeight : 0));
    DrawingUtils::drawTextBox(bitmap, box, mpEntry->getDescription());
    box.y += static_cast<int32_t>(box.h);
    DrawingUtils::drawTextBox(bitmap, box, "Starring: " + mpEntry->getActors());
}

void InfoWindow::onViewingChanged()
{
    if (!IsVisible() || !mpStoreEntry)
        return;
    PallixString selected = mList.getItemText(mList.getSelectedIndex());
    loadItems();
    for (int i = 0; i < mList.getItemCount(); ++i)
        if (mList.getItemText(i) == selected)
            mList.setSelectedIndex(i);
}

void InfoWindow::OnVanish()
{
    clearEntryBitmap();
}

void InfoWindow::OnSetFocus()
{
    mList.SetFocus(true);
}

void InfoWindow::onItemSelected(int) {}

void InfoWindow::onItemChosen(int item, int)
{
    PallixString text = mList.getItemText(item);
    MediaEntry* pTarget = nullptr;
    bool bCheckForResume = true;
    bool bPromptForResume = true;
    if (text == "Resume")
    {
        pTarget = mpEntry;
        bPromptForResume = false;
    }
    else if (text == "Play")
    {
        pTarget = mpEntry;
        bCheckForResume = false;
        bPromptForResume = false;
    }
    else if (text == MARK_WATCHED || text == MARK_UNWATCHED)
    {
        toggleWatched(item, text == MARK_WATCHED);
        return;
    }
    else
    {
        pTarget = static_cast<MediaEntry*>(mList.getItemData(item));
    }
    if (!pTarget)
        return;
    if (mpDetailEntry && pTarget == mpDetailEntry.get())
        mbDetailHandedOut = true;
    mbPlayerStarted = true;
    WindowUtils::onMediaEntryChosen(this, pTarget, static_cast<int>(RemoteKeys::PLAY), bCheckForResume,
                                    bPromptForResume, "");
}

void InfoWindow::toggleWatched(int item, bool bWatched)
{
    QuorvaApp* pApp = QuorvaApp::getApp();
    if (!pApp || !mpStoreEntry)
        return;
    pApp->getViewingHistory()->setWatched(mpStoreEntry, PallixString(), bWatched);
    // The choice now offers the other way back, on the bar where it was.
    loadItems();
    mList.setSelectedIndex(item);
}

void InfoWindow::onNavLeft()
{
    if (getMainWindow())
        getMainWindow()->setFocusOnColumn();
}

// Back to the panel the page was opened from, as it was left.
void InfoWindow::onPageBack()
{
    showReturnPanel(getMainWindow() ? getMainWindow()->getCoverArtWindow() : nullptr);
}
