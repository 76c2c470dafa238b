#pragma once

#include "PallixString.h"

#include <climits>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

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
    // Databases larger than this are read in pieces of about this size, in parallel;
    // tests make it small.
    static void setPieceBytes(long long nBytes);
    static long long getPieceBytes();

private:
    // A stretch of the database read on its own thread: the records that open before
    // nEnd, starting at nStart as if a record had just ended there.
    struct Piece
    {
        long long nStart = 0;
        long long nEnd = LLONG_MAX;
        // Where reading stopped: the end of the last record read, at or after nEnd.
        long long nReached = 0;
        bool bRead = false;
        // The accepted records, owned until they are handed to the store.
        std::vector<MediaEntry*> entries;
    };

    std::vector<Piece> splitIntoPieces(FILE* pFile, bool bFullParse);
    void parsePiece(const PallixString& filename, Piece& piece, bool bFullParse);
    // Reads records from the current position until one ends at or after nEnd (or the
    // file ends), handing over those that pass the checks; returns where it stopped.
    long long parseRecords(FILE* pFile, long long nEnd, bool bFullParse,
                           const std::function<void(MediaEntry*)>& accept);
    bool isAllowedRating(MediaEntry* pEntry);
    // Hands one "<li>" line's key and value (nLength bytes) to the entry.
    void storeField(MediaEntry* pEntry, const char* key, const char* value, size_t nLength, bool bFullParse);

    // Path repair, in a room of its own (PathRepair).
    void updatePaths(MediaStore& store, int mode);

    static PallixString mVolumesRoot;
    static long long mPieceBytes;
};
