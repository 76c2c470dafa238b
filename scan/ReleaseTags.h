#pragma once

#include "NameWords.h"

#include <string>
#include <string_view>
#include <vector>

// The words release names add to a film's title, which a person skips when
// reading it: what the copy is (resolution, source, codecs, sound, HDR), its
// languages, its edition and the release's own flags.
class ReleaseTags
{
public:
    enum Kind
    {
        NONE,
        // Never part of a title: "1080p", "BluRay", "x264", "DTS-HD", "VOSTFR".
        TECHNICAL,
        // Language words that are also English words: "German", "French", "Multi", "DL".
        LANGUAGE,
        // Words that are tags when written the scenes' way ("PROPER", "LIMITED").
        FLAG,
        // A word of its own naming an edition: "Extended", "Unrated", "IMAX".
        EDITION,
    };

    // The word's kind, from its lower-case text ("x264-grp" is a codec too).
    static Kind kindOf(std::string_view folded);
    // Written as release groups write tags: "GERMAN", "iTALiAN", "MULTi".
    static bool isSceneCase(const std::string& text);

    // An edition of several words ("Director's Cut", "Special Edition") starting
    // at nAt: the number of words it takes, else 0.
    static size_t editionPhraseAt(const std::vector<NameWords::Word>& words, size_t nAt);
    // The edition as people write it: "Director's Cut", "Extended", "IMAX".
    static std::string editionName(const std::vector<NameWords::Word>& words, size_t nAt, size_t nCount);

    // Bracketed names of sites and trackers: "www.site.org", "rarbg", "YTS.MX".
    static bool isSiteName(std::string_view folded);
    // "US", "UK", "AU": a country told apart by the title ("The Office (US)").
    static bool isCountry(std::string_view folded);
};
