#include "QuorvaDatFile.h"

#include "AtomicFile.h"
#include "FileUtils.h"

#include <cstdint>
#include <cstdio>
#include <memory>

namespace
{
constexpr size_t STATS_FILE_SIZE = 16;

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
    FileHandle file = FileUtils::openRegularFile(mFilename);
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
    // Unsigned, so that the field lasts until 2106 rather than 2038.
    mLastViewedTime = static_cast<uint32_t>(value);
}

bool QuorvaDatFile::write()
{
    unsigned char bytes[STATS_FILE_SIZE];
    putLittleEndian(bytes, 8, mLastPosition);
    putLittleEndian(bytes + 8, 4, static_cast<uint32_t>(mZoomMode));
    putLittleEndian(bytes + 12, 4, mLastViewedTime);

    // The resume position must survive a power cut during the write: the old
    // file is replaced only by a complete new one.
    AtomicFile file(mFilename);
    if (file.write(std::string_view(reinterpret_cast<const char*>(bytes), sizeof(bytes))) && file.commit())
        return true;
    mWriteError = file.getError();
    return false;
}
