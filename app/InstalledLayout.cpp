#include "InstalledLayout.h"

#include "FileUtils.h"
#include "PallixFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>

namespace
{
// Makes each missing folder of an absolute path; true when the path is a folder then.
bool makeFolders(const PallixString& path)
{
    for (int i = 1; i <= path.GetLength(); ++i)
    {
        if (i < path.GetLength() && path[i] != '/')
            continue;
        PallixString part = path.Left(i);
        if (::mkdir(part, 0755) != 0 && errno != EEXIST)
            return false;
    }
    struct stat64 st;
    return ::stat64(path, &st) == 0 && S_ISDIR(st.st_mode);
}

PallixString fromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? PallixString(value) : PallixString();
}
} // namespace

bool InstalledLayout::isInstalled()
{
    static const bool bInstalled = [] {
        PallixString images = PallixFile::GetExecutableDir() + "/images";
        PallixString shared = getShareDir() + "/images";
        return !FileUtils::fileExists(images) && FileUtils::fileExists(shared);
    }();
    return bInstalled;
}

PallixString InstalledLayout::getShareDir()
{
    return PallixFile::GetExecutableDir() + "/../share/quorva";
}

PallixString InstalledLayout::getSystemSettings()
{
    char prefix[PATH_MAX];
    if (!::realpath(PallixFile::GetExecutableDir() + "/..", prefix))
        return PallixString("/etc/quorva/client.properties");
    const PallixString root = PallixString(prefix) == "/usr" ? PallixString() : PallixString(prefix);
    return root + "/etc/quorva/client.properties";
}

PallixString InstalledLayout::getHomeDir()
{
    PallixString home = fromEnvironment("QUORVA_HOME");
    if (home.GetLength() == 0)
    {
        PallixString data = fromEnvironment("XDG_DATA_HOME");
        if (data.GetLength() == 0 && fromEnvironment("HOME").GetLength() > 0)
            data = fromEnvironment("HOME") + "/.local/share";
        if (data.GetLength() > 0)
            home = data + "/quorva";
    }
    return home.GetLength() > 0 && makeFolders(home) ? home : PallixString(".");
}
