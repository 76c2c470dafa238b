#include "MediaEntry.h"
#include "TextFold.h"
#include "TitleSearch.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{
struct Library
{
    MediaEntry* add(const char* title, const char* director = "", const char* actors = "",
                    const char* original = nullptr)
    {
        entries.push_back(std::make_unique<MediaEntry>());
        MediaEntry* pEntry = entries.back().get();
        pEntry->setTitle(title);
        pEntry->setOriginalTitle(original ? original : title);
        pEntry->setDirector(director);
        pEntry->setActors(actors);
        return pEntry;
    }
    std::vector<MediaEntry*> all() const
    {
        std::vector<MediaEntry*> list;
        for (const auto& pEntry : entries)
            list.push_back(pEntry.get());
        return list;
    }
    std::vector<std::unique_ptr<MediaEntry>> entries;
};

std::vector<std::string> titles(const std::vector<MediaEntry*>& found)
{
    std::vector<std::string> names;
    for (MediaEntry* pEntry : found)
        names.push_back(pEntry->getTitle().str());
    return names;
}
} // namespace

TEST(TitleSearch, FoldsCaseAccentsAndPunctuationTheWayViewersTypeThem)
{
    EXPECT_EQ(TextFold::fold("Le Fabuleux Destin d\xE2\x80\x99" "Am\xC3\xA9lie Poulain"),
              "le fabuleux destin damelie poulain");
    EXPECT_EQ(TextFold::fold("  \xC3\x86on Flux:  STRA\xC3\x9F" "E  "), "aeon flux strasse");
    // Decomposed accents, Vietnamese letters, and Cyrillic in lower case.
    EXPECT_EQ(TextFold::fold("Ame\xCC\x81lie \xE1\xBB\x87 \xD0\x9C\xD0\x98\xD0\xA0"),
              "amelie e \xD0\xBC\xD0\xB8\xD1\x80");
    EXPECT_EQ(TextFold::fold("Spider-Man, 2"), "spider man 2");
    // Bytes that are not UTF-8 are kept rather than lost.
    EXPECT_EQ(TextFold::fold("caf\xE9"), "caf\xE9");
}

TEST(TitleSearch, FindsByTitleOriginalTitleDirectorOrActorsAndNarrowsAsLettersCome)
{
    Library library;
    library.add("The Man Who Wasn't There", "Joel Coen", "Billy Bob Thornton");
    library.add("Am\xC3\xA9lie", "Jean-Pierre Jeunet", "Audrey Tautou, Mathieu Kassovitz",
                "Le Fabuleux Destin d'Am\xC3\xA9lie Poulain");
    library.add("Delicatessen", "Jean-Pierre Jeunet", "Dominique Pinon");
    library.add("Mamelie's Garden", "", "Ann Example");
    library.add("Paper Planets", "", "");
    TitleSearch search;
    search.setEntries(library.all());

    EXPECT_EQ(titles(search.find("AMELIE")),
              (std::vector<std::string>{"Am\xC3\xA9lie", "Mamelie's Garden"}));
    // A title that begins with the letters first, then one that holds them, then
    // the people; each group in library order.
    EXPECT_EQ(titles(search.find("ma")),
              (std::vector<std::string>{"Mamelie's Garden", "The Man Who Wasn't There", "Am\xC3\xA9lie"}));
    EXPECT_EQ(titles(search.find("je")), (std::vector<std::string>{"Am\xC3\xA9lie", "Delicatessen"}));
    EXPECT_EQ(titles(search.find("ss")), (std::vector<std::string>{"Delicatessen", "Am\xC3\xA9lie"}));
    EXPECT_EQ(titles(search.find("tautou")), (std::vector<std::string>{"Am\xC3\xA9lie"}));
    EXPECT_EQ(titles(search.find("wasnt")), (std::vector<std::string>{"The Man Who Wasn't There"}));
    EXPECT_EQ(titles(search.find("fabuleux destin")), (std::vector<std::string>{"Am\xC3\xA9lie"}));

    // Letter by letter, deleting and typing again: every answer is what a fresh
    // search for the same letters gives.
    for (const char* query : {"m", "ma", "mam", "ma", "man", "man ", "man w", "p", "pa", "", "e", "ea"})
    {
        TitleSearch fresh;
        fresh.setEntries(library.all());
        EXPECT_EQ(titles(search.find(query)), titles(fresh.find(query))) << query;
    }
    EXPECT_TRUE(search.find("  ").empty());
    EXPECT_TRUE(search.find("zz").empty());
}
