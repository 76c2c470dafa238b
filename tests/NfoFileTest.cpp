#include "NfoFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(NfoFile, ReadsWhatMediaManagersWrite)
{
    TempDir dir;
    dir.write("movie.nfo", R"(<?xml version="1.0" encoding="UTF-8" standalone="yes" ?>
<movie>
    <title>Heat</title>
    <originaltitle>Heat (original)</originaltitle>
    <premiered>1995-12-15</premiered>
    <genre>Crime</genre>
    <genre>Drama / Thriller</genre>
    <genre>Crime</genre>
    <director>Michael Mann</director>
    <actor><name>Al Pacino</name><role>Hanna</role></actor>
    <actor><name>Robert De Niro</name><role>McCauley</role></actor>
    <plot>A group of professional
bank robbers &lt;li&gt; start to feel the heat.</plot>
    <mpaa>Rated R for violence and language</mpaa>
    <runtime>170</runtime>
    <thumb aspect="poster">http://example.invalid/p.jpg</thumb>
</movie>
https://www.imdb.com/title/tt0113277/
)");
    NfoFile nfo;
    ASSERT_TRUE(nfo.load(dir.file("movie.nfo").c_str())) << nfo.getError();
    EXPECT_EQ(nfo.getTitle(), "Heat");
    EXPECT_EQ(nfo.getOriginalTitle(), "Heat (original)");
    EXPECT_EQ(nfo.getYear(), "1995");
    EXPECT_EQ(nfo.getGenre(), "Crime, Drama, Thriller");
    EXPECT_EQ(nfo.getDirector(), "Michael Mann");
    EXPECT_EQ(nfo.getActors(), "Al Pacino, Robert De Niro");
    EXPECT_EQ(nfo.getPlot(), "A group of professional\nbank robbers <li> start to feel the heat.");
    EXPECT_EQ(nfo.getMPAA(), "R for violence and language");
    EXPECT_EQ(nfo.getRuntime(), 170);

    // A series' and an episode's files, with the country in front of the rating.
    dir.write("tvshow.nfo", "<tvshow><title>Lantern Street</title><year>2021</year><mpaa>US:TV-PG</mpaa></tvshow>");
    ASSERT_TRUE(nfo.load(dir.file("tvshow.nfo").c_str()));
    EXPECT_EQ(nfo.getTitle(), "Lantern Street");
    EXPECT_EQ(nfo.getMPAA(), "TV-PG");
    EXPECT_EQ(nfo.getRuntime(), 0);
    dir.write("ep.nfo", "<episodedetails><title>The Lamp</title><aired>2021-03-04</aired></episodedetails>");
    ASSERT_TRUE(nfo.load(dir.file("ep.nfo").c_str()));
    EXPECT_EQ(nfo.getYear(), "2021");
}

TEST(NfoFile, BrokenOrForeignFilesSayWhy)
{
    TempDir dir;
    NfoFile nfo;
    dir.write("broken.nfo", "<movie><title>Heat</movie>");
    EXPECT_FALSE(nfo.load(dir.file("broken.nfo").c_str()));
    EXPECT_EQ(nfo.getError(), "broken .nfo: Start-end tags mismatch at byte 20");
    EXPECT_TRUE(nfo.getTitle().IsEmpty());

    // A link to the film's page is metadata too: the film's id, nothing else.
    dir.write("link.nfo", "https://www.imdb.com/title/tt0113277/\n");
    EXPECT_TRUE(nfo.load(dir.file("link.nfo").c_str()));
    EXPECT_EQ(nfo.getFilmId(), "tt0113277");
    EXPECT_TRUE(nfo.getTitle().IsEmpty());
    dir.write("tmdb.nfo", "\xEF\xBB\xBFhttps://www.themoviedb.org/movie/949-heat\r\n");
    EXPECT_TRUE(nfo.load(dir.file("tmdb.nfo").c_str()));
    EXPECT_EQ(nfo.getFilmId(), "tmdb:949");
    // A release group's notes are nobody's metadata, and no fault either.
    dir.write("notes.nfo", "  ___ GROUP PRESENTS ___\n  Heat (1995)\n  Source: BluRay\n");
    EXPECT_FALSE(nfo.load(dir.file("notes.nfo").c_str()));
    EXPECT_TRUE(nfo.isPlainText());

    dir.write("album.nfo", "<album><title>Heat</title></album>");
    EXPECT_FALSE(nfo.load(dir.file("album.nfo").c_str()));
    EXPECT_EQ(nfo.getError(), "not film metadata: no <movie> element");

    EXPECT_FALSE(nfo.load(dir.file("missing.nfo").c_str()));
    EXPECT_EQ(nfo.getError(), "broken .nfo: File was not found at byte 0");
}
