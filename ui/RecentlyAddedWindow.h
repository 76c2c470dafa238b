#pragma once

#include "CoverGridPanel.h"
#include "WatchedCovers.h"

class PallixBitmap;

// The panel of the "Recently Added" column: the titles that entered the library
// last, newest first, at most RecentlyAdded::MAX_TITLES of them.
class RecentlyAddedWindow : public CoverGridPanel
{
public:
    RecentlyAddedWindow();
    ~RecentlyAddedWindow() override;

    void OnPaint(PallixBitmap& bitmap) override;
    void onItemChosen(int item, int button) override;

protected:
    // A refresh learns the times of titles whose record does not say when they came.
    void loadItems(ViewingHistory& history) override;

private:
    WatchedCovers mCovers;

    friend class RecentlyAddedWindowTestAccess;
};
