#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// UTF-8 as the text layer reads it: characters with their byte offsets, and
// text made safe to hand to the libraries that assume well-formed input.
class PallixUtf8
{
public:
    struct Char
    {
        uint32_t code = 0;
        size_t begin = 0; // byte offset of its first byte
        size_t end = 0;   // byte offset past its last byte
    };

    // The characters of well-formed text (see Sanitize).
    static std::vector<Char> Decode(std::string_view text);
    // Text with every byte that is not part of a well-formed character replaced by U+FFFD.
    static std::string Sanitize(std::string_view text);
    static bool IsWellFormed(std::string_view text);
    static bool IsAscii(std::string_view text);
    static void Append(std::string& out, uint32_t code);

private:
    // Length of the well-formed character at text[pos], or 0.
    static size_t CharLength(std::string_view text, size_t pos, uint32_t& code);
};
