#include "BrowseByDetails.h"

#include "DrawingUtils.h"
#include "Fonts.h"
#include "MainWindow.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "QuorvaApp.h"
#include "RemoteKeys.h"
#include "TextFold.h"
#include "WindowUtils.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{
constexpr const char* CHECK_MARK = "\xE2\x9C\x93 ";
const char* const ORDER_NAMES[] = {"", "by title", "by year", "by running time", "by date added", "by last viewed"};

// Sorts by a key of each title; titles with equal keys keep the library's order.
template <typename Key, typename Before>
void sortByKey(std::vector<MediaEntry*>& entries, Key key, Before before)
{
    std::vector<std::pair<decltype(key(nullptr)), MediaEntry*>> keyed;
    keyed.reserve(entries.size());
    for (MediaEntry* pEntry : entries)
        keyed.emplace_back(key(pEntry), pEntry);
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) { return before(a.first, b.first); });
    for (size_t i = 0; i < keyed.size(); ++i)
        entries[i] = keyed[i].second;
}

// Newest, latest or shortest first; what is not known (0 or less) comes last.
bool knownFirst(long long a, long long b, bool bLargerFirst)
{
    if ((a > 0) != (b > 0))
        return a > 0;
    return bLargerFirst ? a > b : a < b;
}
} // namespace

BrowseByDetails::BrowseByDetails() : RightPanelWindow("Browse By\nDetails"), mOrder(AS_STORED)
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
    mEntries.clear();
    QuorvaApp* pApp = QuorvaApp::getApp();
    if (!pApp)
        return;
    PallixNewArray<MediaEntry*> mediaArray(8);
    pApp->getMediaCache()->getMediaForGenre("All", mediaArray);
    mEntries.assign(mediaArray.begin(), mediaArray.end());
    sortEntries();
    listEntries();
}

void BrowseByDetails::sortEntries()
{
    QuorvaApp* pApp = QuorvaApp::getApp();
    ViewingHistory* pHistory = pApp ? pApp->getViewingHistory() : nullptr;
    switch (mOrder)
    {
    case AS_STORED:
        break;
    case BY_TITLE:
        sortByKey(
            mEntries, [](MediaEntry* pEntry) { return TextFold::fold(pEntry->getOriginalTitle().str()); },
            [](const std::string& a, const std::string& b) { return a < b; });
        break;
    case BY_YEAR:
        sortByKey(
            mEntries, [](MediaEntry* pEntry) { return std::atoll(pEntry->getYear()); },
            [](long long a, long long b) { return knownFirst(a, b, true); });
        break;
    case BY_RUNNING_TIME:
        sortByKey(
            mEntries, [](MediaEntry* pEntry) { return static_cast<long long>(pEntry->getDurationInSecs()); },
            [](long long a, long long b) { return knownFirst(a, b, false); });
        break;
    case BY_DATE_ADDED:
        sortByKey(
            mEntries,
            [pHistory](MediaEntry* pEntry)
            { return pHistory ? static_cast<long long>(pHistory->getAddedTime(pEntry)) : 0LL; },
            [](long long a, long long b) { return knownFirst(a, b, true); });
        break;
    case BY_LAST_VIEWED:
        sortByKey(
            mEntries, [](MediaEntry* pEntry) { return static_cast<long long>(pEntry->getLastViewedTime()); },
            [](long long a, long long b) { return knownFirst(a, b, true); });
        break;
    }
}

void BrowseByDetails::listEntries()
{
    QuorvaApp* pApp = QuorvaApp::getApp();
    void* pSelected = mList.getItemData(mList.getSelectedIndex());
    mList.removeAllItems();
    mWatched.assign(mEntries.size(), 0);
    int nKeep = 0;
    for (size_t i = 0; i < mEntries.size(); ++i)
    {
        MediaEntry* pEntry = mEntries[i];
        mWatched[i] = pApp && pApp->getViewingHistory()->isWatched(pEntry);
        // The list draws the tab-separated parts as columns.
        PallixString text = mWatched[i] ? CHECK_MARK : "";
        text += pEntry->getOriginalTitle() + "\t" + pEntry->getGenre() + "\t" + pEntry->getRating() + "\t" +
                pEntry->getDuration();
        mList.addItem(text, pEntry);
        if (pEntry == pSelected)
            nKeep = static_cast<int>(i);
    }
    if (mList.getItemCount() > 0)
        mList.setSelectedIndex(nKeep);
}

bool BrowseByDetails::OnKeyDown(unsigned long nKey)
{
    if (nKey != RemoteKeys::INFO)
        return false;
    mOrder = mOrder == BY_LAST_VIEWED ? BY_TITLE : static_cast<Order>(mOrder + 1);
    sortEntries();
    listEntries();
    RedrawScreen();
    return true;
}

// Check marks, and the orders by last viewed and date added, follow what was
// watched. The lines are made anew only when one of them changes.
void BrowseByDetails::onViewingChanged()
{
    if (!IsVisible() || mEntries.empty())
        return;
    if (mOrder == BY_LAST_VIEWED || mOrder == BY_DATE_ADDED)
        sortEntries();
    else if (!marksChanged())
        return;
    listEntries();
    RedrawScreen();
}

bool BrowseByDetails::marksChanged()
{
    QuorvaApp* pApp = QuorvaApp::getApp();
    if (!pApp || mWatched.size() != mEntries.size())
        return true;
    for (size_t i = 0; i < mEntries.size(); ++i)
        if (static_cast<bool>(mWatched[i]) != pApp->getViewingHistory()->isWatched(mEntries[i]))
            return true;
    return false;
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
    char subtitle[64];
    if (mOrder == AS_STORED)
        std::snprintf(subtitle, sizeof(subtitle), "%d Items", mList.getItemCount());
    else
        std::snprintf(subtitle, sizeof(subtitle), "%d Items \xC2\xB7 %s", mList.getItemCount(), ORDER_NAMES[mOrder]);
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
