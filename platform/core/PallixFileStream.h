#pragma once

#include "PallixJoinedFile.h"
#include "PallixNewArray.h"
#include "PallixString.h"

#include <cstdint>
#include <memory>
#include <vector>

class PallixFile;

// Sequential reads from a file with an explicit unsigned 64-bit position. A film
// kept in several files (a DVD title set, CD1 and CD2) is one stream over its
// parts in order, named by its first part.
class PallixFileStream
{
public:
    PallixFileStream() = default;
    ~PallixFileStream();
    PallixFileStream(const PallixFileStream&) = delete;
    PallixFileStream& operator=(const PallixFileStream&) = delete;

    bool Open(PallixFile& file);
    // The parts in playing order; false when one of them cannot be opened.
    bool Open(const PallixNewArray<PallixString>& parts);
    bool IsOpen() const { return mFile.IsOpen(); }
    void Close();

    // Bytes read into buffer; 0 at the end of the file or on error.
    uint32_t ReadBytes(uint32_t count, void* buffer);
    // Moves on by up to count bytes without reading them, for a movie that
    // another reader reads while this stream keeps its place; how far it moved.
    uint32_t SkipBytes(uint32_t count);
    // Up to count bytes from the position, read without moving it and kept: the
    // reads that follow take them from memory, so that the analysis of a movie
    // and its playback read its first bytes from the disk once.
    std::shared_ptr<const std::vector<uint8_t>> Peek(uint32_t count);
    uint64_t GetPosition() const { return mPosition; }
    uint64_t GetSize() const { return mFile.GetSize(); }
    // The file on disk the stream reads (a film's first part), empty while closed.
    const PallixString& GetPath() const { return mPath; }
    // The files read, in order, each with its place in the stream.
    const std::vector<PallixJoinedFile::Part>& GetParts() const { return mFile.GetParts(); }

    // A position with the top bit set is a backwards jump that went below the
    // start: it lands on 0. A position at or past the end lands on the last byte,
    // so the next read delivers it and reaches the end of the file.
    void SeekToPosition(uint64_t offset);

private:
    bool OpenPaths(const std::vector<std::string>& paths);

    PallixJoinedFile mFile;
    uint64_t mPosition = 0;
    PallixString mPath;
    // What Peek read, from mAheadAt on.
    std::shared_ptr<const std::vector<uint8_t>> mAhead;
    uint64_t mAheadAt = 0;
};
