#include "QuorvaProcess.h"
#include "TestRecord.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <regex>

namespace
{
// The first line is the box's address; a box without one prints the failure
// line on standard error before it.
void expectMacLine(QuorvaProcess& app)
{
    std::string line = app.nextLine();
    if (line == "Could not find MAC address for interface eth0")
        line = app.nextLine();
    EXPECT_TRUE(std::regex_match(line, std::regex("My MAC: ([0-9A-F]{2}:){5}[0-9A-F]{2}"))) << line;
}

std::string quit(QuorvaProcess& app)
{
    return app.command("quorvaApp exit");
}
} // namespace

TEST(StartupEndToEnd, ShowsTheStartUpLinesAndEndsOnExitWithinASecond)
{
    TempDir dir;
    dir.write("client.properties", "# demo settings\n"
                                   "db.file=movies.html\n"
                                   "media.root=movies\n"
                                   "autohide.secs=5\n");
    QuorvaProcess app(dir.path(), {});
    expectMacLine(app);
    EXPECT_EQ(app.nextLine(), "My working dir is:  " + dir.path());
    EXPECT_EQ(app.nextLine(), "db file: movies.html");
    EXPECT_EQ(app.nextLine(), "Media root: movies");
    EXPECT_EQ(app.nextLine(), "Autohide Secs: 5");
    EXPECT_EQ(app.nextLine(), "Full path to db file: " + dir.path() + "/movies.html");

    // Unknown verbs and a command without a verb are answered and change nothing.
    EXPECT_EQ(app.command("quorvaApp status"), "OK");
    EXPECT_EQ(app.command("quorvaApp"), "OK");
    EXPECT_EQ(app.waitExit(std::chrono::milliseconds(100)), -1);

    EXPECT_EQ(app.command("quorvaApp Exit"), "OK");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(app.waitExit(std::chrono::seconds(5)), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(StartupEndToEnd, QuitInAnyCaseEndsTheRun)
{
    TempDir dir;
    QuorvaProcess app(dir.path(), {"-sessionPriority", "255", "-fixpaths", "-fixpaths_vts"});
    expectMacLine(app);
    EXPECT_EQ(app.nextLine(), "My working dir is:  " + dir.path());
    EXPECT_EQ(app.nextLine(), "Unable to locate " + dir.path() + "/client.properties...no properties loaded.");
    EXPECT_EQ(app.nextLine(), "Full path to db file: " + dir.path() + "/");
    EXPECT_EQ(app.command("quorvaApp   QUIT"), "OK");
    EXPECT_EQ(app.waitExit(), 0);
}

TEST(StartupEndToEnd, RelativeProgramNameWorksInTheCurrentFolder)
{
    TempDir dir;
    dir.write("client.properties", "db.file=local.html\n");
    QuorvaProcess app(dir.path(), {"-sessionPriority", "1"}, true);
    expectMacLine(app);
    EXPECT_EQ(app.nextLine(), "My working dir is:  .");
    EXPECT_EQ(app.nextLine(), "db file: local.html");
    EXPECT_EQ(app.nextLine(), "Full path to db file: ./local.html");
    EXPECT_EQ(quit(app), "OK");
    EXPECT_EQ(app.waitExit(), 0);
}

TEST(StartupEndToEnd, BadSessionPriorityEndsTheRunBeforeAnythingElse)
{
    const std::vector<std::vector<std::string>> badArgs = {
        {"-sessionPriority", "0"},   {"-sessionPriority", "abc"}, {"-sessionPriority", "256"},
        {"-sessionPriority", "-1"},  {"-sessionPriority"},        {"-sessionPriority", "-export"},
        {"-sessionPriority", "5", "-export", "-sessionPriority", "300"}};
    for (const auto& args : badArgs)
    {
        SCOPED_TRACE(testing::PrintToString(args));
        TempDir dir;
        dir.write("client.properties", "db.file=movies.html\n");
        QuorvaProcess app(dir.path(), args);
        expectMacLine(app);
        EXPECT_EQ(app.nextLine(), "My working dir is:  " + dir.path());
        EXPECT_EQ(app.nextLine(), "ERROR: Session priority must be between 1 and 255");
        // Nothing after the error runs: no settings, no database, no export.
        EXPECT_EQ(app.remainingLines(), std::vector<std::string>());
        EXPECT_EQ(app.waitExit(), 0);
        EXPECT_EQ(dir.read("exported.txt"), "");
    }
}

TEST(StartupEndToEnd, TheDemoSettingsReadEveryTitleInFull)
{
    // The demo's settings as the demo target stages them, with a database as the
    // scanner writes it.
    TempDir dir;
    std::filesystem::copy_file(std::string(QUORVA_SOURCE_DIR) + "/assets/demo/client.properties",
                               dir.file("client.properties"));
    TestDatabase{TestRecord().genre("Drama").duration("0:00:45").originalTitle("Harbour Lights")
                     .title("Harbour Lights").description("Letters across one long winter.")}
        .write(dir);
    QuorvaProcess app(dir.path(), {});
    ASSERT_TRUE(app.waitForLine("On Demand Parsing: 1"));
    ASSERT_TRUE(app.waitForLine("Full path to db file: " + dir.path() + "/movies.html"));
    EXPECT_EQ(app.command("quorvaApp exit"), "OK");
    // Running times, genres and titles are all there (the films and covers are made
    // by the demo target, so only the covers are reported missing here).
    for (const std::string& line : app.remainingLines())
    {
        EXPECT_EQ(line.find("is missing a duration"), std::string::npos) << line;
        EXPECT_EQ(line.find("is missing a genre"), std::string::npos) << line;
        EXPECT_EQ(line.find("ERROR:   is"), std::string::npos) << line;
    }
    EXPECT_EQ(app.waitExit(), 0);
}
