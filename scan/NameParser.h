#pragma once

#include "PallixString.h"

#include <string>

// Reads what people put in the names of their film folders and files: the
// title and year of "Heat (1995)" or "Heat.1995.1080p.BluRay.x264-GRP", the
// edition and other-language title release names carry, and the episode mark
// and show of "Lantern.Street.S01E02.The.Lamp".
class NameParser
{
public:
    struct TitleName
    {
        PallixString title;
        // Four digits, or empty when the name carries no year.
        PallixString year;
        // "Director's Cut", "Extended": the editions the name gives, joined by ", ".
        PallixString edition;
        // "The Prestige" of "Le Prestige (The Prestige)" or "Le Prestige aka The Prestige".
        PallixString otherTitle;
        // A film database's id written into the name: "tt0113277" of "{imdb-tt0113277}".
        PallixString filmId;
    };

    struct EpisodeMark
    {
        bool bFound = false;
        // -1 for marks without a season ("Episode 2", "[Group] Show - 02").
        int nSeason = -1;
        int nEpisode = 0;
        // The last episode of a file holding several ("S01E01-E02"); nEpisode otherwise.
        int nLastEpisode = 0;
        // "2024-03-15" for shows known by the day they aired, else empty.
        PallixString airDate;
        // "1x02", "1x01-02", "Episode 2" or "2024-03-15".
        PallixString label;
        // What follows the mark, cleaned like a title: "The Lamp"; may be empty.
        PallixString name;
        // The show, as the name before the mark gives it; may be empty.
        PallixString show;
        // The year that name gives the show ("Doctor.Who.2005.S01E01"); may be empty.
        PallixString showYear;
    };

    // name: a folder name, or a file name (a movie file's extension is no part of
    // its name; a path is read by its last part).
    static TitleName parseTitleName(const PallixString& name);
    static EpisodeMark parseEpisodeMark(const PallixString& name);
    // The same, for a file known to lie in a show's folder, where "102" and
    // "01 - Pilot" are episode marks too.
    static EpisodeMark parseEpisodeMarkInShow(const PallixString& name);
    // Separators turned into spaces and release tags cut off: "behind.the.scenes.720p"
    // gives "behind the scenes".
    static PallixString cleanName(const PallixString& name);
    // True when a comes before b in viewing order: season, then episode, specials last.
    static bool isEarlierEpisode(const EpisodeMark& a, const EpisodeMark& b);
    // A name compared without letter case, blanks and punctuation: "the office us".
    static std::string comparable(const std::string& text);

private:
    static std::string stemOf(const std::string& name);
    static TitleName readTitle(const std::string& text);
};
