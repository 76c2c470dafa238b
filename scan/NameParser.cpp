#include "NameParser.h"

#include "DatabaseValue.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace
{
// Release tags, lower case: words that only describe the copy, never the film.
constexpr std::array<std::string_view, 34> RELEASE_TAGS = {
    "4k",     "uhd",    "bluray", "blu-ray", "bdrip", "brrip",  "bdremux", "remux",  "dvdrip",
    "dvdr",   "dvd5",   "dvd9",   "webrip",  "web-dl", "webdl", "hdtv",    "hdrip",  "x264",
    "x265",   "h264",   "h265",   "hevc",    "xvid",   "divx",  "10bit",   "hdr",    "hdr10",
    "dts",    "ac3",    "aac",    "proper",  "repack", "unrated", "dvdscr",
};

constexpr int FIRST_YEAR = 1888;
constexpr int LAST_YEAR = 2099;

bool isAlnum(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}


bool isWordStart(const std::string& text, size_t nAt)
{
    return nAt == 0 || !isAlnum(text[nAt - 1]);
}

// "720p", "1080i", "2160p".
bool isResolutionTag(std::string_view word)
{
    if (word.size() < 4 || word.size() > 5)
        return false;
    char last = word.back();
    if (last != 'p' && last != 'i')
        return false;
    return std::all_of(word.begin(), word.end() - 1, [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// Reads up to nMaxDigits digits at nAt; -1 when there are none or more follow.
int readNumber(const std::string& text, size_t nAt, size_t nMaxDigits, size_t& nEnd)
{
    size_t n = 0;
    while (nAt + n < text.size() && std::isdigit(static_cast<unsigned char>(text[nAt + n])))
        ++n;
    if (n == 0 || n > nMaxDigits)
        return -1;
    nEnd = nAt + n;
    return std::atoi(text.substr(nAt, n).c_str());
}

} // namespace

std::string NameParser::spaceOut(const std::string& name)
{
    std::string text = name;
    const bool bHasSpace = text.find(' ') != std::string::npos;
    for (char& c : text)
        if (c == '_' || (!bHasSpace && c == '.'))
            c = ' ';
    return text;
}

size_t NameParser::findReleaseTag(const std::string& text, bool bSkipFirstWord)
{
    const std::string folded = DatabaseValue::lower(text);
    size_t nWordStart = std::string::npos;
    for (size_t i = 0; i <= folded.size(); ++i)
    {
        const bool bWordChar = i < folded.size() && (isAlnum(folded[i]) || folded[i] == '-');
        if (bWordChar && nWordStart == std::string::npos)
            nWordStart = i;
        if (!bWordChar && nWordStart != std::string::npos)
        {
            std::string_view word(folded.data() + nWordStart, i - nWordStart);
            if ((nWordStart > 0 || !bSkipFirstWord) && (isResolutionTag(word) ||
                                   std::find(RELEASE_TAGS.begin(), RELEASE_TAGS.end(), word) != RELEASE_TAGS.end()))
                return nWordStart;
            nWordStart = std::string::npos;
        }
    }
    return std::string::npos;
}

std::string NameParser::tidy(const std::string& text)
{
    std::string result = DatabaseValue::collapseBlanks(text);
    // A dot at the end may be the title's own ("M.A.S.H."): dots that separate
    // words are spaces by now.
    auto isEdge = [](char c) { return c == ' ' || c == '-' || c == ',' || c == '_'; };
    auto isOpening = [](char c) { return c == '(' || c == '[' || c == '{'; };
    while (!result.empty() && (isEdge(result.back()) || isOpening(result.back())))
        result.pop_back();
    size_t nStart = 0;
    while (nStart < result.size() && isEdge(result[nStart]))
        ++nStart;
    return result.substr(nStart);
}

NameParser::TitleName NameParser::parseTitleName(const PallixString& name)
{
    TitleName result;
    const std::string text = spaceOut(name.str());

    // The year is the last four-digit number from 1888 to 2099 that stands on its
    // own after the first word; one in brackets wins over a bare one, so that
    // "Blade Runner 2049 (2017)" keeps its number.
    size_t nYearAt = std::string::npos;
    bool bYearBracketed = false;
    for (size_t i = 1; i + 4 <= text.size(); ++i)
    {
        if (!isWordStart(text, i) || (i + 4 < text.size() && isAlnum(text[i + 4])))
            continue;
        size_t nEnd = 0;
        int nYear = readNumber(text, i, 4, nEnd);
        if (nEnd != i + 4 || nYear < FIRST_YEAR || nYear > LAST_YEAR)
            continue;
        if (tidy(text.substr(0, i)).empty())
            continue;
        const bool bBracketed = text[i - 1] == '(' || text[i - 1] == '[';
        if (bYearBracketed && !bBracketed)
            continue;
        nYearAt = i;
        bYearBracketed = bBracketed;
    }

    std::string title;
    if (nYearAt != std::string::npos)
    {
        result.year = PallixString(text.substr(nYearAt, 4));
        title = text.substr(0, nYearAt);
    }
    else
    {
        // The first word is always the title's, whatever it looks like.
        title = text.substr(0, std::min(findReleaseTag(text, true), text.size()));
    }
    title = tidy(title);
    result.title = PallixString(title.empty() ? tidy(text) : title);
    // "---" is a title of its own; a name of blanks alone has none.
    if (result.title.IsEmpty())
        result.title = PallixString(DatabaseValue::collapseBlanks(name.str()));
    return result;
}

NameParser::EpisodeMark NameParser::parseEpisodeMark(const PallixString& name)
{
    EpisodeMark mark;
    const std::string text = name.str();
    const std::string folded = DatabaseValue::lower(text);
    size_t nMarkEnd = std::string::npos;

    // S01E02, s1e2, S01.E02
    for (size_t i = 0; i < folded.size() && nMarkEnd == std::string::npos; ++i)
    {
        if (folded[i] != 's' || !isWordStart(folded, i))
            continue;
        size_t nEnd = 0;
        int nSeason = readNumber(folded, i + 1, 2, nEnd);
        if (nSeason < 0)
            continue;
        size_t e = nEnd;
        if (e < folded.size() && (folded[e] == '.' || folded[e] == ' ' || folded[e] == '_' || folded[e] == '-'))
            ++e;
        if (e >= folded.size() || folded[e] != 'e')
            continue;
        int nEpisode = readNumber(folded, e + 1, 3, nEnd);
        if (nEpisode < 0)
            continue;
        mark.nSeason = nSeason;
        mark.nEpisode = nEpisode;
        nMarkEnd = nEnd;
    }
    // 1x02, 01x02; never a picture size such as 1920x1080.
    for (size_t i = 0; i < folded.size() && nMarkEnd == std::string::npos; ++i)
    {
        if (!isWordStart(folded, i))
            continue;
        size_t nEnd = 0;
        int nSeason = readNumber(folded, i, 2, nEnd);
        if (nSeason < 0 || nEnd >= folded.size() || folded[nEnd] != 'x')
            continue;
        size_t nEpisodeEnd = 0;
        int nEpisode = readNumber(folded, nEnd + 1, 3, nEpisodeEnd);
        if (nEpisode < 0 || nEpisodeEnd - nEnd - 1 < 2 || (nEpisodeEnd < folded.size() && isAlnum(folded[nEpisodeEnd])))
            continue;
        mark.nSeason = nSeason;
        mark.nEpisode = nEpisode;
        nMarkEnd = nEpisodeEnd;
    }
    if (nMarkEnd != std::string::npos)
    {
        char label[32];
        std::snprintf(label, sizeof(label), "%dx%02d", mark.nSeason, mark.nEpisode);
        mark.label = label;
    }
    // "Episode 2", "Ep.2", "Part 2", "Pt 2"
    static const std::array<std::pair<std::string_view, std::string_view>, 4> WORDS = {
        {{"episode", "Episode"}, {"ep", "Episode"}, {"part", "Part"}, {"pt", "Part"}}};
    for (const auto& [word, shown] : WORDS)
    {
        for (size_t i = folded.find(word); i != std::string::npos && nMarkEnd == std::string::npos;
             i = folded.find(word, i + 1))
        {
            if (!isWordStart(folded, i))
                continue;
            size_t nAt = i + word.size();
            while (nAt < folded.size() && (folded[nAt] == ' ' || folded[nAt] == '.' || folded[nAt] == '_' ||
                                           folded[nAt] == '-'))
                ++nAt;
            size_t nEnd = 0;
            int nNumber = readNumber(folded, nAt, 3, nEnd);
            if (nNumber < 0 || (nEnd < folded.size() && isAlnum(folded[nEnd])))
                continue;
            mark.nEpisode = nNumber;
            mark.label = PallixString(std::string(shown) + " " + std::to_string(nNumber));
            nMarkEnd = nEnd;
        }
    }
    if (nMarkEnd == std::string::npos)
        return EpisodeMark();
    mark.bFound = true;
    mark.name = cleanName(PallixString(text.substr(nMarkEnd)));
    return mark;
}

PallixString NameParser::cleanName(const PallixString& name)
{
    std::string text = spaceOut(name.str());
    text = text.substr(0, std::min(findReleaseTag(text, false), text.size()));
    return PallixString(tidy(text));
}

bool NameParser::isEarlierEpisode(const EpisodeMark& a, const EpisodeMark& b)
{
    if (a.nSeason != b.nSeason)
        return a.nSeason < b.nSeason;
    return a.nEpisode < b.nEpisode;
}
