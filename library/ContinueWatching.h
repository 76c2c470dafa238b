#pragma once

#include "PallixString.h"
#include "ViewingState.h"

#include <ctime>
#include <vector>

class MediaEntry;
class ViewingHistory;

// The titles to go on with: those stopped part-way and not watched, and, for each
// series whose last episode viewed was watched, its next episode; most recently
// viewed first.
class ContinueWatching
{
public:
    struct Item
    {
        MediaEntry* pEntry = nullptr;
        // A movie file of the title's folder, or empty for its own file.
        PallixString file;
        ViewingState state;
        // The episode after one that was watched, not yet begun.
        bool bNextEpisode = false;
        // When what puts it here was viewed.
        time_t viewed = 0;
    };

    static std::vector<Item> collect(ViewingHistory& history);

private:
    static void addNextEpisodes(ViewingHistory& history, std::vector<Item>& items);
    static void addNextFiles(ViewingHistory& history, std::vector<Item>& items);
    // One movie reached through two records (an episode and its series' folder)
    // is listed once, as what was viewed last says.
    static void dropDuplicates(std::vector<Item>& items);
};
