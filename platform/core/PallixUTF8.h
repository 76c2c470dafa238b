#pragma once

#include <string>
#include <string_view>

// Strict UTF-8: no overlong forms, no UTF-16 surrogates, nothing past U+10FFFF.
class PallixUTF8
{
public:
    // The code points of text, appended to out; false (out then unspecified)
    // when text is not UTF-8.
    static bool Decode(std::string_view text, std::u32string& out);
    // Reads the character at text[i] into c and moves i past it; false when the
    // bytes there are not a character.
    static bool Next(std::string_view text, size_t& i, char32_t& c);
};
