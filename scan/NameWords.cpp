#include "NameWords.h"

#include "DatabaseValue.h"

#include <algorithm>
#include <cctype>

namespace
{
constexpr int FIRST_YEAR = 1888;
constexpr int LAST_YEAR = 2035;

bool isBlank(char c)
{
    return c == ' ' || c == '_' || c == '\t';
}

char closingOf(char open)
{
    return open == '(' ? ')' : open == '[' ? ']' : '}';
}

// A dot between two marks of a word is a blank, but not in "5.1", "AAC2.0" or "H.264".
bool isSeparatorDot(const std::string& name, size_t nAt)
{
    if (nAt == 0)
        return true;
    if (nAt + 1 >= name.size())
        return false;
    const char before = name[nAt - 1];
    const char after = name[nAt + 1];
    if (isBlank(before) || isBlank(after) || before == '.' || after == '.')
        return false;
    if (NameWords::isDigit(before) && NameWords::isDigit(after))
    {
        size_t nLeft = 0;
        while (nLeft < nAt && NameWords::isDigit(name[nAt - 1 - nLeft]))
            ++nLeft;
        size_t nRight = 0;
        while (nAt + 1 + nRight < name.size() && NameWords::isDigit(name[nAt + 1 + nRight]))
            ++nRight;
        return nLeft > 2 || nRight > 2;
    }
    if ((before == 'h' || before == 'H') && (nAt < 2 || !std::isalnum(static_cast<unsigned char>(name[nAt - 2]))))
        return !(name.compare(nAt + 1, 3, "264") == 0 || name.compare(nAt + 1, 3, "265") == 0);
    return true;
}

bool isSingleLetter(const NameWords::Word& word)
{
    const std::string& text = word.text;
    const size_t nLength = !text.empty() && text.back() == '.' ? text.size() - 1 : text.size();
    return nLength == 1 && std::isalpha(static_cast<unsigned char>(text[0]));
}
} // namespace

bool NameWords::isDigits(const std::string& text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (!NameWords::isDigit(c))
            return false;
    return true;
}

int NameWords::yearOf(const Word& word)
{
    const std::string& text = word.folded;
    if (text.size() < 4 || (text.size() > 4 && text[4] != '-') || !isDigits(text.substr(0, 4)))
        return -1;
    const int nYear = std::stoi(text.substr(0, 4));
    return nYear >= FIRST_YEAR && nYear <= LAST_YEAR ? nYear : -1;
}

std::vector<NameWords::Word> NameWords::split(const std::string& name)
{
    std::vector<Word> words;
    Word current;
    bool bInWord = false;
    int nGroup = 0;
    int nGroups = 0;
    char open = 0;
    // "the-matrix-1999-720p": a name with no other separator is cut at its dashes,
    // unless they join short marks ("9-1-1", "X-Men").
    bool bDashes = false;
    if (name.find_first_of(" ._") == std::string::npos && std::count(name.begin(), name.end(), '-') >= 2)
    {
        int nLongParts = 0;
        for (size_t nStart = 0, nDash; nStart <= name.size(); nStart = nDash + 1)
        {
            nDash = std::min(name.find('-', nStart), name.size());
            nLongParts += nDash - nStart >= 3 ? 1 : 0;
        }
        bDashes = nLongParts >= 2;
    }
    auto finish = [&](size_t nEnd)
    {
        if (!bInWord)
            return;
        current.nEnd = nEnd;
        current.folded = PallixString::LowerAscii(current.text);
        words.push_back(current);
        current = Word();
        bInWord = false;
    };
    for (size_t i = 0; i < name.size(); ++i)
    {
        const char c = name[i];
        if (c == '(' || c == '[' || c == '{')
        {
            finish(i);
            // Brackets inside brackets belong to the outer group.
            if (open == 0)
            {
                open = c;
                nGroup = ++nGroups;
            }
            continue;
        }
        if (c == ')' || c == ']' || c == '}')
        {
            finish(i);
            if (open != 0 && c == closingOf(open))
            {
                open = 0;
                nGroup = 0;
            }
            continue;
        }
        if (isBlank(c) || (c == '.' && isSeparatorDot(name, i)) || (bDashes && c == '-'))
        {
            finish(i);
            continue;
        }
        if (!bInWord)
        {
            bInWord = true;
            current.nStart = i;
            current.nGroup = nGroup;
            current.open = open;
        }
        current.text += c;
    }
    finish(name.size());
    mergeAcronyms(words, name);
    return words;
}

// "M.A.S.H", "S.W.A.T." and "E.T." are one word each: single letters joined by dots.
void NameWords::mergeAcronyms(std::vector<Word>& words, const std::string& name)
{
    std::vector<Word> merged;
    for (size_t i = 0; i < words.size();)
    {
        size_t nEnd = i;
        while (nEnd < words.size() && isSingleLetter(words[nEnd]) && words[nEnd].nGroup == words[i].nGroup &&
               (nEnd == i || (name[words[nEnd - 1].nEnd] == '.' && words[nEnd].nStart == words[nEnd - 1].nEnd + 1) ||
                words[nEnd - 1].text.back() == '.'))
            ++nEnd;
        // The first letter must be followed by its dot too.
        if (nEnd - i >= 2 && (words[i].text.back() == '.' || name[words[i].nEnd] == '.'))
        {
            Word acronym = words[i];
            acronym.text.clear();
            for (size_t k = i; k < nEnd; ++k)
                acronym.text += std::string(1, words[k].text[0]) + ".";
            acronym.nEnd = words[nEnd - 1].nEnd;
            acronym.folded = PallixString::LowerAscii(acronym.text);
            merged.push_back(acronym);
            i = nEnd;
            continue;
        }
        merged.push_back(words[i]);
        ++i;
    }
    words.swap(merged);
}

std::string NameWords::join(const std::vector<Word>& words, size_t nFirst, size_t nEnd)
{
    std::string text;
    for (size_t i = nFirst; i < nEnd && i < words.size(); ++i)
    {
        const Word& word = words[i];
        const bool bOpens = word.nGroup != 0 && (i == nFirst || words[i - 1].nGroup != word.nGroup);
        const bool bCloses = word.nGroup != 0 && (i + 1 >= nEnd || words[i + 1].nGroup != word.nGroup);
        if (!text.empty())
            text += ' ';
        if (bOpens)
            text += word.open;
        text += word.text;
        if (bCloses)
            text += closingOf(word.open);
    }
    return text;
}
