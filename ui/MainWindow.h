#pragma once

#include "BrowseByDetails.h"
#include "BrowseByWindow.h"
#include "ColumnItem.h"
#include "ContinueWatchingWindow.h"
#include "CoverArtWindow.h"
#include "InfoWindow.h"
#include "PallixNewArray.h"
#include "PallixTimer.h"
#include "PallixWindow.h"
#include "RecentlyAddedWindow.h"
#include "SearchWindow.h"
#include "SeriesWindow.h"

class PallixBitmap;
class RightPanelWindow;

// The full-screen window of the navigation interface: a menu of columns down
// the left edge, the clock in the bottom-left corner, and one right-hand panel
// at a time beside them. It owns the panels.
class MainWindow : public PallixWindow, public PallixTimer
{
public:
    MainWindow();
    ~MainWindow() override;

    // Replaces the panel shown. Panels move between one another with (true, true);
    // the column keys keep the focus on the menu with (true, false).
    void showRightPanel(RightPanelWindow* pWindow, bool bHidePrevious, bool bFocusRightPanel);
    // The column menu takes the keys; Right gives them back to the panel.
    void setFocusOnColumn();

    BrowseByWindow* getBrowseByWindow() { return &mBrowseGenreWindow; }
    CoverArtWindow* getCoverArtWindow() { return &mCoverArtWindow; }
    SeriesWindow* getSeriesWindow() { return &mSeriesWindow; }
    InfoWindow* getInfoWindow() { return &mInfoWindow; }
    BrowseByDetails* getBrowseByDetailsWindow() { return &mBrowseByDetailsWindow; }
    ContinueWatchingWindow* getContinueWatchingWindow() { return &mContinueWatchingWindow; }
    RecentlyAddedWindow* getRecentlyAddedWindow() { return &mRecentlyAddedWindow; }
    SearchWindow* getSearchWindow() { return &mSearchWindow; }
    // The phone's search box: the Search panel takes its text as the query and,
    // unless a title is playing, comes on screen.
    void showSearch(const PallixString& text);
    // Passed on to the panel on screen.
    void onViewingChanged();

    void OnPaint(PallixBitmap& bitmap) override;
    void OnMaterialize() override;
    void OnVanish() override;
    void OnSetFocus() override;
    bool OnKeyDown(unsigned long nKey) override;
    bool OnNavKey(unsigned long nKey, PallixWindow*& pProposedNewFocusWnd) override;
    void OnTimer(uint32_t nTimerID) override;

private:
    void initColumnItems();
    void addRightPanel(RightPanelWindow* pRightPanel);
    void loadImages();
    void drawColumnItems(PallixBitmap& bitmap);
    void selectColumn(int index);
    // A panel coming on screen shows what the stats files say now: they are read again.
    void refreshViewing();
    PallixRect getTimeRect();
    void startTimeTimer();
    void stopTimeTimer();

    PallixBitmap* mpBackgroundBitmap;
    BrowseByWindow mBrowseGenreWindow;
    CoverArtWindow mCoverArtWindow;
    SeriesWindow mSeriesWindow;
    InfoWindow mInfoWindow;
    BrowseByDetails mBrowseByDetailsWindow;
    ContinueWatchingWindow mContinueWatchingWindow;
    RecentlyAddedWindow mRecentlyAddedWindow;
    SearchWindow mSearchWindow;
    RightPanelWindow* mpCurrentRightPanel;
    PallixBitmap* mpOuterMoatBitmap;
    PallixBitmap* mpInnerMoatBitmap;
    PallixNewArray<ColumnItem> mColumnItems;
    int mSelectedColumnIndex;
    // Keeps the focus on the column menu while setFocusOnColumn puts it there.
    bool mbFocusToColumn;
    uint32_t mTimeTimer;

    friend class MainWindowTestAccess;
};
