#include "BrowseByWindow.h"

#include "Colors.h"
#include "DrawingUtils.h"
#include "Fonts.h"
#include "MainWindow.h"
#include "MediaStore.h"
#include "QuorvaApp.h"

#include <algorithm>
#include <filesystem>
#include <cstdint>
#include <cstdio>

namespace
{
// Line data of the last line and of the line shown for an empty library.
constexpr intptr_t ALL_GENRES = -1;
constexpr intptr_t NO_GENRES = -2;
constexpr uint32_t LIST_WIDTH = 400;
constexpr uint32_t EMPTY_MARGIN = 60;
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
    // The line that explains an empty library is long: it gets the panel's width to be read whole.
    uint32_t width = isLibraryEmpty() ? rect.w - std::min(rect.w, EMPTY_MARGIN * 2) : LIST_WIDTH;
    mList.SetRectRelative(PallixRect(static_cast<int32_t>(rect.w / 2) - static_cast<int32_t>(width / 2), 50, width,
                                     height));
}

bool BrowseByWindow::isLibraryEmpty()
{
    return mList.getItemCount() == 1 && reinterpret_cast<intptr_t>(mList.getItemData(0)) == NO_GENRES;
}

PallixString BrowseByWindow::getEmptyLibraryText()
{
    QuorvaApp* pApp = QuorvaApp::getApp();
    if (!pApp)
        return PallixString();
    MediaStore* pStore = pApp->getMediaCache();
    PallixString text = pStore->getEntryCount() == 0 ? "No titles were read from " : "No title has a Genre in ";
    // Where the file was looked for, whatever the current folder.
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(pStore->getDatabasePath().str(), error);
    text += error ? pStore->getDatabasePath() : PallixString(path.lexically_normal().string());
    text += ". Name your movie database with db.file in client.properties, or make one from a folder of films "
            "with quorva-scan.";
    return text;
}

void BrowseByWindow::OnSetFocus()
{
    mList.SetFocus(true);
}

void BrowseByWindow::OnPaint(PallixBitmap& bitmap)
{
    char subtitle[32];
    std::snprintf(subtitle, sizeof(subtitle), "%d Genres", mList.getItemCount());
    PallixRect rect = GetRectAbsolute();
    DrawingUtils::drawFrame(bitmap, rect, "Browse By Genre", subtitle);
    if (isLibraryEmpty())
    {
        // Below the line on the bar, which the list draws in the middle.
        PallixRect box(rect.x + EMPTY_MARGIN, rect.y + static_cast<int32_t>(rect.h / 2) + 60,
                       rect.w - std::min(rect.w, EMPTY_MARGIN * 2), 150);
        DrawingUtils::drawTextShadowed(bitmap, Fonts::SYSTEM_22, box, getEmptyLibraryText(), Colors::WHITE,
                                       Colors::BLACK, 0x42);
    }
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
