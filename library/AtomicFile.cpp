#include "AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace
{
// Small files go out in one write; large ones in pieces of this size.
constexpr size_t BUFFER_BYTES = 64 * 1024;

PallixString folderOf(const PallixString& path)
{
    int slash = path.ReverseFind('/');
    if (slash < 0)
        return PallixString(".");
    return slash == 0 ? PallixString("/") : path.Left(slash);
}
} // namespace

AtomicFile::AtomicFile(PallixString path) : mPath(std::move(path)), mFd(-1), mbFailed(false)
{
    mTempPath = mPath + ".tmp";
    // A temporary file left by an interrupted run is stale.
    ::unlink(mTempPath);
    mFd = ::open(mTempPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0664);
    mbFailed = mFd < 0;
}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::discard()
{
    if (mFd < 0)
        return;
    ::close(mFd);
    mFd = -1;
    ::unlink(mTempPath);
}

bool AtomicFile::write(std::string_view text)
{
    if (mbFailed)
        return false;
    mBuffer.append(text);
    if (mBuffer.size() >= BUFFER_BYTES)
        return flushBuffer();
    return true;
}

bool AtomicFile::flushBuffer()
{
    const char* pData = mBuffer.data();
    size_t nLeft = mBuffer.size();
    while (nLeft > 0 && !mbFailed)
    {
        ssize_t n = ::write(mFd, pData, nLeft);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            mbFailed = true;
        else
        {
            pData += n;
            nLeft -= static_cast<size_t>(n);
        }
    }
    mBuffer.clear();
    return !mbFailed;
}

bool AtomicFile::commit()
{
    if (mFd < 0)
        return false;
    // The data must be on the disk before the rename makes it the file: a power
    // cut must leave the old contents or the new ones, never an empty file.
    bool bOk = flushBuffer() && ::fdatasync(mFd) == 0;
    bOk = ::close(mFd) == 0 && bOk;
    mFd = -1;
    if (!bOk || ::rename(mTempPath, mPath) != 0)
    {
        ::unlink(mTempPath);
        return false;
    }
    // Make the rename itself durable.
    int dirFd = ::open(folderOf(mPath), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0)
    {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}
