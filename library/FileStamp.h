#pragma once

#include "PallixString.h"

#include <cstdint>

// What a file looked like at one moment: enough to tell that it has changed
// since (written, replaced, created or removed).
class FileStamp
{
public:
    FileStamp() = default;
    // The file's size and modification time now; a file that is not there has a
    // stamp of its own.
    static FileStamp of(const PallixString& path);

    bool operator==(const FileStamp& other) const = default;

private:
    int64_t mSize = -1;
    int64_t mModifiedNs = 0;
};
