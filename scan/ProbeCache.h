#pragma once

#include "ProbedValues.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// What earlier scans learnt by probing, kept beside the database (its name plus
// ".scancache"), so that a rescan probes only the files whose size or
// modification time changed. One line per file: path, size, time in
// nanoseconds and the probed values, separated by tabs.
class ProbeCache
{
public:
    explicit ProbeCache(PallixString path);

    // A missing or unreadable cache is an empty one.
    void load();
    // The values kept for the file, when its size and time are still those they
    // were probed at. Safe to call from several threads while nothing is stored.
    bool lookup(const std::string& key, uint64_t nSize, int64_t nTime, ProbedValues& values) const;
    void store(const std::string& key, uint64_t nSize, int64_t nTime, ProbedValues& values);
    // Drops what is kept for files inside these folders that were not stored
    // since loading: they are gone.
    void forgetUnseenUnder(const std::vector<PallixString>& folders);
    // Replaces the file as a whole; false when it cannot be written.
    bool save();
    const PallixString& getPath() const { return mPath; }

private:
    struct Record
    {
        uint64_t nSize = 0;
        int64_t nTime = 0;
        std::string values;
        bool bSeen = false;
    };

    PallixString mPath;
    std::unordered_map<std::string, Record> mRecords;
};
