#pragma once

#include "PallixString.h"

#include <string>
#include <string_view>
#include <sys/types.h>

// Replaces a file as a whole. What is written goes to a temporary file beside
// it, which takes the file's place only once it is complete and on the disk;
// until then, and whenever anything fails, the old file stays as it was. Used
// for every file that holds the viewer's data: stats files, exports and the
// scanned database.
class AtomicFile
{
public:
    // The calls that touch the disk. Tests put failing ones in their place to
    // see that a failure at any step leaves the old file whole.
    struct SystemCalls
    {
        int (*open)(const char* path, int flags, mode_t mode);
        ssize_t (*write)(int fd, const void* data, size_t size);
        int (*fdatasync)(int fd);
        int (*rename)(const char* from, const char* to);
    };
    static const SystemCalls REAL_CALLS;
    static void setSystemCalls(const SystemCalls& calls);

    // Opens the temporary file (path + ".tmp", created 0664 before the umask;
    // another name beside it while someone else is writing that one).
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
    // Why the file could not be written ("No space left on device"); empty until then.
    const PallixString& getError() const { return mError; }

private:
    // Picks the temporary file when path + ".tmp" is there already; false when
    // that is not a file.
    bool takeOtherTempPath();
    bool flushBuffer();
    void discard();
    void fail();

    PallixString mPath;
    PallixString mTempPath;
    int mFd;
    bool mbFailed;
    std::string mBuffer;
    PallixString mError;
};
