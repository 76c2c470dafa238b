#include "TextFold.h"

#include <cstdint>

namespace
{
// The base letters of U+00C0 to U+024F and of U+1E00 to U+1EFF, two characters a
// code point: one letter and a blank, two letters, or "__" for a character kept
// as it is.
constexpr char32_t LATIN_FIRST = 0xC0;
constexpr char32_t LATIN_END = 0x250;
constexpr const char* LATIN =
    "a a a a a a aec e e e e i i i i d n o o o o o __o u u u u y thss"
    "a a a a a a aec e e e e i i i i d n o o o o o __o u u u u y thy "
    "a a a a a a c c c c c c c c d d d d e e e e e e e e e e g g g g "
    "g g g g h h h h i i i i i i i i i i ijijj j k k k l l l l l l l "
    "l l l n n n n n n n n n o o o o o o oeoer r r r r r s s s s s s "
    "s s t t t t t t u u u u u u u u u u u u w w y y y z z z z z z s "
    "b ____________________________________________i ____l __________"
    "o o __________________________u u ________z z __________________"
    "________dzdzdzljljljnjnjnja a i i o o u u u u u u u u u u __a a "
    "a a aeae____g g k k o o o o ____j dzdzdzg g ____n n a a aeaeo o "
    "a a a a e e e e i i i i o o o o r r r r u u u u s s t t ____h h "
    "____________a a e e o o o o o o o o y y ________________________"
    "________________________________";
constexpr char32_t ADDITIONAL_FIRST = 0x1E00;
constexpr char32_t ADDITIONAL_END = 0x1F00;
constexpr const char* ADDITIONAL =
    "a a b b b b b b c c d d d d d d d d d d e e e e e e e e e e f f "
    "g g h h h h h h h h h h i i i i k k k k k k l l l l l l l l m m "
    "m m m m n n n n n n n n o o o o o o o o p p p p r r r r r r r r "
    "s s s s s s s s s s t t t t t t t t u u u u u u u u u u v v v v "
    "w w w w w w w w w w x x x x y y z z z z z z h t w y ________ss__"
    "a a a a a a a a a a a a a a a a a a a a a a a a e e e e e e e e "
    "e e e e e e e e i i i i o o o o o o o o o o o o o o o o o o o o "
    "o o o o u u u u u u u u u u u u u u y y y y y y y y ____________";

bool isCombiningMark(char32_t c)
{
    return (c >= 0x300 && c <= 0x36F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
           (c >= 0x20D0 && c <= 0x20FF);
}

// Reads one UTF-8 character at text[i]; false (and one byte used) when the bytes
// there are not a well-formed character.
bool decode(std::string_view text, size_t& i, char32_t& c)
{
    const auto byte = [&](size_t at) { return static_cast<unsigned char>(text[at]); };
    unsigned char lead = byte(i);
    size_t nLength = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (lead >= 0xF8 || (lead >= 0x80 && lead < 0xC0) || i + nLength > text.size())
    {
        ++i;
        return false;
    }
    c = nLength == 1 ? lead : lead & (0x7F >> nLength);
    for (size_t k = 1; k < nLength; ++k)
    {
        if ((byte(i + k) & 0xC0) != 0x80)
        {
            ++i;
            return false;
        }
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    i += nLength;
    return true;
}

// A Greek or Cyrillic capital in lower case; any other character unchanged.
char32_t lowerOtherScripts(char32_t c)
{
    if ((c >= 0x391 && c <= 0x3A9) || (c >= 0x410 && c <= 0x42F))
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    return c;
}

void appendBlank(std::string& out)
{
    if (!out.empty() && out.back() != ' ')
        out += ' ';
}

bool appendFromTable(const char* pTable, char32_t nIndex, std::string& out)
{
    const char* pEntry = pTable + 2 * nIndex;
    if (pEntry[0] == '_')
        return false;
    out += pEntry[0];
    if (pEntry[1] != ' ')
        out += pEntry[1];
    return true;
}
} // namespace

void TextFold::appendUTF8(char32_t c, std::string& out)
{
    if (c < 0x80)
        out += static_cast<char>(c);
    else if (c < 0x800)
    {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    else if (c < 0x10000)
    {
        if (c >= 0xD800 && c <= 0xDFFF)
            return;
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    else if (c <= 0x10FFFF)
    {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void TextFold::append(std::string_view text, std::string& out)
{
    for (size_t i = 0; i < text.size();)
    {
        size_t start = i;
        char32_t c = 0;
        if (!decode(text, i, c))
        {
            out.append(text.substr(start, i - start));
            continue;
        }
        if (c < 0x80)
        {
            if (c >= 'A' && c <= 'Z')
                out += static_cast<char>(c - 'A' + 'a');
            else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
                out += static_cast<char>(c);
            else if (c != '\'')
                appendBlank(out);
            continue;
        }
        // A right single quotation mark is an apostrophe too; combining accents go.
        if (c == 0x2019 || isCombiningMark(c))
            continue;
        if (c >= LATIN_FIRST && c < LATIN_END && appendFromTable(LATIN, c - LATIN_FIRST, out))
            continue;
        if (c >= ADDITIONAL_FIRST && c < ADDITIONAL_END && appendFromTable(ADDITIONAL, c - ADDITIONAL_FIRST, out))
            continue;
        // No-break and other wide spaces, dashes and quotation marks are blanks.
        if (c == 0xA0 || (c >= 0x2000 && c <= 0x206F) || c == 0x3000)
        {
            appendBlank(out);
            continue;
        }
        appendUTF8(lowerOtherScripts(c), out);
    }
}

std::string TextFold::fold(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    append(text, out);
    // A blank at either end says nothing.
    size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    if (out.back() == ' ')
        out.pop_back();
    return out.substr(first);
}
