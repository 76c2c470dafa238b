#pragma once

#include "PallixString.h"

#include <cstddef>
#include <string>
#include <string_view>

// Makes text from outside (names, .nfo files) safe to stand as a value in the
// database: on one line, in UTF-8, without the "<li>" and "</ul>" that would
// end the field or the record, without spaces at either end, and short enough
// that its line fits the reader's line buffer.
class DatabaseValue
{
public:
    // Room for a value on a database line of at most 2047 bytes, whatever its key.
    static constexpr size_t MAX_VALUE_BYTES = 2000;
    // Titles, which also travel in feature-item lines, are kept much shorter.
    static constexpr size_t MAX_TITLE_BYTES = 250;

    static PallixString makeSafe(const std::string& text, size_t nMaxBytes = MAX_VALUE_BYTES);
    // The same, without commas: feature items are "label,Title" and split at every comma.
    static PallixString makeCommaFree(const std::string& text, size_t nMaxBytes = MAX_TITLE_BYTES);
    // A path is written as it is, since it must name the file exactly: true when
    // the database can hold it unchanged.
    static bool isStorable(const std::string& path);
    // Runs of spaces become one; none at either end.
    static std::string collapseBlanks(const std::string& text);

private:
    // Text that is not valid UTF-8 is taken for Latin-1, as older .nfo files are.
    static std::string toUTF8(const std::string& text);
    static bool isValidUTF8(const std::string& text);
    // Cuts at a character boundary, at a space when one is near, and marks the cut.
    static std::string shorten(const std::string& text, size_t nMaxBytes);
    static void removeAll(std::string& text, const std::string& what);
};
