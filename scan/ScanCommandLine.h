#pragma once

#include "PallixString.h"

#include <vector>

// quorva-scan [--db FILE] [--merge] [--force] [--dry-run] [--jobs N] FOLDER...
class ScanCommandLine
{
public:
    ScanCommandLine();

    // False when the line cannot be run; getError then says why.
    bool parse(int argc, char** argv);

    static const char* USAGE;

    bool isHelp() { return mbHelp; }
    PallixString& getDatabase() { return mDatabase; }
    bool isMerge() { return mbMerge; }
    bool isForce() { return mbForce; }
    bool isDryRun() { return mbDryRun; }
    int getJobs() { return mJobs; }
    std::vector<PallixString>& getFolders() { return mFolders; }
    PallixString& getError() { return mError; }

private:
    PallixString mDatabase;
    bool mbMerge;
    bool mbForce;
    bool mbDryRun;
    bool mbHelp;
    int mJobs;
    std::vector<PallixString> mFolders;
    PallixString mError;
};
