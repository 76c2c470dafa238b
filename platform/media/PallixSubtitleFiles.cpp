#include "PallixSubtitleFiles.h"

#include "PallixString.h"
#include "PallixVobSubIndex.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace
{
struct Kind
{
    const char* extension;
    const char* codec;
    bool bBitmap;
};

const Kind KINDS[] = {{".srt", "subrip", false},
                      {".ass", "ass", false},
                      {".ssa", "ssa", false},
                      {".vtt", "webvtt", false},
                      {".idx", "dvd_subtitle", true}};

bool isLetters(const std::string& word, size_t minimum, size_t maximum)
{
    return word.size() >= minimum && word.size() <= maximum &&
           std::all_of(word.begin(), word.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); });
}

// "en", "eng", and with a region or script after it: "en-US", "pt_BR", "zh-Hans".
bool readLanguage(const std::string& word, std::string& language)
{
    const size_t dash = word.find_first_of("-_");
    const std::string code = word.substr(0, dash);
    if (!isLetters(code, 2, 3))
        return false;
    if (dash != std::string::npos)
    {
        const std::string region = word.substr(dash + 1);
        const bool bDigits = region.size() == 3 && std::all_of(region.begin(), region.end(), [](char c) {
                                 return std::isdigit(static_cast<unsigned char>(c));
                             });
        if (!isLetters(region, 2, 4) && !bDigits)
            return false;
    }
    language = code;
    return true;
}

// Reads the words between the movie's name and the extension: a language code,
// "forced", and the marks of subtitles for the hard of hearing, in any order.
// False when anything else is there.
bool readMiddle(const std::string& middle, PallixSubtitleFiles::Found& found)
{
    size_t start = 0;
    while (start < middle.size())
    {
        size_t end = middle.find('.', start);
        if (end == std::string::npos)
            end = middle.size();
        const std::string word = PallixString::LowerAscii(middle.substr(start, end - start));
        if (word == "forced")
            found.bForced = true;
        else if (word != "sdh" && word != "cc" && (!found.language.empty() || !readLanguage(word, found.language)))
            return false;
        start = end + 1;
    }
    return true;
}

const Kind* kindOf(const std::string& extension)
{
    for (const Kind& kind : KINDS)
        if (extension == kind.extension)
            return &kind;
    return nullptr;
}

void addFound(const std::filesystem::path& path, const PallixSubtitleFiles::Found& candidate,
              std::vector<PallixSubtitleFiles::Found>& found)
{
    if (!candidate.bBitmap)
    {
        found.push_back(candidate);
        return;
    }
    if (PallixVobSubIndex::PicturesPath(path.string()).empty())
        return;
    // Each language of the index is a track; the name's language is only a fallback.
    for (const PallixVobSubIndex::Track& track : PallixVobSubIndex::ReadTracks(path.string()))
    {
        PallixSubtitleFiles::Found each = candidate;
        each.nFileTrack = track.nIndex;
        if (!track.language.empty())
            each.language = track.language;
        found.push_back(each);
    }
}
} // namespace

std::vector<PallixSubtitleFiles::Found> PallixSubtitleFiles::Find(const std::string& moviePath)
{
    namespace fs = std::filesystem;
    std::vector<Found> found;
    const fs::path movie(moviePath);
    const std::string stem = movie.stem().string();
    if (stem.empty())
        return found;
    std::error_code error;
    const fs::path folder = movie.has_parent_path() ? movie.parent_path() : fs::path(".");
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    {
        std::error_code fileError;
        const std::string name = it->path().filename().string();
        const std::string extension = PallixString::LowerAscii(it->path().extension().string());
        const Kind* pKind = kindOf(extension);
        if (!pKind)
            continue;
        if (name.size() < stem.size() + extension.size() || name.compare(0, stem.size(), stem) != 0 ||
            !it->is_regular_file(fileError))
            continue;
        Found candidate;
        candidate.path = it->path().string();
        candidate.name = name;
        candidate.codec = pKind->codec;
        candidate.bBitmap = pKind->bBitmap;
        const size_t middleStart = stem.size();
        const size_t middleEnd = name.size() - extension.size();
        // "movie.en.srt": a dot, then the words.
        if (middleStart != middleEnd &&
            (name[middleStart] != '.' ||
             !readMiddle(name.substr(middleStart + 1, middleEnd - middleStart - 1), candidate)))
            continue;
        addFound(it->path(), candidate, found);
    }
    const size_t plainLength = stem.size();
    // Stable: the tracks of one VobSub index keep the index's order.
    std::stable_sort(found.begin(), found.end(), [&](const Found& a, const Found& b) {
        const bool bPlainA = a.name.rfind('.') == plainLength;
        const bool bPlainB = b.name.rfind('.') == plainLength;
        if (bPlainA != bPlainB)
            return bPlainA;
        return a.name < b.name;
    });
    return found;
}
