#include "CoverMaker.h"

#include "AtomicFile.h"
#include "DatabaseValue.h"
#include "FileUtils.h"
#include "FolderWalker.h"
#include "PallixDirScanner.h"
#include "PallixImageFile.h"
#include "PallixImageScaler.h"
#include "PallixMediaInfo.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

namespace
{
// Where in the film the picture for a cover is taken: past titles and openings.
constexpr double FRAME_AT = 0.1;
constexpr int CACHE_NAME_BYTES = 60;

// Every name of the folder, by its lower-case form.
std::vector<std::pair<std::string, PallixString>> namesOf(const PallixString& folder)
{
    std::vector<std::pair<std::string, PallixString>> names;
    PallixDirScanner listing(folder);
    for (int i = 0; i < listing.GetNumEntries(); ++i)
    {
        PallixString name = listing.GetEntry(i);
        names.emplace_back(PallixString::LowerAscii(name.str()), name);
    }
    return names;
}

PallixString findName(const std::vector<std::pair<std::string, PallixString>>& names, const std::string& wanted)
{
    for (const auto& [folded, name] : names)
        if (folded == wanted)
            return name;
    return PallixString();
}

bool makeFolder(const PallixString& path)
{
    return ::mkdir(path, 0775) == 0 || errno == EEXIST;
}
} // namespace

CoverMaker::CoverMaker(PallixString cacheFolder) : mCacheFolder(std::move(cacheFolder)) {}

PallixString CoverMaker::cacheFolderFor(const TitleFolder& title)
{
    // A readable name, and a hash of the full path so that two titles of the
    // same name never share covers.
    // Shows found among other titles have no file of their own: their name tells them apart.
    const PallixString& file = title.items.front().file;
    const std::string key = (title.folder + "/" + (file.IsEmpty() ? title.name : file)).str();
    uint32_t hash = 2166136261u;
    for (char c : key)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    std::string name;
    for (char c : title.name.str())
    {
        if (static_cast<int>(name.size()) >= CACHE_NAME_BYTES)
            break;
        name += (c == '/' || static_cast<unsigned char>(c) < 0x20) ? '_' : c;
    }
    char suffix[16];
    std::snprintf(suffix, sizeof(suffix), "-%08x", hash);
    return mCacheFolder + "/" + PallixString(name + suffix);
}

bool CoverMaker::writeCover(const PallixRGBAImage& source, uint32_t width, uint32_t height, const PallixString& path)
{
    AtomicFile file(path);
    if (!file.isOpen())
        return false;
    std::string png;
    if (!PallixImageFile::EncodePNG(PallixImageScaler::FitInto(source, width, height), png))
        return false;
    file.write(png);
    return file.commit();
}

bool CoverMaker::findSource(const TitleFolder& title, const PallixString& playFile,
                            std::vector<PallixString>& problems, PallixRGBAImage& source)
{
    const TitleFolder::Item& main = title.items.front();
    const std::string base = PallixString::LowerAscii(FolderWalker::withoutExtension(main.file).str());
    std::vector<std::string> wanted;
    // A loose film shares its folder with others: only its own poster is its own.
    if (title.bOwnFolder)
        wanted = {"poster.jpg", "poster.jpeg", "poster.png", "folder.jpg", "folder.jpeg",
                  "cover.jpg",  "cover.jpeg",  "cover.png"};
    if (!base.empty() && title.kind != TitleFolder::DVD && title.kind != TitleFolder::BLURAY)
        for (const char* ending : {"-poster.jpg", "-poster.jpeg", "-poster.png"})
            wanted.push_back(base + ending);

    const auto names = namesOf(title.folder);
    for (const std::string& candidate : wanted)
    {
        PallixString name = findName(names, candidate);
        if (name.IsEmpty())
            continue;
        PallixString path = title.folder + "/" + name;
        if (PallixImageFile::Load(path.str(), source))
            return true;
        problems.push_back(path + ": picture cannot be read");
    }
    if (PallixMediaInfo::GrabFrame(playFile.str(), FRAME_AT, source))
        return true;
    problems.push_back(playFile + ": no picture for a cover");
    return false;
}

void CoverMaker::provideCovers(const TitleFolder& title, const PallixString& playFile, PallixString& image,
                               PallixString& largeImage, std::vector<PallixString>& problems)
{
    struct Cover
    {
        const char* name;
        uint32_t width;
        uint32_t height;
        PallixString* pPath;
    };
    Cover covers[] = {{"folder.png", COVER_WIDTH, COVER_HEIGHT, &image},
                      {"folderLarge.png", LARGE_WIDTH, LARGE_HEIGHT, &largeImage}};

    const bool bOwnFolder = title.bOwnFolder;
    const auto names = bOwnFolder ? namesOf(title.folder) : std::vector<std::pair<std::string, PallixString>>();
    const PallixString cacheFolder = cacheFolderFor(title);
    bool bMissing = false;
    for (Cover& cover : covers)
    {
        PallixString existing = findName(names, PallixString::LowerAscii(cover.name));
        if (!existing.IsEmpty())
            *cover.pPath = title.folder + "/" + existing;
        else if (FileUtils::fileExists(cacheFolder + "/" + cover.name))
            *cover.pPath = cacheFolder + "/" + cover.name;
        else
            bMissing = true;
    }
    if (!bMissing)
        return;

    PallixRGBAImage source;
    if (!findSource(title, playFile, problems, source))
        return;
    for (Cover& cover : covers)
    {
        if (!cover.pPath->IsEmpty())
            continue;
        PallixString path = title.folder + "/" + cover.name;
        if (bOwnFolder && writeCover(source, cover.width, cover.height, path))
        {
            *cover.pPath = path;
            continue;
        }
        // The title's folder cannot take it: the cache folder beside the database does.
        path = cacheFolder + "/" + cover.name;
        if (makeFolder(mCacheFolder) && makeFolder(cacheFolder) &&
            writeCover(source, cover.width, cover.height, path))
            *cover.pPath = path;
        else
            problems.push_back(path + ": cannot be written");
    }
}
