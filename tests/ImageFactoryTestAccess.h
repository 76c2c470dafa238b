#pragma once

#include "ImageFactory.h"
#include "ImageFactoryEntry.h"
#include "PallixBitmap.h"
#include "PallixColor.h"
#include "PallixFile.h"

#include <string>

// Empties the picture cache for one test, fills it with plain pictures of known
// size and colour, and empties it again afterwards (tests may share a process).
// Declare it before any window, so that it outlives the pictures they keep.
class ImageFactoryTestAccess
{
public:
    ImageFactoryTestAccess() { ImageFactory::removeAllImages(); }
    ~ImageFactoryTestAccess() { ImageFactory::removeAllImages(); }
    ImageFactoryTestAccess(const ImageFactoryTestAccess&) = delete;
    ImageFactoryTestAccess& operator=(const ImageFactoryTestAccess&) = delete;

    PallixBitmap* add(const char* name, uint32_t w, uint32_t h, const PallixColor& color)
    {
        PallixBitmap* pBitmap = new PallixBitmap();
        pBitmap->Create(w, h);
        pBitmap->FillRect(pBitmap->GetRect(), color);
        ImageFactory::addImage(name, pBitmap);
        return pBitmap;
    }

    // A picture decoded from a file, cached under another name.
    PallixBitmap* addFile(const char* name, const std::string& path)
    {
        PallixBitmap* pBitmap = new PallixBitmap();
        PallixFile file(path.c_str());
        if (!pBitmap->Load(file, 2))
        {
            delete pBitmap;
            return nullptr;
        }
        ImageFactory::addImage(name, pBitmap);
        return pBitmap;
    }

    void remove(const char* name)
    {
        PallixString key(name);
        ImageFactoryEntry* pEntry = ImageFactory::getEntry(key);
        if (pEntry)
            ImageFactory::removeImage(pEntry->getBitmap());
    }

    int size() const { return ImageFactory::mEntries.GetSize(); }
};
