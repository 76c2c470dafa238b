#include "SeriesIndex.h"

#include "FeatureItem.h"
#include "FileUtils.h"
#include "MediaEntry.h"
#include "PallixNewArray.h"

#include <string>
#include <string_view>

namespace
{
constexpr const char* EPISODES_GENRE = "Episodes";
}

void SeriesIndex::build(const std::vector<MediaEntry*>& entries)
{
    // Feature items name the Title of the record to play; the first record of a Title counts.
    std::unordered_map<std::string_view, MediaEntry*> byTitle;
    byTitle.reserve(entries.size());
    for (MediaEntry* pEntry : entries)
        if (pEntry && !pEntry->getTitle().IsEmpty())
            byTitle.emplace(pEntry->getTitle().str(), pEntry);

    for (MediaEntry* pEntry : entries)
    {
        if (!pEntry || pEntry->getFeatureItems().GetSize() == 0)
            continue;
        std::vector<MediaEntry*> episodes;
        for (FeatureItem& item : pEntry->getFeatureItems())
        {
            auto found = byTitle.find(item.getPath().str());
            if (found == byTitle.end() || found->second == pEntry)
                continue;
            mChildren.insert(found->second);
            if (found->second->getGenre().Contains(EPISODES_GENRE, true, false))
                episodes.push_back(found->second);
        }
        if (episodes.empty())
            continue;
        for (size_t i = 0; i < episodes.size(); ++i)
            mSeriesOf.emplace(episodes[i], std::make_pair(pEntry, i));
        mSeries.push_back(pEntry);
        mEpisodes.emplace(pEntry, std::move(episodes));
    }
    mbBuilt = true;
}

const std::vector<MediaEntry*>* SeriesIndex::getEpisodes(MediaEntry* pSeries) const
{
    auto found = mEpisodes.find(pSeries);
    return found == mEpisodes.end() ? nullptr : &found->second;
}

MediaEntry* SeriesIndex::getSeriesOf(MediaEntry* pEpisode, size_t& nIndex) const
{
    auto found = mSeriesOf.find(pEpisode);
    if (found == mSeriesOf.end())
        return nullptr;
    nIndex = found->second.second;
    return found->second.first;
}

std::vector<PallixString> SeriesIndex::getFolderFiles(MediaEntry* pEntry)
{
    PallixNewArray<PallixString> files(8);
    FileUtils::getMediaFiles(pEntry->getPath(), files);
    return std::vector<PallixString>(files.begin(), files.end());
}

bool SeriesIndex::findNext(MediaEntry* pEntry, const PallixString& file, MediaEntry*& pNext,
                           PallixString& nextFile) const
{
    pNext = nullptr;
    nextFile = PallixString();
    if (!pEntry)
        return false;
    if (!file.IsEmpty())
    {
        std::vector<PallixString> files = getFolderFiles(pEntry);
        for (size_t i = 0; i + 1 < files.size(); ++i)
        {
            if (files[i] == file)
            {
                pNext = pEntry;
                nextFile = files[i + 1];
                return true;
            }
        }
        return false;
    }
    size_t nIndex = 0;
    MediaEntry* pSeries = getSeriesOf(pEntry, nIndex);
    if (!pSeries)
        return false;
    const std::vector<MediaEntry*>& episodes = mEpisodes.at(pSeries);
    if (nIndex + 1 >= episodes.size())
        return false;
    pNext = episodes[nIndex + 1];
    return true;
}
