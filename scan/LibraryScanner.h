#pragma once

#include "PallixString.h"
#include "ScanCommandLine.h"
#include "TitleScan.h"

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class MediaEntry;
class ScanConsole;

// quorva-scan: turns folders of films into Quorva's movie database, or brings
// an existing one up to date (--merge) without losing anything the user wrote.
class LibraryScanner
{
public:
    LibraryScanner();
    ~LibraryScanner();

    // The exit status: 0 when the database was written (problems with single
    // files included), 1 when it could not or must not be, 2 for a bad command line.
    int run(int argc, char** argv);

private:
    // Absolute, without "." and ".." parts or a trailing "/".
    static PallixString absolutePath(const PallixString& path);
    // The run's folders and database, from the command line; an exit status when
    // the run ends there, -1 when it goes on.
    int readCommandLine(int argc, char** argv);
    // The database's folder checked and, with --merge, its records read; an exit
    // status when the run ends there, -1 when it goes on.
    int readDatabase(bool& bDatabaseExists);
    // The console's summary; the exit status.
    int report(size_t nRecords, bool bDryRun, bool bWritten, const PallixString& writeError, bool bDatabaseExists);
    // What identifies a record's file across scans: Path/Filename, the folder of a
    // DVD's title-set files, or the Path alone for a record without Filename.
    static PallixString keyOf(MediaEntry* pEntry);
    static PallixString keyOf(TitleScan& scan, size_t nItem);

    // Walks the scanned folders: "Found N titles".
    void findTitles();
    // Pairs the found items with the records the database has for them.
    void matchExisting();
    // The record of a show, once its episodes are paired.
    MediaEntry* matchSeries(TitleScan& scan, std::map<std::string, std::vector<size_t>>& byPath,
                            const std::vector<bool>& bChild);
    // Scans every title on nJobs threads, handing each to finishTitle in order.
    void scanTitles(int nJobs, bool bMakeCovers);
    void finishTitle(size_t nTitle);
    // An item the database has a record of: updated or unchanged, and listed
    // under its parent as it was.
    void finishExisting(TitleScan& scan, size_t nItem, std::vector<std::pair<PallixString, PallixString>>& children);
    // The parent's feature items name its episodes and extras in viewing order.
    static void arrangeFeatureItems(MediaEntry* pParent,
                                    const std::vector<std::pair<PallixString, PallixString>>& children);
    // Records whose files are gone, for the console.
    void findMissing();
    std::vector<MediaEntry*> ordered();

    ScanCommandLine mCommandLine;
    std::unique_ptr<ScanConsole> mpConsole;
    PallixString mDatabase;
    std::vector<PallixString> mRoots;
    std::vector<std::unique_ptr<MediaEntry>> mExisting;
    std::vector<bool> mExistingMatched;
    std::unordered_map<MediaEntry*, long> mExistingIndex;
    // Items whose values go into the cache once scanning is over.
    std::vector<TitleScan::ItemScan*> mProbed;
    std::vector<std::unique_ptr<TitleScan>> mScans;
    // New records, each after the existing record it belongs next to (-1: at the end).
    std::vector<std::pair<long, std::unique_ptr<MediaEntry>>> mAdded;
    std::vector<PallixString> mProblems;
    std::vector<PallixString> mMissing;
    std::unique_ptr<class ProbeCache> mpCache;
    std::unique_ptr<class RecordAssembler> mpAssembler;
    int mAddedCount;
    int mUpdatedCount;
    int mUnchangedCount;
};
