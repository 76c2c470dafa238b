#include "NameParser.h"

#include "DatabaseValue.h"
#include "EpisodeMarks.h"
#include "FolderWalker.h"
#include "NameWords.h"
#include "ReleaseTags.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace
{
using Word = NameWords::Word;
using Words = std::vector<Word>;

enum GroupKind
{
    GROUP_YEAR,
    GROUP_SITE,
    GROUP_ID,
    GROUP_EDITION,
    GROUP_TITLE,
    GROUP_TAGS,
    GROUP_TEXT,
};

// Bytes past ASCII are the letters of other scripts ("東京物語", "Левиафан").
bool hasAlnum(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || static_cast<unsigned char>(c) >= 0x80;
    });
}

size_t groupEnd(const Words& words, size_t nAt)
{
    size_t nEnd = nAt;
    while (nEnd < words.size() && words[nEnd].nGroup == words[nAt].nGroup)
        ++nEnd;
    return nEnd;
}

// "tt0113277", "imdb-tt0113277", "tmdbid-949": the id as the record keeps it, else empty.
std::string filmIdOf(const std::string& folded)
{
    auto digitsFrom = [&](size_t nAt) { return nAt < folded.size() && NameWords::isDigits(folded.substr(nAt)); };
    for (const char* prefix : {"imdb-", "imdbid-", "imdb_", "imdbid="})
        if (folded.rfind(prefix, 0) == 0 && folded.compare(std::string(prefix).size(), 2, "tt") == 0 &&
            digitsFrom(std::string(prefix).size() + 2))
            return folded.substr(std::string(prefix).size());
    if (folded.size() >= 9 && folded.compare(0, 2, "tt") == 0 && digitsFrom(2))
        return folded;
    for (const char* prefix : {"tmdb-", "tmdbid-", "tvdb-", "tvdbid-"})
        if (folded.rfind(prefix, 0) == 0 && digitsFrom(std::string(prefix).size()))
            return folded.substr(0, 4) + ":" + folded.substr(std::string(prefix).size());
    return std::string();
}

GroupKind kindOfGroup(const Words& words, size_t nAt, const std::string& name)
{
    const size_t nEnd = groupEnd(words, nAt);
    const std::string raw = PallixString::LowerAscii(name.substr(words[nAt].nStart, words[nEnd - 1].nEnd - words[nAt].nStart));
    if (nEnd - nAt == 1 && NameWords::yearOf(words[nAt]) > 0 && words[nAt].folded.size() == 4)
        return GROUP_YEAR;
    if (ReleaseTags::isSiteName(raw))
        return GROUP_SITE;
    if (!filmIdOf(words[nAt].folded).empty())
        return GROUP_ID;
    if (words[nAt].folded.rfind("edition-", 0) == 0)
        return GROUP_EDITION;
    if (nEnd - nAt == 1 && ReleaseTags::isCountry(words[nAt].folded) && ReleaseTags::isSceneCase(words[nAt].text))
        return GROUP_TITLE;
    bool bAllTags = true;
    for (size_t i = nAt; i < nEnd && bAllTags;)
    {
        const size_t nPhrase = ReleaseTags::editionPhraseAt(words, i);
        if (nPhrase > 0)
        {
            i += nPhrase;
            continue;
        }
        bAllTags = ReleaseTags::kindOf(words[i].folded) != ReleaseTags::NONE || NameWords::yearOf(words[i]) > 0 ||
                   !hasAlnum(words[i].text);
        ++i;
    }
    if (bAllTags)
        return GROUP_TAGS;
    // "Kill Bill (Vol. 1)", "Doctor Who (Classic)": the title's own, not another title.
    static const char* const OWN[] = {"vol", "vol.", "volume", "part", "pt", "pt.", "chapter", "episode", "book",
                                      "no", "no.", "classic"};
    const std::string& first = words[nAt].folded;
    if (words[nAt].open == '(' && std::any_of(std::begin(OWN), std::end(OWN), [&](const char* word) { return first == word; }))
        return GROUP_TITLE;
    return GROUP_TEXT;
}

bool startsGroup(const Words& words, size_t i)
{
    return words[i].nGroup != 0 && (i == 0 || words[i - 1].nGroup != words[i].nGroup);
}

bool isTechnical(const Words& words, size_t i)
{
    return i < words.size() && words[i].nGroup == 0 && ReleaseTags::kindOf(words[i].folded) == ReleaseTags::TECHNICAL;
}

// What follows word i, past language words, flags and dashes: a technical tag?
bool leadsToTechnical(const Words& words, size_t i, const std::string& name)
{
    size_t j = i + 1;
    while (j < words.size() && words[j].nGroup == 0 &&
           (NameWords::isDash(words[j]) || ReleaseTags::kindOf(words[j].folded) == ReleaseTags::LANGUAGE ||
            ReleaseTags::kindOf(words[j].folded) == ReleaseTags::FLAG ||
            ReleaseTags::kindOf(words[j].folded) == ReleaseTags::EDITION))
        ++j;
    if (j >= words.size())
        return false;
    if (startsGroup(words, j))
        return kindOfGroup(words, j, name) == GROUP_TAGS;
    return isTechnical(words, j);
}

// Whether word j ends an edition's run: the name's end, a year, a tag or a group.
bool endsRun(const Words& words, size_t j)
{
    while (j < words.size() && NameWords::isDash(words[j]))
        ++j;
    if (j >= words.size() || NameWords::yearOf(words[j]) > 0 || startsGroup(words, j))
        return true;
    return ReleaseTags::kindOf(words[j].folded) != ReleaseTags::NONE;
}

bool isTagAt(const Words& words, size_t i, bool bAllUpper, const std::string& name)
{
    const Word& word = words[i];
    switch (ReleaseTags::kindOf(word.folded))
    {
    case ReleaseTags::TECHNICAL:
        return true;
    case ReleaseTags::LANGUAGE:
    case ReleaseTags::FLAG:
        return (!bAllUpper && ReleaseTags::isSceneCase(word.text)) || leadsToTechnical(words, i, name);
    case ReleaseTags::EDITION:
        if (word.folded == "dc")
            return (!bAllUpper && ReleaseTags::isSceneCase(word.text)) || leadsToTechnical(words, i, name);
        return endsRun(words, i + 1);
    case ReleaseTags::NONE:
        break;
    }
    // "Season 2", "CD 1", "Disc 2": marks of a season pack or of a film's part.
    if (i + 1 < words.size() && NameWords::isDigits(words[i + 1].folded) && words[i + 1].folded.size() <= 2)
        return word.folded == "season" || word.folded == "cd" || word.folded == "disc" || word.folded == "disk";
    return false;
}

bool hasRealWordBefore(const Words& words, size_t nFirst, size_t nAt)
{
    for (size_t i = nFirst; i < nAt; ++i)
        if (words[i].folded != "the" && !NameWords::isDash(words[i]))
            return true;
    return false;
}

// The first word after the title's first one where the title stops.
size_t findTitleEnd(const Words& words, size_t nFirst, bool bAllUpper, const std::string& name)
{
    for (size_t i = nFirst + 1; i < words.size(); ++i)
    {
        if (startsGroup(words, i) && words[i].nGroup != words[nFirst].nGroup)
        {
            if (kindOfGroup(words, i, name) == GROUP_TITLE)
                continue;
            return i;
        }
        if (words[i].nGroup != 0 && words[i].nGroup != words[nFirst].nGroup)
            continue;
        if (isTagAt(words, i, bAllUpper, name))
            return i;
        const size_t nPhrase = ReleaseTags::editionPhraseAt(words, i);
        if (nPhrase > 0 && hasRealWordBefore(words, nFirst, i) && endsRun(words, i + nPhrase))
            return i;
    }
    return words.size();
}

// A year in brackets wins; else the first that another year does not follow
// ("Death Race 2000 1975"). The title's first word is never its year.
size_t findYear(const Words& words, size_t nFirst)
{
    for (size_t i = nFirst + 1; i < words.size(); ++i)
        if (words[i].nGroup != 0 && words[i].nGroup != words[nFirst].nGroup && NameWords::yearOf(words[i]) > 0 &&
            words[i].folded.size() == 4 && groupEnd(words, i) == i + 1 && startsGroup(words, i))
            return i;
    for (size_t i = nFirst + 1; i < words.size(); ++i)
    {
        if (words[i].nGroup != 0 || NameWords::yearOf(words[i]) < 0)
            continue;
        size_t nNext = i + 1;
        while (nNext < words.size() && NameWords::isDash(words[nNext]))
            ++nNext;
        if (nNext < words.size() && words[nNext].nGroup == 0 && NameWords::yearOf(words[nNext]) > 0)
            continue;
        return i;
    }
    // "(CamRip / 2014)"
    for (size_t i = nFirst + 1; i < words.size(); ++i)
        if (words[i].nGroup != 0 && words[i].nGroup != words[nFirst].nGroup && NameWords::yearOf(words[i]) > 0 &&
            words[i].folded.size() == 4)
            return i;
    return std::string::npos;
}

// "[XCT] Le Prestige", "www.site.org - Heat (1995)": what comes before the title.
size_t skipLeadingJunk(const Words& words, const std::string& name)
{
    size_t nFirst = 0;
    for (bool bSkipped = true; bSkipped && nFirst < words.size();)
    {
        bSkipped = false;
        const Word& word = words[nFirst];
        if (NameWords::isDash(word))
        {
            ++nFirst;
            bSkipped = true;
        }
        else if (word.nGroup != 0 && startsGroup(words, nFirst))
        {
            const size_t nEnd = groupEnd(words, nFirst);
            const GroupKind kind = kindOfGroup(words, nFirst, name);
            // "(500) Days of Summer" keeps its number.
            const bool bTitle = word.open == '(' && kind != GROUP_SITE && kind != GROUP_TAGS;
            if (!bTitle && nEnd < words.size())
            {
                nFirst = nEnd;
                bSkipped = true;
            }
        }
        else if (word.folded == "www" || (nFirst + 2 < words.size() && NameWords::isDash(words[nFirst + 2]) &&
                                          ReleaseTags::isSiteName(word.folded + "." + words[nFirst + 1].folded)))
        {
            size_t i = nFirst + 1;
            while (i < words.size() && !ReleaseTags::isSiteName("x." + words[i].folded))
                ++i;
            if (i + 1 < words.size())
            {
                nFirst = i + 1;
                bSkipped = true;
            }
        }
    }
    return nFirst < words.size() ? nFirst : 0;
}

bool hasLetters(const std::string& text, bool bUpper)
{
    for (char c : text)
        if (bUpper ? std::isupper(static_cast<unsigned char>(c)) : std::islower(static_cast<unsigned char>(c)))
            return true;
    return false;
}

// "the matrix" reads "The Matrix".
std::string titleCased(const std::string& text)
{
    static const char* const SMALL[] = {"a", "an", "the", "and", "but", "or", "nor", "for", "on", "at",
                                        "to", "from", "by", "of", "in", "with", "vs"};
    std::string result;
    size_t nWord = 0;
    for (size_t i = 0; i <= text.size(); ++i)
    {
        if (i < text.size() && text[i] != ' ')
            continue;
        std::string word = text.substr(nWord, i - nWord);
        const bool bSmall = std::any_of(std::begin(SMALL), std::end(SMALL), [&](const char* s) { return word == s; });
        if (!word.empty() && (nWord == 0 || !bSmall))
            word[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
        result += word;
        if (i < text.size())
            result += ' ';
        nWord = i + 1;
    }
    return result;
}

std::string tidy(const std::string& text)
{
    std::string result = DatabaseValue::collapseBlanks(text);
    auto isEdge = [](char c) { return c == ' ' || c == '-' || c == ',' || c == '_' || c == ':' || c == '~'; };
    auto isOpening = [](char c) { return c == '(' || c == '[' || c == '{'; };
    while (!result.empty() && (isEdge(result.back()) || isOpening(result.back())))
        result.pop_back();
    size_t nStart = 0;
    while (nStart < result.size() && isEdge(result[nStart]))
        ++nStart;
    return result.substr(nStart);
}

void addEdition(std::string& editions, const std::string& edition)
{
    if (edition.empty() || PallixString::LowerAscii(editions).find(PallixString::LowerAscii(edition)) != std::string::npos)
        return;
    if (!editions.empty())
        editions += ", ";
    editions += edition;
}

// Editions, ids and the other title in what follows the title.
void readAfterTitle(const Words& words, size_t nEnd, const std::string& name, NameParser::TitleName& result)
{
    std::string editions;
    for (size_t i = nEnd; i < words.size();)
    {
        if (startsGroup(words, i))
        {
            const size_t nGroupEnd = groupEnd(words, i);
            const GroupKind kind = kindOfGroup(words, i, name);
            if (kind == GROUP_EDITION)
                addEdition(editions, tidy(name.substr(words[i].nStart + 8, words[nGroupEnd - 1].nEnd - words[i].nStart - 8)));
            else if (kind == GROUP_ID && result.filmId.IsEmpty())
                result.filmId = PallixString(filmIdOf(words[i].folded));
            else if (kind == GROUP_TEXT && result.otherTitle.IsEmpty() && i == nEnd)
                result.otherTitle = PallixString(tidy(NameWords::join(words, i, nGroupEnd).substr(1)));
            if (kind != GROUP_TAGS)
            {
                i = nGroupEnd;
                continue;
            }
        }
        const size_t nPhrase = ReleaseTags::editionPhraseAt(words, i);
        if (nPhrase > 0)
        {
            addEdition(editions, ReleaseTags::editionName(words, i, nPhrase));
            i += nPhrase;
            continue;
        }
        if (ReleaseTags::kindOf(words[i].folded) == ReleaseTags::EDITION &&
            (words[i].folded != "dc" || ReleaseTags::isSceneCase(words[i].text)))
            addEdition(editions, ReleaseTags::editionName(words, i, 1));
        else if (result.filmId.IsEmpty() && words[i].nGroup == 0 && !filmIdOf(words[i].folded).empty())
            result.filmId = PallixString(filmIdOf(words[i].folded));
        ++i;
    }
    // The other title's closing bracket came with it.
    std::string other = result.otherTitle.str();
    if (!other.empty() && (other.back() == ')' || other.back() == ']' || other.back() == '}'))
        result.otherTitle = PallixString(tidy(other.substr(0, other.size() - 1)));
    result.edition = PallixString(editions);
}
// Where a path's last folder ends: a slash between blanks ("CamRip / 2014") is a name's own.
size_t lastFolderEnd(const std::string& name)
{
    for (size_t nAt = name.rfind('/'); nAt != std::string::npos && nAt > 0; nAt = name.rfind('/', nAt - 1))
        if (name[nAt - 1] != ' ' && (nAt + 1 >= name.size() || name[nAt + 1] != ' '))
            return nAt;
    return std::string::npos;
}
} // namespace

// "Films/Heat (1995)/Heat.1995.1080p.mkv" is read as its file's name without the extension.
std::string NameParser::stemOf(const std::string& name)
{
    const size_t nSlash = lastFolderEnd(name);
    std::string stem = name.substr(nSlash == std::string::npos ? 0 : nSlash + 1);
    if (stem.empty())
        return name;
    if (FolderWalker::isMovieFile(PallixString(stem)))
        stem = FolderWalker::withoutExtension(PallixString(stem)).str();
    return stem;
}

NameParser::TitleName NameParser::parseTitleName(const PallixString& name)
{
    TitleName result = readTitle(stemOf(name.str()));
    // "Heat (1995)/Heat.1080p.mkv": the film's folder tells the year its file does not.
    const size_t nSlash = lastFolderEnd(name.str());
    if (result.year.IsEmpty() && nSlash != std::string::npos && nSlash > 0)
    {
        const std::string folder = name.str().substr(0, nSlash);
        TitleName byFolder = readTitle(folder.substr(folder.rfind('/') == std::string::npos ? 0 : folder.rfind('/') + 1));
        const std::string a = comparable(byFolder.title.str());
        const std::string b = comparable(result.title.str());
        if (!a.empty() && (a.compare(0, b.size(), b) == 0 || b.compare(0, a.size(), a) == 0))
            result.year = byFolder.year;
    }
    return result;
}

NameParser::TitleName NameParser::readTitle(const std::string& text)
{
    TitleName result;
    const Words words = NameWords::split(text);
    if (words.empty())
    {
        result.title = PallixString(DatabaseValue::collapseBlanks(text));
        return result;
    }
    size_t nFirst = skipLeadingJunk(words, text);
    const bool bAllUpper = !hasLetters(text, false);
    size_t nEnd = findTitleEnd(words, nFirst, bAllUpper, text);
    const size_t nYear = findYear(words, nFirst);
    if (nYear != std::string::npos)
    {
        result.year = PallixString(words[nYear].folded.substr(0, 4));
        nEnd = std::min(nEnd, nYear);
    }
    readAfterTitle(words, nEnd, text, result);

    // "Das Boot aka The Boat"
    for (size_t i = nFirst + 1; i + 1 < nEnd; ++i)
        if (words[i].nGroup == 0 && (words[i].folded == "aka" || words[i].folded == "a.k.a."))
        {
            result.otherTitle = PallixString(tidy(NameWords::join(words, i + 1, nEnd)));
            nEnd = i;
            break;
        }
    // "1995 - Heat": a collection's year first, the title after it.
    if (result.year.IsEmpty() && nFirst + 2 < words.size() && NameWords::yearOf(words[nFirst]) > 0 &&
        words[nFirst].folded.size() == 4 && NameWords::isDash(words[nFirst + 1]) && nEnd > nFirst + 2)
    {
        result.year = PallixString(words[nFirst].folded);
        nFirst += 2;
    }
    std::string title = tidy(NameWords::join(words, nFirst, nEnd));
    if (!title.empty() && !hasLetters(title, true))
        title = titleCased(title);
    if (!hasAlnum(title))
        title = tidy(DatabaseValue::collapseBlanks(text));
    // "---" is a title of its own; a name of blanks alone has none.
    result.title = PallixString(title.empty() ? DatabaseValue::collapseBlanks(text) : title);
    return result;
}

PallixString NameParser::cleanName(const PallixString& name)
{
    const Words words = NameWords::split(name.str());
    size_t nEnd = 0;
    while (nEnd < words.size() && !(nEnd > 0 && startsGroup(words, nEnd)) &&
           !isTagAt(words, nEnd, !hasLetters(name.str(), false), name.str()))
        ++nEnd;
    return PallixString(tidy(NameWords::join(words, 0, nEnd)));
}

NameParser::EpisodeMark NameParser::parseEpisodeMark(const PallixString& name)
{
    EpisodeMark mark = EpisodeMarks::read(stemOf(name.str()), false);
    // "Show/Season 1/S01E02.mkv": a file that names no show lies in its show's folder.
    const size_t nSlash = lastFolderEnd(name.str());
    if (mark.bFound && mark.show.IsEmpty() && nSlash != std::string::npos && nSlash > 0)
    {
        std::string folder = name.str().substr(0, nSlash);
        while (!folder.empty())
        {
            const size_t nParent = folder.rfind('/');
            const std::string last = folder.substr(nParent == std::string::npos ? 0 : nParent + 1);
            const EpisodeMarks::SeasonFolder season = EpisodeMarks::readSeasonFolder(last);
            if (!season.bFound || !season.show.empty())
            {
                TitleName show = parseTitleName(PallixString(season.bFound ? season.show : last));
                mark.show = show.title;
                mark.showYear = show.year;
                break;
            }
            if (mark.nSeason < 0)
            {
                mark.nSeason = season.nSeason;
                mark.label = EpisodeMarks::labelOf(mark);
            }
            folder = nParent == std::string::npos ? std::string() : folder.substr(0, nParent);
        }
    }
    return mark;
}

NameParser::EpisodeMark NameParser::parseEpisodeMarkInShow(const PallixString& name)
{
    return EpisodeMarks::read(stemOf(name.str()), true);
}

bool NameParser::isEarlierEpisode(const EpisodeMark& a, const EpisodeMark& b)
{
    // Specials (season 0) come after every season.
    auto seasonOrder = [](int nSeason) { return nSeason == 0 ? 1 << 30 : nSeason; };
    if (a.nSeason != b.nSeason)
        return seasonOrder(a.nSeason) < seasonOrder(b.nSeason);
    if (a.nEpisode != b.nEpisode)
        return a.nEpisode < b.nEpisode;
    return a.nLastEpisode < b.nLastEpisode;
}

std::string NameParser::comparable(const std::string& text)
{
    std::string result;
    for (char c : PallixString::LowerAscii(text))
    {
        if (c == '&')
            result += "and";
        else if (std::isalnum(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) >= 0x80)
            result += c;
    }
    return result;
}
