#include "MediaMaker.h"
#include "PallixBitmap.h"
#include "QuorvaDatFile.h"
#include "QuorvaProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace
{
const std::string SAVED_SPOT("\x00\x00\x40\x00\x00\x00\x00\x00\x02\x00\x00\x00\x80\x43\x6D\x38", 16);

std::string binaryDir()
{
    return std::filesystem::path(QUORVA_BINARY).parent_path().string();
}

// A film, and enough titles with covers that the grid takes seconds to load them.
class Library
{
public:
    Library()
    {
        MediaMaker::Movie movie;
        movie.seconds = 8;
        movie.size = "160x120";
        movie.container = "mpegts";
        movie.extra = {"-muxrate", "19000000"};
        std::filesystem::create_directories(mDir.file("movies/Film"));
        EXPECT_TRUE(MediaMaker::make(mDir.file("movies/Film/film.ts"), movie));
        PallixBitmap cover;
        cover.Create(146, 203);
        cover.FillRect(cover.GetRect(), PallixColor(120, 40, 40, 255));
        EXPECT_TRUE(cover.SavePNG(mDir.file("cover.png").c_str()));
        std::string db = "<ul>\n  <li>Title=Film\n  <li>Original Title=Film\n  <li>Genre=Drama\n"
                         "  <li>Path=movies/Film\n  <li>Filename=film.ts\n</ul>\n";
        for (int i = 0; i < 300; ++i)
            db += "<ul>\n  <li>Title=Cover " + std::to_string(i) + "\n  <li>Original Title=Cover " +
                  std::to_string(i) + "\n  <li>Genre=Drama\n  <li>Imagepath=cover.png\n</ul>\n";
        mDir.write("movies.html", db);
        mDir.write("client.properties", "db.file=movies.html\nenable.trickplay=true\n");
        std::filesystem::create_directory_symlink(binaryDir() + "/images", mDir.file("images"));
        std::filesystem::create_directory_symlink(binaryDir() + "/graphics", mDir.file("graphics"));
    }

    std::string stats() const { return mDir.file("movies/Film/film.ts.quorva"); }

    TempDir mDir;
};

struct State
{
    const char* name;
    std::vector<const char*> keys;
    bool bPlaying;
    bool bSavedSpot;
};

// The states a viewer may be in when Quorva is told to end.
const std::vector<State> STATES = {
    {"start-up", {}, false, false},
    {"grid loading covers", {"Select"}, false, false},
    {"player starting", {"Left", "Down", "Right", "Play"}, true, false},
    {"playing", {"Left", "Down", "Right", "Play", "Info"}, true, false},
    {"paused", {"Left", "Down", "Right", "Play", "Play"}, true, false},
    {"trick play", {"Left", "Down", "Right", "Play", "Right"}, true, false},
    {"resume list", {"Left", "Down", "Right", "Play"}, true, true},
};

void quitInEveryState(const std::function<void(QuorvaProcess&)>& quit)
{
    for (const State& state : STATES)
    {
        Library library;
        if (state.bSavedSpot)
            library.mDir.write("movies/Film/film.ts.quorva", SAVED_SPOT);
        QuorvaProcess app(library.mDir.path(), {});
        for (const char* key : state.keys)
            EXPECT_EQ(app.command(std::string("press ") + key), "OK") << state.name << " " << key;
        if (state.keys.empty())
        {
            EXPECT_TRUE(app.waitForLine("Full path to db file: " + library.mDir.path() + "/movies.html"));
        }
        quit(app);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(app.waitExit(std::chrono::seconds(10)), 0) << state.name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << state.name;
        for (const std::string& line : app.remainingLines())
        {
            EXPECT_EQ(line.find("Sanitizer"), std::string::npos) << state.name << ": " << line;
            EXPECT_EQ(line.find("runtime error"), std::string::npos) << state.name << ": " << line;
        }
        // A title that was playing has its stats saved as the exit key saves them.
        EXPECT_EQ(std::filesystem::exists(library.stats()), state.bPlaying) << state.name;
        if (state.bPlaying)
        {
            QuorvaDatFile stats(library.mDir.file("movies/Film/film.ts").c_str());
            EXPECT_GT(stats.getLastViewedTime(), 946684800) << state.name;
            EXPECT_EQ(stats.getZoomMode(), state.bSavedSpot ? 2 : 0) << state.name;
        }
    }
}
} // namespace

TEST(QuitEndToEnd, TheExitVerbEndsEveryStateCleanly)
{
    quitInEveryState([](QuorvaProcess& app) { EXPECT_EQ(app.command("quorvaApp quit"), "OK"); });
}

TEST(QuitEndToEnd, ATerminationSignalEndsEveryStateCleanly)
{
    quitInEveryState([](QuorvaProcess& app) { app.signal(SIGTERM); });
}
