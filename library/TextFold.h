#pragma once

#include <string>
#include <string_view>

// Text as a search compares it: letter case and accents are ignored ("Amélie"
// and "AMELIE" both read "amelie"), ligatures and sharp s are spelt out ("Æ" is
// "ae", "ß" "ss"), apostrophes go, other punctuation counts as a blank, and runs
// of blanks count as one. Letters of other scripts keep their own form, in lower
// case for Greek and Cyrillic.
class TextFold
{
public:
    // Appends the folded form of UTF-8 text to out. Bytes that are not UTF-8
    // are kept as they are.
    static void append(std::string_view text, std::string& out);
    static std::string fold(std::string_view text);
    // UTF-8 of one code point, appended to out; nothing for an invalid one.
    static void appendUTF8(char32_t nChar, std::string& out);
};
