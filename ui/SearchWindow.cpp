#include "SearchWindow.h"

#include "Colors.h"
#include "DrawingUtils.h"
#include "Fonts.h"
#include "MainWindow.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "PallixBitmap.h"
#include "QuorvaApp.h"
#include "RemoteKeys.h"
#include "TextFold.h"
#include "WindowUtils.h"

#include <algorithm>
#include <cstdio>

namespace
{
constexpr int32_t MARGIN = 40;
constexpr int32_t QUERY_TOP = 60;
constexpr uint32_t QUERY_HEIGHT = 48;
constexpr int32_t GRID_TOP = 124;
constexpr int32_t RESULTS_GAP = 30;
constexpr const char* CHECK_MARK = "\xE2\x9C\x93 ";
const PallixColor QUERY_BOX(20, 24, 36, 230);
const PallixColor QUERY_FRAME(90, 160, 255, 255);
} // namespace

SearchWindow::SearchWindow() : RightPanelWindow("Search"), mbSearchReady(false), mFoundCount(0)
{
    mGrid.setListener(this);
    mResults.setListener(this);
    mResults.setLeftAlign(true);
    mResults.setUnselectedFont(Fonts::SYSTEM_22);
    mResults.setSelectedFont(Fonts::SYSTEM_22);
    AddChild(&mGrid);
    AddChild(&mResults);
}

SearchWindow::~SearchWindow() = default;

void SearchWindow::setupLayout()
{
    PallixRect rect = GetRectAbsolute();
    int32_t left = rect.x + MARGIN;
    mGrid.SetRectAbsolute(PallixRect(left, rect.y + GRID_TOP, LetterGrid::CELL_WIDTH * LetterGrid::COLUMNS,
                                     LetterGrid::CELL_HEIGHT * LetterGrid::ROWS));
    int32_t resultsLeft = left + static_cast<int32_t>(LetterGrid::CELL_WIDTH * LetterGrid::COLUMNS) + RESULTS_GAP;
    int32_t right = rect.x + static_cast<int32_t>(rect.w) - 20;
    uint32_t bottom = std::min(rect.h - QUERY_TOP, DrawingUtils::getFrameBottomHeight());
    mResults.SetRectAbsolute(PallixRect(resultsLeft, rect.y + QUERY_TOP,
                                        static_cast<uint32_t>(std::max(0, right - resultsLeft)),
                                        rect.h - QUERY_TOP - bottom));
}

// The library is read for searching the first time the panel is shown.
void SearchWindow::OnMaterialize()
{
    RightPanelWindow::OnMaterialize();
    QuorvaApp* pApp = QuorvaApp::getApp();
    if (!mbSearchReady && pApp)
    {
        PallixNewArray<MediaEntry*> all(8);
        pApp->getMediaCache()->getMediaForGenre("All", all);
        mSearch.setEntries(std::vector<MediaEntry*>(all.begin(), all.end()));
        mbSearchReady = true;
        search();
    }
}

void SearchWindow::OnSetFocus()
{
    mGrid.SetFocus(true);
}

void SearchWindow::setQuery(const PallixString& query)
{
    mQuery = query;
    search();
}

bool SearchWindow::OnChar(char32_t nChar)
{
    if (nChar == 8 || nChar == 0x7F)
    {
        deleteLetter();
        return true;
    }
    // Control characters type nothing.
    if (nChar < 0x20 || (nChar >= 0x80 && nChar < 0xA0))
        return true;
    std::string letter;
    TextFold::appendUTF8(nChar, letter);
    onLetterPicked(PallixString(letter));
    return true;
}

void SearchWindow::onLetterPicked(const PallixString& letter)
{
    if (mQuery.GetLength() + letter.GetLength() > static_cast<int>(MAX_QUERY_BYTES))
        return;
    mQuery += letter;
    search();
}

void SearchWindow::onDeletePicked()
{
    deleteLetter();
}

// The last character goes, all of its bytes.
void SearchWindow::deleteLetter()
{
    int n = mQuery.GetLength();
    if (n == 0)
        return;
    --n;
    while (n > 0 && (static_cast<unsigned char>(mQuery[n]) & 0xC0) == 0x80)
        --n;
    mQuery = mQuery.Left(n);
    search();
}

void SearchWindow::search()
{
    if (!mbSearchReady)
        return;
    const std::vector<MediaEntry*>& found = mSearch.find(mQuery);
    mFoundCount = found.size();
    mListed.assign(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(std::min(found.size(), MAX_LISTED)));
    listResults();
    RedrawScreen();
}

void SearchWindow::listResults()
{
    QuorvaApp* pApp = QuorvaApp::getApp();
    mResults.removeAllItems();
    for (MediaEntry* pEntry : mListed)
    {
        PallixString line = pApp && pApp->getViewingHistory()->isWatched(pEntry) ? CHECK_MARK : "";
        line += pEntry->getOriginalTitle();
        if (!pEntry->getYear().IsEmpty())
            line += " (" + pEntry->getYear() + ")";
        line += "\t";
        if (pEntry->getDurationInSecs() > 0)
            line += pEntry->getDuration();
        mResults.addItem(line, pEntry);
    }
    if (!mListed.empty())
        mResults.setSelectedIndex(0);
    // With nothing left to choose, the letters take the keys again.
    if (mListed.empty() && mResults.IsFocus())
        mGrid.SetFocus(true);
}

void SearchWindow::onViewingChanged()
{
    if (!IsVisible())
        return;
    int selected = mResults.getSelectedIndex();
    listResults();
    if (selected >= 0 && selected < mResults.getItemCount())
        mResults.setSelectedIndex(selected);
    RedrawScreen();
}

bool SearchWindow::OnNavKey(unsigned long nKey, PallixWindow*&)
{
    // Right from the letters' last column goes to the titles found.
    if (nKey == RemoteKeys::RIGHT && mGrid.IsFocus() && mResults.getItemCount() > 0)
    {
        mResults.SetFocus(true);
        RedrawScreen();
        return true;
    }
    return false;
}

// Play on the letters plays the title on the bar.
bool SearchWindow::OnKeyDown(unsigned long nKey)
{
    if (nKey == RemoteKeys::PLAY && mResults.getItemCount() > 0)
    {
        onItemChosen(mResults.getSelectedIndex(), static_cast<int>(nKey));
        return true;
    }
    return false;
}

void SearchWindow::onItemSelected(int) {}

void SearchWindow::onItemChosen(int item, int button)
{
    MediaEntry* pEntry = static_cast<MediaEntry*>(mResults.getItemData(item));
    if (pEntry)
        WindowUtils::onMediaEntryChosen(this, pEntry, button, true, true, "");
}

void SearchWindow::onNavLeft()
{
    mGrid.SetFocus(true);
    RedrawScreen();
}

void SearchWindow::onPageBack()
{
    deleteLetter();
}

void SearchWindow::onGridLeft()
{
    if (getMainWindow())
        getMainWindow()->setFocusOnColumn();
}

void SearchWindow::OnPaint(PallixBitmap& bitmap)
{
    PallixRect rect = GetRectAbsolute();
    char subtitle[96];
    if (mFoundCount > mListed.size())
        std::snprintf(subtitle, sizeof(subtitle), "%zu Items \xC2\xB7 the first %zu listed", mFoundCount,
                      mListed.size());
    else
        std::snprintf(subtitle, sizeof(subtitle), "%zu Items", mFoundCount);
    DrawingUtils::drawFrame(bitmap, rect, "Search", mQuery.IsEmpty() ? PallixString() : PallixString(subtitle));
    drawQuery(bitmap, PallixRect(rect.x + MARGIN, rect.y + QUERY_TOP,
                                 LetterGrid::CELL_WIDTH * LetterGrid::COLUMNS, QUERY_HEIGHT));
}

void SearchWindow::drawQuery(PallixBitmap& bitmap, const PallixRect& box)
{
    bitmap.FillRect(box, QUERY_BOX);
    bitmap.DrawRect(box, QUERY_FRAME);
    PallixRect text(box.x + 12, box.y, box.w - 24, box.h);
    if (mQuery.IsEmpty())
        bitmap.DrawText(Fonts::SYSTEM_22, text, "Type, or pick letters below", Colors::BLUE_TEXT, 0x1);
    else
    {
        // The end of a long query stays in sight.
        PallixString shown = mQuery + "_";
        bool bTooWide = Fonts::SYSTEM_28.GetTextExtent(shown).w > text.w;
        bitmap.DrawText(Fonts::SYSTEM_28, text, shown, Colors::WHITE, bTooWide ? 0x21 : 0x1);
    }
}
