// Opens the "All" cover grid of a 2,000-title library whose titles each have a
// real cover file, in the real application running headless, and times: the key
// to the panel on screen with its first cover, the key to every cover loaded, the
// longest the event loop was kept from input while the covers loaded, and the
// paint of one grid page (whole screen, and after a move). The library and the
// artwork staged beside the executable in <build>/bin are used as the set-up of
// the application would use them. Usage: grid_bench [titles] (default 2000).

#include "BenchFigures.h"
#include "BenchHeadless.h"
#include "ImageList.h"
#include "PallixApp.h"
#include "PallixBitmap.h"
#include "PallixEventLoop.h"
#include "PallixScreen.h"
#include "PallixTimer.h"
#include "PallixWindowManager.h"
#include "QuorvaApp.h"
#include "RemoteKeys.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace
{
constexpr uint32_t COVER_W = 146;
constexpr uint32_t COVER_H = 203;

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// A photograph-like cover: noise compresses about as badly.
void writeCover(const std::string& path, unsigned seed)
{
    std::mt19937 random(seed);
    PallixBitmap cover;
    cover.Create(COVER_W, COVER_H);
    uint8_t* pPixels = cover.GetPixels();
    for (uint32_t y = 0; y < COVER_H; ++y)
    {
        uint8_t* pRow = pPixels + y * cover.GetPitch();
        for (uint32_t x = 0; x < COVER_W * 4; ++x)
            pRow[x] = (x % 4 == 3) ? 255 : uint8_t(random());
    }
    cover.SavePNG(path.c_str());
}

std::string stageLibrary(const std::filesystem::path& buildBin, int titles)
{
    char pattern[] = "/tmp/quorva-grid-bench-XXXXXX";
    std::string dir = mkdtemp(pattern);
    std::ofstream(dir + "/client.properties") << "db.file=movies.html\n";
    std::ofstream db(dir + "/movies.html");
    db << "<html><body>\n";
    const int variants = 16;
    for (int i = 0; i < variants; ++i)
        writeCover(dir + "/cover" + std::to_string(i) + ".png", unsigned(i));
    for (int i = 0; i < titles; ++i)
    {
        std::string name = "Title " + std::to_string(i + 1);
        std::filesystem::create_directories(dir + "/movies/" + name);
        std::filesystem::copy_file(dir + "/cover" + std::to_string(i % variants) + ".png",
                                   dir + "/movies/" + name + "/folder.png");
        db << "<ul>\n  <li>Title=" << name << "\n  <li>Genre=Drama\n  <li>Year=2001\n  <li>Duration=1:30:00"
           << "\n  <li>MPAA=PG\n  <li>Original Title=" << name << "\n  <li>Path=movies/" << name
           << "\n  <li>Filename=" << name << ".mpg\n</ul>\n";
    }
    db << "</body></html>\n";
    std::filesystem::create_directory_symlink(buildBin / "images", dir + "/images");
    return dir;
}

// Watches the screen once a millisecond from inside the event loop. A tick that
// comes late means the loop was busy: that is how long a key would have waited.
class Watcher : public PallixTimer
{
public:
    Watcher(QuorvaApp& app, int titles) : mApp(app), mTitles(titles) {}

    void start()
    {
        // Pictures decode and glyphs render on the first paints of the genre panel.
        PallixWindowManager::Get().AddDamage(PallixScreen().GetRect());
        mTimer = SetTimer(1);
        mKeyAt = mLastTick = Clock::now();
        PallixEventLoop::DeliverKey(RemoteKeys::SELECT);
    }

    void OnTimer(uint32_t nTimerID) override
    {
        if (nTimerID != mTimer)
            return;
        Clock::time_point now = Clock::now();
        mGaps.ms.push_back(msBetween(mLastTick, now));
        mLastTick = now;

        // The grid takes the focus as soon as the panel is shown. A cover is on
        // screen once the grid holds it and the damage it caused has been painted.
        ImageList* pGrid = dynamic_cast<ImageList*>(PallixWindow::GetFocusWindow());
        bool bPainted = !PallixWindowManager::Get().HasDamage();
        if (mFirstCoverAt == Clock::time_point() && pGrid && pGrid->getItemCount() > 0 && bPainted)
            mFirstCoverAt = now;
        if (pGrid && pGrid->getItemCount() == mTitles && bPainted)
        {
            mAllCoversAt = now;
            KillTimer(mTimer);
            measurePaint(*pGrid);
            mApp.Terminate(0);
        }
    }

private:
    void measurePaint(ImageList& grid)
    {
        PallixWindowManager& manager = PallixWindowManager::Get();
        PallixBitmap& plane = PallixScreen().GetBitmap();
        BenchFigures page;
        for (int i = 0; i < 300; ++i)
        {
            Clock::time_point start = Clock::now();
            manager.AddDamage(grid.GetParent()->GetRectAbsolute());
            manager.Paint(plane);
            page.ms.push_back(msBetween(start, Clock::now()));
        }
        BenchFigures move;
        for (int i = 0; i < 300; ++i)
        {
            Clock::time_point start = Clock::now();
            PallixEventLoop::DeliverKey(i % 2 ? RemoteKeys::LEFT : RemoteKeys::RIGHT);
            manager.Paint(plane);
            move.ms.push_back(msBetween(start, Clock::now()));
        }

        std::printf("titles %d, covers %ux%u\n", mTitles, COVER_W, COVER_H);
        std::printf("%-34s %.1f ms\n", "key to first cover on screen", msBetween(mKeyAt, mFirstCoverAt));
        std::printf("%-34s %.1f ms\n", "key to all covers loaded", msBetween(mKeyAt, mAllCoversAt));
        mGaps.report("loop turn while loading (1 ms tick)");
        page.report("grid page paint");
        move.report("key Right/Left to painted frame");
    }

    QuorvaApp& mApp;
    int mTitles;
    uint32_t mTimer = 0;
    Clock::time_point mKeyAt;
    Clock::time_point mLastTick;
    Clock::time_point mFirstCoverAt;
    Clock::time_point mAllCoversAt;
    BenchFigures mGaps;
};
} // namespace

int main(int argc, char** argv)
{
    int titles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const std::filesystem::path buildBin = PrepareHeadless();
    if (buildBin.empty())
        return 1;
    std::string dir = stageLibrary(buildBin, titles);

    QuorvaApp app;
    Watcher watcher(app, titles);
    std::string program = dir + "/quorva";
    char* args[] = {program.data(), nullptr};
    // The genre panel opens on "All": Select shows the grid of every title.
    PallixEventLoop::Post([&] { watcher.start(); });
    // The panel prints a dot per title; the figures go to standard output after them.
    int status = app.Run(1, args);
    std::filesystem::remove_all(dir);
    return status;
}
