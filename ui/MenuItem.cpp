#include "MenuItem.h"

#include <utility>

MenuItem::MenuItem() : mData(nullptr), mpBitmap(nullptr) {}

MenuItem::MenuItem(PallixString name, void* data) : mData(data), mName(std::move(name)), mpBitmap(nullptr) {}

MenuItem::MenuItem(PallixString name, PallixBitmap* pBmp, void* data)
    : mData(data), mName(std::move(name)), mpBitmap(pBmp)
{
}
