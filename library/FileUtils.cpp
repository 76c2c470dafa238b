#include "FileUtils.h"

#include "FilmParts.h"
#include "PallixDirScanner.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// A film is cut into a few parts; more than this is not a film in parts.
constexpr int MAX_PARTS = 99;

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

FileHandle FileUtils::openRegularFile(const PallixString& path)
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
    FileHandle file(::fdopen(fd, "r"));
    if (!file)
        ::close(fd);
    return file;
}

bool FileUtils::isMovieFile(PallixString fileName)
{
    const std::string name = fileName.str();
    const size_t dot = name.rfind('.');
    if (name.size() < 4 || dot == std::string::npos)
        return false;
    const std::string extension = PallixString::LowerAscii(name.substr(dot + 1));
    return std::find(MOVIE_EXTENSIONS.begin(), MOVIE_EXTENSIONS.end(), extension) != MOVIE_EXTENSIONS.end();
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

PallixString FileUtils::getNextPartName(const PallixString& fileName)
{
    return PallixString(FilmParts::nextName(fileName.str()));
}

void FileUtils::getFilmParts(PallixString firstPart, PallixNewArray<PallixString>& destArray)
{
    destArray.Append(firstPart);
    const int slash = firstPart.ReverseFind('/');
    const PallixString folder = slash >= 0 ? firstPart.Left(slash + 1) : PallixString();
    PallixString name = firstPart.Mid(slash + 1);
    for (int nPart = 1; nPart < MAX_PARTS; ++nPart)
    {
        name = getNextPartName(name);
        struct stat64 st;
        if (name.IsEmpty() || stat64(folder + name, &st) != 0 || !S_ISREG(st.st_mode))
            return;
        destArray.Append(folder + name);
    }
}

bool FileUtils::holdsOneFilm(PallixString dir, PallixString& firstFile)
{
    PallixNewArray<PallixString> files;
    getMediaFiles(dir, files);
    firstFile = files.GetSize() > 0 ? files[0] : PallixString();
    if (files.GetSize() < 2)
        return true;
    PallixNewArray<PallixString> parts;
    getFilmParts(dir + "/" + firstFile, parts);
    return parts.GetSize() == files.GetSize();
}
