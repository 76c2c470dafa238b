#include "QuorvaDatFile.h"

#include "FailingCalls.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace
{
const std::string EXAMPLE("\x00\x10\x00\x00\x00\x00\x00\x00"
                          "\x02\x00\x00\x00"
                          "\x80\x43\x6D\x38",
                          16);

struct Expected
{
    unsigned long long position;
    int zoom;
    uint32_t time;
};

void expectValues(const std::string& movie, const Expected& expected, const std::string& label)
{
    QuorvaDatFile stats(movie.c_str());
    EXPECT_EQ(stats.getLastPosition(), expected.position) << label;
    EXPECT_EQ(stats.getZoomMode(), expected.zoom) << label;
    EXPECT_EQ(stats.getLastViewedTime(), expected.time) << label;
}
} // namespace

TEST(QuorvaDatFile, ReadsEachFieldOnlyWhenItIsComplete)
{
    TempDir dir;
    const std::string movie = dir.file("heat.mpg");
    expectValues(movie, {0, -1, 0}, "no file");

    const std::pair<size_t, Expected> cases[] = {
        {0, {0, -1, 0}},
        {5, {0, -1, 0}},
        {8, {4096, -1, 0}},
        {10, {4096, -1, 0}},
        {14, {4096, 2, 0}},
        {16, {4096, 2, 946684800}},
    };
    for (const auto& [size, expected] : cases)
    {
        dir.write("heat.mpg.quorva", EXAMPLE.substr(0, size));
        expectValues(movie, expected, std::to_string(size) + " bytes");
    }

    // Extra bytes are ignored, and the next write keeps only the 16 that belong.
    dir.write("heat.mpg.quorva", EXAMPLE + "\x01\x02\x03\x04");
    expectValues(movie, {4096, 2, 946684800}, "20 bytes");
    QuorvaDatFile stats(movie.c_str());
    stats.write();
    EXPECT_EQ(dir.read("heat.mpg.quorva"), EXAMPLE);

    // The zoom mode is signed; the time is unsigned, so that it runs until 2106.
    dir.write("heat.mpg.quorva", std::string(16, '\xff'));
    expectValues(movie, {~0ULL, -1, 4294967295}, "all ones");
    QuorvaDatFile later(movie.c_str());
    later.setLastViewedTime(4102444800); // 2100-01-01
    later.write();
    EXPECT_EQ(dir.read("heat.mpg.quorva").substr(12), std::string("\x00\x57\x86\xF4", 4));
    expectValues(movie, {~0ULL, -1, 4102444800}, "after 2038");
}

TEST(QuorvaDatFile, WriteReplacesTheWholeFileAtOnce)
{
    TempDir dir;
    const std::string movie = dir.file("heat.mpg");
    QuorvaDatFile stats(movie.c_str());
    stats.setLastPosition(4096);
    stats.setZoomMode(2);
    stats.setLastViewedTime(946684800);
    EXPECT_FALSE(std::filesystem::exists(movie + ".quorva"));
    stats.write();
    EXPECT_EQ(dir.read("heat.mpg.quorva"), EXAMPLE);
    EXPECT_EQ(std::filesystem::directory_iterator(dir.path())->path().filename(), "heat.mpg.quorva");

    struct stat st;
    ASSERT_EQ(stat((movie + ".quorva").c_str(), &st), 0);
    mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0664u & ~mask);

    // Changing values without a write leaves the file alone.
    stats.setLastPosition(1);
    EXPECT_EQ(dir.read("heat.mpg.quorva"), EXAMPLE);

    // When the new file cannot be made, the old one stays exactly as it was.
    std::filesystem::create_directory(movie + ".quorva.tmp");
    stats.write();
    EXPECT_EQ(dir.read("heat.mpg.quorva"), EXAMPLE);
    std::filesystem::remove(movie + ".quorva.tmp");

    stats.write();
    expectValues(movie, {1, 2, 946684800}, "rewritten");

    // A folder that does not exist gets nothing.
    QuorvaDatFile lost(dir.file("gone/heat.mpg").c_str());
    lost.write();
    EXPECT_FALSE(std::filesystem::exists(dir.file("gone")));
}

TEST(QuorvaDatFile, AWriteThatFailsAtAnyStepLeavesTheOldFileWhole)
{
    TempDir dir;
    const std::string movie = dir.file("heat.mpg");
    dir.write("heat.mpg.quorva", EXAMPLE);
    for (const AtomicFile::SystemCalls& calls : FailingCalls::each())
    {
        FailingCalls failing(calls);
        QuorvaDatFile stats(movie.c_str());
        stats.setLastPosition(99);
        EXPECT_FALSE(stats.write());
        EXPECT_EQ(std::string(stats.getWriteError()), failing.reason());
        EXPECT_EQ(dir.read("heat.mpg.quorva"), EXAMPLE);
        EXPECT_FALSE(std::filesystem::exists(movie + ".quorva.tmp"));
    }
}

// Two boxes on one shared folder may save the same title at once: the one that
// comes second must not take the first one's half-written file from under it.
TEST(QuorvaDatFile, AnotherWritersFileInProgressIsLeftAloneAndAStaleOneReplaced)
{
    TempDir dir;
    const std::string movie = dir.file("heat.mpg");
    dir.write("heat.mpg.quorva.tmp", "half");
    QuorvaDatFile stats(movie.c_str());
    stats.setLastPosition(4096);
    ASSERT_TRUE(stats.write());
    EXPECT_EQ(dir.read("heat.mpg.quorva.tmp"), "half");
    expectValues(movie, {4096, -1, 0}, "beside another writer");
    int nFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        nFiles += entry.path().filename() != "heat.mpg.quorva.tmp";
    EXPECT_EQ(nFiles, 1);

    // One left by a write that never finished, long ago, goes.
    std::filesystem::last_write_time(dir.file("heat.mpg.quorva.tmp"),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    stats.setLastPosition(8192);
    ASSERT_TRUE(stats.write());
    EXPECT_FALSE(std::filesystem::exists(dir.file("heat.mpg.quorva.tmp")));
    expectValues(movie, {8192, -1, 0}, "after a stale file");
}
