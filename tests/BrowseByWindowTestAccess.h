#pragma once

#include "BrowseByWindow.h"
#include "LoopList.h"

// The genre panel's list and its line look-up, for tests.
class BrowseByWindowTestAccess
{
public:
    explicit BrowseByWindowTestAccess(BrowseByWindow& panel) : mPanel(panel) {}

    LoopList& list() { return mPanel.mList; }
    bool findGenre(int item, PallixString& genre) { return mPanel.findGenre(item, genre); }

private:
    BrowseByWindow& mPanel;
};
