#include "QuorvaProcess.h"
#include "TestRecord.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
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

namespace
{
// Runs "quorva -export" in dir until the export is reported, then ends it.
std::vector<std::string> exportIn(const TempDir& dir)
{
    QuorvaProcess app(dir.path(), {"-export"});
    std::vector<std::string> printed;
    for (bool bOk = true; bOk;)
    {
        std::string line = app.nextLine(bOk);
        if (!bOk)
            break;
        if (line.rfind("Exporting", 0) == 0 || line.rfind("ERROR: Not exported", 0) == 0 ||
            line.rfind("Exported ", 0) == 0)
            printed.push_back(line);
        if (line.rfind("Exported ", 0) == 0 || line.rfind("ERROR: Unable", 0) == 0)
            break;
    }
    EXPECT_EQ(app.command("quorvaApp exit"), "OK");
    EXPECT_EQ(app.waitExit(), 0);
    return printed;
}
} // namespace

TEST(ExportEndToEnd, ExportingTheExportGivesTheSameLibrary)
{
    TempDir dir;
    dir.write("client.properties", "db.file=movies.html\n");
    // Paths relative to the database's folder; a title known only by its Original
    // Title; two titles that would share one detail file.
    TestDatabase{TestRecord().field("Num", "7").named("Heat").genre("Crime").duration("2:50:00")
                     .description("A thief.").field("Actors", "Al Pacino").path("movies/Heat").filename("heat.mpg")
                     .field("FeatureItem", "Trailer,Heat Trailer").field("FeatureItem2", "Making of,Heat Making"),
                 TestRecord().originalTitle("Nameless").genre("Drama").path("movies/Nameless")
                     .description("No title at all."),
                 TestRecord().named("Twin A").path("movies/Twins"), TestRecord().named("Twin B").path("movies/Twins")}
        .write(dir);
    dir.write("movies/Heat/heat.mpg", "");
    dir.write("movies/Heat/folder.png", "");
    dir.write("movies/Nameless/nameless.mpg", "");
    dir.write("movies/Twins/a.mpg", "");

    EXPECT_EQ(exportIn(dir), (std::vector<std::string>{"Exporting...", "ERROR: Not exported: Twin B would overwrite "
                                                                      "the detail file of Twin A.",
                                                        "Exported 3 records to " + dir.file("exported.txt")}));
    const std::string index = dir.read("exported.txt");
    const std::string heat = dir.read("movies/Heat/heat.mpg.info");
    const std::string nameless = dir.read("movies/Nameless/.info");
    // Written as the database gave them, and the covers found beside them likewise.
    EXPECT_NE(index.find("  <li>Path=movies/Heat\n  <li>Imagepath=movies/Heat/folder.png\n"), std::string::npos);
    EXPECT_NE(heat.find("  <li>Num=7\n  <li>FeatureItem1=Trailer,Heat Trailer\n"
                        "  <li>FeatureItem2=Making of,Heat Making\n</ul>\n"),
              std::string::npos);
    EXPECT_NE(nameless.find("  <li>Description=No title at all.\n"), std::string::npos);

    // The index as the database, read on demand: the export replaces its own input
    // with the same library, every detail kept.
    dir.write("client.properties", "db.file=exported.txt\nondemand.parsing=true\n");
    EXPECT_EQ(exportIn(dir), (std::vector<std::string>{"Exporting...", "Exported 3 records to " +
                                                                           dir.file("exported.txt")}));
    EXPECT_EQ(dir.read("exported.txt"), index);
    EXPECT_EQ(dir.read("movies/Heat/heat.mpg.info"), heat);
    EXPECT_EQ(dir.read("movies/Nameless/.info"), nameless);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path()))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}
