#include "MainWindow.h"

#include "Colors.h"
#include "DrawingUtils.h"
#include "Fonts.h"
#include "ImageFactory.h"
#include "PallixBitmap.h"
#include "PallixColor.h"
#include "PallixPoint.h"
#include "PallixScreen.h"
#include "PallixTokenArray.h"
#include "QuorvaApp.h"
#include "RemoteKeys.h"
#include "RightPanelWindow.h"

namespace
{
// Width of the column strip; every panel fills the screen to its right.
constexpr int32_t COLUMN_STRIP_WIDTH = 140;
// Five columns and their labels fit above the clock.
constexpr int32_t COLUMN_SPACING = 128;
// Each label line is drawn centred in a band this high, the bands this far apart,
// the first starting this far above the bottom of the ball.
constexpr uint32_t LABEL_LINE_HEIGHT = 26;
constexpr int32_t LABEL_LINE_STEP = 21;
constexpr int32_t LABEL_OVERLAP = 4;
constexpr uint32_t CLOCK_PERIOD_MS = 30000;
constexpr const char* SELECTED_BALL = "selectedEmptyBall.png";
constexpr const char* UNSELECTED_BALL = "emptyBall.png";
} // namespace

MainWindow::MainWindow()
    : mpBackgroundBitmap(nullptr), mpCurrentRightPanel(nullptr), mpOuterMoatBitmap(nullptr),
      mpInnerMoatBitmap(nullptr), mColumnItems(8), mSelectedColumnIndex(0), mbFocusToColumn(false), mTimeTimer(0)
{
    SetRectAbsolute(PallixScreen().GetRect());
    mpBackgroundBitmap = ImageFactory::loadFilesystemImage("/usr/local/zembu/graphics/common/background.png");
    initColumnItems();
    showRightPanel(&mBrowseGenreWindow, false, true);
}

MainWindow::~MainWindow() = default;

// One line per column, in screen order.
void MainWindow::initColumnItems()
{
    mColumnItems.Append(ColumnItem(&mBrowseGenreWindow, SELECTED_BALL, UNSELECTED_BALL));
    mColumnItems.Append(ColumnItem(&mBrowseByDetailsWindow, SELECTED_BALL, UNSELECTED_BALL));
    mColumnItems.Append(ColumnItem(&mContinueWatchingWindow, SELECTED_BALL, UNSELECTED_BALL));
    mColumnItems.Append(ColumnItem(&mRecentlyAddedWindow, SELECTED_BALL, UNSELECTED_BALL));
    mColumnItems.Append(ColumnItem(&mSearchWindow, SELECTED_BALL, UNSELECTED_BALL));
    mSelectedColumnIndex = 0;
}

void MainWindow::showRightPanel(RightPanelWindow* pWindow, bool bHidePrevious, bool bFocusRightPanel)
{
    if (!pWindow)
        return;
    if (mpCurrentRightPanel)
    {
        if (bHidePrevious)
            mpCurrentRightPanel->Vanish();
        RemoveChild(mpCurrentRightPanel);
        mpCurrentRightPanel = nullptr;
    }
    mpCurrentRightPanel = pWindow;
    addRightPanel(pWindow);
    pWindow->Materialize(kAppNormal);
    if (bFocusRightPanel)
        pWindow->SetFocus(true);
    RedrawScreen();
    refreshViewing();
}

void MainWindow::refreshViewing()
{
    if (QuorvaApp::getApp() && IsVisible())
        QuorvaApp::getApp()->getViewingHistory()->refresh();
}

void MainWindow::onViewingChanged()
{
    if (mpCurrentRightPanel)
        mpCurrentRightPanel->onViewingChanged();
}

void MainWindow::showSearch(const PallixString& text)
{
    mSearchWindow.setQuery(text);
    if (!IsVisible() || mpCurrentRightPanel == &mSearchWindow)
        return;
    for (int i = 0; i < mColumnItems.GetSize(); ++i)
        if (mColumnItems.GetAt(i).getWindow() == &mSearchWindow)
            mSelectedColumnIndex = i;
    showRightPanel(&mSearchWindow, true, true);
}

void MainWindow::addRightPanel(RightPanelWindow* pRightPanel)
{
    AddChild(pRightPanel);
    pRightPanel->setMainWindow(this);
    PallixRect main = GetRectAbsolute();
    pRightPanel->SetRectAbsolute(
        PallixRect(COLUMN_STRIP_WIDTH, main.y, main.w - static_cast<uint32_t>(COLUMN_STRIP_WIDTH), main.h));
}

void MainWindow::setFocusOnColumn()
{
    mbFocusToColumn = true;
    SetFocus(true);
    mbFocusToColumn = false;
    // The selected ball lights up and the panel's bar dims.
    RedrawScreen();
}

void MainWindow::OnMaterialize()
{
    if (mpCurrentRightPanel)
    {
        mpCurrentRightPanel->Materialize(kAppNormal);
        mpCurrentRightPanel->SetFocus(true);
    }
    else
    {
        SetFocus(true);
    }
    startTimeTimer();
    // Back from the player, or shown at start: what was watched may have changed.
    refreshViewing();
}

void MainWindow::OnVanish()
{
    stopTimeTimer();
}

// Whoever gives the main window the focus (the player when it closes, for one)
// means the panel, unless the column menu is asking for it.
void MainWindow::OnSetFocus()
{
    if (mpCurrentRightPanel && !mbFocusToColumn)
        mpCurrentRightPanel->SetFocus(true);
}

bool MainWindow::OnNavKey(unsigned long nKey, PallixWindow*&)
{
    switch (nKey)
    {
    case RemoteKeys::UP:
        selectColumn(mSelectedColumnIndex - 1);
        return true;
    case RemoteKeys::DOWN:
        selectColumn(mSelectedColumnIndex + 1);
        return true;
    case RemoteKeys::RIGHT:
        if (mpCurrentRightPanel)
        {
            mpCurrentRightPanel->SetFocus(true);
            RedrawScreen();
        }
        return true;
    default:
        return false;
    }
}

// Columns never wrap; the menu keeps the focus so that Up and Down go on working.
void MainWindow::selectColumn(int index)
{
    if (index < 0)
    {
        mSelectedColumnIndex = 0;
        return;
    }
    if (index >= mColumnItems.GetSize())
    {
        mSelectedColumnIndex = mColumnItems.GetSize() - 1;
        return;
    }
    mSelectedColumnIndex = index;
    showRightPanel(mColumnItems.GetAt(index).getWindow(), true, false);
    Redraw();
}

bool MainWindow::OnKeyDown(unsigned long nKey)
{
    switch (nKey)
    {
    case RemoteKeys::SELECT:
        return true;
    case RemoteKeys::EXIT:
        if (QuorvaApp::getApp())
            QuorvaApp::getApp()->Terminate(0);
        return false;
    default:
        return false;
    }
}

void MainWindow::OnPaint(PallixBitmap& bitmap)
{
    bitmap.FillRect(GetRectAbsolute(), PallixColor(0, 0, 0, 0));
    if (mpBackgroundBitmap)
        bitmap.DrawBitmap(PallixPoint(0, 0), *mpBackgroundBitmap, mpBackgroundBitmap->GetRect());
    drawColumnItems(bitmap);
    DrawingUtils::drawTime(bitmap, getTimeRect());
}

void MainWindow::loadImages()
{
    mpOuterMoatBitmap = ImageFactory::loadFilesystemImage("/usr/local/zembu/graphics/taskview/vessels/moat-outer.png");
    mpInnerMoatBitmap = ImageFactory::loadFilesystemImage("/usr/local/zembu/graphics/taskview/vessels/moat-inner.png");
}

void MainWindow::drawColumnItems(PallixBitmap& bitmap)
{
    if (!mpOuterMoatBitmap)
        loadImages();
    if (!mpOuterMoatBitmap)
        return;

    PallixRect main = GetRectAbsolute();
    bool bFocus = IsFocus();
    for (int i = 0; i < mColumnItems.GetSize(); ++i)
    {
        ColumnItem& item = mColumnItems.GetAt(i);
        PallixPoint ball(main.x + 30, main.y + 25 + COLUMN_SPACING * i);
        bool bSelected = i == mSelectedColumnIndex;

        // The moat marks the selected column wherever the focus is.
        PallixBitmap* pMoat = i == 0 ? mpOuterMoatBitmap : mpInnerMoatBitmap;
        if (bSelected && pMoat)
            bitmap.DrawBitmap(PallixPoint(ball.x - 5, ball.y - 6), *pMoat, pMoat->GetRect());

        PallixBitmap* pBall = bSelected && bFocus ? item.getSelectedBitmap() : item.getUnselectedBitmap();
        if (pBall)
            bitmap.DrawBitmap(ball, *pBall, pBall->GetRect());

        // The selected ball places the label whichever ball is drawn; without it
        // the label sits as under a ball of no height.
        PallixBitmap* pSelectedBall = item.getSelectedBitmap();
        int32_t labelY =
            ball.y + (pSelectedBall ? static_cast<int32_t>(pSelectedBall->GetDims().h) : 0) - LABEL_OVERLAP;
        PallixTokenArray lines(item.getWindow()->getLabel(), "\n");
        for (int line = 0; line < lines.GetNumTokens(); ++line)
        {
            PallixRect labelRect(main.x + 10, labelY + LABEL_LINE_STEP * line, 125, LABEL_LINE_HEIGHT);
            bitmap.DrawText(Fonts::SYSTEM_22, labelRect, lines.TokenAt(line), Colors::WHITE, 3);
        }
    }
}

PallixRect MainWindow::getTimeRect()
{
    return PallixRect(10, static_cast<int32_t>(GetRectAbsolute().h) - 50, 125, 50);
}

void MainWindow::startTimeTimer()
{
    if (mTimeTimer == 0)
        mTimeTimer = SetTimer(CLOCK_PERIOD_MS);
}

void MainWindow::stopTimeTimer()
{
    if (mTimeTimer != 0)
    {
        KillTimer(mTimeTimer);
        mTimeTimer = 0;
    }
}

void MainWindow::OnTimer(uint32_t nTimerID)
{
    if (nTimerID != mTimeTimer)
        return;
    Redraw(getTimeRect());
}
