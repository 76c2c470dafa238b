#include "PallixJoinedFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

PallixJoinedFile::~PallixJoinedFile()
{
    Close();
}

bool PallixJoinedFile::Open(const std::vector<std::string>& paths)
{
    Close();
    for (const std::string& path : paths)
    {
        errno = 0;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat64 st;
        if (fd < 0 || ::fstat64(fd, &st) != 0 || !S_ISREG(st.st_mode))
        {
            // Open and status succeed on a folder or a FIFO, which are no parts.
            const int error = errno != 0 ? errno : EISDIR;
            if (fd >= 0)
                ::close(fd);
            Close();
            errno = error;
            return false;
        }
        mFds.push_back(fd);
        mParts.push_back(Part{path, mSize, uint64_t(st.st_size)});
        mSize += uint64_t(st.st_size);
    }
    if (mFds.empty())
    {
        errno = ENOENT;
        return false;
    }
    return true;
}

void PallixJoinedFile::Close()
{
    for (int fd : mFds)
        ::close(fd);
    mFds.clear();
    mParts.clear();
    mSize = 0;
}

int64_t PallixJoinedFile::ReadAt(uint64_t offset, void* buffer, uint64_t count) const
{
    auto* out = static_cast<unsigned char*>(buffer);
    uint64_t total = 0;
    // The part holding the offset: the last one starting at or before it.
    auto part = std::upper_bound(mParts.begin(), mParts.end(), offset,
                                 [](uint64_t at, const Part& p) { return at < p.offset; });
    size_t index = part == mParts.begin() ? 0 : size_t(part - mParts.begin()) - 1;
    while (total < count && index < mParts.size())
    {
        const Part& p = mParts[index];
        const uint64_t at = offset + total;
        // The last part may still be growing (a recording): it is read as far as it goes.
        const bool bLast = index + 1 == mParts.size();
        if (!bLast && at >= p.offset + p.size)
        {
            ++index;
            continue;
        }
        const uint64_t want = bLast ? count - total : std::min(count - total, p.offset + p.size - at);
        const ssize_t n = ::pread64(mFds[index], out + total, size_t(want), off64_t(at - p.offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return total > 0 ? int64_t(total) : -1;
        // A part cut short under playback ends the film there.
        if (n == 0)
            break;
        total += uint64_t(n);
    }
    return int64_t(total);
}

void PallixJoinedFile::Refresh()
{
    uint64_t offset = 0;
    for (size_t i = 0; i < mParts.size(); ++i)
    {
        struct stat64 st;
        if (::fstat64(mFds[i], &st) == 0)
            mParts[i].size = uint64_t(st.st_size);
        mParts[i].offset = offset;
        offset += mParts[i].size;
    }
    mSize = offset;
}
