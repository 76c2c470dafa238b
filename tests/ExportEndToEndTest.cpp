#include "QuorvaProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
// A golden file from tests/data/library with "@DIR@" standing for the test's folder.
std::string golden(const std::string& name, const std::string& dir)
{
    std::ifstream in(std::string(QUORVA_SOURCE_DIR) + "/tests/data/library/" + name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string result = text.str();
    EXPECT_FALSE(result.empty()) << name;
    for (size_t at = result.find("@DIR@"); at != std::string::npos; at = result.find("@DIR@", at + dir.size()))
        result.replace(at, 5, dir);
    return result;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}
} // namespace

TEST(ExportEndToEnd, WritesTheIndexAndDetailFilesAndCarriesOn)
{
    TempDir dir;
    dir.write("client.properties", "db.file=movies.html\n");
    dir.write("movies.html", golden("export-movies.html", dir.path()));
    dir.write("movies/Heat/heat.mpg", "");
    dir.write("movies/Heat/folder.png", "");
    dir.write("movies/Heat/folderLarge.png", "");
    dir.write("movies/Alien/VIDEO_TS/VTS_01_1.VOB", "");

    QuorvaProcess app(dir.path(), {"-export"});
    ASSERT_TRUE(app.waitForLine("Full path to db file: " + dir.path() + "/movies.html"));
    for (const std::string& expected : lines(golden("export-console.txt", dir.path())))
        EXPECT_EQ(app.nextLine(), expected);

    EXPECT_EQ(dir.read("exported.txt"), golden("export-exported.txt", dir.path()));
    EXPECT_EQ(dir.read("movies/Heat/heat.mpg.info"), golden("export-heat.info", dir.path()));
    EXPECT_EQ(dir.read("movies/Alien/VIDEO_TS/VTS_01_1.VOB.info"), golden("export-alien.info", dir.path()));

    // The export does not end the run: the application answers and exits on request.
    EXPECT_EQ(app.command("quorvaApp exit"), "OK");
    EXPECT_EQ(app.waitExit(), 0);
}
