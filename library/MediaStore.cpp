#include "MediaStore.h"

#include "FileUtils.h"
#include "Logger.h"
#include "MediaEntry.h"
#include "PallixDirScanner.h"
#include "PallixTokenArray.h"
#include "ParallelWork.h"
#include "QuorvaApp.h"
#include "QuorvaDatFile.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
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

bool foldedEqual(char a, char b)
{
    auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
    return fold(a) == fold(b);
}

// Whether name contains pattern, ignoring the case of ASCII letters.
bool containsFolded(std::string_view name, std::string_view pattern)
{
    return std::search(name.begin(), name.end(), pattern.begin(), pattern.end(), foldedEqual) != name.end();
}

bool hasNonAscii(std::string_view name)
{
    return std::any_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// Whether a lookup of wanted could find the listed name. Title folders may sit on
// volumes that ignore letter case (and fold non-ASCII letters by their own rules), so
// only a name that differs from wanted in more than ASCII letter case, with no
// non-ASCII byte in either, is certainly another file.
bool mayNameTheSameFile(std::string_view listed, std::string_view wanted)
{
    if (hasNonAscii(listed))
        return true;
    return listed.size() == wanted.size() &&
           std::equal(listed.begin(), listed.end(), wanted.begin(), foldedEqual);
}

// The stats file's name inside the title folder, when the play file lies directly in
// it; empty when the listing of the folder cannot answer for it: a play file in a
// subfolder, one chosen by listing the folder (no Filename), or a non-ASCII name.
// Written into statsName, whose room is reused from title to title.
void statsFileName(const PallixString& filename, std::string& statsName)
{
    std::string_view name(filename.str());
    statsName.clear();
    if (name.empty() || name.find('/') != std::string_view::npos || hasNonAscii(name))
        return;
    statsName += name;
    statsName += ".quorva";
}

// Titles claimed at a time by one thread of a pass: large enough that claiming costs
// nothing, small enough that the threads finish together.
constexpr int TITLES_PER_CLAIM = 64;

PallixString joinPath(const PallixString& dir, const std::string& name)
{
    std::string path;
    path.reserve(dir.str().size() + 1 + name.size());
    path += dir.str();
    path += '/';
    path += name;
    return PallixString(std::move(path));
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
    mStatsFileAbsent.assign(static_cast<size_t>(mEntries.GetSize()), false);
    ParallelWork::forEach(mEntries.GetSize(), TITLES_PER_CLAIM,
                          [this](int i)
                          {
                              // A cover named by the database wins, together with its large cover.
                              MediaEntry* pEntry = mEntries.GetAt(i);
                              if (!pEntry || pEntry->getImagePath().GetLength() > 0)
                                  return;
                              PallixString imageFile;
                              PallixString largeImageFile;
                              bool bStatsFileAbsent = false;
                              // The name's room is reused from title to title on each thread.
                              thread_local std::string statsName;
                              statsFileName(pEntry->getFilename(), statsName);
                              findImageFiles(pEntry->getPath(), statsName, imageFile, largeImageFile,
                                             bStatsFileAbsent);
                              pEntry->setImagePath(std::move(imageFile));
                              pEntry->setLargeImagePath(std::move(largeImageFile));
                              mStatsFileAbsent[static_cast<size_t>(i)] = bStatsFileAbsent;
                          });
}

void MediaStore::findImageFiles(const PallixString& dir, const std::string& statsName,
                                PallixString& imageFile, PallixString& largeImageFile, bool& bStatsFileAbsent)
{
    // The first match in byte order is the smallest matching name, so the listing
    // need not be sorted. The visitor captures one reference, so that handing it over
    // allocates nothing.
    struct Scan
    {
        const std::string& statsName;
        std::string image;
        std::string largeImage;
        bool bFoundImage = false;
        bool bFoundLargeImage = false;
        bool bStatsFileMayExist = false;
    } scan{statsName, std::string(), std::string(), false, false, statsName.empty()};
    bool bListed = PallixDirScanner::VisitNames(
        dir,
        [&scan](std::string_view name)
        {
            if (isImageFile(name) && (!scan.bFoundImage || name < scan.image))
            {
                scan.image.assign(name);
                scan.bFoundImage = true;
            }
            if (isLargeImageFile(name) && (!scan.bFoundLargeImage || name < scan.largeImage))
            {
                scan.largeImage.assign(name);
                scan.bFoundLargeImage = true;
            }
            if (!scan.bStatsFileMayExist && mayNameTheSameFile(name, scan.statsName))
                scan.bStatsFileMayExist = true;
        });
    imageFile = scan.bFoundImage ? joinPath(dir, scan.image) : PallixString();
    largeImageFile = scan.bFoundLargeImage ? joinPath(dir, scan.largeImage) : PallixString();
    bStatsFileAbsent = bListed && !scan.bStatsFileMayExist;
}

bool MediaStore::isImageFile(std::string_view fileName)
{
    return containsFolded(fileName, "folder.png");
}

bool MediaStore::isLargeImageFile(std::string_view fileName)
{
    return containsFolded(fileName, "folderLarge.png");
}

void MediaStore::readStats()
{
    ParallelWork::forEach(mEntries.GetSize(), TITLES_PER_CLAIM,
                          [this](int i)
                          {
                              MediaEntry* pEntry = mEntries.GetAt(i);
                              if (!pEntry)
                                  return;
                              if (static_cast<size_t>(i) < mStatsFileAbsent.size() &&
                                  mStatsFileAbsent[static_cast<size_t>(i)])
                                  return;
                              PallixString playFile = pEntry->getFullPathToPlayFile();
                              if (FileUtils::fileExists(playFile + ".quorva"))
                              {
                                  QuorvaDatFile stats(playFile);
                                  pEntry->setLastViewedTime(stats.getLastViewedTime());
                              }
                          });
    mStatsFileAbsent = std::vector<char>();
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
