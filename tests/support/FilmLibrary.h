#pragma once

#include "MediaMaker.h"
#include "QuorvaDatFile.h"
#include "TestLibrary.h"
#include "TestRecord.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

// The binary on one title, "Test Card" in movies/Film, with trick play on and
// the table of titles open (column menu, second column, its table).
class FilmLibrary : public TestLibrary
{
public:
    FilmLibrary(const TempDir& dir, const TestRecord& record, const std::string& settings = "")
        : TestLibrary(dir, TestDatabase{record}.text(), "enable.trickplay=true\n" + settings), mDir(dir)
    {
        openTable();
    }

    // The title's record; file is its Filename, none when empty (the folder's
    // first movie file plays).
    static TestRecord testCard(const TempDir& dir, const std::string& file)
    {
        TestRecord record = TestRecord::testCard(dir.file("movies/Film"));
        return file.empty() ? record : record.filename(file);
    }

    // The burned-in clock of a 4:3 picture of width x height pixels shown in the
    // "Full" mode (the whole height, black bars beside it), read from fresh
    // screenshots until the limit; -1 when it cannot be read. pWhen: when the
    // screenshot that showed it was taken, in seconds.
    double clock(double* pWhen = nullptr, int width = 320, int height = 240,
                 std::chrono::seconds limit = std::chrono::seconds(20))
    {
        double time = -1;
        waitFor(
            [&]
            {
                const auto pShot = screenshot();
                if (pWhen)
                    *pWhen = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
                time = MediaMaker::readClock(*pShot, PallixRect(160, 0, 960, 720), width, height);
                return time >= 0;
            },
            limit);
        return time;
    }

    // The stats file of a film file in movies/Film: whether it is there, and its position.
    uint64_t saved(const std::string& file, bool& bSaved) const
    {
        const std::string path = mDir.file("movies/Film/" + file);
        bSaved = std::filesystem::exists(path + ".quorva");
        return bSaved ? QuorvaDatFile(path.c_str()).getLastPosition() : 0;
    }

private:
    const TempDir& mDir;
};
