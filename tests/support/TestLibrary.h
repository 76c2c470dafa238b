#pragma once

#include "PallixBitmap.h"
#include "QuorvaProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

// The real binary on a library folder of its own: client.properties naming
// movies.html (then the given settings), the database, the artwork linked beside
// the binary, and the binary started there with its control channel.
class TestLibrary
{
public:
    // An empty database leaves any movies.html the test wrote in place.
    TestLibrary(const TempDir& dir, const std::string& database, const std::string& settings = "",
                const std::vector<std::string>& env = {})
    {
        prepare(dir, database, settings);
        mpProcess = std::make_unique<QuorvaProcess>(dir.path(), std::vector<std::string>{}, false, env);
    }
    virtual ~TestLibrary() = default;
    TestLibrary(const TestLibrary&) = delete;
    TestLibrary& operator=(const TestLibrary&) = delete;

    // The same folder, for a test that starts the binary itself.
    static void prepare(const TempDir& dir, const std::string& database, const std::string& settings = "")
    {
        dir.write("client.properties", "db.file=movies.html\n" + settings);
        if (!database.empty())
            dir.write("movies.html", database);
        linkArtwork(dir);
    }

    QuorvaProcess& process() { return *mpProcess; }
    // A remote key through the control channel, which must answer "OK".
    void press(const char* key) { EXPECT_EQ(mpProcess->command(std::string("press ") + key), "OK") << key; }
    void keys(std::initializer_list<const char*> names)
    {
        for (const char* key : names)
            press(key);
    }
    // From the start: the column menu, the second column, its table of titles.
    void openTable() { keys({"Left", "Down", "Right"}); }
    std::unique_ptr<PallixBitmap> screenshot() { return mpProcess->screenshot(); }
    // A title is open in the player.
    bool playing() { return mpProcess->command("playback").rfind("OK open", 0) == 0; }

private:
    std::unique_ptr<QuorvaProcess> mpProcess;
};
