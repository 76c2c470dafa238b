#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

// The tokens of the paired phones, in a text file only its owner may read (mode
// 0600): one line a device, the token first, then when and from where it was
// paired. Deleting a line unpairs that device, at once: the file is read again
// whenever it changes. Lines starting with '#' are comments. Not thread-safe:
// the server serialises it.
class PallixRemoteTokens
{
public:
    // A token is 128 random bits in hexadecimal.
    static constexpr size_t kTokenLength = 32;

    explicit PallixRemoteTokens(std::string path);

    const std::string& GetPath() const { return mPath; }
    // True when token belongs to a paired device.
    bool Contains(std::string_view token);
    // Pairs a device: a new token, written to the file (replaced whole, never
    // left half-written). Empty when the file cannot be written.
    std::string Add(std::string_view description);

private:
    void Reload();

    std::string mPath;
    std::vector<std::string> mTokens;
    // What the file was when it was last read.
    bool mbRead = false;
    ino_t mInode = 0;
    off_t mSize = -1;
    timespec mModified = {};
};
