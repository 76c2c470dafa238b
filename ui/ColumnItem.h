#pragma once

#include "PallixString.h"

class PallixBitmap;
class RightPanelWindow;

// One entry of the column menu: the panel it shows and its ball pictures. The
// pictures belong to the image cache and are loaded when first asked for.
class ColumnItem
{
public:
    ColumnItem();
    ColumnItem(RightPanelWindow* pWindow, PallixString selBitmap, PallixString unselBitmap);
    ColumnItem(const ColumnItem&) = default;
    ColumnItem& operator=(const ColumnItem&) = default;

    RightPanelWindow* getWindow() const { return mpWindow; }
    // Null when the picture cannot be loaded.
    PallixBitmap* getSelectedBitmap();
    PallixBitmap* getUnselectedBitmap();

private:
    RightPanelWindow* mpWindow;
    PallixString mSelBitmap;
    PallixString mUnselBitmap;
    PallixBitmap* mpSelBitmap;
    PallixBitmap* mpUnselBitmap;
};
