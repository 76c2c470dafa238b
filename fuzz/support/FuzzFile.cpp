#include "FuzzFile.h"

#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

FuzzFile::FuzzFile()
{
    mFd = ::memfd_create("quorva-fuzz", MFD_CLOEXEC);
    if (mFd < 0)
    {
        std::perror("memfd_create");
        std::abort();
    }
    mPath = "/proc/self/fd/" + std::to_string(mFd);
}

FuzzFile::~FuzzFile()
{
    if (!mLink.empty())
        ::unlink(mLink.c_str());
    if (!mDir.empty())
        ::rmdir(mDir.c_str());
    ::close(mFd);
}

void FuzzFile::write(const uint8_t* data, size_t size)
{
    // A short write would fuzz a different input than the one libFuzzer saves.
    if (::ftruncate(mFd, 0) != 0 ||
        (size > 0 && ::pwrite(mFd, data, size, 0) != static_cast<ssize_t>(size)))
    {
        std::perror("writing the fuzz input");
        std::abort();
    }
}

std::string FuzzFile::linkAs(const char* name)
{
    if (mDir.empty())
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorva-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data()))
        {
            std::perror("mkdtemp");
            std::abort();
        }
        mDir = pattern;
    }
    if (!mLink.empty())
        ::unlink(mLink.c_str());
    mLink = mDir + "/" + name;
    if (::symlink(mPath.c_str(), mLink.c_str()) != 0)
    {
        std::perror("symlink");
        std::abort();
    }
    return mDir;
}
