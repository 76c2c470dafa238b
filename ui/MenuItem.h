#pragma once

#include "PallixString.h"

class PallixBitmap;

// One entry of a list or grid. Neither the data nor the bitmap is owned.
class MenuItem
{
public:
    MenuItem();
    MenuItem(PallixString name, void* data);
    MenuItem(PallixString name, PallixBitmap* pBmp, void* data);

    // A tab separates the columns of the display text.
    PallixString& getName() { return mName; }
    void* getData() const { return mData; }
    PallixBitmap* getBitmap() const { return mpBitmap; }
    void setBitmap(PallixBitmap* pBmp) { mpBitmap = pBmp; }

private:
    void* mData;
    PallixString mName;
    PallixBitmap* mpBitmap;
};
