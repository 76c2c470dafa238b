#pragma once

#include <string>
#include <vector>

// One run of the real quorva-scan binary in a folder: its console lines
// (standard output and error together, not a terminal) and its exit status.
class ScanProcess
{
public:
    ScanProcess(const std::string& dir, const std::vector<std::string>& args);

    const std::vector<std::string>& lines() const { return mLines; }
    int status() const { return mStatus; }

private:
    std::vector<std::string> mLines;
    int mStatus = -1;
};
