#pragma once

#include "MediaEntry.h"

#include <string>

// A title made in memory as the database reader leaves one: its title (also its
// Original Title), and the genre, folder and file name that are given. The
// caller hands it to a store, which owns it from then on.
inline MediaEntry* newTestEntry(const std::string& title, const std::string& genre = "", const std::string& path = "",
                                const std::string& file = "")
{
    MediaEntry* pEntry = new MediaEntry();
    pEntry->setTitle(title.c_str());
    pEntry->setOriginalTitle(title.c_str());
    pEntry->setGenre(genre.c_str());
    pEntry->setPath(path.c_str());
    pEntry->setFilename(file.c_str());
    return pEntry;
}
