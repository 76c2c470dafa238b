#include "MediaMaker.h"
#include "QuorvaProcess.h"
#include "ScanProcess.h"
#include "TestLibrary.h"
#include "TestRecord.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/mount.h>
#include <vector>

namespace
{
const std::string SAVED_SPOT("\x00\x10\x00\x00\x00\x00\x00\x00\x02\x00\x00\x00\x80\x43\x6D\x38", 16);


// A small volume of its own (a tmpfs mounted for the test), so that a full or
// read-only disk is real. Mounting needs root; without it the test is skipped.
class SmallVolume
{
public:
    SmallVolume(const std::string& path, const char* size) : mPath(path)
    {
        std::filesystem::create_directories(path);
        mbMounted = ::mount("tmpfs", path.c_str(), "tmpfs", 0, (std::string("size=") + size).c_str()) == 0;
    }
    ~SmallVolume()
    {
        if (mbMounted)
            ::umount2(mPath.c_str(), MNT_DETACH);
    }
    SmallVolume(const SmallVolume&) = delete;
    SmallVolume& operator=(const SmallVolume&) = delete;

    bool isMounted() const { return mbMounted; }

    // Takes every byte that is left.
    void fill() const
    {
        std::ofstream filler(mPath + "/filler", std::ios::binary);
        std::string block(4096, 'f');
        while (filler.write(block.data(), std::streamsize(block.size())) && filler.flush())
        {
        }
    }

    bool makeReadOnly() const
    {
        return ::mount("tmpfs", mPath.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    std::string mPath;
    bool mbMounted = false;
};

int countLinesStartingWith(const std::vector<std::string>& lines, const std::string& start)
{
    int n = 0;
    for (const std::string& line : lines)
        n += line.rfind(start, 0) == 0 ? 1 : 0;
    return n;
}
} // namespace

TEST(DiskFaultEndToEnd, AStatsFileThatCannotBeWrittenStaysAsItWasAndPlaybackGoesOn)
{
    for (const bool bReadOnly : {false, true})
    {
        TempDir dir;
        SmallVolume volume(dir.file("volume"), "2m");
        if (!volume.isMounted())
            GTEST_SKIP() << "mounting a small volume needs root: " << std::strerror(errno);
        MediaMaker::Movie movie;
        movie.seconds = 3;
        movie.size = "160x120";
        ASSERT_TRUE(MediaMaker::make(dir.file("volume/film.mpg"), movie));
        dir.write("volume/film.mpg.quorva", SAVED_SPOT);
        if (bReadOnly)
            ASSERT_TRUE(volume.makeReadOnly());
        else
            volume.fill();
        TestLibrary library(
            dir, TestDatabase({TestRecord().named("Film").genre("Drama").path("volume").filename("film.mpg")}, true)
                     .text());
        QuorvaProcess& app = library.process();
        library.openTable();
        library.keys({"Play", "Exit", "Play", "Exit"});
        EXPECT_EQ(app.command("quorvaApp exit"), "OK");
        std::vector<std::string> lines = app.remainingLines();
        EXPECT_EQ(app.waitExit(), 0);
        // Each failed save is reported once, with the reason; the old spot is kept whole.
        const std::string reason = bReadOnly ? "Read-only file system" : "No space left on device";
        EXPECT_EQ(countLinesStartingWith(lines, "ERROR: Unable to save where playback stopped in " +
                                                    dir.file("volume/film.mpg.quorva") + ": " + reason),
                  2)
            << bReadOnly;
        EXPECT_EQ(countLinesStartingWith(lines, "ERROR: Unable to save"), 2);
        EXPECT_EQ(dir.read("volume/film.mpg.quorva"), SAVED_SPOT);
        // Playback itself was never in doubt.
        EXPECT_EQ(countLinesStartingWith(lines, "ERROR: Failed"), 0);
    }
}

TEST(DiskFaultEndToEnd, AnExportOnAFullDiskKeepsTheOldIndexAndDetailFiles)
{
    TempDir dir;
    SmallVolume volume(dir.file("volume"), "64k");
    if (!volume.isMounted())
        GTEST_SKIP() << "mounting a small volume needs root: " << std::strerror(errno);
    dir.write("volume/client.properties", "db.file=movies.html\n");
    TestDatabase({TestRecord().named("Film").genre("Drama").description(std::string(2000, 'd')).path("Film")
                      .filename("film.mpg")},
                 true)
        .write(dir, "volume/movies.html");
    dir.write("volume/exported.txt", "old index");
    dir.write("volume/Film/film.mpg.info", "old detail");
    volume.fill();

    QuorvaProcess app(dir.file("volume"), {"-export"});
    ASSERT_TRUE(app.waitForLine("ERROR: Unable to write " + dir.file("volume/exported.txt") +
                                ": No space left on device"));
    EXPECT_EQ(app.nextLine(), "ERROR: 1 detail files could not be written.");
    EXPECT_EQ(dir.read("volume/exported.txt"), "old index");
    EXPECT_EQ(dir.read("volume/Film/film.mpg.info"), "old detail");
    EXPECT_EQ(app.command("quorvaApp exit"), "OK");
    EXPECT_EQ(app.waitExit(), 0);
}

TEST(DiskFaultEndToEnd, AScanOntoAFullDiskKeepsTheOldDatabaseAndFails)
{
    TempDir dir;
    SmallVolume volume(dir.file("volume"), "64k");
    if (!volume.isMounted())
        GTEST_SKIP() << "mounting a small volume needs root: " << std::strerror(errno);
    dir.write("films/Heat (1995)/heat.mkv", "not really a film");
    dir.write("volume/movies.html", "old database");
    volume.fill();
    ScanProcess scan(dir.path(), {"--force", "--db", dir.file("volume/movies.html"), dir.file("films")});
    EXPECT_EQ(scan.status(), 1);
    EXPECT_EQ(scan.lines().back(), "quorva-scan: " + dir.file("volume/movies.html") +
                                       " cannot be written (No space left on device); the old one is unchanged");
    EXPECT_EQ(dir.read("volume/movies.html"), "old database");
}
