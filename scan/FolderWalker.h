#pragma once

#include "PallixString.h"
#include "TitleFolder.h"

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

// Walks the scanned folders and finds the titles in them. A folder holding
// movie files is a title (a series when several of them carry episode marks),
// a folder holding VIDEO_TS is a DVD, and a movie file lying directly in a
// scanned folder is a title of its own. Folders named Extras, Featurettes or
// Trailers in a title's folder hold its extras. A title's folder is not
// searched for further titles; other folders are, through symbolic links too.
class FolderWalker
{
public:
    // Folders that cannot be read and links that lead back into their own path
    // are reported here ("<path>: <reason>") and skipped.
    void walk(const PallixString& root, std::vector<TitleFolder>& titles, std::vector<PallixString>& problems);

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
    // Builds the title a folder holding movie files (or a DVD) makes.
    void addTitle(const PallixString& folder, const Listing& listing, const PallixString& dvdFolder, bool bDvd,
                  std::vector<TitleFolder>& titles, std::vector<PallixString>& problems);
    void addExtras(const PallixString& folder, TitleFolder& title, std::vector<PallixString>& problems);
    // False (and a problem reported) for a folder already on the path being walked.
    bool enter(const PallixString& folder, std::vector<PallixString>& problems, bool& bAlreadySeen);
    void leave();

    // Folders on the path being walked, and every folder walked, by device and inode.
    std::vector<std::pair<uint64_t, uint64_t>> mPath;
    std::set<std::pair<uint64_t, uint64_t>> mSeen;
};
