#include "ColumnItem.h"

#include "ImageFactory.h"

#include <utility>

ColumnItem::ColumnItem() : mpWindow(nullptr), mpSelBitmap(nullptr), mpUnselBitmap(nullptr) {}

ColumnItem::ColumnItem(RightPanelWindow* pWindow, PallixString selBitmap, PallixString unselBitmap)
    : mpWindow(pWindow), mSelBitmap(std::move(selBitmap)), mUnselBitmap(std::move(unselBitmap)), mpSelBitmap(nullptr),
      mpUnselBitmap(nullptr)
{
}

PallixBitmap* ColumnItem::getSelectedBitmap()
{
    if (!mpSelBitmap)
        mpSelBitmap = ImageFactory::loadAppImage(mSelBitmap);
    return mpSelBitmap;
}

PallixBitmap* ColumnItem::getUnselectedBitmap()
{
    if (!mpUnselBitmap)
        mpUnselBitmap = ImageFactory::loadAppImage(mUnselBitmap);
    return mpUnselBitmap;
}
