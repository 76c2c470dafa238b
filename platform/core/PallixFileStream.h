#pragma once

#include "PallixString.h"

#include <cstdint>

class PallixFile;

// Sequential reads from a file with an explicit unsigned 64-bit position.
class PallixFileStream
{
public:
    PallixFileStream() = default;
    ~PallixFileStream();
    PallixFileStream(const PallixFileStream&) = delete;
    PallixFileStream& operator=(const PallixFileStream&) = delete;

    bool Open(PallixFile& file);
    bool IsOpen() const { return mFd >= 0; }
    void Close();

    // Bytes read into buffer; 0 at the end of the file or on error.
    uint32_t ReadBytes(uint32_t count, void* buffer);
    uint64_t GetPosition() const { return mPosition; }
    uint64_t GetSize() const { return mSize; }
    // The file on disk the stream reads, empty while closed.
    const PallixString& GetPath() const { return mPath; }

    // A position with the top bit set is a backwards jump that went below the
    // start: it lands on 0. A position at or past the end lands on the last byte,
    // so the next read delivers it and reaches the end of the file.
    void SeekToPosition(uint64_t offset);

private:
    int mFd = -1;
    uint64_t mPosition = 0;
    uint64_t mSize = 0;
    PallixString mPath;
};
