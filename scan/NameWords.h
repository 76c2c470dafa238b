#pragma once

#include <cstddef>
#include <string>
#include <vector>

// A film's or episode's name cut into the words a person reads in it. Dots and
// underscores between words are blanks ("Heat.1995.1080p"), but not inside an
// acronym ("M.A.S.H." stays one word), a channel count ("5.1") or a codec
// ("H.264"). Words in brackets carry the bracket they stand in; a dash between
// blanks is a word of its own.
class NameWords
{
public:
    struct Word
    {
        // As written, without the brackets around it.
        std::string text;
        // Lower case (ASCII), for comparing.
        std::string folded;
        // Where the word stands in the name, in bytes.
        size_t nStart = 0;
        size_t nEnd = 0;
        // 0 outside brackets; words of one bracketed group share a number.
        int nGroup = 0;
        // The group's opening bracket: '(', '[' or '{'; 0 outside brackets.
        char open = 0;
    };

    static std::vector<Word> split(const std::string& name);

    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static bool isAlnum(char c) { return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isDash(const Word& word) { return word.text == "-" || word.text == "~"; }
    static bool isDigits(const std::string& text);
    // Four digits from 1888 to 2035 ("1995", "1995-GRP" too): the number, else -1.
    static int yearOf(const Word& word);
    // The words from nFirst to nEnd as one text, single blanks between them, the
    // brackets of a group that is taken whole put back.
    static std::string join(const std::vector<Word>& words, size_t nFirst, size_t nEnd);

private:
    static void mergeAcronyms(std::vector<Word>& words, const std::string& name);
};
