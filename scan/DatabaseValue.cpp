#include "DatabaseValue.h"

namespace
{
const std::string ELLIPSIS = "\xE2\x80\xA6";
// A cut looks back this far for a space to cut at.
constexpr size_t WORD_BREAK_REACH = 40;
} // namespace

bool DatabaseValue::isValidUTF8(const std::string& text)
{
    size_t i = 0;
    while (i < text.size())
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t nFollow = 0;
        if (c < 0x80)
            nFollow = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            nFollow = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            nFollow = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            nFollow = 3;
        else
            return false;
        for (size_t k = 1; k <= nFollow; ++k)
            if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        // No longer form of a shorter character, no UTF-16 surrogate, nothing past U+10FFFF.
        const unsigned char second = nFollow > 0 ? static_cast<unsigned char>(text[i + 1]) : 0;
        if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) || (c == 0xF0 && second < 0x90) ||
            (c == 0xF4 && second > 0x8F))
            return false;
        i += nFollow + 1;
    }
    return true;
}

std::string DatabaseValue::toUTF8(const std::string& text)
{
    if (isValidUTF8(text))
        return text;
    std::string result;
    for (char c : text)
    {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x80)
        {
            result += c;
            continue;
        }
        result += static_cast<char>(0xC0 | (b >> 6));
        result += static_cast<char>(0x80 | (b & 0x3F));
    }
    return result;
}

std::string DatabaseValue::collapseBlanks(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    for (char c : text)
    {
        if (c == ' ' && (result.empty() || result.back() == ' '))
            continue;
        result += c;
    }
    if (!result.empty() && result.back() == ' ')
        result.pop_back();
    return result;
}

void DatabaseValue::removeAll(std::string& text, const std::string& what)
{
    // Removing one can join two halves into another: "<l<li>i>".
    for (size_t nAt = text.find(what); nAt != std::string::npos; nAt = text.find(what))
        text.erase(nAt, what.size());
}

std::string DatabaseValue::shorten(const std::string& text, size_t nMaxBytes)
{
    if (text.size() <= nMaxBytes)
        return text;
    size_t nCut = nMaxBytes > ELLIPSIS.size() ? nMaxBytes - ELLIPSIS.size() : 0;
    // Never inside a character.
    while (nCut > 0 && (static_cast<unsigned char>(text[nCut]) & 0xC0) == 0x80)
        --nCut;
    size_t nSpace = text.rfind(' ', nCut);
    if (nSpace != std::string::npos && nSpace + WORD_BREAK_REACH >= nCut && nSpace > 0)
        nCut = nSpace;
    std::string result = text.substr(0, nCut);
    while (!result.empty() && result.back() == ' ')
        result.pop_back();
    return result + ELLIPSIS;
}

PallixString DatabaseValue::makeSafe(const std::string& text, size_t nMaxBytes)
{
    std::string value = toUTF8(text);
    // Line breaks, tabs and other control characters all become spaces.
    for (char& c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    // Removing one can make the other out of what stood around it.
    while (value.find("<li>") != std::string::npos || value.find("</ul>") != std::string::npos)
    {
        removeAll(value, "<li>");
        removeAll(value, "</ul>");
    }

    return PallixString(shorten(collapseBlanks(value), nMaxBytes));
}

PallixString DatabaseValue::makeCommaFree(const std::string& text, size_t nMaxBytes)
{
    std::string value = text;
    for (char& c : value)
        if (c == ',')
            c = ' ';
    return makeSafe(value, nMaxBytes);
}

bool DatabaseValue::isStorable(const std::string& path)
{
    if (path.empty() || path.size() > MAX_VALUE_BYTES || path.back() == ' ')
        return false;
    for (char c : path)
        if (c == '\n' || c == '\r')
            return false;
    return path.find("<li>") == std::string::npos && path.find("</ul>") == std::string::npos;
}
