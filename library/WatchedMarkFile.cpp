#include "WatchedMarkFile.h"

#include "AtomicFile.h"
#include "FileUtils.h"

#include <cstdint>
#include <cstdio>
#include <memory>

namespace
{
constexpr size_t MARK_FILE_SIZE = 4;
} // namespace

PallixString WatchedMarkFile::getPath(const PallixString& moviePath)
{
    return moviePath + ".quorva.watched";
}

time_t WatchedMarkFile::read(const PallixString& moviePath)
{
    FileHandle file = FileUtils::openRegularFile(getPath(moviePath));
    if (!file)
        return 0;
    // One read of the whole file: a mark being replaced is read whole, old or new.
    unsigned char bytes[MARK_FILE_SIZE + 1];
    if (std::fread(bytes, 1, sizeof(bytes), file.get()) != MARK_FILE_SIZE)
        return 0;
    uint32_t when = 0;
    for (size_t i = MARK_FILE_SIZE; i-- > 0;)
        when = (when << 8) | bytes[i];
    return static_cast<time_t>(when);
}

bool WatchedMarkFile::write(const PallixString& moviePath, time_t when, PallixString& error)
{
    unsigned char bytes[MARK_FILE_SIZE];
    uint32_t value = static_cast<uint32_t>(static_cast<int64_t>(when));
    for (size_t i = 0; i < MARK_FILE_SIZE; ++i)
        bytes[i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
    AtomicFile file(getPath(moviePath));
    if (file.write(std::string_view(reinterpret_cast<const char*>(bytes), sizeof(bytes))) && file.commit())
        return true;
    error = file.getError();
    return false;
}
