#pragma once

#include <memory>
#include <string>
#include <vector>

class MediaEntry;
class MediaStore;

// One run of the real quorva-scan binary in a folder: its console lines
// (standard output and error together, not a terminal) and its exit status.
class ScanProcess
{
public:
    ScanProcess(const std::string& dir, const std::vector<std::string>& args);

    const std::vector<std::string>& lines() const { return mLines; }
    int status() const { return mStatus; }

    // The database as Quorva's own reader sees it (a full parse).
    static std::unique_ptr<MediaStore> readDatabase(const std::string& path);
    // The record of that Title; a test failure and a blank record when there is none.
    static MediaEntry& entryOf(MediaStore& store, const std::string& title);

private:
    std::vector<std::string> mLines;
    int mStatus = -1;
};
