#pragma once

#include "FileHandle.h"
#include "PallixNewArray.h"
#include "PallixString.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string_view>

// Small file-system questions the library asks. Movie files are known by name
// alone: every container the player opens, by its extension in any letter case.
class FileUtils
{
public:
    // The extensions of movie files, in lower case; the scanner reads the same list.
    static constexpr std::array<std::string_view, 12> MOVIE_EXTENSIONS = {
        "mkv", "mp4", "m4v", "avi", "mpg", "mpeg", "vob", "ts", "m2ts", "webm", "mov", "wmv",
    };

    static bool fileExists(const PallixString& path);
    // Size in bytes; 0 when the status cannot be read (a missing file holds nothing).
    static uint64_t getFileLen(PallixString file);
    // A name of at least four characters ending in "." and a movie extension.
    static bool isMovieFile(PallixString fileName);
    static bool isVTSVob(PallixString fileName);
    // Bare name of the first movie file listed in dir, or empty.
    static PallixString getMovieFile(PallixString dir);
    static int getMediaFileCount(PallixString path);
    // Opens a regular file for reading; null for anything else (a folder, a FIFO
    // that would wait for a writer, a device) and for what cannot be opened.
    static FileHandle openRegularFile(const PallixString& path);
    // Appends, in listing order, without clearing destArray.
    static void getMediaFiles(PallixString path, PallixNewArray<PallixString>& destArray);
    // Appends the paths of the files a film is kept in, in playing order: the
    // first part itself, then each next part lying beside it, named exactly like
    // it but for the part number counting up (VTS_01_1.VOB, VTS_01_2.VOB ...;
    // "Film CD1.avi", "Film CD2.avi"; "part1", "pt 1", "Disc 1"; "Film A",
    // "Film B"), up to the first one missing. A film in one file is that file.
    static void getFilmParts(PallixString firstPart, PallixNewArray<PallixString>& destArray);
    // True when the movie files in dir are at most one film: none, one, or the
    // parts of one (CD1 and CD2). firstFile gets the first of them, or empty.
    static bool holdsOneFilm(PallixString dir, PallixString& firstFile);
    // The name of the part after this one ("Film CD2.avi" after "Film CD1.avi"),
    // empty for a name that carries no part mark.
    static PallixString getNextPartName(const PallixString& fileName);
};
