#pragma once

#include <cstddef>
#include <string>
#include <vector>

// A film stored in several files: "Film.CD1.avi" and "Film.CD2.avi", "part1" and
// "part2", "pt1", "Disc 1", or "Film A.avi" and "Film B.avi". The parts of one
// film are named exactly alike but for the part's number (or letter), which
// counts up from the first part.
class FilmParts
{
public:
    struct PartMark
    {
        bool bFound = false;
        int nPart = 0;
        // The name without its mark, in lower case: what the parts of one film share.
        std::string key;
        // Where the mark stands in the name.
        size_t nStart = 0;
        size_t nEnd = 0;
    };

    // stem: a file name without its extension.
    static PartMark read(const std::string& stem);
    // The names that are parts of one film, each group in part order (first part
    // first); names that are no part of another's film are in no group.
    static std::vector<std::vector<size_t>> group(const std::vector<std::string>& stems);
    // The name without its part mark ("Film.CD1" gives "Film").
    static std::string withoutMark(const std::string& stem);
};
