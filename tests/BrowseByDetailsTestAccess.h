#pragma once

#include "BrowseByDetails.h"
#include "LoopList.h"

// The details panel's table, for tests.
class BrowseByDetailsTestAccess
{
public:
    explicit BrowseByDetailsTestAccess(BrowseByDetails& panel) : mPanel(panel) {}

    LoopList& list() { return mPanel.mList; }

private:
    BrowseByDetails& mPanel;
};
