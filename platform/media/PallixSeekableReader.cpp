#include "PallixSeekableReader.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
constexpr int IO_BUFFER = 64 * 1024;
} // namespace

PallixSeekableReader::~PallixSeekableReader()
{
    Close();
}

bool PallixSeekableReader::Open(const std::string& path)
{
    Close();
    mFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (mFd < 0)
        return false;
    struct stat64 st;
    if (::fstat64(mFd, &st) != 0 || !S_ISREG(st.st_mode))
    {
        const int error = errno == 0 ? EISDIR : errno;
        Close();
        errno = error;
        return false;
    }
    mSize = uint64_t(st.st_size);
    mPosition = 0;
    mbReadError = false;
    pallix_av::BufferPtr buffer(static_cast<unsigned char*>(av_malloc(IO_BUFFER)));
    if (buffer)
        mIO.reset(avio_alloc_context(buffer.get(), IO_BUFFER, 0, this, &PallixSeekableReader::Read, nullptr,
                                     &PallixSeekableReader::Seek));
    if (!mIO)
    {
        Close();
        errno = ENOMEM;
        return false;
    }
    buffer.release();
    return true;
}

void PallixSeekableReader::Close()
{
    mIO.reset();
    if (mFd >= 0)
        ::close(mFd);
    mFd = -1;
    mSize = 0;
    mPosition = 0;
}

int PallixSeekableReader::Read(void* opaque, uint8_t* buf, int size)
{
    auto* self = static_cast<PallixSeekableReader*>(opaque);
    for (;;)
    {
        const ssize_t n = ::pread64(self->mFd, buf, size_t(size), off64_t(self->mPosition));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
        {
            self->mbReadError = true;
            return AVERROR(EIO);
        }
        if (n == 0)
            return AVERROR_EOF;
        self->mPosition += uint64_t(n);
        return int(n);
    }
}

int64_t PallixSeekableReader::Seek(void* opaque, int64_t offset, int whence)
{
    auto* self = static_cast<PallixSeekableReader*>(opaque);
    const int how = whence & ~AVSEEK_FORCE;
    if (how == AVSEEK_SIZE)
        return int64_t(self->mSize);
    int64_t target = offset;
    if (how == SEEK_CUR)
        target += int64_t(self->mPosition);
    else if (how == SEEK_END)
        target += int64_t(self->mSize);
    else if (how != SEEK_SET)
        return AVERROR(EINVAL);
    if (target < 0)
        return AVERROR(EINVAL);
    self->mPosition = uint64_t(target);
    return target;
}
