#include "PallixUTF8.h"

bool PallixUTF8::Next(std::string_view text, size_t& i, char32_t& c)
{
    if (i >= text.size())
        return false;
    unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80)
    {
        c = lead;
        ++i;
        return true;
    }
    size_t length = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0)
    {
        length = 2;
        c = lead & 0x1F;
        minimum = 0x80;
    }
    else if ((lead & 0xF0) == 0xE0)
    {
        length = 3;
        c = lead & 0x0F;
        minimum = 0x800;
    }
    else if ((lead & 0xF8) == 0xF0)
    {
        length = 4;
        c = lead & 0x07;
        minimum = 0x10000;
    }
    else
        return false;
    if (i + length > text.size())
        return false;
    for (size_t k = 1; k < length; ++k)
    {
        unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return false;
        c = (c << 6) | (next & 0x3F);
    }
    // Overlong forms, UTF-16 surrogates and values past Unicode are not UTF-8.
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return false;
    i += length;
    return true;
}

bool PallixUTF8::Decode(std::string_view text, std::u32string& out)
{
    size_t i = 0;
    char32_t c = 0;
    while (i < text.size())
    {
        if (!Next(text, i, c))
            return false;
        out += c;
    }
    return true;
}

std::vector<PallixUTF8::Char> PallixUTF8::Chars(std::string_view text)
{
    std::vector<Char> chars;
    chars.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size())
    {
        const size_t begin = pos;
        char32_t c = 0;
        if (!Next(text, pos, c))
        {
            c = 0xFFFD;
            pos = begin + 1;
        }
        chars.push_back(Char{uint32_t(c), begin, pos});
    }
    return chars;
}

bool PallixUTF8::IsWellFormed(std::string_view text)
{
    size_t i = 0;
    char32_t c = 0;
    while (i < text.size())
    {
        if (!Next(text, i, c))
            return false;
    }
    return true;
}

bool PallixUTF8::IsAscii(std::string_view text)
{
    for (char c : text)
    {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

std::string PallixUTF8::Sanitize(std::string_view text)
{
    if (IsWellFormed(text))
        return std::string(text);
    std::string clean;
    clean.reserve(text.size() + 8);
    for (const Char& c : Chars(text))
    {
        if (c.code == 0xFFFD && c.end - c.begin == 1)
            Append(clean, 0xFFFD);
        else
            clean.append(text.substr(c.begin, c.end - c.begin));
    }
    return clean;
}

void PallixUTF8::Append(std::string& out, uint32_t code)
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
