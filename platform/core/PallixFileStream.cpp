#include "PallixFileStream.h"

#include "PallixFile.h"

#include <algorithm>
#include <cstring>

PallixFileStream::~PallixFileStream()
{
    Close();
}

bool PallixFileStream::Open(PallixFile& file)
{
    return OpenPaths({file.GetResolvedPath().str()});
}

bool PallixFileStream::Open(const PallixNewArray<PallixString>& parts)
{
    std::vector<std::string> paths;
    for (const PallixString& part : parts)
        paths.push_back(PallixFile::ResolvePath(part).str());
    return OpenPaths(paths);
}

bool PallixFileStream::OpenPaths(const std::vector<std::string>& paths)
{
    Close();
    if (paths.empty() || !mFile.Open(paths))
        return false;
    mPath = paths.front().c_str();
    return true;
}

void PallixFileStream::Close()
{
    mFile.Close();
    mPosition = 0;
    mPath = PallixString();
    mAhead.reset();
    mAheadAt = 0;
}

uint32_t PallixFileStream::ReadBytes(uint32_t count, void* buffer)
{
    if (!mFile.IsOpen() || !buffer || count == 0)
        return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    uint32_t total = 0;
    if (mAhead && mPosition >= mAheadAt && mPosition < mAheadAt + mAhead->size())
    {
        const auto n = uint32_t(std::min<uint64_t>(count, mAheadAt + mAhead->size() - mPosition));
        std::memcpy(out, mAhead->data() + (mPosition - mAheadAt), n);
        total = n;
        mPosition += n;
        // Read past: the disk has the rest.
        if (mPosition >= mAheadAt + mAhead->size())
            mAhead.reset();
    }
    if (total < count)
    {
        const int64_t n = mFile.ReadAt(mPosition, out + total, count - total);
        if (n > 0)
        {
            total += uint32_t(n);
            mPosition += uint64_t(n);
        }
    }
    return total;
}

uint32_t PallixFileStream::SkipBytes(uint32_t count)
{
    if (!mFile.IsOpen() || mPosition >= mFile.GetSize())
        return 0;
    const auto n = uint32_t(std::min<uint64_t>(count, mFile.GetSize() - mPosition));
    mPosition += n;
    return n;
}

std::shared_ptr<const std::vector<uint8_t>> PallixFileStream::Peek(uint32_t count)
{
    auto bytes = std::make_shared<std::vector<uint8_t>>(count);
    const int64_t n = mFile.IsOpen() ? mFile.ReadAt(mPosition, bytes->data(), count) : 0;
    bytes->resize(n > 0 ? size_t(n) : 0);
    mAhead = bytes->empty() ? nullptr : bytes;
    mAheadAt = mPosition;
    return bytes;
}

void PallixFileStream::SeekToPosition(uint64_t offset)
{
    if (offset & (uint64_t(1) << 63))
        offset = 0;
    // The file may still be growing, so ask again before clamping.
    mFile.Refresh();
    const uint64_t size = mFile.GetSize();
    // At or past the end lands on the last byte, so that the next read still
    // delivers something and its reader sees the end reached, as when playback
    // gets there by itself.
    mPosition = offset >= size && size > 0 ? size - 1 : offset;
}
