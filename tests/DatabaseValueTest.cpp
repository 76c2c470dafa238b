#include "DatabaseValue.h"
#include "HTMLDBParser.h"
#include "MediaEntry.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>

TEST(DatabaseValue, ValuesComeOutOnOneSafeLine)
{
    EXPECT_EQ(DatabaseValue::makeSafe("  A group of\r\nprofessional\tbank robbers  "),
              "A group of professional bank robbers");
    EXPECT_EQ(DatabaseValue::makeSafe("one <li> two </ul> three"), "one two three");
    // Removing one mark must not leave another made of what stood around it.
    EXPECT_EQ(DatabaseValue::makeSafe("a<l<li>i>b"), "ab");
    EXPECT_EQ(DatabaseValue::makeSafe("a</<l</ul>i>ul>b"), "ab");
    // Latin-1 from an old file becomes UTF-8; UTF-8 stays as it is.
    EXPECT_EQ(DatabaseValue::makeSafe("Am\xE9lie"), "Am\xC3\xA9lie");
    EXPECT_EQ(DatabaseValue::makeSafe("Am\xC3\xA9lie"), "Am\xC3\xA9lie");
    // Bytes shaped like UTF-8 that no UTF-8 writer makes are Latin-1 too: an over-long
    // form, a UTF-16 surrogate, a code past U+10FFFF.
    EXPECT_EQ(DatabaseValue::makeSafe("R\xE0\x93\x96z"), "R\xC3\xA0\xC2\x93\xC2\x96z");
    EXPECT_EQ(DatabaseValue::makeSafe("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xC2\x80");
    EXPECT_EQ(DatabaseValue::makeSafe("\xF4\x90\x80\x80"), "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80");
    EXPECT_EQ(DatabaseValue::makeSafe("\xF0\x9F\x8E\xAC \xE2\x80\x93"), "\xF0\x9F\x8E\xAC \xE2\x80\x93");
    EXPECT_EQ(DatabaseValue::makeCommaFree("Good Night, and Good Luck"), "Good Night and Good Luck");

    // A long value is cut at a word, never inside a character, and says so.
    std::string longText;
    while (longText.size() < 3000)
        longText += "\xC3\xA9t\xC3\xA9 ";
    PallixString cut = DatabaseValue::makeSafe(longText);
    EXPECT_LE(cut.GetLength(), int(DatabaseValue::MAX_VALUE_BYTES));
    EXPECT_EQ(cut.str().substr(cut.str().size() - 8), "\xC3\xA9t\xC3\xA9\xE2\x80\xA6");

    EXPECT_TRUE(DatabaseValue::isStorable("/films/Mission: Impossible (1996)"));
    EXPECT_FALSE(DatabaseValue::isStorable("/films/two\nlines"));
    EXPECT_FALSE(DatabaseValue::isStorable("/films/Heat "));
    EXPECT_FALSE(DatabaseValue::isStorable("/films/<li>"));
    EXPECT_FALSE(DatabaseValue::isStorable(std::string(2100, 'a')));
}

TEST(DatabaseValue, SafeValuesReadBackUnchanged)
{
    // What the scanner makes safe, the database reader gives back exactly.
    const std::string description = std::string(2500, 'x') + " <li>Title=Evil\n</ul>\n<ul> and more   ";
    MediaEntry written;
    written.setOriginalTitle(DatabaseValue::makeSafe("Heat </ul>"));
    written.setTitle(DatabaseValue::makeSafe("Heat\n<li>Genre=Evil"));
    written.setDescription(DatabaseValue::makeSafe(description));
    written.setActors(DatabaseValue::makeSafe(std::string(1990, 'a') + " \xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"));
    std::ostringstream text;
    written.exportFullEntry(text);

    TempDir dir;
    dir.write("db.html", text.str());
    FILE* pFile = std::fopen(dir.file("db.html").c_str(), "r");
    ASSERT_NE(pFile, nullptr);
    char line[2048];
    ASSERT_NE(std::fgets(line, sizeof(line), pFile), nullptr);
    HTMLDBParser parser;
    std::unique_ptr<MediaEntry> pRead(parser.parseEntry(pFile, true));
    std::fclose(pFile);
    EXPECT_EQ(pRead->getOriginalTitle(), written.getOriginalTitle());
    EXPECT_EQ(pRead->getTitle(), written.getTitle());
    EXPECT_EQ(pRead->getDescription(), written.getDescription());
    EXPECT_EQ(pRead->getActors(), written.getActors());
    EXPECT_EQ(pRead->getGenre(), "");
}
