#pragma once

#include "NameParser.h"
#include "PallixString.h"
#include "TitleFolder.h"

#include <string>
#include <unordered_map>
#include <vector>

// Gathers the episodes of each show, wherever they lie: in the show's folder,
// its season folders, a folder of downloads holding several shows, or the same
// show's folders in several scanned folders. Each show is one title, put where
// its first episode was found, named after tvshow.nfo (read later), else its
// own folder, else its episodes' names; its episodes are in viewing order.
class ShowCollector
{
public:
    // Where an episode was found and what is known of its show there.
    struct Place
    {
        // The show as the place names it ("Breaking Bad"); empty when only the
        // episode's own name tells.
        PallixString show;
        PallixString year;
        // The show's own folder, when the place has one; else empty.
        PallixString showFolder;
        // The season a season folder gives (0 for specials), else -1.
        int nSeason = -1;
    };

    // Adds an episode found in folder; titles receives the show's title when
    // it is the show's first.
    void addEpisode(const Place& place, const PallixString& folder, const PallixString& file,
                    NameParser::EpisodeMark mark, std::vector<TitleFolder>& titles);
    // An extra of the show in showFolder (from its Extras folder).
    void addExtra(const Place& place, const PallixString& folder, const PallixString& file,
                  std::vector<TitleFolder>& titles);
    // Puts each show's episodes in viewing order, with their labels.
    void finish(std::vector<TitleFolder>& titles);

private:
    TitleFolder& showFor(const Place& place, const PallixString& folder, const NameParser::EpisodeMark& mark,
                         std::vector<TitleFolder>& titles);

    // The show's comparable name, and its title's place in the list.
    std::unordered_map<std::string, size_t> mShows;
};
