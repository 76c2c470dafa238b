#pragma once

#include "IGridDecorator.h"

// The decorator of a grid whose items are titles (MediaEntry*): a check mark on
// each watched title's cover, and, when asked, covers decoded only when they
// come on screen.
class WatchedCovers : public IGridDecorator
{
public:
    explicit WatchedCovers(bool bLoadCovers) : mbLoadCovers(bLoadCovers) {}

    PallixBitmap* loadCover(void* data) override;
    void drawOverCover(PallixBitmap& bitmap, void* data, const PallixRect& cover) override;

private:
    bool mbLoadCovers;
};
