#include "PallixString.h"

#include <algorithm>
#include <cstring>

namespace
{
char foldAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

int compareBytes(std::string_view a, std::string_view b, bool bCaseSensitive)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
    {
        unsigned char ca = static_cast<unsigned char>(bCaseSensitive ? a[i] : foldAscii(a[i]));
        unsigned char cb = static_cast<unsigned char>(bCaseSensitive ? b[i] : foldAscii(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}
} // namespace

PallixString::PallixString(const char* text) : mText(text ? text : "") {}

PallixString::PallixString(const char* text, size_t length) : mText(text ? std::string(text, length) : "") {}

PallixString::PallixString(std::string text) : mText(std::move(text)) {}

PallixString& PallixString::operator=(const char* text)
{
    mText = text ? text : "";
    return *this;
}

PallixString& PallixString::operator+=(const PallixString& other)
{
    mText += other.mText;
    return *this;
}

PallixString& PallixString::operator+=(const char* text)
{
    if (text)
        mText += text;
    return *this;
}

PallixString& PallixString::operator+=(char c)
{
    mText += c;
    return *this;
}

char PallixString::operator[](int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= mText.size())
        return 0;
    return mText[static_cast<size_t>(index)];
}

PallixString& PallixString::ToUpper()
{
    std::transform(mText.begin(), mText.end(), mText.begin(), foldAscii);
    return *this;
}

int PallixString::Compare(const char* text, bool bCaseSensitive, bool, int nLength) const
{
    std::string_view mine(mText);
    std::string_view other(text ? text : "");
    if (nLength >= 0)
    {
        mine = mine.substr(0, std::min(mine.size(), static_cast<size_t>(nLength)));
        other = other.substr(0, std::min(other.size(), static_cast<size_t>(nLength)));
    }
    return compareBytes(mine, other, bCaseSensitive);
}

bool PallixString::Contains(const char* text, bool bCaseSensitive, bool) const
{
    std::string_view needle(text ? text : "");
    if (!bCaseSensitive)
        return ContainsFolded(mText, needle);
    return mText.find(needle) != std::string::npos;
}

std::string PallixString::LowerAscii(std::string_view text)
{
    std::string result(text);
    LowerAsciiInPlace(result);
    return result;
}

void PallixString::LowerAsciiInPlace(std::string& text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
}

std::string PallixString::UpperAscii(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), foldAscii);
    return result;
}

int PallixString::CompareFolded(std::string_view a, std::string_view b)
{
    return compareBytes(a, b, false);
}

bool PallixString::ContainsFolded(std::string_view text, std::string_view needle)
{
    return needle.empty() || std::search(text.begin(), text.end(), needle.begin(), needle.end(),
                       [](char a, char b) { return foldAscii(a) == foldAscii(b); }) != text.end();
}

int PallixString::Find(char c) const
{
    size_t pos = mText.find(c);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int PallixString::ReverseFind(char c) const
{
    size_t pos = mText.rfind(c);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

PallixString PallixString::Left(int count) const
{
    if (count <= 0)
        return PallixString();
    return PallixString(mText.substr(0, static_cast<size_t>(count)));
}

PallixString PallixString::Mid(int start, int count) const
{
    if (start < 0)
        start = 0;
    if (static_cast<size_t>(start) >= mText.size() || count == 0)
        return PallixString();
    size_t n = count < 0 ? std::string::npos : static_cast<size_t>(count);
    return PallixString(mText.substr(static_cast<size_t>(start), n));
}

PallixString operator+(const PallixString& left, const PallixString& right)
{
    PallixString result(left);
    result += right;
    return result;
}

PallixString operator+(const PallixString& left, const char* right)
{
    PallixString result(left);
    result += right;
    return result;
}

PallixString operator+(const char* left, const PallixString& right)
{
    PallixString result(left);
    result += right;
    return result;
}
