#include "MediaStore.h"

#include "FileUtils.h"
#include "Logger.h"
#include "MediaEntry.h"
#include "PallixDirScanner.h"
#include "PallixTokenArray.h"
#include "QuorvaApp.h"
#include "QuorvaDatFile.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <sstream>
#include <unistd.h>

namespace
{
struct FileCloser
{
    void operator()(FILE* pFile) const { std::fclose(pFile); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Export files are created 0664 (before the umask), like every file the box writes.
FilePtr createOutputFile(const PallixString& path)
{
    int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0664);
    if (fd < 0)
        return nullptr;
    FILE* pFile = ::fdopen(fd, "w");
    if (!pFile)
        ::close(fd);
    return FilePtr(pFile);
}

bool writeText(FILE* pFile, const std::string& text)
{
    return std::fwrite(text.data(), 1, text.size(), pFile) == text.size();
}

// Flushes and closes; false when anything written did not reach the file.
bool closeOutputFile(FilePtr file)
{
    bool bOk = std::ferror(file.get()) == 0;
    return std::fclose(file.release()) == 0 && bOk;
}
} // namespace

MediaStore::MediaStore() = default;

MediaStore::~MediaStore()
{
    for (MediaEntry* pEntry : mEntries)
        delete pEntry;
}

void MediaStore::addMediaEntry(MediaEntry* pEntry)
{
    mEntries.Append(pEntry);
}

MediaEntry* MediaStore::getEntryForTitle(PallixString title)
{
    for (; mTitleIndexSize < mEntries.GetSize(); ++mTitleIndexSize)
    {
        MediaEntry* pEntry = mEntries.GetAt(mTitleIndexSize);
        if (pEntry)
            mTitleIndex.emplace(pEntry->getTitle().str(), pEntry);
    }
    auto found = mTitleIndex.find(title.str());
    return found == mTitleIndex.end() ? nullptr : found->second;
}

void MediaStore::getMediaForGenre(PallixString genre, PallixNewArray<MediaEntry*>& list)
{
    bool bAll = genre.Compare("All", true, false, -1) == 0;
    for (MediaEntry* pEntry : mEntries)
        if (pEntry && (bAll || pEntry->getGenre().Contains(genre, true, false)))
            list.Append(pEntry);
}

void MediaStore::updateGenreList()
{
    for (MediaEntry* pEntry : mEntries)
    {
        if (!pEntry)
            continue;
        PallixTokenArray words(pEntry->getGenre(), ", ");
        for (int i = 0; i < words.GetNumTokens(); ++i)
        {
            // The list is kept in ascending case-sensitive byte order, so the place of a
            // word is found by halving; Action and action are different genres.
            PallixString word = words.TokenAt(i);
            auto at = std::lower_bound(mGenreList.begin(), mGenreList.end(), word,
                                       [](const PallixString& listed, const PallixString& candidate)
                                       { return listed.Compare(candidate, true, false, -1) < 0; });
            if (at != mGenreList.end() && at->Compare(word, true, false, -1) == 0)
                continue;
            mGenreList.InsertAt(static_cast<int>(at - mGenreList.begin()), word);
        }
    }
}

void MediaStore::updateImagePaths()
{
    for (MediaEntry* pEntry : mEntries)
    {
        // A cover named by the database wins, together with its large cover.
        if (!pEntry || pEntry->getImagePath().GetLength() > 0)
            continue;
        PallixString imageFile;
        PallixString largeImageFile;
        findImageFiles(pEntry->getPath(), imageFile, largeImageFile);
        pEntry->setImagePath(imageFile);
        pEntry->setLargeImagePath(largeImageFile);
    }
}

void MediaStore::findImageFiles(PallixString dir, PallixString& imageFile, PallixString& largeImageFile)
{
    imageFile = PallixString();
    largeImageFile = PallixString();
    PallixDirScanner listing(dir);
    for (int i = 0; i < listing.GetNumEntries(); ++i)
    {
        PallixString name = listing.GetEntry(i);
        if (imageFile.GetLength() == 0 && isImageFile(name))
            imageFile = dir + "/" + name;
        if (largeImageFile.GetLength() == 0 && isLargeImageFile(name))
            largeImageFile = dir + "/" + name;
    }
}

bool MediaStore::isImageFile(PallixString fileName)
{
    return fileName.Contains("folder.png", false, false);
}

bool MediaStore::isLargeImageFile(PallixString fileName)
{
    return fileName.Contains("folderLarge.png", false, false);
}

void MediaStore::readStats()
{
    for (MediaEntry* pEntry : mEntries)
    {
        if (!pEntry)
            continue;
        PallixString playFile = pEntry->getFullPathToPlayFile();
        if (FileUtils::fileExists(playFile + ".quorva"))
        {
            QuorvaDatFile stats(playFile);
            pEntry->setLastViewedTime(stats.getLastViewedTime());
        }
    }
}

void MediaStore::validateEntries()
{
    for (MediaEntry* pEntry : mEntries)
        validateEntry(pEntry);
}

void MediaStore::validateEntry(MediaEntry* pEntry)
{
    if (!pEntry)
        return;
    PallixString& title = pEntry->getTitle();
    if (pEntry->getGenre().GetLength() == 0)
        std::cout << "ERROR:  " << title << " is missing a genre value." << std::endl;
    if (pEntry->getDurationInSecs() < 0)
        std::cout << "ERROR:  " << title << " is missing a duration value." << std::endl;
    if (pEntry->getOriginalTitle().GetLength() == 0)
        std::cout << "ERROR:  " << title << " is missing an original title." << std::endl;
    if (pEntry->getImagePath().GetLength() == 0)
        std::cout << "ERROR:  " << title << " is missing a png image." << std::endl;
}

void MediaStore::exportEntries()
{
    exportEntries(QuorvaApp::getWorkingDir() + "/exported.txt");
}

void MediaStore::exportEntries(PallixString indexPath)
{
    FilePtr index = createOutputFile(indexPath);
    if (!index)
    {
        Logger::logError("Unable to write " + indexPath);
        return;
    }
    bool bIndexOk = writeText(index.get(), "<html><body>\n");
    std::cout << "Exporting" << std::flush;

    int nCount = 0;
    int nDetailFailures = 0;
    std::ostringstream block;
    for (MediaEntry* pEntry : mEntries)
    {
        if (!pEntry || pEntry->getTitle().GetLength() == 0)
            continue;

        block.str(std::string());
        pEntry->exportHeaderEntry(block);
        bIndexOk = writeText(index.get(), block.str()) && bIndexOk;

        PallixString detailPath = pEntry->getPath() + "/" + pEntry->getFilename() + ".info";
        block.str(std::string());
        block << "<html><body>\n";
        pEntry->exportFullEntry(block);
        block << "</body></html>\n";
        FilePtr detail = createOutputFile(detailPath);
        if (!detail || !writeText(detail.get(), block.str()) || !closeOutputFile(std::move(detail)))
            ++nDetailFailures;

        std::cout << '.' << std::flush;
        ++nCount;
    }
    std::cout << std::endl;
    bIndexOk = writeText(index.get(), "</body></html>\n") && bIndexOk;
    bIndexOk = closeOutputFile(std::move(index)) && bIndexOk;

    std::cout << "Exported " << nCount << " records to " << indexPath << std::endl;
    if (!bIndexOk)
        Logger::logError("Unable to write " + indexPath);
    if (nDetailFailures > 0)
        Logger::logError(PallixString(std::to_string(nDetailFailures)) + " detail files could not be written.");
}
