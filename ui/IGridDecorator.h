#pragma once

#include "PallixRect.h"

class PallixBitmap;

// What the owner of a cover grid adds to its items: covers decoded only when
// they come on screen, and marks drawn over them.
class IGridDecorator
{
public:
    // The cover of an item added without one; null when it has none.
    virtual PallixBitmap* loadCover(void* data) = 0;
    // Drawn after the item's cover, which fills cover.
    virtual void drawOverCover(PallixBitmap& bitmap, void* data, const PallixRect& cover) = 0;

protected:
    ~IGridDecorator() = default;
};
