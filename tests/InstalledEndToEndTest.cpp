#include "QuorvaProcess.h"
#include "TestRecord.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

// Quorva installed as <prefix>/bin/quorva with its pictures in
// <prefix>/share/quorva: the system's settings come first and the home folder's
// win, and the database and everything else it keeps live in the home folder.
TEST(InstalledEndToEnd, ReadsTheSystemSettingsThenItsHomeFoldersAndKeepsItsLibraryThere)
{
    TempDir dir;
    namespace fs = std::filesystem;
    const fs::path prefix = dir.file("prefix");
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share/quorva");
    // A link would name the build tree's program; a second name of the same file does not.
    std::error_code error;
    fs::create_hard_link(QUORVA_BINARY, prefix / "bin/quorva", error);
    if (error)
        fs::copy_file(QUORVA_BINARY, prefix / "bin/quorva");
    fs::create_directory_symlink(binaryDir() + "/images", prefix / "share/quorva/images");
    fs::create_directory_symlink(binaryDir() + "/graphics", prefix / "share/quorva/graphics");
    dir.write("prefix/etc/quorva/client.properties", "db.file=movies.html\nautohide.secs=3\nprint.title=true\n");
    dir.write("home/client.properties", "autohide.secs=9\n");
    TestDatabase{TestRecord().title("Heat").genre("Drama").originalTitle("Heat")}.write(dir, "home/movies.html");

    const std::string home = dir.file("home");
    QuorvaProcess app(dir.path(), {"-export"}, false, {"QUORVA_HOME=" + home}, (prefix / "bin/quorva").string());
    ASSERT_TRUE(app.waitForLine("My working dir is:  " + home));
    EXPECT_EQ(app.nextLine(), "db file: movies.html");
    EXPECT_EQ(app.nextLine(), "Autohide Secs: 3");
    EXPECT_EQ(app.nextLine(), "Print title: 1");
    EXPECT_EQ(app.nextLine(), "Autohide Secs: 9");
    EXPECT_EQ(app.nextLine(), "Full path to db file: " + home + "/movies.html");
    EXPECT_EQ(app.command("quorvaApp exit"), "OK");
    EXPECT_EQ(app.waitExit(), 0);
    EXPECT_TRUE(fs::exists(home + "/exported.txt"));

    // Without QUORVA_HOME the home folder is made under XDG_DATA_HOME.
    QuorvaProcess second(dir.path(), {}, false, {"QUORVA_HOME=", "XDG_DATA_HOME=" + dir.file("data")},
                         (prefix / "bin/quorva").string());
    ASSERT_TRUE(second.waitForLine("My working dir is:  " + dir.file("data/quorva")));
    EXPECT_TRUE(fs::is_directory(dir.file("data/quorva")));
    EXPECT_EQ(second.command("quorvaApp exit"), "OK");
    EXPECT_EQ(second.waitExit(), 0);
}
