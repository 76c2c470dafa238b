#pragma once

#include "PallixNewArray.h"
#include "PallixString.h"

#include <cstdint>
#include <cstdio>

// Small file-system questions the library asks. Movie files are known by name
// alone: ".vob", ".mpg", ".VOB" or ".MPG" exactly.
class FileUtils
{
public:
    static bool fileExists(const PallixString& path);
    // Size in bytes; 0 when the status cannot be read (a missing file holds nothing).
    static uint64_t getFileLen(PallixString file);
    static bool isMovieFile(PallixString fileName);
    static bool isVTSVob(PallixString fileName);
    // Bare name of the first movie file listed in dir, or empty.
    static PallixString getMovieFile(PallixString dir);
    static int getMediaFileCount(PallixString path);
    // Opens a regular file for reading; null for anything else (a folder, a FIFO
    // that would wait for a writer, a device) and for what cannot be opened.
    static FILE* openRegularFile(const PallixString& path);
    // Appends, in listing order, without clearing destArray.
    static void getMediaFiles(PallixString path, PallixNewArray<PallixString>& destArray);
};
