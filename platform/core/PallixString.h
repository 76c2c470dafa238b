#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The framework's string: UTF-8 bytes, passed by value everywhere.
class PallixString
{
public:
    PallixString() = default;
    PallixString(const char* text);
    PallixString(const char* text, size_t length);
    PallixString(std::string text);
    PallixString(const PallixString&) = default;
    PallixString(PallixString&&) noexcept = default;
    PallixString& operator=(const PallixString&) = default;
    PallixString& operator=(PallixString&&) noexcept = default;
    PallixString& operator=(const char* text);

    PallixString& operator+=(const PallixString& other);
    PallixString& operator+=(const char* text);
    PallixString& operator+=(char c);

    operator const char*() const { return mText.c_str(); }
    const char* c_str() const { return mText.c_str(); }
    const std::string& str() const { return mText; }

    int GetLength() const { return static_cast<int>(mText.size()); }
    bool IsEmpty() const { return mText.empty(); }

    // Reading past the end gives 0, like the terminating NUL of a C string.
    char operator[](int index) const;

    // Upper-cases ASCII letters in place and returns the string for chaining.
    PallixString& ToUpper();

    // 0 when equal, negative or positive for the byte order. With bCaseSensitive false,
    // ASCII letters are folded. A non-negative nLength limits the comparison to that many
    // bytes; -1 compares whole strings.
    int Compare(const char* text, bool bCaseSensitive = true, bool bReserved = false, int nLength = -1) const;
    bool Contains(const char* text, bool bCaseSensitive = true, bool bReserved = false) const;

    // The case-blind forms for text held elsewhere: ASCII letters folded, every
    // other byte as it is (the same folding as Compare and Contains use).
    static std::string LowerAscii(std::string_view text);
    // The same, keeping the string's room: for scratch text folded again and again.
    static void LowerAsciiInPlace(std::string& text);
    static std::string UpperAscii(std::string_view text);
    static int CompareFolded(std::string_view a, std::string_view b);
    static bool ContainsFolded(std::string_view text, std::string_view needle);

    // Byte index of the first or last occurrence of c, or -1.
    int Find(char c) const;
    int ReverseFind(char c) const;
    PallixString Left(int count) const;
    PallixString Mid(int start, int count = -1) const;

    bool operator==(const char* text) const { return Compare(text, true) == 0; }
    bool operator!=(const char* text) const { return Compare(text, true) != 0; }
    bool operator==(const PallixString& other) const { return mText == other.mText; }
    bool operator!=(const PallixString& other) const { return mText != other.mText; }
    bool operator<(const PallixString& other) const { return mText < other.mText; }

private:
    std::string mText;
};

PallixString operator+(const PallixString& left, const PallixString& right);
PallixString operator+(const PallixString& left, const char* right);
PallixString operator+(const char* left, const PallixString& right);
