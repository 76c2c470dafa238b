#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Strict UTF-8: no overlong forms, no UTF-16 surrogates, nothing past U+10FFFF.
// The control channel refuses text that is not; the text layer reads characters
// with their byte offsets and makes text safe for the libraries that assume
// well-formed input.
class PallixUTF8
{
public:
    struct Char
    {
        uint32_t code = 0;
        size_t begin = 0; // byte offset of its first byte
        size_t end = 0;   // byte offset past its last byte
    };

    // The code points of text, appended to out; false (out then unspecified)
    // when text is not UTF-8.
    static bool Decode(std::string_view text, std::u32string& out);
    // Reads the character at text[i] into c and moves i past it; false when the
    // bytes there are not a character.
    static bool Next(std::string_view text, size_t& i, char32_t& c);
    // The characters of text with their offsets; each byte that is not part of
    // a character counts as one U+FFFD.
    static std::vector<Char> Chars(std::string_view text);
    // Text with every byte that is not part of a character replaced by U+FFFD.
    static std::string Sanitize(std::string_view text);
    static bool IsWellFormed(std::string_view text);
    static bool IsAscii(std::string_view text);
    static void Append(std::string& out, uint32_t code);
};
