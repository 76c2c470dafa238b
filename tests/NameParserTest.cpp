#include "NameParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

TEST(NameParser, TitlesAndYearsOfRealWorldNames)
{
    struct Case
    {
        const char* name;
        const char* title;
        const char* year;
    };
    const Case cases[] = {
        {"Heat (1995)", "Heat", "1995"},
        {"Heat.1995.1080p.BluRay", "Heat", "1995"},
        {"Heat.1995.1080p.BluRay.x264-GROUP", "Heat", "1995"},
        {"Some.Film.2011.1080p", "Some Film", "2011"},
        {"The_Big_Lebowski_1998_720p", "The Big Lebowski", "1998"},
        {"Blade Runner 2049 (2017)", "Blade Runner 2049", "2017"},
        {"Blade.Runner.2049.2017.2160p.UHD", "Blade Runner 2049", "2017"},
        {"2001 A Space Odyssey (1968)", "2001 A Space Odyssey", "1968"},
        {"1917 (2019)", "1917", "2019"},
        {"1917", "1917", ""},
        {"Alien [1979] [Director's Cut]", "Alien", "1979"},
        {"Mad Max - Fury Road (2015) [1080p]", "Mad Max - Fury Road", "2015"},
        {"Dr. No (1962)", "Dr. No", "1962"},
        {"M.A.S.H. (1970)", "M.A.S.H.", "1970"},
        {"Ocean's Eleven (2001)", "Ocean's Eleven", "2001"},
        {"Am\xC3\xA9lie.2001.FRENCH.720p.BluRay", "Am\xC3\xA9lie", "2001"},
        {"10.Cloverfield.Lane.2016.1080p", "10 Cloverfield Lane", "2016"},
        {"Star.Wars.Episode.IV.A.New.Hope.1977", "Star Wars Episode IV A New Hope", "1977"},
        {"Inception.1080p.BluRay", "Inception", ""},
        {"Se7en", "Se7en", ""},
        {"Up", "Up", ""},
        {"Heat - 1995", "Heat", "1995"},
        {"The Thing 1982 Remastered", "The Thing", "1982"},
        {"Film 1080p", "Film", ""},
        {"1080p", "1080p", ""},
        // Names with nothing of a title in them are kept as they stand, bar the blanks.
        {"---", "---", ""},
        {" ( - ", "( -", ""},
        {"  ", "", ""},
    };
    for (const Case& c : cases)
    {
        NameParser::TitleName name = NameParser::parseTitleName(c.name);
        EXPECT_EQ(name.title, c.title) << c.name;
        EXPECT_EQ(name.year, c.year) << c.name;
    }
}

TEST(NameParser, EpisodeMarksLabelsAndOrder)
{
    struct Case
    {
        const char* name;
        int nSeason;
        int nEpisode;
        const char* label;
        const char* rest;
    };
    const Case cases[] = {
        {"Lantern.Street.S01E02.The.Lamp.720p", 1, 2, "1x02", "The Lamp"},
        {"lantern street s1e10", 1, 10, "1x10", ""},
        {"Show.S02.E05", 2, 5, "2x05", ""},
        {"Show 1x02 Pilot", 1, 2, "1x02", "Pilot"},
        {"Show - 03x110", 3, 110, "3x110", ""},
        {"Planet Earth - Episode 4 - Caves", -1, 4, "Episode 4", "Caves"},
        {"Mini.Series.Ep.7", -1, 7, "Episode 7", ""},
    };
    for (const Case& c : cases)
    {
        NameParser::EpisodeMark mark = NameParser::parseEpisodeMark(c.name);
        EXPECT_TRUE(mark.bFound) << c.name;
        EXPECT_EQ(mark.nSeason, c.nSeason) << c.name;
        EXPECT_EQ(mark.nEpisode, c.nEpisode) << c.name;
        EXPECT_EQ(mark.label, c.label) << c.name;
        EXPECT_EQ(mark.name, c.rest) << c.name;
    }
    // Picture sizes, codecs and words that only start like a mark are none; nor
    // is a part's number, which marks the parts of one film.
    for (const char* name : {"Film.1920x1080", "Heat.1995.x264", "Partisan", "Episodes of War", "Heat (1995)",
                             "Seven", "Parts Unknown", "Dune Part 2", "Dune.Pt.1"})
        EXPECT_FALSE(NameParser::parseEpisodeMark(name).bFound) << name;

    // Episode order goes by season, then number, not by the names' byte order.
    std::vector<std::string> names = {"Show S2E1", "Show S1E10", "Show S1E9", "Show S1E1"};
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b)
              { return NameParser::isEarlierEpisode(NameParser::parseEpisodeMark(a.c_str()),
                                                    NameParser::parseEpisodeMark(b.c_str())); });
    EXPECT_EQ(names, (std::vector<std::string>{"Show S1E1", "Show S1E9", "Show S1E10", "Show S2E1"}));
}

TEST(NameParser, CleanNamesForExtras)
{
    EXPECT_EQ(NameParser::cleanName("behind.the.scenes.720p"), "behind the scenes");
    EXPECT_EQ(NameParser::cleanName("Trailer"), "Trailer");
    EXPECT_EQ(NameParser::cleanName("Making_Of - "), "Making Of");
    EXPECT_EQ(NameParser::cleanName("1080p"), "");
}
