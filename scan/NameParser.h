#pragma once

#include "PallixString.h"

// Reads what people put in the names of their film folders and files: the
// title and year of "Heat (1995)" or "Heat.1995.1080p.BluRay", and the episode
// mark of "Lantern.Street.S01E02.The.Lamp".
class NameParser
{
public:
    struct TitleName
    {
        PallixString title;
        // Four digits, or empty when the name carries no year.
        PallixString year;
    };

    struct EpisodeMark
    {
        bool bFound = false;
        // -1 for marks without a season ("Episode 2", "Part 2").
        int nSeason = -1;
        int nEpisode = 0;
        // "1x02", "Episode 2" or "Part 2".
        PallixString label;
        // What follows the mark, cleaned like a title: "The Lamp"; may be empty.
        PallixString name;
    };

    // name: a folder name, or a file name without its extension.
    static TitleName parseTitleName(const PallixString& name);
    static EpisodeMark parseEpisodeMark(const PallixString& name);
    // Separators turned into spaces and release tags cut off: "behind.the.scenes.720p"
    // gives "behind the scenes".
    static PallixString cleanName(const PallixString& name);
    // True when a comes before b in episode order: season, then episode.
    static bool isEarlierEpisode(const EpisodeMark& a, const EpisodeMark& b);

private:
    // Dots and underscores are word separators in names without spaces.
    static std::string spaceOut(const std::string& name);
    // Where the first release tag ("1080p", "BluRay", "x264" ...) starts, or npos.
    static size_t findReleaseTag(const std::string& text, bool bSkipFirstWord);
    // Without separators and brackets at either end, and single spaces inside.
    static std::string tidy(const std::string& text);
};
