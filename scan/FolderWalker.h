#pragma once

#include "PallixString.h"
#include "FilmGrouper.h"
#include "ShowCollector.h"
#include "TitleFolder.h"

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

// Walks the scanned folders and finds the titles in them: films, each film of a
// folder of several, DVD (VIDEO_TS) and Blu-ray (BDMV) folders, and shows, whose
// seasons and episodes may lie in the show's folder, its season folders
// ("Season 1", "S01", "Specials") or among other files. Folders named Extras,
// Featurettes, Trailers and the like hold their title's extras; samples are
// passed over. A film's folder is not searched for further titles; other
// folders are, through symbolic links too.
class FolderWalker
{
public:
    // pCache (may be null) spares probing files the last scan knew, when the
    // running times must tell a film from its extras.
    explicit FolderWalker(const ProbeCache* pCache = nullptr);

    // Folders that cannot be read and links that lead back into their own path
    // are reported here ("<path>: <reason>") and skipped.
    void walk(const PallixString& root, std::vector<TitleFolder>& titles, std::vector<PallixString>& problems);
    // Once every folder is walked: each show's episodes in viewing order, every extra named.
    void finish(std::vector<TitleFolder>& titles);

    // The library's movie files (FileUtils::MOVIE_EXTENSIONS, any letter case).
    static bool isMovieFile(const PallixString& name);
    static bool isExtrasFolder(const PallixString& name);
    // The name without its last extension.
    static PallixString withoutExtension(const PallixString& name);

private:
    struct Listing
    {
        std::vector<PallixString> files;
        std::vector<PallixString> folders;
    };

    // False when the folder cannot be listed. Hidden names are left out.
    bool list(const PallixString& folder, Listing& listing);
    void visit(const PallixString& folder, bool bRoot, std::vector<TitleFolder>& titles,
               std::vector<PallixString>& problems);
    // A DVD or Blu-ray folder becomes its title: false for any other folder.
    bool addDisc(const PallixString& folder, const Listing& listing, std::vector<TitleFolder>& titles,
                 std::vector<PallixString>& problems);
    // A show's folder gives its episodes to their show: false for any other folder.
    bool visitShow(const PallixString& folder, const Listing& listing, bool bRoot, std::vector<TitleFolder>& titles,
                   std::vector<PallixString>& problems);
    static bool isOneShowsFolder(const PallixString& folderName, const std::vector<PallixString>& movies);
    void addSeason(const PallixString& folder, ShowCollector::Place place, std::vector<TitleFolder>& titles,
                   std::vector<PallixString>& problems);
    void addExtras(const PallixString& folder, TitleFolder& title, std::vector<PallixString>& problems);
    // The movie files of a listing, samples of the films beside them left out.
    static std::vector<PallixString> moviesOf(const Listing& listing);
    // Enters and lists a folder; false (a problem reported where there is one) when it is not to be walked.
    bool open(const PallixString& folder, Listing& listing, std::vector<PallixString>& problems);
    // False (and a problem reported) for a folder already on the path being walked.
    bool enter(const PallixString& folder, std::vector<PallixString>& problems, bool& bAlreadySeen);
    void leave();

    FilmGrouper mFilms;
    ShowCollector mShows;
    // Folders on the path being walked, and every folder walked, by device and inode.
    std::vector<std::pair<uint64_t, uint64_t>> mPath;
    std::set<std::pair<uint64_t, uint64_t>> mSeen;
};
