#include "TitleSearch.h"

#include "MediaEntry.h"
#include "TextFold.h"

#include <array>

void TitleSearch::setEntries(const std::vector<MediaEntry*>& entries)
{
    mEntries.clear();
    mTexts.clear();
    mTitleEnds.clear();
    mLastQuery.clear();
    mLastMatches.clear();
    mResults.clear();
    mEntries.reserve(entries.size());
    mTexts.reserve(entries.size());
    mTitleEnds.reserve(entries.size());
    for (MediaEntry* pEntry : entries)
    {
        if (!pEntry)
            continue;
        std::string text;
        TextFold::append(pEntry->getTitle().str(), text);
        text += '\n';
        TextFold::append(pEntry->getOriginalTitle().str(), text);
        mTitleEnds.push_back(static_cast<uint32_t>(text.size()));
        text += '\n';
        TextFold::append(pEntry->getDirector().str(), text);
        text += '\n';
        TextFold::append(pEntry->getActors().str(), text);
        text.shrink_to_fit();
        mTexts.push_back(std::move(text));
        mEntries.push_back(pEntry);
    }
}

TitleSearch::Rank TitleSearch::rank(uint32_t nIndex, const std::string& query) const
{
    const std::string& text = mTexts[nIndex];
    size_t at = text.find(query);
    if (at == std::string::npos)
        return NONE;
    if (at >= mTitleEnds[nIndex])
        return ELSEWHERE;
    // The title, or the original title after the first line break, begins with it.
    size_t nOriginal = text.find('\n');
    if (at == 0 || at == nOriginal + 1 || text.compare(nOriginal + 1, query.size(), query) == 0)
        return BEGINS;
    return IN_TITLE;
}

const std::vector<MediaEntry*>& TitleSearch::find(const PallixString& query)
{
    std::string folded = TextFold::fold(query.str());
    mResults.clear();
    if (folded.empty())
    {
        mLastQuery.clear();
        mLastMatches.clear();
        return mResults;
    }

    const bool bNarrower = !mLastQuery.empty() && folded.compare(0, mLastQuery.size(), mLastQuery) == 0;
    std::vector<uint32_t> matches;
    std::array<std::vector<MediaEntry*>, NONE> ranked;
    auto consider = [&](uint32_t nIndex)
    {
        Rank r = rank(nIndex, folded);
        if (r == NONE)
            return;
        matches.push_back(nIndex);
        ranked[r].push_back(mEntries[nIndex]);
    };
    if (bNarrower)
    {
        for (uint32_t nIndex : mLastMatches)
            consider(nIndex);
    }
    else
    {
        for (uint32_t nIndex = 0; nIndex < mTexts.size(); ++nIndex)
            consider(nIndex);
    }
    mLastQuery = folded;
    mLastMatches = std::move(matches);
    for (const std::vector<MediaEntry*>& group : ranked)
        mResults.insert(mResults.end(), group.begin(), group.end());
    return mResults;
}
