#include "PallixFile.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
constexpr const char* BOX_GRAPHICS_ROOT = "/usr/local/zembu/graphics/";

PallixString executablePath()
{
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0)
        return PallixString();
    buffer[n] = 0;
    return PallixString(buffer);
}

bool isDirectory(const PallixString& path)
{
    struct stat64 st;
    return ::stat64(path, &st) == 0 && S_ISDIR(st.st_mode);
}
} // namespace

PallixFile::PallixFile(const char* path) : mPath(path), mResolvedPath(ResolvePath(path)) {}

PallixFile::~PallixFile()
{
    Close();
}

bool PallixFile::Open(const char* mode)
{
    Close();
    if (!mode || !std::strchr(mode, 'r'))
        return false;
    mFd = ::open(mResolvedPath, O_RDONLY | O_CLOEXEC);
    return mFd >= 0;
}

void PallixFile::Close()
{
    if (mFd >= 0)
        ::close(mFd);
    mFd = -1;
}

uint64_t PallixFile::GetFileSize() const
{
    struct stat64 st;
    int rc = mFd >= 0 ? ::fstat64(mFd, &st) : ::stat64(mResolvedPath, &st);
    if (rc != 0)
        return 0;
    return static_cast<uint64_t>(st.st_size);
}

PallixString PallixFile::GetGraphicsDir()
{
    const char* env = std::getenv("PALLIX_GRAPHICS_DIR");
    if (env && *env)
        return PallixString(env);
    const PallixString besideIt = GetExecutableDir() + "/graphics";
    const PallixString program = executablePath();
    const int slash = program.ReverseFind('/');
    const PallixString installed = GetExecutableDir() + "/../share/" + program.Mid(slash + 1) + "/graphics";
    return !isDirectory(besideIt) && slash >= 0 && isDirectory(installed) ? installed : besideIt;
}

PallixString PallixFile::GetExecutableDir()
{
    const PallixString path = executablePath();
    if (path.GetLength() == 0)
        return PallixString(".");
    int slash = path.ReverseFind('/');
    return slash <= 0 ? PallixString("/") : path.Left(slash);
}

PallixString PallixFile::ResolvePath(const char* path)
{
    if (!path)
        return PallixString();
    const size_t rootLength = std::strlen(BOX_GRAPHICS_ROOT);
    if (std::strncmp(path, BOX_GRAPHICS_ROOT, rootLength) != 0)
        return PallixString(path);
    struct stat st;
    if (::stat(path, &st) == 0)
        return PallixString(path);
    return GetGraphicsDir() + "/" + (path + rootLength);
}
