#pragma once

#include "PallixString.h"

class PallixBitmap;

// One cached picture: the name it was asked for by, and the decoded bitmap it owns.
class ImageFactoryEntry
{
public:
    // Takes ownership of pBMP.
    ImageFactoryEntry(PallixString path, PallixBitmap* pBMP);
    ~ImageFactoryEntry();
    ImageFactoryEntry(const ImageFactoryEntry&) = delete;
    ImageFactoryEntry& operator=(const ImageFactoryEntry&) = delete;

    // Exact match, letter case included.
    bool isEntry(PallixString& path);
    PallixBitmap* getBitmap() { return mpBitmap; }

private:
    PallixString mPath;
    PallixBitmap* mpBitmap;
};
