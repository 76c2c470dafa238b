#include "FilmParts.h"

#include "PallixString.h"
#include "PallixTitleSetName.h"

#include <algorithm>
#include <array>
#include <map>
#include <span>
#include <string_view>

namespace
{
bool isSeparator(char c)
{
    return c == ' ' || c == '.' || c == '_' || c == '-';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAlnum(char c)
{
    return isDigit(c) || isLetter(c);
}

// How a part mark is recognised: a part word standing alone, up to one
// separator, then a number that ends the word.
struct MarkRule
{
    std::span<const std::string_view> words;
    size_t nMaxDigits;
    // A digit just before the word hides it, as a letter always does.
    bool bDigitHides;
};

// The words of a part mark: a film the scanner groups by them, the player
// follows from its first part to the next ones.
constexpr std::array<std::string_view, 6> PART_WORDS = {"part", "disc", "disk", "cd", "dvd", "pt"};
// The scanner's marks, by which a folder's files are grouped into films.
const MarkRule GROUP_RULE = {PART_WORDS, 2, true};
// The marks the player follows from a film's first part to its next ones.
const MarkRule NEXT_RULE = {PART_WORDS, 3, false};

// The last mark of the stem: "Part 2 CD1" is the first part of "Part 2".
FilmParts::PartMark findMark(const std::string& stem, const MarkRule& rule)
{
    const std::string folded = PallixString::LowerAscii(stem);
    FilmParts::PartMark mark;
    for (size_t i = 0; i < folded.size(); ++i)
    {
        if (i > 0 && (rule.bDigitHides ? isAlnum(folded[i - 1]) : isLetter(folded[i - 1])))
            continue;
        for (std::string_view word : rule.words)
        {
            if (folded.compare(i, word.size(), word) != 0)
                continue;
            size_t nAt = i + word.size();
            if (nAt < folded.size() && isSeparator(folded[nAt]))
                ++nAt;
            size_t nDigits = 0;
            while (nAt + nDigits < folded.size() && isDigit(folded[nAt + nDigits]))
                ++nDigits;
            size_t nEnd = nAt + nDigits;
            if (nDigits == 0 || nDigits > rule.nMaxDigits || (nEnd < folded.size() && isAlnum(folded[nEnd])))
                continue;
            mark.bFound = true;
            mark.nPart = std::stoi(folded.substr(nAt, nDigits));
            mark.nStart = i;
            mark.nEnd = nEnd;
            mark.nNumberAt = nAt;
            mark.key = folded.substr(0, i) + "#" + folded.substr(nEnd);
            break;
        }
    }
    return mark;
}

// The number counted up, as wide as it was: "09" gives "10", "1" gives "2".
std::string countedUp(const std::string& digits)
{
    std::string next = std::to_string(std::stoi(digits) + 1);
    return next.size() < digits.size() ? std::string(digits.size() - next.size(), '0') + next : next;
}

// Parts counting up one by one, from any first number.
bool isRun(const std::vector<int>& numbers)
{
    for (size_t i = 1; i < numbers.size(); ++i)
        if (numbers[i] != numbers[i - 1] + 1)
            return false;
    return numbers.size() >= 2;
}
} // namespace

FilmParts::PartMark FilmParts::read(const std::string& stem)
{
    return findMark(stem, GROUP_RULE);
}

std::string FilmParts::withoutMark(const std::string& stem)
{
    PartMark mark = read(stem);
    if (!mark.bFound)
        return stem;
    size_t nStart = mark.nStart;
    while (nStart > 0 && isSeparator(stem[nStart - 1]))
        --nStart;
    return stem.substr(0, nStart) + stem.substr(mark.nEnd);
}

std::vector<std::vector<size_t>> FilmParts::group(const std::vector<std::string>& stems)
{
    std::vector<std::vector<size_t>> groups;
    std::vector<bool> bTaken(stems.size(), false);
    std::map<std::string, std::vector<std::pair<int, size_t>>> byKey;
    for (size_t i = 0; i < stems.size(); ++i)
    {
        PartMark mark = read(stems[i]);
        if (mark.bFound)
            byKey[mark.key].emplace_back(mark.nPart, i);
    }
    // "Film A" and "Film B", "Film.GRPa" and "Film.GRPb": a letter at the end counting up from a.
    for (size_t i = 0; i < stems.size(); ++i)
    {
        const std::string folded = PallixString::LowerAscii(stems[i]);
        if (folded.size() < 2 || folded.back() < 'a' || folded.back() > 'h')
            continue;
        byKey["letter:" + folded.substr(0, folded.size() - 1)].emplace_back(folded.back() - 'a' + 1, i);
    }
    for (auto& [key, parts] : byKey)
    {
        std::sort(parts.begin(), parts.end());
        std::vector<int> numbers;
        for (auto& part : parts)
            numbers.push_back(part.first);
        const bool bLetters = key.compare(0, 7, "letter:") == 0;
        if (!isRun(numbers) || (bLetters && numbers.front() != 1) ||
            std::any_of(parts.begin(), parts.end(), [&](const auto& part) { return bTaken[part.second]; }))
            continue;
        std::vector<size_t> members;
        for (auto& part : parts)
        {
            members.push_back(part.second);
            bTaken[part.second] = true;
        }
        groups.push_back(members);
    }
    std::sort(groups.begin(), groups.end());
    return groups;
}

std::string FilmParts::nextName(const std::string& fileName)
{
    const size_t dot = fileName.rfind('.');
    const std::string stem = dot == std::string::npos ? fileName : fileName.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : fileName.substr(dot);
    int nSet = 0;
    int nPart = 0;
    size_t nPartAt = 0;
    if (PallixTitleSetName::Parse(fileName, nSet, nPart, nPartAt))
        return stem.substr(0, nPartAt) + countedUp(stem.substr(nPartAt)) + extension;
    PartMark mark = findMark(stem, NEXT_RULE);
    if (mark.bFound)
        return stem.substr(0, mark.nNumberAt) + countedUp(stem.substr(mark.nNumberAt, mark.nEnd - mark.nNumberAt)) +
               stem.substr(mark.nEnd) + extension;
    // "Film A", "Film.b": a letter standing alone at the end, after the film's name.
    const size_t last = stem.size() - 1;
    if (stem.size() >= 3 && isSeparator(stem[last - 1]) && isLetter(stem[last]) && stem[last] != 'z' &&
        stem[last] != 'Z')
        return stem.substr(0, last) + static_cast<char>(stem[last] + 1) + extension;
    return std::string();
}
