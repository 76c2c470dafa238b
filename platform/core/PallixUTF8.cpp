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
