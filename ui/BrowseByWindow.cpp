#include "BrowseByWindow.h"

#include "DrawingUtils.h"
#include "Fonts.h"
#include "MainWindow.h"
#include "MediaStore.h"
#include "QuorvaApp.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace
{
// Line data of the last line and of the line shown for an empty library.
constexpr intptr_t ALL_GENRES = -1;
constexpr intptr_t NO_GENRES = -2;
} // namespace

BrowseByWindow::BrowseByWindow() : RightPanelWindow("Browse By\nGenre")
{
    mList.setListener(this);
    mList.setUnselectedFont(Fonts::SYSTEM_30);
    mList.setSelectedFont(Fonts::SYSTEM_38);
    AddChild(&mList);
}

BrowseByWindow::~BrowseByWindow() = default;

void BrowseByWindow::loadGenres()
{
    mList.removeAllItems();
    QuorvaApp* pApp = QuorvaApp::getApp();
    PallixNewArray<PallixString>* pGenres = pApp ? pApp->getMediaCache()->getGenres() : nullptr;
    if (pGenres && pGenres->GetSize() > 0)
    {
        for (intptr_t i = 0; i < pGenres->GetSize(); ++i)
            mList.addItem(pGenres->GetAt(static_cast<int>(i)), reinterpret_cast<void*>(i));
        mList.addItem("All", reinterpret_cast<void*>(ALL_GENRES));
    }
    else
    {
        mList.addItem("Your database file appears to not be valid.", reinterpret_cast<void*>(NO_GENRES));
    }
    // The panel opens on "All", or on the line that explains why there is nothing.
    if (mList.getItemCount() > 0)
        mList.setSelectedIndex(mList.getItemCount() - 1);
}

void BrowseByWindow::setupLayout()
{
    loadGenres();
    PallixRect rect = GetRectRelative();
    // The rows stop above the corral's bottom piece.
    uint32_t height = rect.h - 50 - std::min(rect.h - 50, DrawingUtils::getFrameBottomHeight());
    mList.SetRectRelative(PallixRect(static_cast<int32_t>(rect.w / 2) - 200, 50, 400, height));
}

void BrowseByWindow::OnSetFocus()
{
    mList.SetFocus(true);
}

void BrowseByWindow::OnPaint(PallixBitmap& bitmap)
{
    char subtitle[32];
    std::snprintf(subtitle, sizeof(subtitle), "%d Genres", mList.getItemCount());
    DrawingUtils::drawFrame(bitmap, GetRectAbsolute(), "Browse By Genre", subtitle);
}

void BrowseByWindow::onItemSelected(int) {}

void BrowseByWindow::onPageBack() {}

void BrowseByWindow::onNavLeft()
{
    if (getMainWindow())
        getMainWindow()->setFocusOnColumn();
}

void BrowseByWindow::onItemChosen(int item, int)
{
    PallixString genre;
    if (!findGenre(item, genre) || !getMainWindow())
        return;
    CoverArtWindow* pWnd = getMainWindow()->getCoverArtWindow();
    if (pWnd)
    {
        pWnd->reset(genre);
        getMainWindow()->showRightPanel(pWnd, true, true);
    }
}

bool BrowseByWindow::findGenre(int item, PallixString& genre)
{
    if (item < 0)
        return false;
    intptr_t index = reinterpret_cast<intptr_t>(mList.getItemData(item));
    if (index == NO_GENRES)
        return false;
    if (index == ALL_GENRES)
    {
        genre = "All";
        return true;
    }
    QuorvaApp* pApp = QuorvaApp::getApp();
    PallixNewArray<PallixString>* pGenres = pApp ? pApp->getMediaCache()->getGenres() : nullptr;
    if (!pGenres || item >= pGenres->GetSize() || index < 0)
        return false;
    genre = pGenres->GetAt(static_cast<int>(index));
    return true;
}
