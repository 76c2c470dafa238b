#pragma once

#include "PallixAVTypes.h"

#include <atomic>
#include <cstdint>
#include <string>

// Reads a movie file for libavformat through a descriptor of its own, seekable
// anywhere: containers that keep their index at the end (MP4) or in cues
// (Matroska) need that, and the reads never disturb the engine's own stream.
class PallixSeekableReader
{
public:
    PallixSeekableReader() = default;
    ~PallixSeekableReader();
    PallixSeekableReader(const PallixSeekableReader&) = delete;
    PallixSeekableReader& operator=(const PallixSeekableReader&) = delete;

    // False when the file cannot be opened; the reason is then in errno.
    bool Open(const std::string& path);
    void Close();

    // The I/O context for libavformat, null while closed.
    AVIOContext* GetIO() const { return mIO.get(); }
    uint64_t GetSize() const { return mSize; }
    // A read that failed for another reason than the end of the file, since Open.
    bool HadReadError() const { return mbReadError.load(); }

private:
    static int Read(void* opaque, uint8_t* buf, int size);
    static int64_t Seek(void* opaque, int64_t offset, int whence);

    int mFd = -1;
    uint64_t mSize = 0;
    uint64_t mPosition = 0;
    std::atomic<bool> mbReadError{false};
    pallix_av::IOPtr mIO;
};
