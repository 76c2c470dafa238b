#include "PallixSeekableReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

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
    return Open(std::vector<std::string>{path});
}

bool PallixSeekableReader::Open(const std::vector<std::string>& paths)
{
    Close();
    if (!mFile.Open(paths))
        return false;
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
    mFile.Close();
    mOrigin = 0;
    mPosition = 0;
    mHead.reset();
    mHeadAt = 0;
}

void PallixSeekableReader::SetHead(std::shared_ptr<const std::vector<uint8_t>> bytes, uint64_t offset)
{
    mHead = std::move(bytes);
    mHeadAt = offset;
}

void PallixSeekableReader::SetOrigin(uint64_t offset)
{
    mOrigin = offset;
    mPosition = 0;
}

uint64_t PallixSeekableReader::GetSize() const
{
    return mFile.GetSize() > mOrigin ? mFile.GetSize() - mOrigin : 0;
}

int PallixSeekableReader::Read(void* opaque, uint8_t* buf, int size)
{
    auto* self = static_cast<PallixSeekableReader*>(opaque);
    const std::vector<uint8_t>* pHead = self->mHead.get();
    const uint64_t at = self->mOrigin + self->mPosition;
    if (pHead && at >= self->mHeadAt && at < self->mHeadAt + pHead->size())
    {
        const size_t from = size_t(at - self->mHeadAt);
        const size_t n = std::min(size_t(size), pHead->size() - from);
        std::memcpy(buf, pHead->data() + from, n);
        self->mPosition += n;
        return int(n);
    }
    const int64_t n = self->mFile.ReadAt(at, buf, uint64_t(size));
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

int64_t PallixSeekableReader::Seek(void* opaque, int64_t offset, int whence)
{
    auto* self = static_cast<PallixSeekableReader*>(opaque);
    const int how = whence & ~AVSEEK_FORCE;
    if (how == AVSEEK_SIZE)
        return int64_t(self->GetSize());
    int64_t target = offset;
    if (how == SEEK_CUR)
        target += int64_t(self->mPosition);
    else if (how == SEEK_END)
        target += int64_t(self->GetSize());
    else if (how != SEEK_SET)
        return AVERROR(EINVAL);
    if (target < 0)
        return AVERROR(EINVAL);
    self->mPosition = uint64_t(target);
    return target;
}
