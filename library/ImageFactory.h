#pragma once

#include "FileStamp.h"
#include "PallixNewArray.h"
#include "PallixString.h"

#include <vector>

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
    // when it cannot be loaded. A failure is reported once and not tried again
    // until the file changes.
    static PallixBitmap* loadAppImage(PallixString path);
    // A picture by absolute path, cached under the path as given.
    static PallixBitmap* loadFilesystemImage(PallixString fullPath);
    // Drops the picture from the cache and frees it; pictures not cached are ignored.
    static void removeImage(PallixBitmap* pBitmap);

private:
    // A name whose file could not be loaded, and what the file looked like then.
    struct FailedLoad
    {
        PallixString name;
        FileStamp stamp;
    };

    static ImageFactoryEntry* getEntry(PallixString& path);
    // Whether the last load of name failed and its file is as it was then.
    static bool failedBefore(const PallixString& name, const PallixString& fullPath);
    static PallixBitmap* load(PallixString& name, const PallixString& fullPath);
    // Puts a picture in the cache under a name, so that tests draw with pictures
    // of known size and colour; the cache takes ownership.
    static void addImage(PallixString name, PallixBitmap* pBitmap);
    static void removeAllImages();

    static PallixNewArray<ImageFactoryEntry*> mEntries;
    static std::vector<FailedLoad> mFailures;

    friend class ImageFactoryTestAccess;
};
