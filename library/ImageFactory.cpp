#include "ImageFactory.h"

#include "ImageFactoryEntry.h"
#include "PallixBitmap.h"
#include "PallixFile.h"
#include "QuorvaApp.h"

#include <iostream>
#include <utility>

namespace
{
// Mode the box's bitmap loader is always given.
constexpr int BITMAP_LOAD_MODE = 2;
} // namespace

// Ready before any other static object can ask for a picture, and torn down
// after all of them.
PallixNewArray<ImageFactoryEntry*> ImageFactory::mEntries __attribute__((init_priority(102)))(8);
std::vector<ImageFactory::FailedLoad> ImageFactory::mFailures __attribute__((init_priority(102)));
ImageFactory staticImageFactory __attribute__((init_priority(102)));

ImageFactory::~ImageFactory()
{
    removeAllImages();
}

PallixBitmap* ImageFactory::loadAppImage(PallixString path)
{
    ImageFactoryEntry* pEntry = getEntry(path);
    if (pEntry)
        return pEntry->getBitmap();
    return load(path, QuorvaApp::getImageDir() + "/" + path);
}

PallixBitmap* ImageFactory::loadFilesystemImage(PallixString fullPath)
{
    ImageFactoryEntry* pEntry = getEntry(fullPath);
    if (pEntry)
        return pEntry->getBitmap();
    return load(fullPath, fullPath);
}

void ImageFactory::removeImage(PallixBitmap* pBitmap)
{
    for (int i = 0; i < mEntries.GetSize(); ++i)
    {
        ImageFactoryEntry* pEntry = mEntries.GetAt(i);
        if (pEntry->getBitmap() == pBitmap)
        {
            mEntries.RemoveAt(i);
            delete pEntry;
            return;
        }
    }
}

ImageFactoryEntry* ImageFactory::getEntry(PallixString& path)
{
    for (ImageFactoryEntry* pEntry : mEntries)
    {
        if (pEntry->isEntry(path))
            return pEntry;
    }
    return nullptr;
}

bool ImageFactory::failedBefore(const PallixString& name, const PallixString& fullPath)
{
    for (auto it = mFailures.begin(); it != mFailures.end(); ++it)
    {
        if (it->name != name)
            continue;
        if (it->stamp == FileStamp::of(fullPath))
            return true;
        mFailures.erase(it);
        return false;
    }
    return false;
}

PallixBitmap* ImageFactory::load(PallixString& name, const PallixString& fullPath)
{
    // Pictures are asked for on every paint: a missing or broken one is looked at
    // again only once its file has changed, and reported once.
    if (failedBefore(name, fullPath))
        return nullptr;
    FileStamp stamp = FileStamp::of(fullPath);
    PallixFile file(fullPath);
    PallixBitmap* pBitmap = new PallixBitmap();
    if (!pBitmap->Load(file, BITMAP_LOAD_MODE))
    {
        std::cout << "ERROR:  Failed to load image " << name << std::endl;
        delete pBitmap;
        mFailures.push_back(FailedLoad{name, stamp});
        return nullptr;
    }
    mEntries.Append(new ImageFactoryEntry(name, pBitmap));
    return pBitmap;
}

void ImageFactory::addImage(PallixString name, PallixBitmap* pBitmap)
{
    ImageFactoryEntry* pOld = getEntry(name);
    if (pOld)
        removeImage(pOld->getBitmap());
    mEntries.Append(new ImageFactoryEntry(std::move(name), pBitmap));
}

void ImageFactory::removeAllImages()
{
    mFailures.clear();
    for (ImageFactoryEntry* pEntry : mEntries)
        delete pEntry;
    mEntries.RemoveAll();
}
