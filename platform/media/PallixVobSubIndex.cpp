#include "PallixVobSubIndex.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace
{
// An index lists a few lines a picture: some thousand pictures a film come to
// a few hundred kilobytes. Anything far larger is no index.
constexpr size_t MAX_INDEX_BYTES = 16 * 1024 * 1024;
constexpr const char* SIGNATURE = "# VobSub index file";

std::string trimmed(const std::string& text)
{
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos)
        return std::string();
    return text.substr(start, text.find_last_not_of(" \t\r") - start + 1);
}

// "id: en, index: 0": the language and the number, as libavformat reads them
// ("und" and 0 when the line says otherwise).
PallixVobSubIndex::Track readIdLine(const std::string& line)
{
    PallixVobSubIndex::Track track;
    const size_t comma = line.find(',');
    const size_t index = line.find("index:", comma == std::string::npos ? 0 : comma);
    if (comma == std::string::npos || index == std::string::npos)
        return track;
    const std::string code = trimmed(line.substr(3, comma - 3));
    char* end = nullptr;
    const long number = std::strtol(line.c_str() + index + 6, &end, 10);
    if (end == line.c_str() + index + 6 || number < 0 || number > 255)
        return track;
    track.nIndex = int(number);
    if (code.size() >= 2 && code.size() <= 3 &&
        std::all_of(code.begin(), code.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }))
        track.language = code;
    return track;
}
} // namespace

std::vector<PallixVobSubIndex::Track> PallixVobSubIndex::ReadTracks(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string text;
    text.resize(MAX_INDEX_BYTES + 1);
    in.read(text.data(), std::streamsize(text.size()));
    text.resize(size_t(in.gcount()));
    if (text.size() > MAX_INDEX_BYTES)
        return {};
    return ParseTracks(text);
}

std::vector<PallixVobSubIndex::Track> PallixVobSubIndex::ParseTracks(const std::string& text)
{
    std::vector<Track> tracks;
    if (!IsIndex(text))
        return tracks;
    // Pictures before any "id:" line belong to track 0.
    Track current;
    bool bListed = false;
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.compare(0, 3, "id:") == 0)
        {
            current = readIdLine(line);
            bListed = false;
        }
        else if (line.compare(0, 10, "timestamp:") == 0 && !bListed)
        {
            // A language without pictures is no track; one listed twice is one.
            bListed = true;
            if (std::none_of(tracks.begin(), tracks.end(), [&](const Track& t) { return t.nIndex == current.nIndex; }))
                tracks.push_back(current);
        }
    }
    return tracks;
}

bool PallixVobSubIndex::IsIndex(const std::string& text)
{
    return text.compare(0, std::char_traits<char>::length(SIGNATURE), SIGNATURE) == 0;
}

std::string PallixVobSubIndex::PicturesPath(const std::string& indexPath)
{
    std::error_code error;
    for (const char* extension : {".sub", ".SUB", ".Sub"})
    {
        std::filesystem::path pictures(indexPath);
        pictures.replace_extension(extension);
        if (std::filesystem::is_regular_file(pictures, error))
            return pictures.string();
    }
    return std::string();
}
