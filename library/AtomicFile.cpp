#include "AtomicFile.h"

#include <cerrno>
#include <ctime>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// Small files go out in one write; large ones in pieces of this size.
constexpr size_t BUFFER_BYTES = 64 * 1024;
// A temporary file this old belongs to no write still going on.
constexpr time_t STALE_TEMP_SECONDS = 600;

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
    mFd = gCalls.open(mTempPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0664);
    if (mFd < 0 && errno == EEXIST && takeOtherTempPath())
        mFd = gCalls.open(mTempPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0664);
    if (mFd < 0)
        fail();
}

// Another box on the same shared folder may be writing the same file at this
// moment: its temporary file must not be taken from under it, or its rename
// would put a half-written file in place. One left by an interrupted run is
// stale once it is older than any write takes, and goes.
bool AtomicFile::takeOtherTempPath()
{
    struct stat st;
    if (::lstat(mTempPath, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (std::time(nullptr) - st.st_mtime > STALE_TEMP_SECONDS)
    {
        ::unlink(mTempPath);
        return true;
    }
    // Other boxes may run under the same process id: a random part tells them apart.
    mTempPath = mPath + "." + PallixString(std::to_string(::getpid())) + "-" +
                PallixString(std::to_string(std::random_device()())) + ".tmp";
    return true;
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
