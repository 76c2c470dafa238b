#include "ContinueWatching.h"

#include "MediaEntry.h"
#include "SeriesIndex.h"
#include "ViewingHistory.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>

std::vector<ContinueWatching::Item> ContinueWatching::collect(ViewingHistory& history)
{
    std::vector<Item> items;
    history.forEach(
        [&](MediaEntry* pEntry, const std::string& file, const ViewingState& state)
        {
            if (state.isInProgress())
                items.push_back(Item{pEntry, PallixString(file), state, false, state.getLastViewedTime()});
        });
    addNextEpisodes(history, items);
    addNextFiles(history, items);
    dropDuplicates(items);
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.viewed > b.viewed; });
    return items;
}

void ContinueWatching::addNextEpisodes(ViewingHistory& history, std::vector<Item>& items)
{
    SeriesIndex& series = history.getSeries();
    for (MediaEntry* pSeries : series.getSeries())
    {
        const std::vector<MediaEntry*>& episodes = *series.getEpisodes(pSeries);
        size_t nLast = episodes.size();
        time_t lastViewed = 0;
        for (size_t i = 0; i < episodes.size(); ++i)
        {
            const ViewingState* pState = history.find(episodes[i], PallixString());
            if (pState && pState->getLastViewedTime() > lastViewed)
            {
                lastViewed = pState->getLastViewedTime();
                nLast = i;
            }
        }
        if (nLast + 1 >= episodes.size() || !history.isWatched(episodes[nLast]))
            continue;
        MediaEntry* pNext = episodes[nLast + 1];
        const ViewingState* pNextState = history.find(pNext, PallixString());
        if (pNextState && (pNextState->isWatched() || pNextState->isInProgress()))
            continue;
        items.push_back(Item{pNext, PallixString(), pNextState ? *pNextState : ViewingState(), true, lastViewed});
    }
}

void ContinueWatching::addNextFiles(ViewingHistory& history, std::vector<Item>& items)
{
    std::vector<MediaEntry*> folders;
    history.forEach(
        [&](MediaEntry* pEntry, const std::string& file, const ViewingState&)
        {
            if (!file.empty() && std::find(folders.begin(), folders.end(), pEntry) == folders.end())
                folders.push_back(pEntry);
        });
    for (MediaEntry* pEntry : folders)
    {
        const std::vector<PallixString>* pFiles = history.getFolderFiles(pEntry);
        if (!pFiles)
            continue;
        size_t nLast = pFiles->size();
        time_t lastViewed = 0;
        for (size_t i = 0; i < pFiles->size(); ++i)
        {
            const ViewingState* pState = history.find(pEntry, (*pFiles)[i]);
            if (pState && pState->getLastViewedTime() > lastViewed)
            {
                lastViewed = pState->getLastViewedTime();
                nLast = i;
            }
        }
        if (nLast + 1 >= pFiles->size() || !history.isWatched(pEntry, (*pFiles)[nLast]))
            continue;
        const PallixString& next = (*pFiles)[nLast + 1];
        const ViewingState* pNextState = history.find(pEntry, next);
        if (pNextState && (pNextState->isWatched() || pNextState->isInProgress()))
            continue;
        items.push_back(Item{pEntry, next, pNextState ? *pNextState : ViewingState(), true, lastViewed});
    }
}

void ContinueWatching::dropDuplicates(std::vector<Item>& items)
{
    // Only a file of a title's folder can be another record's own file: the
    // folders in question are few, and only titles in them are compared.
    std::unordered_set<std::string> folders;
    for (const Item& item : items)
        if (!item.file.IsEmpty())
            folders.insert(item.pEntry->getPath().str());
    if (folders.empty())
        return;
    std::unordered_map<std::string, size_t> byPath;
    std::vector<Item> kept;
    for (Item& item : items)
    {
        if (!folders.count(item.pEntry->getPath().str()))
        {
            kept.push_back(std::move(item));
            continue;
        }
        std::string path = (item.file.IsEmpty() && item.pEntry->getFilename().IsEmpty()
                                ? item.pEntry->getPath() + "/"
                                : ViewingHistory::getMoviePath(item.pEntry, item.file))
                               .str();
        auto [at, bNew] = byPath.emplace(path, kept.size());
        if (bNew)
        {
            kept.push_back(std::move(item));
            continue;
        }
        // The record of its own (an episode) names it better than its series' folder.
        Item& other = kept[at->second];
        bool bNewer = item.viewed > other.viewed;
        bool bOwnRecord = item.file.IsEmpty() && !other.file.IsEmpty();
        if (bNewer || (item.viewed == other.viewed && bOwnRecord))
            other = std::move(item);
    }
    items = std::move(kept);
}
