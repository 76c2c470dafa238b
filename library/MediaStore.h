#pragma once

#include "PallixNewArray.h"
#include "PallixString.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class MediaEntry;

// The in-memory library: every accepted title in database order and the sorted list
// of genre words, with the start-up passes that complete the titles after parsing.
class MediaStore
{
public:
    MediaStore();
    ~MediaStore();
    MediaStore(const MediaStore&) = delete;
    MediaStore& operator=(const MediaStore&) = delete;

    // The store takes ownership.
    void addMediaEntry(MediaEntry* pEntry);
    // The first entry whose Title equals title exactly, or null.
    MediaEntry* getEntryForTitle(PallixString title);
    // Appends, in store order, the entries whose Genre contains genre ("All": every entry).
    void getMediaForGenre(PallixString genre, PallixNewArray<MediaEntry*>& list);
    PallixNewArray<PallixString>* getGenres() { return &mGenreList; }
    // The database file, as the parser was asked to read it, and the folder its
    // relative paths are relative to; both set by the parser.
    void setDatabasePath(PallixString path) { mDatabasePath = std::move(path); }
    const PallixString& getDatabasePath() const { return mDatabasePath; }
    void setDatabaseDir(PallixString dir) { mDatabaseDir = std::move(dir); }
    const PallixString& getDatabaseDir() const { return mDatabaseDir; }
    int getEntryCount() const { return mEntries.GetSize(); }
    // The record in the title's detail file (Path/Filename.info), its paths
    // resolved like the database's; null when there is none. The caller owns it.
    MediaEntry* readDetailFile(MediaEntry* pEntry);

    void updateGenreList();
    void updateImagePaths();
    void readStats();
    void validateEntries();
    // Writes "exported.txt" in the working directory and one detail file per title.
    void exportEntries();
    // The same, with the index file at indexPath.
    void exportEntries(PallixString indexPath);

private:
    void validateEntry(MediaEntry* pEntry);
    // Why the title cannot be exported (no folder, or a detail file another title
    // already took), or empty when it can; detailPaths collects the files taken.
    PallixString checkExportable(MediaEntry* pEntry, std::unordered_map<std::string, PallixString>& detailPaths);
    // Cover images of a title folder ("folder.png" and "folderLarge.png", any letter
    // case), found in one listing of the folder. The same listing tells whether the
    // stats file named statsName can exist there; bStatsFileAbsent is set only when
    // a lookup of that name could not succeed.
    void findImageFiles(const PallixString& dir, const std::string& statsName, PallixString& imageFile,
                        PallixString& largeImageFile, bool& bStatsFileAbsent);
    // "folder.png" and "folderLarge.png" anywhere in the name, any letter case.
    static bool isImageFile(std::string_view fileName);
    static bool isLargeImageFile(std::string_view fileName);

    PallixNewArray<MediaEntry*> mEntries;
    PallixNewArray<PallixString> mGenreList;
    PallixString mDatabasePath;
    PallixString mDatabaseDir;

    // Title to first entry, for the entries up to mTitleIndexSize. Path repair looks up
    // every title folder it finds, which would be quadratic as a walk over the entries.
    // Titles are fixed before an entry is added, and the index is extended lazily.
    std::unordered_map<std::string, MediaEntry*> mTitleIndex;
    int mTitleIndexSize = 0;

    // Per entry, set by the image pass when its listing of the title folder proved that
    // the stats file is not there, so that the stats pass, which follows it at start-up,
    // need not look it up again. Used up by the stats pass. One byte per entry, so that
    // the threads of the image pass can each write their own.
    std::vector<char> mStatsFileAbsent;
};
