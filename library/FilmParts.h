#pragma once

#include <cstddef>
#include <string>
#include <vector>

// A film stored in several files: "Film.CD1.avi" and "Film.CD2.avi", "part1" and
// "part2", "pt1", "Disc 1", or "Film A.avi" and "Film B.avi". The parts of one
// film are named exactly alike but for the part's number (or letter), which
// counts up from the first part. The scanner groups a folder's files by these
// names; the player finds a film's next parts by them.
class FilmParts
{
public:
    struct PartMark
    {
        bool bFound = false;
        int nPart = 0;
        // The name without its mark, in lower case: what the parts of one film share.
        std::string key;
        // Where the mark stands in the name, and where its number begins.
        size_t nStart = 0;
        size_t nEnd = 0;
        size_t nNumberAt = 0;
    };

    // The last "CD1", "part 2", "pt.3", "Disc 1" or "DVD1" of a stem (a file
    // name without its extension), with a number of one or two digits.
    static PartMark read(const std::string& stem);
    // The names that are parts of one film, each group in part order (first part
    // first); names that are no part of another's film are in no group.
    static std::vector<std::vector<size_t>> group(const std::vector<std::string>& stems);
    // The name without its part mark ("Film.CD1" gives "Film").
    static std::string withoutMark(const std::string& stem);
    // The file name of the part after this one, its number as wide as it was
    // ("Film CD2.avi" after "Film CD1.avi", "VTS_01_2.VOB" after "VTS_01_1.VOB",
    // "Film B.avi" after "Film A.avi"); empty for a name that carries no part mark.
    static std::string nextName(const std::string& fileName);
};
