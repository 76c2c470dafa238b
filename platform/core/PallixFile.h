#pragma once

#include "PallixString.h"

#include <cstdint>

// A file on disk, named by path. Artwork paths under the box's graphics folder
// that do not exist here are found in the platform's own artwork folder.
class PallixFile
{
public:
    explicit PallixFile(const char* path);
    ~PallixFile();
    PallixFile(const PallixFile&) = delete;
    PallixFile& operator=(const PallixFile&) = delete;

    // Only reading is supported; any mode holding 'r' opens for reading.
    bool Open(const char* mode);
    bool IsOpen() const { return mFd >= 0; }
    void Close();

    // Size of the file on disk, whether open or not; 0 when it cannot be examined.
    uint64_t GetFileSize() const;

    // The path as the system named it, and the path actually used on disk.
    const PallixString& GetPath() const { return mPath; }
    const PallixString& GetResolvedPath() const { return mResolvedPath; }

    // Where box artwork paths are looked up: PALLIX_GRAPHICS_DIR, or "graphics"
    // beside the executable, or for a program installed as <prefix>/bin/NAME
    // without one, <prefix>/share/NAME/graphics.
    static PallixString GetGraphicsDir();
    // The folder of the running program.
    static PallixString GetExecutableDir();
    static PallixString ResolvePath(const char* path);

private:
    PallixString mPath;
    PallixString mResolvedPath;
    int mFd = -1;
};
