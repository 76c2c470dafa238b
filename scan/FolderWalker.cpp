#include "FolderWalker.h"

#include "DatabaseValue.h"
#include "PallixDirScanner.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace
{
constexpr std::array<std::string_view, 12> MOVIE_EXTENSIONS = {
    "mkv", "mp4", "m4v", "avi", "mpg", "mpeg", "vob", "ts", "m2ts", "webm", "mov", "wmv",
};
constexpr std::array<std::string_view, 3> EXTRAS_FOLDERS = {"extras", "featurettes", "trailers"};


PallixString lastComponent(const PallixString& path)
{
    return path.Mid(path.ReverseFind('/') + 1);
}

PallixString joinPath(const PallixString& folder, const PallixString& name)
{
    return folder.str() == "/" ? "/" + name : folder + "/" + name;
}

bool isTitleSetFile(const PallixString& name)
{
    const std::string folded = DatabaseValue::lower(name.str());
    return folded.size() >= 12 && folded.compare(0, 4, "vts_") == 0 && folded.compare(folded.size() - 4, 4, ".vob") == 0;
}

uint64_t sizeOf(const PallixString& path)
{
    struct stat64 st;
    return ::stat64(path, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}
} // namespace

bool FolderWalker::isMovieFile(const PallixString& name)
{
    int nDot = name.ReverseFind('.');
    if (nDot <= 0)
        return false;
    const std::string extension = DatabaseValue::lower(name.Mid(nDot + 1).str());
    return std::find(MOVIE_EXTENSIONS.begin(), MOVIE_EXTENSIONS.end(), extension) != MOVIE_EXTENSIONS.end();
}

bool FolderWalker::isExtrasFolder(const PallixString& name)
{
    const std::string folded = DatabaseValue::lower(name.str());
    return std::find(EXTRAS_FOLDERS.begin(), EXTRAS_FOLDERS.end(), folded) != EXTRAS_FOLDERS.end();
}

PallixString FolderWalker::withoutExtension(const PallixString& name)
{
    int nDot = name.ReverseFind('.');
    return nDot > 0 ? name.Left(nDot) : name;
}

bool FolderWalker::list(const PallixString& folder, Listing& listing)
{
    std::vector<std::string> names;
    if (!PallixDirScanner::VisitNames(folder, [&](std::string_view name) { names.emplace_back(name); }))
        return false;
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
    {
        // Hidden names are the file system's or another program's business.
        if (name.empty() || name[0] == '.')
            continue;
        // The 64-bit call, or a film over 2 GiB would vanish from a 32-bit box's scan.
        struct stat64 st;
        if (::stat64(joinPath(folder, PallixString(name)), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode))
            listing.folders.emplace_back(name);
        else if (S_ISREG(st.st_mode))
            listing.files.emplace_back(name);
    }
    return true;
}

bool FolderWalker::enter(const PallixString& folder, std::vector<PallixString>& problems, bool& bAlreadySeen)
{
    bAlreadySeen = false;
    struct stat64 st;
    if (::stat64(folder, &st) != 0)
    {
        problems.push_back(folder + ": cannot be read");
        return false;
    }
    std::pair<uint64_t, uint64_t> id(static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino));
    if (std::find(mPath.begin(), mPath.end(), id) != mPath.end())
    {
        problems.push_back(folder + ": symbolic link loop");
        return false;
    }
    // A folder reached again through another link is the same folder.
    if (!mSeen.insert(id).second)
    {
        bAlreadySeen = true;
        return false;
    }
    mPath.push_back(id);
    return true;
}

void FolderWalker::leave()
{
    mPath.pop_back();
}

void FolderWalker::walk(const PallixString& root, std::vector<TitleFolder>& titles, std::vector<PallixString>& problems)
{
    visit(root, true, titles, problems);
}

void FolderWalker::visit(const PallixString& folder, bool bRoot, std::vector<TitleFolder>& titles,
                         std::vector<PallixString>& problems)
{
    bool bAlreadySeen = false;
    if (!enter(folder, problems, bAlreadySeen))
        return;
    Listing listing;
    if (!list(folder, listing))
    {
        problems.push_back(folder + ": cannot be read");
        leave();
        return;
    }

    bool bDvd = false;
    PallixString dvdFolder;
    for (const PallixString& name : listing.folders)
        if (DatabaseValue::lower(name.str()) == "video_ts")
        {
            bDvd = true;
            dvdFolder = name;
            break;
        }
    for (const PallixString& name : listing.files)
        bDvd = bDvd || isTitleSetFile(name);

    bool bHasMovies = std::any_of(listing.files.begin(), listing.files.end(), isMovieFile);
    if (bDvd || (bHasMovies && !bRoot))
    {
        addTitle(folder, listing, bDvd ? dvdFolder : PallixString(), bDvd, titles, problems);
        leave();
        return;
    }
    // Films lying in a scanned folder itself are titles of their own.
    for (const PallixString& name : listing.files)
    {
        if (!isMovieFile(name))
            continue;
        TitleFolder title;
        title.kind = TitleFolder::LOOSE_FILE;
        title.folder = folder;
        title.name = withoutExtension(name);
        TitleFolder::Item item;
        item.folder = folder;
        item.file = name;
        title.items.push_back(item);
        titles.push_back(title);
    }
    for (const PallixString& name : listing.folders)
        visit(joinPath(folder, name), false, titles, problems);
    leave();
}

void FolderWalker::addTitle(const PallixString& folder, const Listing& listing, const PallixString& dvdFolder,
                            bool bDvd, std::vector<TitleFolder>& titles, std::vector<PallixString>& problems)
{
    TitleFolder title;
    title.folder = folder;
    title.name = lastComponent(folder);
    TitleFolder::Item main;
    main.folder = folder;

    std::vector<TitleFolder::Item> extras;
    if (bDvd)
    {
        title.kind = TitleFolder::DVD;
        main.file = dvdFolder;
        title.items.push_back(main);
    }
    else
    {
        std::vector<TitleFolder::Item> marked;
        std::vector<TitleFolder::Item> unmarked;
        for (const PallixString& name : listing.files)
        {
            if (!isMovieFile(name))
                continue;
            TitleFolder::Item item;
            item.folder = folder;
            item.file = name;
            item.mark = NameParser::parseEpisodeMark(withoutExtension(name));
            (item.mark.bFound ? marked : unmarked).push_back(item);
        }
        if (marked.size() >= 2)
        {
            title.kind = TitleFolder::SERIES;
            // Names are listed in byte order, so equal marks keep that order.
            std::stable_sort(marked.begin(), marked.end(), [](const TitleFolder::Item& a, const TitleFolder::Item& b)
                             { return NameParser::isEarlierEpisode(a.mark, b.mark); });
            main.file = marked.front().file;
            title.items.push_back(main);
            for (TitleFolder::Item& episode : marked)
            {
                episode.role = TitleFolder::EPISODE;
                episode.label = episode.mark.label;
                if (!episode.mark.name.IsEmpty())
                    episode.label += " " + episode.mark.name;
                title.items.push_back(episode);
            }
            extras = unmarked;
        }
        else
        {
            // One film: the largest file is the feature, the others its extras.
            std::vector<TitleFolder::Item> files = marked;
            files.insert(files.end(), unmarked.begin(), unmarked.end());
            std::sort(files.begin(), files.end(),
                      [](const TitleFolder::Item& a, const TitleFolder::Item& b) { return a.file < b.file; });
            size_t nLargest = 0;
            uint64_t nLargestSize = 0;
            for (size_t i = 0; i < files.size(); ++i)
            {
                uint64_t nSize = sizeOf(joinPath(folder, files[i].file));
                if (i == 0 || nSize > nLargestSize)
                {
                    nLargest = i;
                    nLargestSize = nSize;
                }
            }
            title.kind = TitleFolder::FILM;
            main.file = files[nLargest].file;
            title.items.push_back(main);
            files.erase(files.begin() + static_cast<long>(nLargest));
            extras = files;
        }
    }
    for (TitleFolder::Item& extra : extras)
    {
        extra.role = TitleFolder::EXTRA;
        extra.mark = NameParser::EpisodeMark();
        title.items.push_back(extra);
    }
    for (const PallixString& name : listing.folders)
        if (isExtrasFolder(name))
            addExtras(joinPath(folder, name), title, problems);
    for (TitleFolder::Item& item : title.items)
        if (item.role == TitleFolder::EXTRA && item.label.IsEmpty())
        {
            item.label = NameParser::cleanName(withoutExtension(item.file));
            if (item.label.IsEmpty())
                item.label = withoutExtension(item.file);
        }
    titles.push_back(title);
}

void FolderWalker::addExtras(const PallixString& folder, TitleFolder& title, std::vector<PallixString>& problems)
{
    Listing listing;
    if (!list(folder, listing))
    {
        problems.push_back(folder + ": cannot be read");
        return;
    }
    for (const PallixString& name : listing.files)
    {
        if (!isMovieFile(name))
            continue;
        TitleFolder::Item item;
        item.role = TitleFolder::EXTRA;
        item.folder = folder;
        item.file = name;
        title.items.push_back(item);
    }
}
