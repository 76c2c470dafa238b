#include "EpisodeMarks.h"

#include "DatabaseValue.h"
#include "NameWords.h"
#include "ReleaseTags.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <string_view>
#include <vector>

namespace
{
constexpr int FIRST_AIR_YEAR = 1930;
constexpr int LAST_AIR_YEAR = 2035;

bool isWordStart(const std::string& text, size_t nAt)
{
    return nAt == 0 || !NameWords::isAlnum(text[nAt - 1]);
}

bool isSeparator(char c)
{
    return c == ' ' || c == '.' || c == '_' || c == '-';
}

// Reads 1 to nMaxDigits digits at nAt: the number, with nEnd after it; -1 when
// there are none or more.
int readNumber(const std::string& text, size_t nAt, size_t nMaxDigits, size_t& nEnd)
{
    size_t n = 0;
    while (nAt + n < text.size() && NameWords::isDigit(text[nAt + n]))
        ++n;
    if (n == 0 || n > nMaxDigits)
        return -1;
    nEnd = nAt + n;
    return std::stoi(text.substr(nAt, n));
}

// A mark ends where its word does; "v2" (a release's second version) may follow.
bool endsWord(const std::string& text, size_t nAt)
{
    if (nAt >= text.size() || !NameWords::isAlnum(text[nAt]))
        return true;
    return text[nAt] == 'v' && nAt + 1 < text.size() && NameWords::isDigit(text[nAt + 1]) &&
           (nAt + 2 >= text.size() || !NameWords::isAlnum(text[nAt + 2]));
}

size_t skipVersion(const std::string& text, size_t nAt)
{
    return nAt < text.size() && text[nAt] == 'v' ? nAt + 2 : nAt;
}

bool isSeasonWord(std::string_view word)
{
    static constexpr std::array<std::string_view, 12> WORDS = {
        "season", "series", "staffel", "saison", "temporada", "stagione",
        "seizoen", "sezon", "kausi", "sæson", "säsong", "sesong"};
    for (std::string_view candidate : WORDS)
        if (word == candidate)
            return true;
    return false;
}
} // namespace

size_t EpisodeMarks::readMoreEpisodes(const std::string& folded, size_t nAt, bool bCross, Mark& mark)
{
    size_t nEnd = nAt;
    for (;;)
    {
        size_t p = nEnd;
        const bool bDash = p < folded.size() && (folded[p] == '-' || folded[p] == '&' || folded[p] == '+');
        if (bDash || (p < folded.size() && (folded[p] == '.' || folded[p] == '_' || folded[p] == ' ') &&
                      p + 1 < folded.size() && folded[p + 1] == 'e'))
            ++p;
        // "-S01E02" and "-1x02" repeat the season.
        size_t nSeasonEnd = 0;
        if (p < folded.size() && folded[p] == 's' && readNumber(folded, p + 1, 4, nSeasonEnd) == mark.nSeason)
            p = nSeasonEnd;
        else if (bCross && readNumber(folded, p, 2, nSeasonEnd) == mark.nSeason && nSeasonEnd < folded.size() &&
                 folded[nSeasonEnd] == 'x')
            p = nSeasonEnd;
        const bool bLetter = p < folded.size() && (folded[p] == 'e' || folded[p] == 'x');
        if (bLetter)
            ++p;
        if (!bLetter && !bDash)
            break;
        size_t nNumberEnd = 0;
        const int nNext = readNumber(folded, p, 3, nNumberEnd);
        if (nNext <= mark.nLast || nNext > mark.nLast + 50 || !endsWord(folded, nNumberEnd) ||
            (nNumberEnd < folded.size() && (folded[nNumberEnd] == 'p' || folded[nNumberEnd] == 'i')))
            break;
        mark.nLast = nNext;
        nEnd = skipVersion(folded, nNumberEnd);
    }
    return nEnd;
}

bool EpisodeMarks::findSeasonEpisode(const std::string& folded, Mark& mark)
{
    for (size_t i = 0; i < folded.size(); ++i)
    {
        if (folded[i] != 's' || !isWordStart(folded, i))
            continue;
        size_t nEnd = 0;
        const int nSeason = readNumber(folded, i + 1, 4, nEnd);
        if (nSeason < 0)
            continue;
        size_t e = nEnd;
        for (int n = 0; n < 2 && e < folded.size() && isSeparator(folded[e]); ++n)
            ++e;
        if (e >= folded.size() || folded[e] != 'e')
            continue;
        ++e;
        if (e < folded.size() && folded[e] == 'p')
            ++e;
        const int nEpisode = readNumber(folded, e, 4, nEnd);
        // "S01E01E02" runs on into the next episode.
        const bool bMore = nEnd + 1 < folded.size() && folded[nEnd] == 'e' && NameWords::isDigit(folded[nEnd + 1]);
        if (nEpisode < 0 || !(endsWord(folded, nEnd) || bMore))
            continue;
        mark = Mark{i, nEnd, nSeason, nEpisode, nEpisode, {}};
        mark.nEnd = readMoreEpisodes(folded, skipVersion(folded, nEnd), false, mark);
        return true;
    }
    return false;
}

// "1x02", "01x02", "1x01-02"; never a picture size such as 1920x1080.
bool EpisodeMarks::findCrossMark(const std::string& folded, Mark& mark)
{
    for (size_t i = 0; i < folded.size(); ++i)
    {
        if (!NameWords::isDigit(folded[i]) || !isWordStart(folded, i))
            continue;
        size_t nEnd = 0;
        const int nSeason = readNumber(folded, i, 2, nEnd);
        if (nSeason < 0 || nEnd >= folded.size() || folded[nEnd] != 'x')
            continue;
        size_t nEpisodeEnd = 0;
        const int nEpisode = readNumber(folded, nEnd + 1, 3, nEpisodeEnd);
        if (nEpisode < 0 || nEpisodeEnd - nEnd - 1 < 2 || !endsWord(folded, nEpisodeEnd))
            continue;
        mark = Mark{i, nEpisodeEnd, nSeason, nEpisode, nEpisode, {}};
        mark.nEnd = readMoreEpisodes(folded, skipVersion(folded, nEpisodeEnd), true, mark);
        return true;
    }
    return false;
}

// "Season 1 Episode 2", "Staffel 1 Folge 2".
bool EpisodeMarks::findSeasonEpisodeWords(const std::vector<NameWords::Word>& words, Mark& mark)
{
    for (size_t i = 0; i + 3 < words.size(); ++i)
    {
        if (!isSeasonWord(words[i].folded) || !NameWords::isDigits(words[i + 1].folded))
            continue;
        size_t k = i + 2;
        if (NameWords::isDash(words[k]) && k + 2 < words.size())
            ++k;
        const std::string& word = words[k].folded;
        if ((word != "episode" && word != "ep" && word != "folge" && word != "episodio" && word != "épisode") ||
            !NameWords::isDigits(words[k + 1].folded) || words[k + 1].folded.size() > 4)
            continue;
        const int nEpisode = std::stoi(words[k + 1].folded);
        mark = Mark{words[i].nStart, words[k + 1].nEnd, std::stoi(words[i + 1].folded.substr(0, 4)), nEpisode,
                    nEpisode, {}};
        return true;
    }
    return false;
}

// "2024.03.15", "2024-03-15", "15.03.2024": a show known by the day it aired.
bool EpisodeMarks::findDate(const std::string& folded, Mark& mark)
{
    for (size_t i = 0; i + 10 <= folded.size(); ++i)
    {
        if (!isWordStart(folded, i) || !NameWords::isDigit(folded[i]))
            continue;
        const char separator = folded[i + 4];
        const bool bYearFirst = isSeparator(separator) && folded[i + 7] == separator;
        const char other = folded[i + 2];
        const bool bDayFirst = isSeparator(other) && folded[i + 5] == other;
        size_t nEnd = 0;
        int nYear = -1, nMonth = -1, nDay = -1;
        if (bYearFirst && readNumber(folded, i, 4, nEnd) >= 0 && nEnd == i + 4)
        {
            nYear = std::stoi(folded.substr(i, 4));
            nMonth = readNumber(folded, i + 5, 2, nEnd) >= 0 && nEnd == i + 7 ? std::stoi(folded.substr(i + 5, 2)) : -1;
            nDay = readNumber(folded, i + 8, 2, nEnd) >= 0 && nEnd == i + 10 ? std::stoi(folded.substr(i + 8, 2)) : -1;
        }
        else if (bDayFirst && readNumber(folded, i + 6, 4, nEnd) >= 0 && nEnd == i + 10)
        {
            nYear = std::stoi(folded.substr(i + 6, 4));
            nMonth = readNumber(folded, i + 3, 2, nEnd) >= 0 && nEnd == i + 5 ? std::stoi(folded.substr(i + 3, 2)) : -1;
            nDay = readNumber(folded, i, 2, nEnd) >= 0 && nEnd == i + 2 ? std::stoi(folded.substr(i, 2)) : -1;
        }
        if (nYear < FIRST_AIR_YEAR || nYear > LAST_AIR_YEAR || nMonth < 1 || nMonth > 12 || nDay < 1 || nDay > 31 ||
            (i + 10 < folded.size() && NameWords::isAlnum(folded[i + 10])))
            continue;
        char date[16];
        std::snprintf(date, sizeof(date), "%04d-%02d-%02d", nYear, nMonth, nDay);
        mark = Mark{i, i + 10, nYear, nMonth * 100 + nDay, nMonth * 100 + nDay, date};
        return true;
    }
    return false;
}

// "Episode 2", "Ep.2", "Ep02", "E02", "Folge 2", and a series of documentaries' "2of6" or "2 of 6".
bool EpisodeMarks::findEpisodeWord(const std::string& folded, Mark& mark)
{
    for (size_t i = 0; i < folded.size(); ++i)
    {
        size_t nEnd = 0;
        const int nNumber = isWordStart(folded, i) ? readNumber(folded, i, 2, nEnd) : -1;
        if (nNumber <= 0)
            continue;
        size_t nAt = nEnd + (nEnd < folded.size() && folded[nEnd] == ' ' ? 1 : 0);
        if (folded.compare(nAt, 2, "of") != 0)
            continue;
        nAt += 2 + (nAt + 2 < folded.size() && folded[nAt + 2] == ' ' ? 1 : 0);
        size_t nTotalEnd = 0;
        const int nTotal = readNumber(folded, nAt, 2, nTotalEnd);
        if (nTotal >= nNumber && endsWord(folded, nTotalEnd))
        {
            mark = Mark{i, nTotalEnd, -1, nNumber, nNumber, {}};
            return true;
        }
    }
    static constexpr std::array<std::string_view, 7> WORDS = {"episode", "episodio", "épisode", "folge",
                                                               "ep",      "e",        "capitulo"};
    for (size_t i = 0; i < folded.size(); ++i)
    {
        if (!isWordStart(folded, i))
            continue;
        for (std::string_view word : WORDS)
        {
            if (folded.compare(i, word.size(), word) != 0)
                continue;
            size_t nAt = i + word.size();
            // "E02" and "Ep02" are one word; "Episode 2" and "Ep. 2" two.
            const bool bJoined = nAt < folded.size() && NameWords::isDigit(folded[nAt]);
            if (!bJoined && word == "e")
                continue;
            while (!bJoined && nAt < folded.size() && isSeparator(folded[nAt]))
                ++nAt;
            if (nAt == i + word.size() && !bJoined)
                continue;
            size_t nEnd = 0;
            const int nNumber = readNumber(folded, nAt, word == "e" ? 3 : 4, nEnd);
            if (nNumber < 0 || !endsWord(folded, nEnd) || (word == "e" && nEnd - nAt < 2))
                continue;
            mark = Mark{i, nEnd, -1, nNumber, nNumber, {}};
            mark.nEnd = readMoreEpisodes(folded, skipVersion(folded, nEnd), false, mark);
            return true;
        }
    }
    return false;
}

// "[Group] Show - 02 [1080p]" (an episode counted from the show's start),
// "Show.Name.102.HDTV" (season 1, episode 2), and in a show's folder also
// "Show 102" and "02 - Title".
bool EpisodeMarks::findNumberOnly(const std::vector<NameWords::Word>& words, bool bInShow, Mark& mark)
{
    const bool bGroupFirst = !words.empty() && words[0].nGroup != 0 && words[0].open == '[';
    for (size_t i = 0; i < words.size(); ++i)
    {
        const NameWords::Word& word = words[i];
        std::string digits = word.folded;
        if (!digits.empty() && digits.back() == '.')
            digits.pop_back();
        const size_t nVersion = digits.find('v');
        if (nVersion != std::string::npos && nVersion + 2 == digits.size() && NameWords::isDigit(digits.back()))
            digits = digits.substr(0, nVersion);
        if (word.nGroup != 0 || !NameWords::isDigits(digits) || digits.size() > 4 ||
            (digits.size() == 4 && NameWords::yearOf(word) > 0))
            continue;
        const int nNumber = std::stoi(digits);
        // Four digits for a long show's episodes, in the groups' way ("[Group] Show - 1000")
        // or with the release's tags right after them ("Detective.Conan.1000.1080p").
        if (digits.size() == 4 && !bGroupFirst)
        {
            if (i >= 1 && i + 1 < words.size() && words[i + 1].nGroup == 0 &&
                ReleaseTags::kindOf(words[i + 1].folded) == ReleaseTags::TECHNICAL)
            {
                mark = Mark{word.nStart, word.nEnd, -1, nNumber, nNumber, {}};
                return true;
            }
            continue;
        }
        const bool bAfterDash = i >= 2 && NameWords::isDash(words[i - 1]);
        const bool bNext = i + 1 < words.size();
        const bool bNextIsTag = bNext && (words[i + 1].nGroup != 0 ||
                                          ReleaseTags::kindOf(words[i + 1].folded) == ReleaseTags::TECHNICAL);
        const bool bNextIsYear = bNext && words[i + 1].nGroup == 0 && NameWords::yearOf(words[i + 1]) > 0;
        if ((bAfterDash && !bNextIsYear) || (bGroupFirst && i >= 2 && (!bNext || bNextIsTag)))
        {
            mark = Mark{word.nStart, word.nEnd, -1, nNumber, nNumber, {}};
            // "S2 - 05", "Season 2 - 05": a season before the dash.
            if (bAfterDash && i >= 3)
            {
                const std::string& before = words[i - 2].folded;
                size_t nEnd = 0;
                if (before.size() >= 2 && before[0] == 's' && readNumber(before, 1, 2, nEnd) >= 0 && nEnd == before.size())
                    mark.nSeason = std::stoi(before.substr(1));
                else if (i >= 4 && NameWords::isDigits(before) && isSeasonWord(words[i - 3].folded))
                    mark.nSeason = std::stoi(before.substr(0, 4));
            }
            return true;
        }
        // "Show.102.Title.HDTV": a release of a show, whose tags follow; a year after it makes it a film's.
        bool bTagLater = false;
        bool bYearLater = false;
        for (size_t k = i + 1; k < words.size(); ++k)
        {
            bTagLater = bTagLater || ReleaseTags::kindOf(words[k].folded) == ReleaseTags::TECHNICAL;
            bYearLater = bYearLater || (words[k].nGroup == 0 && NameWords::yearOf(words[k]) > 0);
        }
        const bool bThreeDigits = digits.size() == 3 && nNumber % 100 > 0 && i >= 1 && !bYearLater;
        if (bThreeDigits && (bTagLater || (bInShow && !bAfterDash)))
        {
            mark = Mark{word.nStart, word.nEnd, nNumber / 100, nNumber % 100, nNumber % 100, {}};
            return true;
        }
        if (bInShow && i == 0 && digits.size() <= 3 && nNumber > 0)
        {
            mark = Mark{word.nStart, word.nEnd, -1, nNumber, nNumber, {}};
            return true;
        }
    }
    return false;
}

PallixString EpisodeMarks::labelOf(const NameParser::EpisodeMark& mark)
{
    char label[48];
    if (!mark.airDate.IsEmpty())
        std::snprintf(label, sizeof(label), "%s", mark.airDate.c_str());
    else if (mark.nSeason >= 0 && mark.nLastEpisode != mark.nEpisode)
        std::snprintf(label, sizeof(label), "%dx%02d-%02d", mark.nSeason, mark.nEpisode, mark.nLastEpisode);
    else if (mark.nSeason >= 0)
        std::snprintf(label, sizeof(label), "%dx%02d", mark.nSeason, mark.nEpisode);
    else if (mark.nLastEpisode != mark.nEpisode)
        std::snprintf(label, sizeof(label), "Episode %d-%d", mark.nEpisode, mark.nLastEpisode);
    else
        std::snprintf(label, sizeof(label), "Episode %d", mark.nEpisode);
    return PallixString(label);
}

NameParser::EpisodeMark EpisodeMarks::read(const std::string& name, bool bInShow)
{
    const std::string folded = PallixString::LowerAscii(name);
    Mark found;
    bool bFound = findSeasonEpisode(folded, found) || findCrossMark(folded, found);
    if (!bFound)
    {
        // The word-wise marks read the name's words, cut once.
        const std::vector<NameWords::Word> words = NameWords::split(name);
        bFound = findSeasonEpisodeWords(words, found) || findDate(folded, found) || findEpisodeWord(folded, found) ||
                 findNumberOnly(words, bInShow, found);
    }
    NameParser::EpisodeMark mark;
    if (!bFound)
        return mark;
    mark.bFound = true;
    mark.nSeason = found.nSeason;
    mark.nEpisode = found.nEpisode;
    mark.nLastEpisode = found.nLast;
    mark.airDate = PallixString(found.airDate);
    mark.label = labelOf(mark);
    mark.name = NameParser::cleanName(PallixString(name.substr(found.nEnd)));
    std::string prefix = name.substr(0, found.nStart);
    // "24.S01E01": the dot before the mark is the show's last separator, not its name's.
    while (!prefix.empty() && (prefix.back() == '.' || prefix.back() == '_' || prefix.back() == ' '))
        prefix.pop_back();
    if (!prefix.empty())
    {
        NameParser::TitleName show = NameParser::parseTitleName(PallixString(prefix));
        const std::string before = DatabaseValue::collapseBlanks(prefix);
        // A prefix of blanks and dashes names no show.
        if (before.find_first_not_of(" .-_[]()") != std::string::npos)
        {
            mark.show = show.title;
            mark.showYear = show.year;
        }
    }
    return mark;
}

EpisodeMarks::SeasonFolder EpisodeMarks::readSeasonFolder(const std::string& name)
{
    SeasonFolder season;
    const std::vector<NameWords::Word> words = NameWords::split(name);
    if (words.size() == 1 && (words[0].folded == "specials" || words[0].folded == "special"))
    {
        season.bFound = true;
        season.nSeason = 0;
        return season;
    }
    for (size_t i = 0; i < words.size(); ++i)
    {
        const std::string& word = words[i].folded;
        size_t nEnd = 0;
        int nSeason = -1;
        if (isSeasonWord(word) && i + 1 < words.size() && NameWords::isDigits(words[i + 1].folded) &&
            words[i + 1].folded.size() <= 4)
            nSeason = std::stoi(words[i + 1].folded);
        else if (word.size() >= 2 && word[0] == 's' && readNumber(word, 1, 4, nEnd) >= 0 && nEnd == word.size())
            nSeason = std::stoi(word.substr(1));
        if (nSeason < 0)
            continue;
        season.bFound = true;
        season.nSeason = nSeason;
        if (i > 0)
            season.show = NameParser::parseTitleName(PallixString(name.substr(0, words[i].nStart))).title.str();
        for (size_t k = i + 1; k < words.size(); ++k)
            if (words[k].nGroup != 0 && NameWords::yearOf(words[k]) > 0)
                season.year = words[k].folded.substr(0, 4);
        return season;
    }
    return season;
}
