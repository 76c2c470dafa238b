#pragma once

#include "PallixString.h"

#include <functional>
#include <string_view>
#include <vector>

// Lists the bare names in a directory, sorted by bytes, never "." or "..".
// A path that is not a readable directory lists nothing.
class PallixDirScanner
{
public:
    explicit PallixDirScanner(const char* path);

    int GetNumEntries() const { return static_cast<int>(mEntries.size()); }
    PallixString GetEntry(int index) const;

    // Hands every name of the directory to visit, in the order the file system keeps
    // them (not sorted), never "." or "..", without copying them: a caller that only
    // wants the smallest matching name need not build and sort the whole listing.
    // The views are valid only during the call. False when the path cannot be listed.
    static bool VisitNames(const char* path, const std::function<void(std::string_view)>& visit);

private:
    std::vector<PallixString> mEntries;
};
