#pragma once

#include <cstddef>
#include <vector>

class MediaEntry;
class ViewingHistory;

// The titles that entered the library last, newest first: by the day the
// scanner recorded, else by the movie file's time; of titles added together,
// the one whose file is newer first. Episodes and extras stand behind their title.
class RecentlyAdded
{
public:
    static constexpr size_t MAX_TITLES = 50;

    static std::vector<MediaEntry*> collect(ViewingHistory& history, const std::vector<MediaEntry*>& entries,
                                            size_t nMax = MAX_TITLES);
};
