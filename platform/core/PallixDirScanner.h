#pragma once

#include "PallixString.h"

#include <vector>

// Lists the bare names in a directory, sorted by bytes, never "." or "..".
// A path that is not a readable directory lists nothing.
class PallixDirScanner
{
public:
    explicit PallixDirScanner(const char* path);

    int GetNumEntries() const { return static_cast<int>(mEntries.size()); }
    PallixString GetEntry(int index) const;

private:
    std::vector<PallixString> mEntries;
};
