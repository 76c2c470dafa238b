#include "PallixDirScanner.h"
#include "PallixFile.h"
#include "PallixFileStream.h"
#include "PallixNewArray.h"
#include "PallixRect.h"
#include "PallixString.h"
#include "PallixTokenArray.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

TEST(PallixString, CompareHonoursCaseFlagAndLength)
{
    PallixString s("db.file");
    EXPECT_EQ(s.Compare("db.file", true), 0);
    EXPECT_NE(s.Compare("DB.FILE", true), 0);
    EXPECT_EQ(s.Compare("DB.FILE", false), 0);
    EXPECT_EQ(s.Compare("Db.File", false, false, -1), 0);
    // Order like a three-way comparison, with a prefix sorting first.
    EXPECT_LT(PallixString("abc").Compare("abd"), 0);
    EXPECT_GT(PallixString("abd").Compare("abc"), 0);
    EXPECT_LT(PallixString("ab").Compare("abc"), 0);
    EXPECT_GT(PallixString("abc").Compare("ab"), 0);
    // Folding only touches ASCII letters: '[' sits between 'Z' and 'a'.
    EXPECT_LT(PallixString("Z").Compare("[", false), 0);
    EXPECT_LT(PallixString("z").Compare("[", false), 0);
    // Bytes above 0x7F compare as unsigned.
    EXPECT_GT(PallixString("\xC3\xA9").Compare("z"), 0);
    EXPECT_EQ(PallixString("abcdef").Compare("abcxyz", true, false, 3), 0);
    EXPECT_EQ(PallixString("").Compare(nullptr), 0);
    EXPECT_TRUE(s == "db.file");
    EXPECT_TRUE(s != "DB.FILE");
}

TEST(PallixString, ContainsAndIndexing)
{
    PallixString s("Rated PG-13 for Violence");
    EXPECT_TRUE(s.Contains("PG-13", true));
    EXPECT_FALSE(s.Contains("violence", true));
    EXPECT_TRUE(s.Contains("violence", false));
    EXPECT_FALSE(s.Contains("violent", false));
    EXPECT_TRUE(s.Contains("", true));
    EXPECT_EQ(s[0], 'R');
    EXPECT_EQ(s[s.GetLength()], 0);
    EXPECT_EQ(s[1000], 0);
    EXPECT_EQ(s[-1], 0);

    PallixString mac("bc:9a:78");
    EXPECT_STREQ(mac.ToUpper(), "BC:9A:78");
    PallixString joined = PallixString("a") + "/" + PallixString("b");
    joined += "c";
    EXPECT_STREQ(joined, "a/bc");
    EXPECT_EQ(joined.GetLength(), 4);
    EXPECT_EQ(PallixString("/usr/local/app/quorva").ReverseFind('/'), 14);
    EXPECT_STREQ(PallixString("hello").Mid(1, 3), "ell");
    EXPECT_STREQ(PallixString("hello").Mid(9), "");
}

TEST(PallixTokenArray, RunsOfSeparatorsNeverMakeEmptyTokens)
{
    PallixTokenArray tokens("  media.root = movies\n", "= \n");
    ASSERT_EQ(tokens.GetNumTokens(), 2);
    EXPECT_STREQ(tokens.TokenAt(0), "media.root");
    EXPECT_STREQ(tokens.TokenAt(1), "movies");
    EXPECT_STREQ(tokens.TokenAt(2), "");
    EXPECT_STREQ(tokens.TokenAt(-1), "");

    PallixTokenArray cr("log.debug=true\r\n", "= \n");
    ASSERT_EQ(cr.GetNumTokens(), 2);
    EXPECT_STREQ(cr.TokenAt(1), "true\r");

    EXPECT_EQ(PallixTokenArray("", " ").GetNumTokens(), 0);
    EXPECT_EQ(PallixTokenArray("   ", " ").GetNumTokens(), 0);
    EXPECT_EQ(PallixTokenArray("G|PG||PG-13|", "|").GetNumTokens(), 3);
    EXPECT_EQ(PallixTokenArray("no separators here", "").GetNumTokens(), 1);
}

TEST(PallixNewArray, InsertRemoveAndSize)
{
    PallixNewArray<int> items(8);
    EXPECT_EQ(items.GetSize(), 0);
    items.Append(1);
    items.Append(3);
    items.InsertAt(1, 2);
    items.InsertAt(99, 4);
    items.InsertAt(0, 0);
    ASSERT_EQ(items.GetSize(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(items.GetAt(i), i);
    items.RemoveAt(0);
    items.RemoveAt(17);
    EXPECT_EQ(items.GetSize(), 4);
    EXPECT_EQ(items[0], 1);
    items.SetSize(2);
    EXPECT_EQ(items.GetSize(), 2);
    EXPECT_EQ(items[1], 2);
}

TEST(PallixDirScanner, ListsSortedWithoutDotsAndNothingForNonDirectories)
{
    TempDir dir;
    dir.write("b.mpg", "x");
    dir.write("a.mpg", "x");
    dir.write("B.mpg", "x");
    dir.write("sub/c.mpg", "x");
    PallixDirScanner scanner(dir.path().c_str());
    ASSERT_EQ(scanner.GetNumEntries(), 4);
    EXPECT_STREQ(scanner.GetEntry(0), "B.mpg");
    EXPECT_STREQ(scanner.GetEntry(1), "a.mpg");
    EXPECT_STREQ(scanner.GetEntry(2), "b.mpg");
    EXPECT_STREQ(scanner.GetEntry(3), "sub");
    EXPECT_STREQ(scanner.GetEntry(4), "");

    EXPECT_EQ(PallixDirScanner(dir.file("a.mpg").c_str()).GetNumEntries(), 0);
    EXPECT_EQ(PallixDirScanner(dir.file("missing").c_str()).GetNumEntries(), 0);
    EXPECT_EQ(PallixDirScanner(nullptr).GetNumEntries(), 0);
}

TEST(PallixDirScanner, VisitedNamesAreTheListingUnsorted)
{
    TempDir dir;
    // Long names, so that the folder takes more than one read of the kernel's listing.
    std::vector<std::string> expected;
    for (int i = 0; i < 600; ++i)
    {
        std::string name = std::to_string(i) + std::string(120, 'x') + ".mpg";
        dir.write(name, "");
        expected.push_back(name);
    }
    dir.write("sub/inner.mpg", "");
    expected.push_back("sub");
    std::sort(expected.begin(), expected.end());

    std::vector<std::string> visited;
    EXPECT_TRUE(PallixDirScanner::VisitNames(dir.path().c_str(),
                                             [&](std::string_view name) { visited.emplace_back(name); }));
    std::sort(visited.begin(), visited.end());
    EXPECT_EQ(visited, expected);

    PallixDirScanner scanner(dir.path().c_str());
    ASSERT_EQ(scanner.GetNumEntries(), static_cast<int>(expected.size()));
    for (int i = 0; i < scanner.GetNumEntries(); ++i)
        EXPECT_EQ(std::string(scanner.GetEntry(i)), expected[static_cast<size_t>(i)]);

    int nCalls = 0;
    auto count = [&](std::string_view) { ++nCalls; };
    EXPECT_FALSE(PallixDirScanner::VisitNames(dir.file("sub/inner.mpg").c_str(), count));
    EXPECT_FALSE(PallixDirScanner::VisitNames(dir.file("missing").c_str(), count));
    EXPECT_FALSE(PallixDirScanner::VisitNames(nullptr, count));
    EXPECT_EQ(nCalls, 0);
}

TEST(PallixRect, InsetInflateAndIntersect)
{
    PallixRect r(10, 20, 100, 50);
    r.InsetRect(5, 10);
    EXPECT_EQ(r, PallixRect(15, 30, 90, 30));
    r.InflateRect(5, 10);
    EXPECT_EQ(r, PallixRect(10, 20, 100, 50));
    r.InsetRect(-2, 0);
    EXPECT_EQ(r, PallixRect(8, 20, 104, 50));

    PallixRect meet;
    meet.MakeIntersectRect(PallixRect(0, 0, 100, 100), PallixRect(50, -10, 100, 30));
    EXPECT_EQ(meet, PallixRect(50, 0, 50, 20));
    meet.MakeIntersectRect(PallixRect(0, 0, 10, 10), PallixRect(20, 20, 5, 5));
    EXPECT_TRUE(meet.IsEmpty());
}

TEST(PallixFileStream, ReadsSeeksAndClampsPositions)
{
    TempDir dir;
    dir.write("movie.mpg", "0123456789");
    PallixFile file(dir.file("movie.mpg").c_str());
    ASSERT_TRUE(file.Open("r"));
    EXPECT_EQ(file.GetFileSize(), 10u);
    PallixFileStream stream;
    ASSERT_TRUE(stream.Open(file));
    char buffer[16] = {};
    EXPECT_EQ(stream.ReadBytes(4, buffer), 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(stream.GetPosition(), 4u);

    // A backwards jump that went below the start lands on 0.
    stream.SeekToPosition(uint64_t(0) - 3);
    EXPECT_EQ(stream.GetPosition(), 0u);
    // Past the end lands on the last byte, and the next read reaches the end.
    stream.SeekToPosition(1000);
    EXPECT_EQ(stream.GetPosition(), 9u);
    EXPECT_EQ(stream.ReadBytes(4, buffer), 1u);
    EXPECT_EQ(stream.GetPosition(), 10u);
    EXPECT_EQ(stream.ReadBytes(4, buffer), 0u);
    stream.SeekToPosition(8);
    EXPECT_EQ(stream.ReadBytes(16, buffer), 2u);
    EXPECT_EQ(std::string(buffer, 2), "89");

    PallixFile missing(dir.file("none.mpg").c_str());
    EXPECT_FALSE(missing.Open("r"));
    EXPECT_EQ(missing.GetFileSize(), 0u);
    PallixFileStream none;
    EXPECT_FALSE(none.Open(missing));
    EXPECT_EQ(none.ReadBytes(4, buffer), 0u);
}

// A film's parts are one stream: reads run on across the boundaries, the size
// is theirs together, and what was peeked is not read from the disk again.
TEST(PallixFileStream, PartsReadAsOneStream)
{
    TempDir dir;
    dir.write("VTS_01_1.VOB", "01234");
    dir.write("VTS_01_2.VOB", "56");
    dir.write("VTS_01_3.VOB", "789");
    PallixNewArray<PallixString> parts;
    for (const char* name : {"VTS_01_1.VOB", "VTS_01_2.VOB", "VTS_01_3.VOB"})
        parts.Append(dir.file(name).c_str());
    PallixFileStream stream;
    ASSERT_TRUE(stream.Open(parts));
    EXPECT_EQ(stream.GetSize(), 10u);
    EXPECT_STREQ(stream.GetPath(), dir.file("VTS_01_1.VOB").c_str());
    ASSERT_EQ(stream.GetParts().size(), 3u);
    EXPECT_EQ(stream.GetParts()[2].offset, 7u);

    const auto pAhead = stream.Peek(6);
    EXPECT_EQ(std::string(pAhead->begin(), pAhead->end()), "012345");
    EXPECT_EQ(stream.GetPosition(), 0u);
    // The peeked bytes come from memory: changing the disk under them changes nothing.
    dir.write("VTS_01_1.VOB", "abcde");
    char buffer[16] = {};
    EXPECT_EQ(stream.ReadBytes(8, buffer), 8u);
    EXPECT_EQ(std::string(buffer, 8), "01234567");
    stream.SeekToPosition(3);
    EXPECT_EQ(stream.ReadBytes(16, buffer), 7u);
    EXPECT_EQ(std::string(buffer, 7), "de56789");
    // Moving on without reading stops at the end.
    stream.SeekToPosition(4);
    EXPECT_EQ(stream.SkipBytes(4), 4u);
    EXPECT_EQ(stream.SkipBytes(4), 2u);
    EXPECT_EQ(stream.GetPosition(), 10u);

    parts.Append(dir.file("VTS_01_4.VOB").c_str());
    PallixFileStream missing;
    EXPECT_FALSE(missing.Open(parts));
}

TEST(PallixFile, BoxArtworkPathsFallBackToThePlatformFolder)
{
    TempDir dir;
    dir.write("common/background.png", "png");
    setenv("PALLIX_GRAPHICS_DIR", dir.path().c_str(), 1);
    PallixFile art("/usr/local/zembu/graphics/common/background.png");
    EXPECT_STREQ(art.GetResolvedPath(), dir.file("common/background.png").c_str());
    EXPECT_TRUE(art.Open("r"));
    EXPECT_EQ(art.GetFileSize(), 3u);
    PallixFile other("/etc/hostname");
    EXPECT_STREQ(other.GetResolvedPath(), "/etc/hostname");
    unsetenv("PALLIX_GRAPHICS_DIR");
}
