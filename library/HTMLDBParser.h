#pragma once

#include "PallixString.h"

#include <cstdio>
#include <set>
#include <utility>

class MediaEntry;
class MediaStore;

// Reads the movie database: one "<ul>" block per title, one "<li>Key=Value" line per
// field, closed by "</ul>". Applies parental control and, on request, repairs the
// media paths by scanning the mounted volumes.
class HTMLDBParser
{
public:
    HTMLDBParser();
    ~HTMLDBParser();

    // nFixPathsMode: 0 none, 1 single-file names, 2 DVD-folder names.
    // bFullParse also stores the fields only the detail views need.
    void parse(PallixString filename, int nFixPathsMode, MediaStore& store, bool bFullParse);
    // One record from the current position; always a new entry, owned by the caller.
    MediaEntry* parseEntry(FILE* pFile, bool bFullParse);

    // Where the volumes are mounted: "/tmp/Volumes" unless a test points elsewhere.
    static void setVolumesRoot(PallixString root);
    static PallixString getVolumesRoot();

private:
    bool isAllowedRating(MediaEntry* pEntry);
    // Hands one "<li>" line's key and value (nLength bytes) to the entry.
    void storeField(MediaEntry* pEntry, const char* key, const char* value, size_t nLength, bool bFullParse);

    void updatePaths(MediaStore& store, int mode);
    int updatePathsHelper(PallixString dir, MediaStore& store, int mode);
    void updateVTSFilename(MediaEntry* pEntry, PallixString dir);
    int getVTSNum(const char* entry);

    // Folders already scanned during one repair, by device and inode, so that a link
    // back up the tree cannot make the scan go round for ever.
    std::set<std::pair<unsigned long long, unsigned long long>> mVisitedDirs;

    static PallixString mVolumesRoot;
};
