#include "PallixUtf8.h"

size_t PallixUtf8::CharLength(std::string_view text, size_t pos, uint32_t& code)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(pos);
    if (first < 0x80)
    {
        code = first;
        return 1;
    }
    size_t length = 0;
    uint32_t min = 0;
    if (first >= 0xC2 && first <= 0xDF)
    {
        length = 2;
        code = first & 0x1F;
        min = 0x80;
    }
    else if (first >= 0xE0 && first <= 0xEF)
    {
        length = 3;
        code = first & 0x0F;
        min = 0x800;
    }
    else if (first >= 0xF0 && first <= 0xF4)
    {
        length = 4;
        code = first & 0x07;
        min = 0x10000;
    }
    else
        return 0;
    if (pos + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i)
    {
        if ((byte(pos + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(pos + i) & 0x3F);
    }
    // Over-long forms, surrogates and codes past U+10FFFF are not characters.
    if (code < min || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 0;
    return length;
}

std::vector<PallixUtf8::Char> PallixUtf8::Decode(std::string_view text)
{
    std::vector<Char> chars;
    chars.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size())
    {
        uint32_t code = 0;
        size_t length = CharLength(text, pos, code);
        if (length == 0)
        {
            code = 0xFFFD;
            length = 1;
        }
        chars.push_back(Char{code, pos, pos + length});
        pos += length;
    }
    return chars;
}

bool PallixUtf8::IsWellFormed(std::string_view text)
{
    size_t pos = 0;
    while (pos < text.size())
    {
        uint32_t code = 0;
        const size_t length = CharLength(text, pos, code);
        if (length == 0)
            return false;
        pos += length;
    }
    return true;
}

bool PallixUtf8::IsAscii(std::string_view text)
{
    for (char c : text)
    {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

std::string PallixUtf8::Sanitize(std::string_view text)
{
    if (IsWellFormed(text))
        return std::string(text);
    std::string clean;
    clean.reserve(text.size() + 8);
    for (const Char& c : Decode(text))
    {
        if (c.code == 0xFFFD && c.end - c.begin == 1)
            Append(clean, 0xFFFD);
        else
            clean.append(text.substr(c.begin, c.end - c.begin));
    }
    return clean;
}

void PallixUtf8::Append(std::string& out, uint32_t code)
{
    if (code < 0x80)
        out += char(code);
    else if (code < 0x800)
    {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    }
    else if (code < 0x10000)
    {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
    else
    {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}
