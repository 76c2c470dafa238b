#pragma once

#include "PallixString.h"
#include "TitleFolder.h"

#include <string>
#include <utility>
#include <vector>

class ProbeCache;

// Decides which of a folder's films belong together. Files belong to one film
// when their names say so: the parts of one film ("CD1", "CD2"), copies of the
// same title, or a film's "-trailer", "-featurette" and like extras. A folder
// holding one such film is that film's title; a folder of unrelated films gives
// one title per film, named from its file. When the names do not tell, the
// running times do: one long film beside short ones is a film with its extras.
class FilmGrouper
{
public:
    // pCache (may be null) spares probing files a scan already knows.
    explicit FilmGrouper(const ProbeCache* pCache);

    // files: the folder's movie files that are neither samples nor episodes.
    // bShared: a folder that is no film's own (a scanned folder itself, a
    // folder of downloads), whose films are always titles of their own.
    // Returns true when the folder is one film's own folder.
    bool group(const PallixString& folder, const std::vector<PallixString>& files, bool bShared,
               std::vector<TitleFolder>& titles);

    // "Movies", "Downloads", "TV": a folder's name that names nothing in it.
    static bool isGenericFolder(const PallixString& name);
    // "Heat-sample.mkv", "sample.mkv": never a title or an extra.
    static bool isSample(const PallixString& name);
    // "Heat-trailer", "Heat.1995.Featurette": an extra by its name; label then names
    // it ("Trailer") and base is the film's part of the name.
    static bool isExtra(const PallixString& stem, PallixString& label, PallixString& base);

private:
    struct Unit
    {
        // Indices into the files: the main one first, then further parts.
        std::vector<size_t> parts;
        std::vector<size_t> extras;
        std::string key;
        double seconds = -1;
    };

    // Which units are titles, which extras.
    bool place(const PallixString& folder, const std::vector<PallixString>& files, std::vector<Unit>& units,
               const std::vector<std::pair<size_t, std::string>>& extras, bool bShared,
               std::vector<TitleFolder>& titles);
    // The unit that is the folder's own film, of which the others may be extras; -1 when none is.
    long findMain(const PallixString& folder, const std::vector<PallixString>& files, std::vector<Unit>& units);
    double secondsOf(const PallixString& path);
    void addFilm(const PallixString& folder, const std::vector<PallixString>& files, const Unit& unit,
                 const std::vector<Unit>& extras, bool bOwnFolder, std::vector<TitleFolder>& titles);

    const ProbeCache* mpCache;
    std::vector<PallixString> mLabels;
};
