#pragma once

#include "PallixString.h"

#include <cstdint>
#include <string>
#include <vector>

class MediaEntry;

// Finds titles from a few letters: those whose title, original title, director
// or actors hold the letters, with letter case and accents ignored (TextFold).
// Titles that begin with them come first, then those whose title holds them,
// then the rest, each group in library order. A query that goes on from the one
// before looks only at what that one found, so each letter typed costs less.
class TitleSearch
{
public:
    // The titles searched; their text is folded once, here.
    void setEntries(const std::vector<MediaEntry*>& entries);
    size_t getEntryCount() const { return mEntries.size(); }
    // Every title found for the query; none for a query of no letters.
    const std::vector<MediaEntry*>& find(const PallixString& query);

private:
    enum Rank
    {
        BEGINS,
        IN_TITLE,
        ELSEWHERE,
        NONE
    };
    Rank rank(uint32_t nIndex, const std::string& query) const;

    std::vector<MediaEntry*> mEntries;
    // Per title: its titles, then its people, folded and kept apart by line breaks,
    // which no query holds.
    std::vector<std::string> mTexts;
    // Where each text's titles end.
    std::vector<uint32_t> mTitleEnds;
    std::string mLastQuery;
    std::vector<uint32_t> mLastMatches;
    std::vector<MediaEntry*> mResults;
};
