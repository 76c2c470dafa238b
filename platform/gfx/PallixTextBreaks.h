#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// Where text may be cut: between grapheme clusters (what a reader sees as one
// character, a letter with its marks or an Indic syllable's parts), and where
// the Unicode line-breaking rules let a line end. Offsets are in bytes of
// well-formed UTF-8.
class PallixTextBreaks
{
public:
    // The end of every grapheme cluster, in order; the last is text.size().
    static std::vector<size_t> GraphemeEnds(std::string_view text);
    // Offsets at which a new line may start: after a blank, between two
    // ideographs, after a hyphen... never inside a cluster, never 0 or the end.
    static std::vector<size_t> LineBreaks(std::string_view text);
};
