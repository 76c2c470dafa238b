#include "PallixShellWords.h"

#include <cstring>

namespace
{
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}
} // namespace

bool PallixShellWords::Split(const char* commandLine, std::vector<std::string>& words)
{
    words.clear();
    if (!commandLine)
        return false;
    const char* p = commandLine;
    std::string word;
    // A word exists once any part of it is seen, even an empty quoted part.
    bool bInWord = false;
    while (*p)
    {
        char c = *p;
        if (isBlank(c))
        {
            if (bInWord)
                words.push_back(word);
            word.clear();
            bInWord = false;
            ++p;
        }
        else if (c == '\'')
        {
            const char* close = std::strchr(p + 1, '\'');
            if (!close)
                return false;
            word.append(p + 1, close);
            bInWord = true;
            p = close + 1;
        }
        else if (c == '"')
        {
            ++p;
            while (*p && *p != '"')
            {
                if (*p == '\\' && p[1] && std::strchr("$`\"\\\n", p[1]))
                {
                    if (p[1] != '\n')
                        word += p[1];
                    p += 2;
                }
                else
                    word += *p++;
            }
            if (*p != '"')
                return false;
            bInWord = true;
            ++p;
        }
        else if (c == '\\')
        {
            if (!p[1])
                return false;
            if (p[1] != '\n')
            {
                word += p[1];
                bInWord = true;
            }
            p += 2;
        }
        else
        {
            word += c;
            bInWord = true;
            ++p;
        }
    }
    if (bInWord)
        words.push_back(word);
    return true;
}
