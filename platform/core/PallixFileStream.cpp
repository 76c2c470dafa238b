#include "PallixFileStream.h"

#include "PallixFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

PallixFileStream::~PallixFileStream()
{
    Close();
}

bool PallixFileStream::Open(PallixFile& file)
{
    Close();
    mFd = ::open(file.GetResolvedPath(), O_RDONLY | O_CLOEXEC);
    if (mFd < 0)
        return false;
    struct stat64 st;
    mSize = ::fstat64(mFd, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    mPosition = 0;
    mPath = file.GetResolvedPath();
    return true;
}

void PallixFileStream::Close()
{
    if (mFd >= 0)
        ::close(mFd);
    mFd = -1;
    mPosition = 0;
    mSize = 0;
    mPath = PallixString();
}

uint32_t PallixFileStream::ReadBytes(uint32_t count, void* buffer)
{
    if (mFd < 0 || !buffer || count == 0)
        return 0;
    uint8_t* out = static_cast<uint8_t*>(buffer);
    uint32_t total = 0;
    while (total < count)
    {
        ssize_t n = ::pread64(mFd, out + total, count - total, static_cast<off64_t>(mPosition));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        total += static_cast<uint32_t>(n);
        mPosition += static_cast<uint64_t>(n);
    }
    return total;
}

void PallixFileStream::SeekToPosition(uint64_t offset)
{
    if (offset & (uint64_t(1) << 63))
        offset = 0;
    // The file may still be growing, so ask again before clamping.
    struct stat64 st;
    if (mFd >= 0 && ::fstat64(mFd, &st) == 0)
        mSize = static_cast<uint64_t>(st.st_size);
    // At or past the end lands on the last byte, so that the next read still
    // delivers something and its reader sees the end reached, as when playback
    // gets there by itself.
    mPosition = offset >= mSize && mSize > 0 ? mSize - 1 : offset;
}
