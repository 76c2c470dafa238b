#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The fuzzer's input as a file that readers open by name. The bytes live in
// memory (a memfd), so refilling the file for every input costs two calls and
// never touches a disk.
class FuzzFile
{
public:
    FuzzFile();
    ~FuzzFile();
    FuzzFile(const FuzzFile&) = delete;
    FuzzFile& operator=(const FuzzFile&) = delete;

    // Replaces the whole content.
    void write(const uint8_t* data, size_t size);
    // "/proc/self/fd/N": every open of it reads the current content from the start.
    const std::string& path() const { return mPath; }
    // A name in a private temporary folder that leads to this file, for readers
    // that are given a folder or add a suffix to the name they are given.
    // Returns the folder.
    std::string linkAs(const char* name);

private:
    int mFd = -1;
    std::string mPath;
    std::string mDir;
    std::string mLink;
};
