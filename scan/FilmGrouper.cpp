#include "FilmGrouper.h"

#include "DatabaseValue.h"
#include "FilmParts.h"
#include "FolderWalker.h"
#include "NameParser.h"
#include "ProbeCache.h"
#include "ProbedValues.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>
#include <sys/stat.h>

namespace
{
// A film at least this much shorter than the longest beside it is an extra.
constexpr double EXTRA_SHARE = 0.5;

struct ExtraWord
{
    std::string_view word;
    std::string_view label;
    // Only as "-word" at the end ("Heat-short"): as a word it may be the title's.
    bool bDashOnly;
};
constexpr std::array<ExtraWord, 15> EXTRA_WORDS = {{
    {"trailer", "Trailer", false},
    {"teaser", "Teaser", false},
    {"featurette", "Featurette", false},
    {"behindthescenes", "Behind the Scenes", false},
    {"behind the scenes", "Behind the Scenes", false},
    {"deleted", "Deleted Scene", true},
    {"deletedscene", "Deleted Scene", false},
    {"deletedscenes", "Deleted Scenes", false},
    {"interview", "Interview", true},
    {"scene", "Scene", true},
    {"short", "Short", true},
    {"extra", "Extra", true},
    {"other", "Other", true},
    {"makingof", "Making Of", false},
    {"making of", "Making Of", false},
}};

// Folder names that say nothing of the film or show inside.
constexpr std::array<std::string_view, 22> GENERIC_FOLDERS = {
    "movies", "films", "film", "movie", "videos", "video", "downloads", "download", "complete", "completed",
    "new folder", "torrents", "media", "incoming", "tv", "tv shows", "series", "shows", "anime", "episodes",
    "unsorted", "temp"};

bool isBoundary(const std::string& text, size_t nAt)
{
    return nAt >= text.size() || !std::isalnum(static_cast<unsigned char>(text[nAt]));
}

std::string spaced(std::string text)
{
    for (char& c : text)
        if (c == '.' || c == '_' || c == '-')
            c = ' ';
    return text;
}

NameParser::TitleName titleOf(const std::string& stem)
{
    return NameParser::parseTitleName(PallixString(FilmParts::withoutMark(stem)));
}

bool isPrefix(const std::string& a, const std::string& b)
{
    return !a.empty() && b.compare(0, a.size(), a) == 0;
}

// "Film A", "Film.GRPb": a part's letter at the end of its name.
std::string withoutPartLetter(const std::string& stem)
{
    if (FilmParts::read(stem).bFound || stem.size() < 2)
        return FilmParts::withoutMark(stem);
    std::string text = stem.substr(0, stem.size() - 1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '.' || text.back() == '-' || text.back() == '_'))
        text.pop_back();
    return text.empty() ? stem : text;
}
} // namespace

FilmGrouper::FilmGrouper(const ProbeCache* pCache) : mpCache(pCache) {}

bool FilmGrouper::isGenericFolder(const PallixString& name)
{
    return std::find(GENERIC_FOLDERS.begin(), GENERIC_FOLDERS.end(), PallixString::LowerAscii(name.str())) !=
           GENERIC_FOLDERS.end();
}

bool FilmGrouper::isSample(const PallixString& name)
{
    const std::string folded = PallixString::LowerAscii(FolderWalker::withoutExtension(name).str());
    for (size_t nAt = folded.find("sample"); nAt != std::string::npos; nAt = folded.find("sample", nAt + 1))
        if ((nAt == 0 || isBoundary(folded, nAt - 1)) && isBoundary(folded, nAt + 6))
            return true;
    return false;
}

bool FilmGrouper::isExtra(const PallixString& stem, PallixString& label, PallixString& base)
{
    const std::string folded = PallixString::LowerAscii(stem.str());
    const std::string words = spaced(folded);
    for (const ExtraWord& extra : EXTRA_WORDS)
    {
        const std::string word(extra.word);
        // "Heat-trailer", "Heat.1995.Trailer", "trailer", "Heat Official Trailer 2".
        const bool bDashed = folded.size() > word.size() + 1 &&
                             folded.compare(folded.size() - word.size(), word.size(), word) == 0 &&
                             folded[folded.size() - word.size() - 1] == '-';
        bool bWord = false;
        if (!extra.bDashOnly)
            for (size_t nAt = words.find(word); nAt != std::string::npos && !bWord; nAt = words.find(word, nAt + 1))
                bWord = (nAt == 0 || words[nAt - 1] == ' ') && isBoundary(words, nAt + word.size());
        if (!bDashed && !bWord && folded != word)
            continue;
        label = PallixString(std::string(extra.label));
        const size_t nAt = bDashed ? folded.size() - word.size() - 1 : words.find(word);
        base = stem.Left(static_cast<int>(nAt == std::string::npos ? 0 : nAt));
        return true;
    }
    return false;
}

double FilmGrouper::secondsOf(const PallixString& path)
{
    struct stat st;
    if (::stat(path, &st) != 0)
        return 0;
    ProbedValues values;
    const int64_t nTime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    if (mpCache && mpCache->lookup(path.str(), static_cast<uint64_t>(st.st_size), nTime, values))
        return values.getSeconds();
    PallixString reason;
    return values.probeFile(path, reason) ? values.getSeconds() : 0;
}

void FilmGrouper::addFilm(const PallixString& folder, const std::vector<PallixString>& files, const Unit& unit,
                          const std::vector<Unit>& extras, bool bOwnFolder, std::vector<TitleFolder>& titles)
{
    TitleFolder title;
    title.kind = bOwnFolder ? TitleFolder::FILM : TitleFolder::LOOSE_FILE;
    title.folder = folder;
    title.bOwnFolder = bOwnFolder;
    TitleFolder::Item main;
    main.folder = folder;
    main.file = files[unit.parts.front()];
    for (size_t i = 1; i < unit.parts.size(); ++i)
        main.parts.push_back(files[unit.parts[i]]);
    const std::string stem = FolderWalker::withoutExtension(main.file).str();
    const std::string filmName = unit.parts.size() > 1 ? withoutPartLetter(stem) : FilmParts::withoutMark(stem);
    title.name = PallixString(filmName);
    if (bOwnFolder)
    {
        // The folder names the film unless it plainly names something else.
        const PallixString folderName = folder.Mid(folder.ReverseFind('/') + 1);
        NameParser::TitleName byFolder = NameParser::parseTitleName(folderName);
        NameParser::TitleName byFile = NameParser::parseTitleName(PallixString(filmName));
        const std::string a = NameParser::comparable(byFolder.title.str());
        const std::string b = NameParser::comparable(byFile.title.str());
        const bool bSame = isPrefix(a, b) || isPrefix(b, a);
        const bool bGeneric = isGenericFolder(folderName);
        if (bSame || (!bGeneric && (!byFolder.year.IsEmpty() || byFile.year.IsEmpty())))
        {
            title.name = folderName;
            title.otherName = PallixString(filmName);
        }
    }
    title.items.push_back(main);
    auto addExtra = [&](size_t nFile)
    {
        TitleFolder::Item item;
        item.role = TitleFolder::EXTRA;
        item.folder = folder;
        item.file = files[nFile];
        item.label = mLabels[nFile];
        title.items.push_back(item);
    };
    for (size_t nFile : unit.extras)
        addExtra(nFile);
    for (const Unit& other : extras)
        for (size_t nFile : other.parts)
            addExtra(nFile);
    titles.push_back(title);
}

bool FilmGrouper::group(const PallixString& folder, const std::vector<PallixString>& files, bool bShared,
                        std::vector<TitleFolder>& titles)
{
    mLabels.assign(files.size(), PallixString());
    std::vector<std::string> stems;
    for (const PallixString& file : files)
        stems.push_back(FolderWalker::withoutExtension(file).str());

    // Extras by their names, and the films they belong to.
    std::vector<size_t> films;
    std::vector<std::pair<size_t, std::string>> extras;
    for (size_t i = 0; i < files.size(); ++i)
    {
        PallixString label, base;
        if (isExtra(PallixString(stems[i]), label, base))
        {
            mLabels[i] = label;
            extras.emplace_back(i, NameParser::comparable(titleOf(base.str()).title.str()));
        }
        else
            films.push_back(i);
    }
    std::vector<std::string> filmStems;
    for (size_t i : films)
        filmStems.push_back(stems[i]);
    std::vector<Unit> units;
    std::vector<bool> bInPart(films.size(), false);
    for (const std::vector<size_t>& parts : FilmParts::group(filmStems))
    {
        Unit unit;
        for (size_t k : parts)
        {
            unit.parts.push_back(films[k]);
            bInPart[k] = true;
        }
        units.push_back(unit);
    }
    for (size_t k = 0; k < films.size(); ++k)
        if (!bInPart[k])
            units.push_back(Unit{{films[k]}, {}, {}, -1});
    std::sort(units.begin(), units.end(), [](const Unit& a, const Unit& b) { return a.parts < b.parts; });
    for (Unit& unit : units)
    {
        NameParser::TitleName name = titleOf(unit.parts.size() > 1 ? withoutPartLetter(stems[unit.parts.front()])
                                                                   : stems[unit.parts.front()]);
        unit.key = NameParser::comparable(name.title.str());
    }
    // Copies of one film: the largest is the film, the others its extras.
    for (size_t i = 0; i < units.size(); ++i)
        for (size_t j = i + 1; j < units.size();)
        {
            if (units[j].key != units[i].key)
            {
                ++j;
                continue;
            }
            struct stat a {}, b {};
            ::stat(folder + "/" + files[units[i].parts.front()], &a);
            ::stat(folder + "/" + files[units[j].parts.front()], &b);
            if (b.st_size > a.st_size)
                std::swap(units[i], units[j]);
            for (size_t nFile : units[j].parts)
                units[i].extras.push_back(nFile);
            units.erase(units.begin() + static_cast<long>(j));
        }
    return place(folder, files, units, extras, bShared, titles);
}

long FilmGrouper::findMain(const PallixString& folder, const std::vector<PallixString>& files,
                           std::vector<Unit>& units)
{
    // The folder's own film: the one named like it, else the one long film.
    const std::string folderKey =
        NameParser::comparable(NameParser::parseTitleName(folder.Mid(folder.ReverseFind('/') + 1)).title.str());
    long nMain = -1;
    int nNamed = 0;
    for (size_t i = 0; i < units.size(); ++i)
        if (units[i].key == folderKey)
        {
            ++nNamed;
            nMain = static_cast<long>(i);
        }
    for (Unit& unit : units)
        unit.seconds = secondsOf(folder + "/" + files[unit.parts.front()]);
    if (nNamed != 1)
    {
        nMain = -1;
        double longest = 0;
        for (const Unit& unit : units)
            longest = std::max(longest, unit.seconds);
        int nLong = 0;
        for (size_t i = 0; i < units.size(); ++i)
            if (units[i].seconds <= 0 || units[i].seconds >= EXTRA_SHARE * longest)
            {
                ++nLong;
                nMain = static_cast<long>(i);
            }
        if (nLong != 1)
            nMain = -1;
    }
    return nMain;
}

bool FilmGrouper::place(const PallixString& folder, const std::vector<PallixString>& files, std::vector<Unit>& units,
                        const std::vector<std::pair<size_t, std::string>>& extras, bool bShared,
                        std::vector<TitleFolder>& titles)
{
    std::vector<size_t> orphans;
    for (const auto& [nFile, base] : extras)
    {
        auto found = std::find_if(units.begin(), units.end(), [&](const Unit& unit)
                                  { return isPrefix(base, unit.key) || isPrefix(unit.key, base); });
        if (found != units.end())
            found->extras.push_back(nFile);
        else
            orphans.push_back(nFile);
    }
    auto addLoose = [&](const Unit& unit) { addFilm(folder, files, unit, {}, false, titles); };
    auto addOrphans = [&]
    {
        for (size_t nFile : orphans)
            addLoose(Unit{{nFile}, {}, {}, -1});
    };
    if (units.empty() && !orphans.empty() && !bShared)
    {
        // A folder of extras alone: the first is its title.
        Unit unit{{orphans.front()}, {orphans.begin() + 1, orphans.end()}, {}, -1};
        addFilm(folder, files, unit, {}, true, titles);
        return true;
    }
    if (!bShared && units.size() == 1)
    {
        units.front().extras.insert(units.front().extras.end(), orphans.begin(), orphans.end());
        addFilm(folder, files, units.front(), {}, true, titles);
        return true;
    }
    if (bShared)
    {
        for (const Unit& unit : units)
            addLoose(unit);
        addOrphans();
        return false;
    }

    const long nMain = findMain(folder, files, units);
    if (nMain < 0)
    {
        for (const Unit& unit : units)
            addLoose(unit);
        addOrphans();
        return false;
    }
    Unit& main = units[static_cast<size_t>(nMain)];
    std::vector<Unit> shortOnes;
    std::vector<Unit> films;
    for (size_t i = 0; i < units.size(); ++i)
    {
        if (static_cast<long>(i) == nMain)
            continue;
        const bool bShort = main.seconds <= 0 || units[i].seconds < EXTRA_SHARE * main.seconds;
        (bShort ? shortOnes : films).push_back(units[i]);
    }
    if (films.empty())
    {
        main.extras.insert(main.extras.end(), orphans.begin(), orphans.end());
        addFilm(folder, files, main, shortOnes, true, titles);
        return true;
    }
    addFilm(folder, files, main, shortOnes, false, titles);
    for (const Unit& unit : films)
        addLoose(unit);
    addOrphans();
    return false;
}
