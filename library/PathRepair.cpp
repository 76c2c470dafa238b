#include "PathRepair.h"

#include "FileUtils.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "PallixDirScanner.h"
#include "PallixTitleSetName.h"

#include <cstdio>
#include <iostream>
#include <sys/stat.h>

namespace
{
PallixString lastComponent(const PallixString& dir)
{
    return dir.Mid(dir.ReverseFind('/') + 1);
}
} // namespace

PathRepair::PathRepair(MediaStore& store, int mode) : mStore(store), mMode(mode) {}

void PathRepair::run(const PallixString& volumesRoot, const PallixString& mediaRoot)
{
    std::cout << "Updating paths..." << std::endl;
    mVisitedDirs.clear();

    PallixDirScanner volumes(volumesRoot);
    int nTotal = 0;
    for (int i = 0; i < volumes.GetNumEntries(); ++i)
    {
        PallixString name = volumes.GetEntry(i);
        if (name.GetLength() == 0)
            continue;
        PallixString root = volumesRoot + "/" + name;
        if (mediaRoot.GetLength() > 0)
            root += "/" + mediaRoot;
        std::cout << "Scanning " << root << "..." << std::endl;
        nTotal += updatePathsHelper(root);
    }
    std::cout << "There were " << nTotal << " media files whose paths were updated." << std::endl;
}

int PathRepair::updatePathsHelper(PallixString dir)
{
    struct stat64 st;
    if (stat64(dir, &st) != 0 || !S_ISDIR(st.st_mode))
        return 0;
    if (!mVisitedDirs.emplace(static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino))
             .second)
        return 0;

    // One listing answers every question about this folder.
    PallixDirScanner listing(dir);
    PallixString movieFile;
    int nMovieFiles = 0;
    bool bHasVideoTS = false;
    for (int i = 0; i < listing.GetNumEntries(); ++i)
    {
        PallixString name = listing.GetEntry(i);
        if (FileUtils::isMovieFile(name))
        {
            if (nMovieFiles++ == 0)
                movieFile = name;
        }
        else if (name == "VIDEO_TS")
        {
            bHasVideoTS = true;
        }
    }

    if (nMovieFiles > 0 || bHasVideoTS)
    {
        // A folder with video is a title: it is matched by its name and not searched further.
        PallixString name = lastComponent(dir);
        MediaEntry* pEntry = mStore.getEntryForTitle(name);
        if (!pEntry)
        {
            std::cout << "NO ENTRY found for " << name << std::endl;
            return 0;
        }
        pEntry->setPath(dir);
        // A DVD folder gets its main title set; anything else, and a DVD mode
        // that finds no title set, the lone movie file, or the first part of
        // the one film its files make (CD1, CD2).
        PallixString firstFile;
        if (pEntry->getFilename().GetLength() == 0 && !(mMode == 2 && updateVTSFilename(pEntry, dir)) &&
            (nMovieFiles == 1 || (nMovieFiles > 1 && FileUtils::holdsOneFilm(dir, firstFile))))
            pEntry->setFilename(movieFile);
        return 1;
    }

    int nUpdated = 0;
    const char* separator = dir[dir.GetLength() - 1] == '/' ? "" : "/";
    for (int i = 0; i < listing.GetNumEntries(); ++i)
    {
        PallixString name = listing.GetEntry(i);
        if (name.GetLength() > 0)
            nUpdated += updatePathsHelper(dir + separator + name);
    }
    return nUpdated;
}

bool PathRepair::updateVTSFilename(MediaEntry* pEntry, PallixString dir)
{
    // The name is relative to the title folder, so it names VIDEO_TS only when the
    // files were found in it. Looking inside VIDEO_TS once is enough.
    bool bInVideoTS = lastComponent(dir) == "VIDEO_TS";
    PallixDirScanner listing(dir);
    unsigned long long nLargest = 0;
    int nTitleSet = -1;
    for (int i = 0; i < listing.GetNumEntries(); ++i)
    {
        PallixString name = listing.GetEntry(i);
        if (name == "VIDEO_TS" && !bInVideoTS)
            return updateVTSFilename(pEntry, dir + "/" + name);
        int nSet = 0;
        int nPart = 0;
        if (PallixTitleSetName::Parse(name.str(), nSet, nPart))
        {
            // The main feature is the largest title set; ties keep the earlier one.
            unsigned long long nSize = FileUtils::getFileLen(dir + "/" + name);
            if (nTitleSet < 0 || nSize > nLargest)
            {
                nLargest = nSize;
                nTitleSet = nSet;
            }
        }
    }
    if (nTitleSet < 0)
        return false;

    // The title set is played from its first part, named as it is on the disk.
    char wanted[32];
    std::snprintf(wanted, sizeof(wanted), "VTS_%02d_1.VOB", nTitleSet);
    for (int i = 0; i < listing.GetNumEntries(); ++i)
    {
        PallixString name = listing.GetEntry(i);
        if (name.Compare(wanted, false, false, -1) == 0)
        {
            pEntry->setFilename(bInVideoTS ? "VIDEO_TS/" + name : name);
            return true;
        }
    }
    return false;
}
