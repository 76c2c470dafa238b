#include "ImageFactoryEntry.h"

#include "PallixBitmap.h"

#include <utility>

ImageFactoryEntry::ImageFactoryEntry(PallixString path, PallixBitmap* pBMP) : mPath(std::move(path)), mpBitmap(pBMP) {}

ImageFactoryEntry::~ImageFactoryEntry()
{
    if (mpBitmap)
    {
        mpBitmap->Unload();
        delete mpBitmap;
        mpBitmap = nullptr;
    }
}

bool ImageFactoryEntry::isEntry(PallixString& path)
{
    return mPath.Compare(path, true) == 0;
}
