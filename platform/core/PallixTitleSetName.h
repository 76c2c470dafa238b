#pragma once

#include <string_view>

// The names of a DVD's title-set files: "VTS_", the set's number, "_", the
// part's number and ".VOB" ("VTS_02_3.VOB"), in any letter case, since discs
// are copied with upper- and lower-case names alike. Part 0 is the set's menu;
// the film itself is in parts 1 onwards.
class PallixTitleSetName
{
public:
    // A name of at least twelve characters between "VTS_" and ".VOB": any file
    // of a title set, its menu included.
    static bool Is(std::string_view name);
    // The set's and the part's numbers of such a name, one or two digits each;
    // false for any other name. nPartAt is where the part's number begins.
    static bool Parse(std::string_view name, int& nSet, int& nPart, size_t& nPartAt);
    static bool Parse(std::string_view name, int& nSet, int& nPart);
};
