#pragma once

#include "PallixString.h"

#include <ctime>

// The watched mark of a movie file, in a small file beside its stats file
// (the movie's name + ".quorva.watched"), so that the 16-byte stats file stays
// as every reader knows it. Four little-endian bytes: when the file was marked
// watched, in unsigned seconds since 1970; 0 once it was marked unwatched. No
// file, or one of another size, means not watched.
class WatchedMarkFile
{
public:
    // The mark file of a movie file.
    static PallixString getPath(const PallixString& moviePath);
    // When the movie was marked watched; 0 when it is not.
    static time_t read(const PallixString& moviePath);
    // Replaces the mark as a whole (0: not watched); false, with the reason in
    // error, when it cannot be written, the old mark then left as it was.
    static bool write(const PallixString& moviePath, time_t when, PallixString& error);
};
