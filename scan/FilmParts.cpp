#include "FilmParts.h"

#include "DatabaseValue.h"
#include "NameWords.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <string_view>

namespace
{
bool isSeparator(char c)
{
    return c == ' ' || c == '.' || c == '_' || c == '-';
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
    static constexpr std::array<std::string_view, 6> WORDS = {"part", "disc", "disk", "cd", "dvd", "pt"};
    const std::string folded = DatabaseValue::lower(stem);
    PartMark mark;
    // The last mark counts: "Part 2 CD1" is the first part of "Part 2".
    for (size_t i = 0; i < folded.size(); ++i)
    {
        if (i > 0 && NameWords::isAlnum(folded[i - 1]))
            continue;
        for (std::string_view word : WORDS)
        {
            if (folded.compare(i, word.size(), word) != 0)
                continue;
            size_t nAt = i + word.size();
            if (nAt < folded.size() && isSeparator(folded[nAt]))
                ++nAt;
            size_t nDigits = 0;
            while (nAt + nDigits < folded.size() && NameWords::isDigit(folded[nAt + nDigits]))
                ++nDigits;
            size_t nEnd = nAt + nDigits;
            if (nDigits == 0 || nDigits > 2 || (nEnd < folded.size() && NameWords::isAlnum(folded[nEnd])))
                continue;
            mark.bFound = true;
            mark.nPart = std::stoi(folded.substr(nAt, nDigits));
            mark.nStart = i;
            mark.nEnd = nEnd;
            mark.key = folded.substr(0, i) + "#" + folded.substr(nEnd);
            break;
        }
    }
    return mark;
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
        const std::string folded = DatabaseValue::lower(stems[i]);
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
