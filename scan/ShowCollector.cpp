#include "ShowCollector.h"

#include "EpisodeMarks.h"

#include <algorithm>

TitleFolder& ShowCollector::showFor(const Place& place, const PallixString& folder,
                                    const NameParser::EpisodeMark& mark, std::vector<TitleFolder>& titles)
{
    PallixString name = place.show.IsEmpty() ? mark.show : place.show;
    PallixString year = place.show.IsEmpty() ? mark.showYear : place.year;
    if (name.IsEmpty())
        name = "Unknown Show";
    const std::string key = NameParser::comparable(name.str());
    auto found = mShows.find(key);
    if (found == mShows.end())
    {
        TitleFolder show;
        show.kind = TitleFolder::SERIES;
        show.folder = place.showFolder.IsEmpty() ? folder : place.showFolder;
        show.bOwnFolder = !place.showFolder.IsEmpty();
        show.name = name;
        show.year = year;
        TitleFolder::Item main;
        main.folder = show.folder;
        show.items.push_back(main);
        found = mShows.emplace(key, titles.size()).first;
        titles.push_back(show);
    }
    TitleFolder& show = titles[found->second];
    // A show first met among downloads takes its own folder when one turns up.
    if (!show.bOwnFolder && !place.showFolder.IsEmpty())
    {
        show.folder = place.showFolder;
        show.items.front().folder = place.showFolder;
        show.bOwnFolder = true;
        show.name = name;
    }
    if (show.year.IsEmpty())
        show.year = year;
    if (!place.showFolder.IsEmpty() &&
        std::find(show.nfoFolders.begin(), show.nfoFolders.end(), place.showFolder) == show.nfoFolders.end())
        show.nfoFolders.push_back(place.showFolder);
    return show;
}

void ShowCollector::addEpisode(const Place& place, const PallixString& folder, const PallixString& file,
                               NameParser::EpisodeMark mark, std::vector<TitleFolder>& titles)
{
    // A season folder says the season of episodes whose names do not.
    if (mark.nSeason < 0 && place.nSeason >= 0)
    {
        // "Season 2/Show - 205 - Title.mkv" numbers its episodes after its season.
        if (place.nSeason > 0 && mark.nEpisode >= 100 && mark.nEpisode / 100 == place.nSeason &&
            mark.nEpisode % 100 > 0 && mark.nLastEpisode == mark.nEpisode)
            mark.nEpisode = mark.nLastEpisode = mark.nEpisode % 100;
        mark.nSeason = place.nSeason;
        mark.label = EpisodeMarks::labelOf(mark);
    }
    TitleFolder& show = showFor(place, folder, mark, titles);
    TitleFolder::Item item;
    item.role = TitleFolder::EPISODE;
    item.folder = folder;
    item.file = file;
    item.mark = mark;
    item.label = mark.label;
    if (!mark.name.IsEmpty())
        item.label += " " + mark.name;
    show.items.push_back(item);
}

void ShowCollector::addExtra(const Place& place, const PallixString& folder, const PallixString& file,
                             std::vector<TitleFolder>& titles)
{
    NameParser::EpisodeMark none;
    TitleFolder& show = showFor(place, folder, none, titles);
    TitleFolder::Item item;
    item.role = TitleFolder::EXTRA;
    item.folder = folder;
    item.file = file;
    show.items.push_back(item);
}

void ShowCollector::finish(std::vector<TitleFolder>& titles)
{
    for (auto& [key, nIndex] : mShows)
    {
        std::vector<TitleFolder::Item>& items = titles[nIndex].items;
        // The show's own item first, then its episodes in viewing order, then its extras.
        std::stable_sort(items.begin() + 1, items.end(),
                         [](const TitleFolder::Item& a, const TitleFolder::Item& b)
                         {
                             if (a.role != b.role)
                                 return a.role == TitleFolder::EPISODE;
                             return a.role == TitleFolder::EPISODE && NameParser::isEarlierEpisode(a.mark, b.mark);
                         });
    }
    mShows.clear();
}
