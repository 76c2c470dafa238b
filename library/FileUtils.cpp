#include "FileUtils.h"

#include "PallixDirScanner.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
bool hasSuffix(const PallixString& name, const char* suffix)
{
    const int length = name.GetLength();
    const int suffixLength = static_cast<int>(std::strlen(suffix));
    return length >= suffixLength && std::strcmp(name.c_str() + length - suffixLength, suffix) == 0;
}
} // namespace

bool FileUtils::fileExists(const PallixString& path)
{
    struct stat64 st;
    return stat64(path, &st) == 0;
}

uint64_t FileUtils::getFileLen(PallixString file)
{
    struct stat64 st;
    if (stat64(file, &st) != 0)
        return 0;
    return static_cast<uint64_t>(st.st_size);
}

FILE* FileUtils::openRegularFile(const PallixString& path)
{
    // Not blocking, so that opening a FIFO does not wait for a writer.
    int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat64 st;
    if (::fstat64(fd, &st) != 0 || !S_ISREG(st.st_mode))
    {
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE* pFile = ::fdopen(fd, "r");
    if (!pFile)
        ::close(fd);
    return pFile;
}

bool FileUtils::isMovieFile(PallixString fileName)
{
    if (fileName.GetLength() < 4)
        return false;
    return hasSuffix(fileName, ".vob") || hasSuffix(fileName, ".mpg") || hasSuffix(fileName, ".VOB") ||
           hasSuffix(fileName, ".MPG");
}

bool FileUtils::isVTSVob(PallixString fileName)
{
    if (fileName.GetLength() < 4)
        return false;
    if (!hasSuffix(fileName, ".VOB") && !hasSuffix(fileName, ".vob"))
        return false;
    return std::strncmp(fileName, "VTS_", 4) == 0;
}

PallixString FileUtils::getMovieFile(PallixString dir)
{
    PallixDirScanner scanner(dir);
    for (int i = 0; i < scanner.GetNumEntries(); ++i)
    {
        PallixString name = scanner.GetEntry(i);
        if (isMovieFile(name))
            return name;
    }
    return PallixString();
}

int FileUtils::getMediaFileCount(PallixString path)
{
    PallixDirScanner scanner(path);
    int count = 0;
    for (int i = 0; i < scanner.GetNumEntries(); ++i)
        if (isMovieFile(scanner.GetEntry(i)))
            ++count;
    return count;
}

void FileUtils::getMediaFiles(PallixString path, PallixNewArray<PallixString>& destArray)
{
    PallixDirScanner scanner(path);
    for (int i = 0; i < scanner.GetNumEntries(); ++i)
    {
        PallixString name = scanner.GetEntry(i);
        if (isMovieFile(name))
            destArray.Append(name);
    }
}
