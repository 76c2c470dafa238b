#pragma once

#include "PallixAVTypes.h"
#include "PallixJoinedFile.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Reads a movie file for libavformat through descriptors of its own, seekable
// anywhere: containers that keep their index at the end (MP4) or in cues
// (Matroska) need that, and the reads never disturb the engine's own stream.
// Parts of a program stream (a DVD title set) can be read as one file.
class PallixSeekableReader
{
public:
    PallixSeekableReader() = default;
    ~PallixSeekableReader();
    PallixSeekableReader(const PallixSeekableReader&) = delete;
    PallixSeekableReader& operator=(const PallixSeekableReader&) = delete;

    // False when a file cannot be opened; the reason is then in errno.
    bool Open(const std::string& path);
    bool Open(const std::vector<std::string>& paths);
    void Close();
    // Bytes from offset on that were read already (ahead of the engine's
    // stream): reads there take them from memory rather than from the disk.
    void SetHead(std::shared_ptr<const std::vector<uint8_t>> bytes, uint64_t offset);
    // libavformat sees the file from offset on, as if it began there.
    void SetOrigin(uint64_t offset);

    // The I/O context for libavformat, null while closed.
    AVIOContext* GetIO() const { return mIO.get(); }
    uint64_t GetSize() const;
    // A read that failed for another reason than the end of the file, since Open.
    bool HadReadError() const { return mbReadError.load(); }

private:
    static int Read(void* opaque, uint8_t* buf, int size);
    static int64_t Seek(void* opaque, int64_t offset, int whence);

    PallixJoinedFile mFile;
    // Where libavformat's position 0 is in the file, and its position from there.
    uint64_t mOrigin = 0;
    uint64_t mPosition = 0;
    std::shared_ptr<const std::vector<uint8_t>> mHead;
    uint64_t mHeadAt = 0;
    std::atomic<bool> mbReadError{false};
    pallix_av::IOPtr mIO;
};
