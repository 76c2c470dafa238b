#include "PallixSubtitleFiles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace
{
std::string lower(std::string text)
{
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool isLanguageCode(const std::string& word)
{
    return (word.size() == 2 || word.size() == 3) &&
           std::all_of(word.begin(), word.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); });
}

// Reads the words between the movie's name and the extension: a language code
// and "forced", in either order. False when anything else is there.
bool readMiddle(const std::string& middle, PallixSubtitleFiles::Found& found)
{
    size_t start = 0;
    while (start < middle.size())
    {
        size_t end = middle.find('.', start);
        if (end == std::string::npos)
            end = middle.size();
        const std::string word = lower(middle.substr(start, end - start));
        if (word == "forced")
            found.bForced = true;
        else if (isLanguageCode(word) && found.language.empty())
            found.language = word;
        else
            return false;
        start = end + 1;
    }
    return true;
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
        const std::string extension = lower(it->path().extension().string());
        if (extension != ".srt" && extension != ".ass" && extension != ".ssa")
            continue;
        if (name.size() < stem.size() + extension.size() || name.compare(0, stem.size(), stem) != 0 ||
            !it->is_regular_file(fileError))
            continue;
        Found candidate;
        candidate.path = it->path().string();
        candidate.name = name;
        const size_t middleStart = stem.size();
        const size_t middleEnd = name.size() - extension.size();
        // "movie.en.srt": a dot, then the words.
        if (middleStart != middleEnd &&
            (name[middleStart] != '.' ||
             !readMiddle(name.substr(middleStart + 1, middleEnd - middleStart - 1), candidate)))
            continue;
        found.push_back(candidate);
    }
    const size_t plainLength = stem.size();
    std::sort(found.begin(), found.end(), [&](const Found& a, const Found& b) {
        const bool bPlainA = a.name.rfind('.') == plainLength;
        const bool bPlainB = b.name.rfind('.') == plainLength;
        if (bPlainA != bPlainB)
            return bPlainA;
        return a.name < b.name;
    });
    return found;
}
