#pragma once

#include "PallixString.h"

#include <set>
#include <utility>

class MediaEntry;
class MediaStore;

// Repairs the media paths of a library whose films have moved: walks the volumes
// mounted under one folder, matches each folder that holds video to the record
// whose Title is the folder's name, and points the record there. Mode 1 also
// names a lone movie file (or the first part of one film), mode 2 a DVD's main
// title set.
class PathRepair
{
public:
    PathRepair(MediaStore& store, int mode);

    // Scans every volume under volumesRoot (below mediaRoot on each, when set) and
    // prints what it did.
    void run(const PallixString& volumesRoot, const PallixString& mediaRoot);

private:
    // The number of records whose path was set under dir.
    int updatePathsHelper(PallixString dir);
    // Names the first file of the main title set, as it is on the disk; false
    // (the entry unchanged) when the folder has no title set.
    bool updateVTSFilename(MediaEntry* pEntry, PallixString dir);

    MediaStore& mStore;
    int mMode;
    // Folders already scanned, by device and inode, so that a link back up the
    // tree cannot make the scan go round for ever.
    std::set<std::pair<unsigned long long, unsigned long long>> mVisitedDirs;
};
