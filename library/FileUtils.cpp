#include "FileUtils.h"

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
// The words that mark a part when a number follows them: "CD1", "Part 2", "pt.3", "Disc 1".
constexpr std::array<std::string_view, 5> PART_WORDS = {"part", "disc", "disk", "cd", "pt"};

bool hasSuffix(const PallixString& name, const char* suffix)
{
    const int length = name.GetLength();
    const int suffixLength = static_cast<int>(std::strlen(suffix));
    return length >= suffixLength && std::strcmp(name.c_str() + length - suffixLength, suffix) == 0;
}

bool isSeparator(char c)
{
    return c == ' ' || c == '.' || c == '_' || c == '-';
}

bool startsWithFolded(const std::string& text, size_t at, std::string_view word)
{
    if (text.size() < at + word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[at + i])) != word[i])
            return false;
    return true;
}

// The number counted up, as wide as it was: "09" gives "10", "1" gives "2".
std::string countedUp(const std::string& digits)
{
    std::string next = std::to_string(std::stoi(digits) + 1);
    return next.size() < digits.size() ? std::string(digits.size() - next.size(), '0') + next : next;
}

// "VTS_01_3": the part number of a DVD title set, found as [start, start + length).
bool findTitleSetPart(const std::string& stem, size_t& start, size_t& length)
{
    if (stem.size() < 8 || stem.size() > 9 || !startsWithFolded(stem, 0, "vts_") || !std::isdigit(stem[4]) ||
        !std::isdigit(stem[5]) || stem[6] != '_')
        return false;
    start = 7;
    length = stem.size() - 7;
    return std::all_of(stem.begin() + 7, stem.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// The last "CD1", "part 2", "pt.3" or "Disc 1" in the name: a part word standing
// alone, up to one separator, then the number, which ends the word.
bool findNumberedPart(const std::string& stem, size_t& start, size_t& length)
{
    bool bFound = false;
    for (size_t i = 0; i < stem.size(); ++i)
    {
        if (i > 0 && std::isalpha(static_cast<unsigned char>(stem[i - 1])))
            continue;
        for (std::string_view word : PART_WORDS)
        {
            if (!startsWithFolded(stem, i, word))
                continue;
            size_t digits = i + word.size();
            if (digits < stem.size() && isSeparator(stem[digits]))
                ++digits;
            size_t end = digits;
            while (end < stem.size() && end - digits < 3 && std::isdigit(static_cast<unsigned char>(stem[end])))
                ++end;
            if (end > digits && (end == stem.size() || !std::isalnum(static_cast<unsigned char>(stem[end]))))
            {
                start = digits;
                length = end - digits;
                bFound = true;
            }
            break;
        }
    }
    return bFound;
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
    const std::string name = fileName.str();
    const size_t dot = name.rfind('.');
    if (name.size() < 4 || dot == std::string::npos)
        return false;
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
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
    const std::string name = fileName.str();
    const size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    size_t start = 0;
    size_t length = 0;
    if (findTitleSetPart(stem, start, length) || findNumberedPart(stem, start, length))
        return PallixString(stem.substr(0, start) + countedUp(stem.substr(start, length)) +
                            stem.substr(start + length) + extension);
    // "Film A", "Film.b": a letter standing alone at the end, after the film's name.
    const size_t last = stem.size() - 1;
    if (stem.size() >= 3 && isSeparator(stem[last - 1]) && std::isalpha(static_cast<unsigned char>(stem[last])) &&
        std::tolower(static_cast<unsigned char>(stem[last])) != 'z')
        return PallixString(stem.substr(0, last) + static_cast<char>(stem[last] + 1) + extension);
    return PallixString();
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
