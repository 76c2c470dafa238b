#include "RecentlyAdded.h"

#include "MediaEntry.h"
#include "SeriesIndex.h"
#include "ViewingHistory.h"

#include <algorithm>
#include <ctime>

std::vector<MediaEntry*> RecentlyAdded::collect(ViewingHistory& history, const std::vector<MediaEntry*>& entries,
                                                size_t nMax)
{
    struct Candidate
    {
        time_t added;
        time_t file;
        size_t order;
        MediaEntry* pEntry;
    };
    SeriesIndex& series = history.getSeries();
    std::vector<Candidate> candidates;
    for (size_t i = 0; i < entries.size(); ++i)
    {
        MediaEntry* pEntry = entries[i];
        if (!pEntry || series.belongsToAnother(pEntry))
            continue;
        time_t added = history.getAddedTime(pEntry);
        // A title whose time is not known yet waits for the refresh that finds it.
        if (added != 0)
            candidates.push_back(Candidate{added, history.getFileTime(pEntry), i, pEntry});
    }
    auto newer = [](const Candidate& a, const Candidate& b)
    {
        if (a.added != b.added)
            return a.added > b.added;
        if (a.file != b.file)
            return a.file > b.file;
        return a.order < b.order;
    };
    size_t nKeep = std::min(nMax, candidates.size());
    std::partial_sort(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(nKeep), candidates.end(),
                      newer);
    std::vector<MediaEntry*> titles;
    for (size_t i = 0; i < nKeep; ++i)
        titles.push_back(candidates[i].pEntry);
    return titles;
}
