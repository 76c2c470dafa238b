#pragma once

#include "NameParser.h"
#include "NameWords.h"

#include <string>
#include <vector>

// Finds where a name says which episode it holds: "S01E02", "s1e2", "S01.E02",
// "1x02", "Season 1 Episode 2", "Episode 2", "2024.03.15", "S01E01-E02",
// "[Group] Show - 02 [1080p]", and in a show's folder also "Show 102" and
// "02 - Title"; and which season a folder holds: "Season 1", "S01",
// "Season 01 (2008)", "Specials", "Show.S02.1080p".
class EpisodeMarks
{
public:
    static NameParser::EpisodeMark read(const std::string& name, bool bInShow);
    // "1x02", "1x01-02", "Episode 2", "2024-03-15".
    static PallixString labelOf(const NameParser::EpisodeMark& mark);

    struct SeasonFolder
    {
        bool bFound = false;
        // 0 for specials.
        int nSeason = -1;
        // The show the folder's name gives before the mark ("Show.S02.1080p"); may be empty.
        std::string show;
        std::string year;
    };
    static SeasonFolder readSeasonFolder(const std::string& name);

private:
    struct Mark
    {
        size_t nStart = 0;
        size_t nEnd = 0;
        int nSeason = -1;
        int nEpisode = 0;
        int nLast = 0;
        std::string airDate;
    };

    static bool findSeasonEpisode(const std::string& folded, Mark& mark);
    static bool findCrossMark(const std::string& folded, Mark& mark);
    static bool findSeasonEpisodeWords(const std::vector<NameWords::Word>& words, Mark& mark);
    static bool findDate(const std::string& folded, Mark& mark);
    static bool findEpisodeWord(const std::string& folded, Mark& mark);
    static bool findNumberOnly(const std::vector<NameWords::Word>& words, bool bInShow, Mark& mark);
    // More episodes of the same file after nAt ("E02", "-E02", "-02"): the last one.
    static size_t readMoreEpisodes(const std::string& folded, size_t nAt, bool bCross, Mark& mark);
};
