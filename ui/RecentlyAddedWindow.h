#pragma once

#include "IListListener.h"
#include "ImageList.h"
#include "RightPanelWindow.h"
#include "WatchedCovers.h"

class PallixBitmap;

// The panel of the "Recently Added" column: the titles that entered the library
// last, newest first, at most RecentlyAdded::MAX_TITLES of them.
class RecentlyAddedWindow : public RightPanelWindow, public IListListener
{
public:
    RecentlyAddedWindow();
    ~RecentlyAddedWindow() override;

    void OnPaint(PallixBitmap& bitmap) override;
    void OnMaterialize() override;
    void OnSetFocus() override;
    void onViewingChanged() override;

    void onItemSelected(int item) override;
    void onItemChosen(int item, int button) override;
    void onNavLeft() override;
    void onPageBack() override;

protected:
    void setupLayout() override;

private:
    // Makes the list anew, keeping the selected title selected.
    void loadItems();

    ImageList mList;
    WatchedCovers mCovers;

    friend class RecentlyAddedWindowTestAccess;
};
