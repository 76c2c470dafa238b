#pragma once

#include "PallixString.h"

#include <string>
#include <string_view>

// Replaces a file as a whole. What is written goes to a temporary file beside
// it, which takes the file's place only once it is complete and on the disk;
// until then, and whenever anything fails, the old file stays as it was. Used
// for every file that holds the viewer's data: stats files, exports and the
// scanned database.
class AtomicFile
{
public:
    // Opens the temporary file (path + ".tmp", created 0664 before the umask).
    explicit AtomicFile(PallixString path);
    // A file that was not committed leaves nothing behind.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool isOpen() const { return mFd >= 0; }
    // False once anything could not be written; the commit then fails too.
    bool write(std::string_view text);
    // Puts the new contents in the file's place; false, with the old file
    // untouched, when the new contents could not all be written.
    bool commit();
    const PallixString& getPath() const { return mPath; }

private:
    bool flushBuffer();
    void discard();

    PallixString mPath;
    PallixString mTempPath;
    int mFd;
    bool mbFailed;
    std::string mBuffer;
};
