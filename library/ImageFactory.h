#pragma once

#include "PallixNewArray.h"
#include "PallixString.h"

class ImageFactoryEntry;
class PallixBitmap;

// The process-wide cache of decoded pictures: each name is decoded once and the
// bitmap shared by everyone who asks for it. Callers never delete what they get.
class ImageFactory
{
public:
    ImageFactory() = default;
    // Frees every cached picture at exit.
    ~ImageFactory();
    ImageFactory(const ImageFactory&) = delete;
    ImageFactory& operator=(const ImageFactory&) = delete;

    // A picture of the application's own image folder, by its name there; null
    // (with a console line) when it cannot be loaded.
    static PallixBitmap* loadAppImage(PallixString path);
    // A picture by absolute path, cached under the path as given.
    static PallixBitmap* loadFilesystemImage(PallixString fullPath);
    // Drops the picture from the cache and frees it; pictures not cached are ignored.
    static void removeImage(PallixBitmap* pBitmap);

private:
    static ImageFactoryEntry* getEntry(PallixString& path);
    static PallixBitmap* load(PallixString& name, const PallixString& fullPath);
    // Puts a picture in the cache under a name, so that tests draw with pictures
    // of known size and colour; the cache takes ownership.
    static void addImage(PallixString name, PallixBitmap* pBitmap);
    static void removeAllImages();

    static PallixNewArray<ImageFactoryEntry*> mEntries;

    friend class ImageFactoryTestAccess;
};
