#include "MediaStore.h"

#include "AtomicFile.h"
#include "ClientProperties.h"
#include "FileUtils.h"
#include "HTMLDBParser.h"
#include "Logger.h"
#include "MediaEntry.h"
#include "PallixDirScanner.h"
#include "PallixTokenArray.h"
#include "ParallelWork.h"
#include "QuorvaApp.h"
#include "QuorvaDatFile.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

namespace
{
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
    return PallixString::CompareFolded(listed, wanted) == 0;
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
                              pEntry->setFoundImagePaths(std::move(imageFile), std::move(largeImageFile));
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
    return PallixString::ContainsFolded(fileName, "folder.png");
}

bool MediaStore::isLargeImageFile(std::string_view fileName)
{
    return PallixString::ContainsFolded(fileName, "folderLarge.png");
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
    // A record read without its Title is named by its Original Title.
    PallixString& title = pEntry->getTitle().IsEmpty() ? pEntry->getOriginalTitle() : pEntry->getTitle();
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

MediaEntry* MediaStore::readDetailFile(MediaEntry* pEntry)
{
    if (!pEntry)
        return nullptr;
    FileHandle file = FileUtils::openRegularFile(pEntry->getPath() + "/" + pEntry->getFilename() + ".info");
    if (!file)
        return nullptr;
    HTMLDBParser parser;
    MediaEntry* pDetail = parser.parseEntry(file.get(), true);
    pDetail->resolvePaths(mDatabaseDir);
    return pDetail;
}

PallixString MediaStore::checkExportable(MediaEntry* pEntry, std::unordered_map<std::string, PallixString>& detailPaths)
{
    PallixString& name = pEntry->getTitle().IsEmpty() ? pEntry->getOriginalTitle() : pEntry->getTitle();
    // Without a folder the detail file would land wherever the name alone points.
    if (pEntry->getPath().IsEmpty())
        return name + " has no Path";
    std::string_view filename(pEntry->getFilename().str());
    if (!filename.empty() && (filename.front() == '/' || filename == ".." || filename.starts_with("../") ||
                              filename.find("/../") != std::string_view::npos || filename.ends_with("/..")))
        return name + " has a Filename outside its folder";
    std::string detailPath = (pEntry->getPath() + "/" + pEntry->getFilename() + ".info").str();
    auto [taken, bNew] = detailPaths.emplace(detailPath, name);
    if (!bNew)
        return name + " would overwrite the detail file of " + taken->second;
    return PallixString();
}

void MediaStore::exportEntries(PallixString indexPath)
{
    // Everything goes to temporary files first: the index may be the very
    // database this run was read from.
    AtomicFile index(indexPath);
    if (!index.isOpen())
    {
        Logger::logError("Unable to write " + indexPath + ": " + index.getError());
        return;
    }
    bool bIndexOk = index.write("<html><body>\n");
    std::cout << "Exporting" << std::flush;

    const bool bOnDemand = ClientProperties::isOnDemandParsing();
    int nCount = 0;
    int nDetailFailures = 0;
    std::vector<PallixString> skipped;
    std::unordered_map<std::string, PallixString> detailPaths;
    std::ostringstream block;
    for (MediaEntry* pEntry : mEntries)
    {
        if (!pEntry)
            continue;
        PallixString reason = checkExportable(pEntry, detailPaths);
        if (!reason.IsEmpty())
        {
            skipped.push_back(reason);
            continue;
        }

        // The index holds only what browsing needs; in on-demand mode the rest
        // of the title lives in its detail file, which is about to be replaced.
        MediaEntry* pRecord = pEntry;
        std::unique_ptr<MediaEntry> pDetail(bOnDemand ? readDetailFile(pEntry) : nullptr);
        if (pDetail)
        {
            pDetail->overlay(*pEntry);
            pRecord = pDetail.get();
        }

        block.str(std::string());
        pRecord->exportHeaderEntry(block);
        bIndexOk = index.write(block.str()) && bIndexOk;

        block.str(std::string());
        block << "<html><body>\n";
        pRecord->exportFullEntry(block);
        block << "</body></html>\n";
        AtomicFile detail(pEntry->getPath() + "/" + pEntry->getFilename() + ".info");
        if (!detail.write(block.str()) || !detail.commit())
            ++nDetailFailures;

        std::cout << '.' << std::flush;
        ++nCount;
    }
    std::cout << std::endl;
    bIndexOk = index.write("</body></html>\n") && bIndexOk;
    bIndexOk = bIndexOk && index.commit();

    for (const PallixString& reason : skipped)
        Logger::logError("Not exported: " + reason + ".");
    if (bIndexOk)
        std::cout << "Exported " << nCount << " records to " << indexPath << std::endl;
    else
        Logger::logError("Unable to write " + indexPath + ": " + index.getError());
    if (nDetailFailures > 0)
        Logger::logError(PallixString(std::to_string(nDetailFailures)) + " detail files could not be written.");
}
