#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Files read as one: the parts of a film (a DVD's VTS_01_1.VOB, VTS_01_2.VOB ...)
// in one 64-bit byte space, each part following the one before. A read that
// crosses the end of a part goes on in the next. Reads may come from any thread.
class PallixJoinedFile
{
public:
    struct Part
    {
        std::string path;
        uint64_t offset = 0;
        uint64_t size = 0;
    };

    PallixJoinedFile() = default;
    ~PallixJoinedFile();
    PallixJoinedFile(const PallixJoinedFile&) = delete;
    PallixJoinedFile& operator=(const PallixJoinedFile&) = delete;

    // Opens every part; false, with errno telling why, when one cannot be opened
    // or is not a regular file.
    bool Open(const std::vector<std::string>& paths);
    bool IsOpen() const { return !mFds.empty(); }
    void Close();

    // Up to count bytes at offset; 0 at the end, -1 (errno set) on an error.
    int64_t ReadAt(uint64_t offset, void* buffer, uint64_t count) const;
    uint64_t GetSize() const { return mSize; }
    const std::vector<Part>& GetParts() const { return mParts; }
    // Asks the disk again for the sizes: a recording may still be growing.
    void Refresh();

private:
    std::vector<int> mFds;
    std::vector<Part> mParts;
    uint64_t mSize = 0;
};
