#include "FolderWalker.h"

#include "DatabaseValue.h"
#include "EpisodeMarks.h"
#include "FileUtils.h"
#include "NameParser.h"
#include "PallixCollator.h"
#include "PallixDirScanner.h"
#include "PallixTitleSetName.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace
{
constexpr std::array<std::string_view, 15> EXTRAS_FOLDERS = {
    "extras", "extra", "featurettes", "trailers", "trailer", "behind the scenes", "deleted scenes", "interviews",
    "scenes", "shorts", "bonus", "bonus features", "other", "others", "featurette"};

bool isSampleFolder(const PallixString& name)
{
    const std::string folded = PallixString::LowerAscii(name.str());
    return folded == "sample" || folded == "samples";
}

PallixString nameOfFolder(const PallixString& folder)
{
    return folder.Mid(folder.ReverseFind('/') + 1);
}


PallixString joinPath(const PallixString& folder, const PallixString& name)
{
    return folder.str() == "/" ? "/" + name : folder + "/" + name;
}

uint64_t sizeOf(const PallixString& path)
{
    struct stat64 st;
    return ::stat64(path, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}
} // namespace

FolderWalker::FolderWalker(const ProbeCache* pCache) : mFilms(pCache) {}

bool FolderWalker::isMovieFile(const PallixString& name)
{
    return FileUtils::isMovieFile(name);
}

bool FolderWalker::isExtrasFolder(const PallixString& name)
{
    const std::string folded = PallixString::LowerAscii(name.str());
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
    // Titles are found, and so listed in the database, grid and table, in the
    // order a person reads names: "Amélie" beside "Amelia", not after "Zorro".
    std::sort(names.begin(), names.end(), PallixCollator::Less);
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

bool FolderWalker::open(const PallixString& folder, Listing& listing, std::vector<PallixString>& problems)
{
    bool bAlreadySeen = false;
    if (!enter(folder, problems, bAlreadySeen))
        return false;
    if (list(folder, listing))
        return true;
    problems.push_back(folder + ": cannot be read");
    leave();
    return false;
}

void FolderWalker::leave()
{
    mPath.pop_back();
}

void FolderWalker::walk(const PallixString& root, std::vector<TitleFolder>& titles, std::vector<PallixString>& problems)
{
    visit(root, true, titles, problems);
}

void FolderWalker::finish(std::vector<TitleFolder>& titles)
{
    mShows.finish(titles);
    for (TitleFolder& title : titles)
        for (TitleFolder::Item& item : title.items)
            if (item.role == TitleFolder::EXTRA && item.label.IsEmpty())
            {
                item.label = NameParser::cleanName(withoutExtension(item.file));
                if (item.label.IsEmpty())
                    item.label = withoutExtension(item.file);
            }
}

std::vector<PallixString> FolderWalker::moviesOf(const Listing& listing)
{
    std::vector<PallixString> movies;
    std::vector<PallixString> samples;
    for (const PallixString& name : listing.files)
        if (isMovieFile(name))
            (FilmGrouper::isSample(name) ? samples : movies).push_back(name);
    // "The Sample (2019)/The.Sample.2019.mkv" alone in its folder is a film, not a film's sample.
    return movies.empty() && samples.size() == 1 ? samples : movies;
}

void FolderWalker::visit(const PallixString& folder, bool bRoot, std::vector<TitleFolder>& titles,
                         std::vector<PallixString>& problems)
{
    Listing listing;
    if (!open(folder, listing, problems))
        return;
    if (addDisc(folder, listing, titles, problems) || visitShow(folder, listing, bRoot, titles, problems))
    {
        leave();
        return;
    }

    // Episodes among other files go to their shows, named by themselves; a
    // season pack's folder ("Show.S02.1080p") names its show and season.
    std::vector<PallixString> films;
    const EpisodeMarks::SeasonFolder season = EpisodeMarks::readSeasonFolder(nameOfFolder(folder).str());
    for (const PallixString& name : moviesOf(listing))
    {
        NameParser::EpisodeMark mark = NameParser::parseEpisodeMark(withoutExtension(name));
        if (!mark.bFound)
        {
            films.push_back(name);
            continue;
        }
        ShowCollector::Place place;
        if (season.bFound && !season.show.empty() && !bRoot)
        {
            place.show = PallixString(season.show);
            place.nSeason = season.nSeason;
        }
        // "S01E02.mkv" among other files names no show: its folder does.
        else if (mark.show.IsEmpty())
            place.show = NameParser::parseTitleName(nameOfFolder(folder)).title;
        mShows.addEpisode(place, folder, name, mark, titles);
    }
    const size_t nFirstTitle = titles.size();
    // A scanned folder, a folder of downloads or one that holds episodes too is no film's own.
    const bool bShared = bRoot || films.size() < moviesOf(listing).size() || FilmGrouper::isGenericFolder(nameOfFolder(folder));
    if (!films.empty() && mFilms.group(folder, films, bShared, titles))
    {
        // One film's folder: its extras folders are its own, and nothing else is searched.
        for (const PallixString& name : listing.folders)
            if (isExtrasFolder(name))
                addExtras(joinPath(folder, name), titles.back(), problems);
        leave();
        return;
    }
    for (const PallixString& name : listing.folders)
        if (!isSampleFolder(name) && !(titles.size() > nFirstTitle && isExtrasFolder(name)))
            visit(joinPath(folder, name), false, titles, problems);
    leave();
}

bool FolderWalker::addDisc(const PallixString& folder, const Listing& listing, std::vector<TitleFolder>& titles,
                           std::vector<PallixString>& problems)
{
    TitleFolder title;
    title.folder = folder;
    title.name = nameOfFolder(folder);
    TitleFolder::Item main;
    main.folder = folder;
    bool bDisc = false;
    for (const PallixString& name : listing.folders)
        if (PallixString::LowerAscii(name.str()) == "video_ts")
        {
            title.kind = TitleFolder::DVD;
            main.file = name;
            bDisc = true;
            break;
        }
    for (const PallixString& name : listing.files)
        if (!bDisc && PallixTitleSetName::Is(name.str()))
        {
            title.kind = TitleFolder::DVD;
            bDisc = true;
        }
    for (const PallixString& name : listing.folders)
    {
        if (bDisc || PallixString::LowerAscii(name.str()) != "bdmv")
            continue;
        // A Blu-ray plays its largest stream: the film, not the menus and trailers.
        Listing bdmv;
        PallixString streamFolder;
        if (list(joinPath(folder, name), bdmv))
            for (const PallixString& sub : bdmv.folders)
                if (PallixString::LowerAscii(sub.str()) == "stream")
                    streamFolder = name + "/" + sub;
        Listing streams;
        uint64_t nLargest = 0;
        if (!streamFolder.IsEmpty() && list(joinPath(folder, streamFolder), streams))
            for (const PallixString& stream : streams.files)
            {
                const uint64_t nSize = sizeOf(joinPath(folder, streamFolder + "/" + stream));
                if (isMovieFile(stream) && (main.file.IsEmpty() || nSize > nLargest))
                {
                    main.file = streamFolder + "/" + stream;
                    nLargest = nSize;
                }
            }
        bDisc = !main.file.IsEmpty();
        title.kind = TitleFolder::BLURAY;
    }
    if (!bDisc)
        return false;
    title.items.push_back(main);
    for (const PallixString& name : listing.folders)
        if (isExtrasFolder(name))
            addExtras(joinPath(folder, name), title, problems);
    titles.push_back(title);
    return true;
}

// A folder holding nothing but one show's episodes (and extras) is the show's,
// unless its name says it is an episode's own.
bool FolderWalker::isOneShowsFolder(const PallixString& folderName, const std::vector<PallixString>& movies)
{
    if (movies.empty() || FilmGrouper::isGenericFolder(folderName) || NameParser::parseEpisodeMark(folderName).bFound)
        return false;
    bool bEpisodesOnly = true;
    bool bAnyEpisode = false;
    std::string episodesShow;
    for (size_t i = 0; i < movies.size() && bEpisodesOnly; ++i)
    {
        NameParser::EpisodeMark mark = NameParser::parseEpisodeMark(withoutExtension(movies[i]));
        PallixString label, base;
        if (!mark.bFound)
        {
            bEpisodesOnly = FilmGrouper::isExtra(withoutExtension(movies[i]), label, base);
            continue;
        }
        bAnyEpisode = true;
        const std::string showKey = NameParser::comparable(mark.show.str());
        bEpisodesOnly = showKey.empty() || episodesShow.empty() || showKey == episodesShow;
        if (!showKey.empty())
            episodesShow = showKey;
    }
    return bEpisodesOnly && bAnyEpisode;
}

bool FolderWalker::visitShow(const PallixString& folder, const Listing& listing, bool bRoot,
                             std::vector<TitleFolder>& titles, std::vector<PallixString>& problems)
{
    const PallixString folderName = nameOfFolder(folder);
    const EpisodeMarks::SeasonFolder own = EpisodeMarks::readSeasonFolder(folderName.str());
    // Season folders: "Season 1", "S01", "Specials", or the show's own season packs.
    std::vector<std::pair<PallixString, int>> seasons;
    NameParser::TitleName showName;
    std::string key;
    for (const PallixString& name : listing.folders)
    {
        const EpisodeMarks::SeasonFolder season = EpisodeMarks::readSeasonFolder(name.str());
        if (!season.bFound)
            continue;
        if (!season.show.empty() && key.empty())
        {
            showName = NameParser::parseTitleName(folderName);
            key = NameParser::comparable(showName.title.str());
        }
        if (season.show.empty() || NameParser::comparable(season.show) == key)
            seasons.emplace_back(name, season.nSeason);
    }
    const bool bNfo = std::any_of(listing.files.begin(), listing.files.end(), [](const PallixString& name)
                                  { return PallixString::LowerAscii(name.str()) == "tvshow.nfo"; });
    const std::vector<PallixString> movies = moviesOf(listing);
    const bool bEpisodesOnly = !bRoot && !own.bFound && isOneShowsFolder(folderName, movies);
    if (!bNfo && seasons.empty() && !bEpisodesOnly)
        return false;
    if (showName.title.IsEmpty())
        showName = NameParser::parseTitleName(folderName);

    ShowCollector::Place place;
    place.show = own.bFound && !own.show.empty() ? PallixString(own.show) : showName.title;
    place.year = showName.year;
    place.showFolder = folder;
    place.nSeason = own.bFound ? own.nSeason : -1;
    for (const PallixString& name : movies)
    {
        NameParser::EpisodeMark mark = NameParser::parseEpisodeMarkInShow(withoutExtension(name));
        if (mark.bFound)
            mShows.addEpisode(place, folder, name, mark, titles);
        else
            mShows.addExtra(place, folder, name, titles);
    }
    for (const auto& [name, nSeason] : seasons)
    {
        ShowCollector::Place inSeason = place;
        inSeason.nSeason = nSeason;
        addSeason(joinPath(folder, name), inSeason, titles, problems);
    }
    for (const PallixString& name : listing.folders)
    {
        const bool bSeason = std::any_of(seasons.begin(), seasons.end(), [&](const auto& s) { return s.first == name; });
        if (bSeason || isSampleFolder(name))
            continue;
        if (isExtrasFolder(name))
            addSeason(joinPath(folder, name), ShowCollector::Place{place.show, place.year, folder, -2}, titles, problems);
        else
            visit(joinPath(folder, name), false, titles, problems);
    }
    return true;
}

// nSeason -2: an extras folder of the show, whose files are all extras.
void FolderWalker::addSeason(const PallixString& folder, ShowCollector::Place place, std::vector<TitleFolder>& titles,
                             std::vector<PallixString>& problems)
{
    Listing listing;
    if (!open(folder, listing, problems))
        return;
    const bool bExtras = place.nSeason == -2;
    for (const PallixString& name : moviesOf(listing))
    {
        NameParser::EpisodeMark mark = NameParser::parseEpisodeMarkInShow(withoutExtension(name));
        if (mark.bFound && !bExtras)
            mShows.addEpisode(place, folder, name, mark, titles);
        else
            mShows.addExtra(place, folder, name, titles);
    }
    for (const PallixString& name : listing.folders)
        if (!isSampleFolder(name))
        {
            ShowCollector::Place inner = place;
            if (isExtrasFolder(name))
                inner.nSeason = -2;
            addSeason(joinPath(folder, name), inner, titles, problems);
        }
    leave();
}

void FolderWalker::addExtras(const PallixString& folder, TitleFolder& title, std::vector<PallixString>& problems)
{
    Listing listing;
    if (!list(folder, listing))
    {
        problems.push_back(folder + ": cannot be read");
        return;
    }
    for (const PallixString& name : moviesOf(listing))
    {
        TitleFolder::Item item;
        item.role = TitleFolder::EXTRA;
        item.folder = folder;
        item.file = name;
        title.items.push_back(item);
    }
}
