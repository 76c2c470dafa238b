#pragma once

#include "PallixString.h"

#include <cstddef>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

class MediaEntry;

// The series of the library and the order of their episodes. A series is a
// record whose feature items name episode records (genre "Episodes"), listed in
// viewing order; a title that is a folder of several movie files is one too,
// its files in the folder's order.
class SeriesIndex
{
public:
    // Reads the series out of the records, in their order. Reads only what the
    // records were loaded with, so it may run on any thread.
    void build(const std::vector<MediaEntry*>& entries);
    bool isBuilt() const { return mbBuilt; }

    // Series records, in the library's order.
    const std::vector<MediaEntry*>& getSeries() const { return mSeries; }
    // A series' episodes in viewing order; null for a record that is no series.
    const std::vector<MediaEntry*>* getEpisodes(MediaEntry* pSeries) const;
    // The series an episode record belongs to and its place there; null for none.
    MediaEntry* getSeriesOf(MediaEntry* pEpisode, size_t& nIndex) const;
    // Named among another record's feature items: an episode or an extra.
    bool belongsToAnother(MediaEntry* pEntry) const { return mChildren.count(pEntry) > 0; }

    // What follows one played movie: the next episode record of its series, or,
    // for a file of a title's folder, the folder's next movie file. False after
    // the last episode and for what is no episode.
    bool findNext(MediaEntry* pEntry, const PallixString& file, MediaEntry*& pNext, PallixString& nextFile) const;
    // The movie files of a title's folder, in the folder's order.
    static std::vector<PallixString> getFolderFiles(MediaEntry* pEntry);

private:
    bool mbBuilt = false;
    std::vector<MediaEntry*> mSeries;
    std::unordered_map<MediaEntry*, std::vector<MediaEntry*>> mEpisodes;
    std::unordered_map<MediaEntry*, std::pair<MediaEntry*, size_t>> mSeriesOf;
    std::unordered_set<MediaEntry*> mChildren;
};
