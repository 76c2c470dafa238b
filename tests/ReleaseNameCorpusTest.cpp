#include "FolderWalker.h"
#include "NameParser.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> parts;
    std::stringstream stream(line);
    for (std::string part; std::getline(stream, part, '\t');)
        parts.push_back(part);
    if (!line.empty() && line.back() == '\t')
        parts.emplace_back();
    return parts;
}

PallixString stemOf(const std::string& name)
{
    return FolderWalker::isMovieFile(name.c_str()) ? FolderWalker::withoutExtension(name.c_str()) : PallixString(name);
}
} // namespace

// Names written the way download folders and media managers write them, each
// with what a person reads in it. Every name must read right: the figures say
// how far from that the reader is.
TEST(ReleaseNameCorpus, ReadsFilmsAndEpisodesAsAPersonWould)
{
    std::ifstream corpus(std::string(QUORVA_SOURCE_DIR) + "/tests/data/release-names.tsv");
    ASSERT_TRUE(corpus.is_open());
    int nFilms = 0, nFilmsRight = 0, nEpisodes = 0, nEpisodesRight = 0;
    for (std::string line; std::getline(corpus, line);)
    {
        if (line.empty() || line[0] == '#')
            continue;
        const std::vector<std::string> cells = fields(line);
        ASSERT_GE(cells.size(), 4u) << line;
        const PallixString stem = stemOf(cells[1]);
        if (cells[0] == "film")
        {
            NameParser::TitleName name = NameParser::parseTitleName(stem);
            ++nFilms;
            const bool bRight = name.title == cells[2].c_str() && name.year == cells[3].c_str();
            nFilmsRight += bRight ? 1 : 0;
            EXPECT_TRUE(bRight) << cells[1] << "\n  read: \"" << name.title << "\" (" << name.year << ")";
            // A film's name is never taken for an episode's.
            EXPECT_FALSE(NameParser::parseEpisodeMark(stem).bFound) << cells[1];
            continue;
        }
        ASSERT_EQ(cells[0], "episode") << line;
        ASSERT_EQ(cells.size(), 5u) << line;
        NameParser::EpisodeMark mark = NameParser::parseEpisodeMark(stem);
        ++nEpisodes;
        const bool bRight = mark.bFound && mark.show == cells[2].c_str() && mark.nSeason == std::stoi(cells[3]) &&
                            mark.nEpisode == std::stoi(cells[4]);
        nEpisodesRight += bRight ? 1 : 0;
        EXPECT_TRUE(bRight) << cells[1] << "\n  read: \"" << mark.show << "\" " << mark.nSeason << " "
                            << mark.nEpisode;
    }
    EXPECT_GE(nFilms + nEpisodes, 300);
    std::cout << "films " << nFilmsRight << "/" << nFilms << ", episodes " << nEpisodesRight << "/" << nEpisodes
              << std::endl;
}
