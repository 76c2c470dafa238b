#pragma once

#include "BrowseByWindow.h"
#include "LoopList.h"

#include <string>

// The genre panel's list and its line look-up, for tests.
class BrowseByWindowTestAccess
{
public:
    explicit BrowseByWindowTestAccess(BrowseByWindow& panel) : mPanel(panel) {}

    LoopList& list() { return mPanel.mList; }
    bool findGenre(int item, PallixString& genre) { return mPanel.findGenre(item, genre); }
    std::string emptyLibraryText() { return mPanel.getEmptyLibraryText().str(); }

private:
    BrowseByWindow& mPanel;
};
