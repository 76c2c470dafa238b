#include "QuorvaDatFile.h"

#include "FileUtils.h"

#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace
{
constexpr size_t STATS_FILE_SIZE = 16;

struct FileCloser
{
    void operator()(FILE* pFile) const { std::fclose(pFile); }
};

// Reads exactly size bytes as a little-endian number; false when the file ends first,
// so that a field cut short keeps its default instead of a half-read value.
bool readLittleEndian(FILE* pFile, size_t size, uint64_t& value)
{
    unsigned char bytes[8];
    if (std::fread(bytes, 1, size, pFile) != size)
        return false;
    value = 0;
    for (size_t i = size; i-- > 0;)
        value = (value << 8) | bytes[i];
    return true;
}

void putLittleEndian(unsigned char* pOut, size_t size, uint64_t value)
{
    for (size_t i = 0; i < size; ++i)
    {
        pOut[i] = static_cast<unsigned char>(value & 0xFF);
        value >>= 8;
    }
}

bool writeAll(int fd, const unsigned char* pData, size_t size)
{
    while (size > 0)
    {
        ssize_t n = ::write(fd, pData, size);
        if (n < 0)
            return false;
        pData += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

PallixString folderOf(const PallixString& path)
{
    int slash = path.ReverseFind('/');
    if (slash < 0)
        return PallixString(".");
    return slash == 0 ? PallixString("/") : path.Left(slash);
}
} // namespace

QuorvaDatFile::QuorvaDatFile(PallixString path)
    : mFilename(path + ".quorva"), mLastPosition(0), mZoomMode(-1), mLastViewedTime(0)
{
    read();
}

QuorvaDatFile::~QuorvaDatFile() = default;

void QuorvaDatFile::read()
{
    if (!FileUtils::fileExists(mFilename))
        return;
    std::unique_ptr<FILE, FileCloser> file(std::fopen(mFilename, "rb"));
    if (!file)
        return;

    uint64_t value = 0;
    if (!readLittleEndian(file.get(), 8, value))
        return;
    mLastPosition = value;
    if (!readLittleEndian(file.get(), 4, value))
        return;
    mZoomMode = static_cast<int32_t>(static_cast<uint32_t>(value));
    if (!readLittleEndian(file.get(), 4, value))
        return;
    mLastViewedTime = static_cast<time_t>(static_cast<int32_t>(static_cast<uint32_t>(value)));
}

void QuorvaDatFile::write()
{
    unsigned char bytes[STATS_FILE_SIZE];
    putLittleEndian(bytes, 8, mLastPosition);
    putLittleEndian(bytes + 8, 4, static_cast<uint32_t>(mZoomMode));
    putLittleEndian(bytes + 12, 4, static_cast<uint32_t>(static_cast<int64_t>(mLastViewedTime)));

    // The resume position must survive a power cut during the write: the new
    // contents go to a temporary file in the same folder, which then replaces the
    // old file in one rename. Until the rename the old file is untouched.
    PallixString tempName = mFilename + ".tmp";
    ::unlink(tempName);
    int fd = ::open(tempName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0664);
    if (fd < 0)
        return;
    bool bWritten = writeAll(fd, bytes, sizeof(bytes)) && ::fsync(fd) == 0;
    bWritten = ::close(fd) == 0 && bWritten;
    if (!bWritten || ::rename(tempName, mFilename) != 0)
    {
        ::unlink(tempName);
        return;
    }

    // Make the rename itself durable.
    int dirFd = ::open(folderOf(mFilename), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0)
    {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}
