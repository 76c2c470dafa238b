#include "AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace
{
// Small files go out in one write; large ones in pieces of this size.
constexpr size_t BUFFER_BYTES = 64 * 1024;

int openFile(const char* path, int flags, mode_t mode)
{
    return ::open(path, flags, mode);
}
} // namespace

const AtomicFile::SystemCalls AtomicFile::REAL_CALLS = {openFile, ::write, ::fdatasync, ::rename};

namespace
{
AtomicFile::SystemCalls gCalls = AtomicFile::REAL_CALLS;

PallixString folderOf(const PallixString& path)
{
    int slash = path.ReverseFind('/');
    if (slash < 0)
        return PallixString(".");
    return slash == 0 ? PallixString("/") : path.Left(slash);
}
} // namespace

void AtomicFile::setSystemCalls(const SystemCalls& calls)
{
    gCalls = calls;
}

AtomicFile::AtomicFile(PallixString path) : mPath(std::move(path)), mFd(-1), mbFailed(false)
{
    mTempPath = mPath + ".tmp";
    // A temporary file left by an interrupted run is stale.
    ::unlink(mTempPath);
    mFd = gCalls.open(mTempPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0664);
    if (mFd < 0)
        fail();
}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::fail()
{
    if (!mbFailed)
        mError = std::strerror(errno);
    mbFailed = true;
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
        ssize_t n = gCalls.write(mFd, pData, nLeft);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            if (n == 0)
                errno = ENOSPC;
            fail();
        }
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
    if (flushBuffer() && gCalls.fdatasync(mFd) != 0)
        fail();
    if (::close(mFd) != 0)
        fail();
    mFd = -1;
    if (!mbFailed && gCalls.rename(mTempPath, mPath) != 0)
        fail();
    if (mbFailed)
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
