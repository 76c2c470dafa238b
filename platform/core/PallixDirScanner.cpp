#include "PallixDirScanner.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <memory>

namespace
{
struct DirCloser
{
    void operator()(DIR* dir) const { closedir(dir); }
};
} // namespace

PallixDirScanner::PallixDirScanner(const char* path)
{
    if (!path)
        return;
    std::unique_ptr<DIR, DirCloser> dir(opendir(path));
    if (!dir)
        return;
    while (const dirent* pEntry = readdir(dir.get()))
    {
        if (std::strcmp(pEntry->d_name, ".") == 0 || std::strcmp(pEntry->d_name, "..") == 0)
            continue;
        mEntries.emplace_back(pEntry->d_name);
    }
    std::sort(mEntries.begin(), mEntries.end());
}

PallixString PallixDirScanner::GetEntry(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= mEntries.size())
        return PallixString();
    return mEntries[static_cast<size_t>(index)];
}
