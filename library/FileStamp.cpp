#include "FileStamp.h"

#include <sys/stat.h>

FileStamp FileStamp::of(const PallixString& path)
{
    FileStamp stamp;
    struct stat64 st;
    if (::stat64(path, &st) != 0)
        return stamp;
    stamp.mSize = static_cast<int64_t>(st.st_size);
    stamp.mModifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return stamp;
}
