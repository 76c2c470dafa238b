#include "PallixRemoteTokens.h"

#include "PallixSecret.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
bool isHexToken(std::string_view word)
{
    if (word.size() != PallixRemoteTokens::kTokenLength)
        return false;
    for (char c : word)
    {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}


// Keeps a description to one line of printable characters.
std::string oneLine(std::string_view text)
{
    std::string line;
    for (char c : text.substr(0, 120))
        line += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? ' ' : c;
    return line;
}

bool writeAll(int fd, const std::string& text)
{
    size_t nDone = 0;
    while (nDone < text.size())
    {
        ssize_t n = ::write(fd, text.data() + nDone, text.size() - nDone);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        nDone += static_cast<size_t>(n);
    }
    return true;
}
} // namespace

PallixRemoteTokens::PallixRemoteTokens(std::string path) : mPath(std::move(path)) {}

void PallixRemoteTokens::Reload()
{
    struct stat info = {};
    if (::stat(mPath.c_str(), &info) != 0)
    {
        mTokens.clear();
        mbRead = false;
        return;
    }
    if (mbRead && info.st_ino == mInode && info.st_size == mSize && info.st_mtim.tv_sec == mModified.tv_sec &&
        info.st_mtim.tv_nsec == mModified.tv_nsec)
        return;
    mTokens.clear();
    std::ifstream file(mPath);
    std::string line;
    while (std::getline(file, line))
    {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        std::string word;
        if (words >> word && isHexToken(word))
            mTokens.push_back(word);
    }
    mbRead = true;
    mInode = info.st_ino;
    mSize = info.st_size;
    mModified = info.st_mtim;
}

bool PallixRemoteTokens::Contains(std::string_view token)
{
    if (!isHexToken(token))
        return false;
    Reload();
    bool bFound = false;
    for (const std::string& known : mTokens)
        bFound |= PallixSecret::Equal(known, token);
    return bFound;
}

std::string PallixRemoteTokens::Add(std::string_view description)
{
    std::string text;
    {
        std::ifstream file(mPath);
        if (file)
        {
            std::ostringstream content;
            content << file.rdbuf();
            text = content.str();
        }
    }
    if (text.empty())
        text = "# Phones paired with the remote page. Delete a line to unpair its phone.\n";
    else if (text.back() != '\n')
        text += '\n';

    const std::string token = PallixSecret::Hex(kTokenLength / 2);
    char when[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    if (::localtime_r(&now, &local))
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
    text += token + " paired " + when + " " + oneLine(description) + "\n";

    const std::string temporary = mPath + ".tmp";
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return std::string();
    // The mode asked for at creation is narrowed by the umask, never widened;
    // an old file left beside is narrowed here.
    bool bWritten = ::fchmod(fd, 0600) == 0 && writeAll(fd, text) && ::fsync(fd) == 0;
    bWritten = ::close(fd) == 0 && bWritten;
    if (!bWritten || ::rename(temporary.c_str(), mPath.c_str()) != 0)
    {
        ::unlink(temporary.c_str());
        return std::string();
    }
    mbRead = false;
    return token;
}
