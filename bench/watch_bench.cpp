// What to watch next on a large library, in the real application running
// headless: opening the Continue Watching column (the key to the panel painted)
// and typing in the Search column (each letter, or Back, to the results
// painted), with the background re-reading of every stats file and watched mark
// timed too. The library: N titles (default 100,000) in folders of their own,
// a tenth of them stopped part-way and a fiftieth watched, read in full so that
// directors and actors are searched. Figures go to standard output.
// Usage: watch_bench [titles]. With WATCH_BENCH_DATA set to a folder, the
// library is made once under it and reused by later runs (the caller removes it).

#include "BenchFigures.h"
#include "BenchHeadless.h"
#include "ContinueWatching.h"
#include "MainWindow.h"
#include "PallixApp.h"
#include "PallixBitmap.h"
#include "PallixEventLoop.h"
#include "PallixScreen.h"
#include "PallixTimer.h"
#include "PallixWindowManager.h"
#include "QuorvaApp.h"
#include "QuorvaDatFile.h"
#include "RemoteKeys.h"
#include "SearchWindow.h"
#include "WatchedMarkFile.h"

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
const char* const WORDS[] = {"night", "city", "heat", "river", "stone", "ghost", "summer", "empire", "shadow",
                             "last", "silent", "golden", "broken", "wild", "secret", "long", "dark", "winter",
                             "glass", "iron", "the", "of", "and", "with", "after", "under", "am\xC3\xA9lie",
                             "ch\xC3\xA2teau", "stra\xC3\x9F" "e", "caf\xC3\xA9"};
const char* const NAMES[] = {"Anna", "Bruno", "Cl\xC3\xA1ra", "David", "El\xC3\xA9na", "Felix", "Greta", "Hugo",
                             "Irene", "Jonas", "Karl", "Lena", "Marco", "Nina", "\xC3\x93skar", "Paula"};
const char* const SURNAMES[] = {"Albrecht", "Bergman", "Castillo", "Dufresne", "Eriksen", "Fontaine",
                                "Gallagher", "Hoffmann", "Iwasaki", "Jab\xC5\x82onski", "Kowalski", "Lindqvist"};
// What the bench types, letter by letter, with Back between the words.
const char* const QUERIES[] = {"night city", "amelie", "hoffmann", "the last winter", "chateau", "greta",
                               "strasse", "zzq", "a", "iron shadow"};

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

std::string stageLibrary(const std::filesystem::path& buildBin, int titles)
{
    const char* pKept = std::getenv("WATCH_BENCH_DATA");
    std::string dir;
    if (pKept)
    {
        dir = std::string(pKept) + "/" + std::to_string(titles);
        std::filesystem::create_directories(dir);
    }
    else
    {
        char pattern[] = "/tmp/quorva-watch-bench-XXXXXX";
        dir = mkdtemp(pattern);
    }
    std::ofstream(dir + "/client.properties") << "db.file=movies.html\nondemand.parsing=true\n";
    if (!std::filesystem::exists(dir + "/images"))
        std::filesystem::create_directory_symlink(buildBin / "images", dir + "/images");
    if (std::filesystem::exists(dir + "/movies.html"))
        return dir;

    std::mt19937 random(7);
    auto pick = [&](size_t n) { return random() % n; };
    std::ofstream db(dir + "/movies.html");
    db << "<html><body>\n";
    for (int i = 0; i < titles; ++i)
    {
        std::string title = std::string(WORDS[pick(std::size(WORDS))]) + " " + WORDS[pick(std::size(WORDS))] + " " +
                            std::to_string(i);
        std::string folder = dir + "/films/" + std::to_string(i / 1000) + "/" + std::to_string(i);
        std::filesystem::create_directories(folder);
        std::ofstream(folder + "/film.mpg") << std::string(1000, 'x');
        std::string cast;
        for (int n = 0; n < 4; ++n)
            cast += std::string(n ? ", " : "") + NAMES[pick(std::size(NAMES))] + " " + SURNAMES[pick(std::size(SURNAMES))];
        db << "<ul>\n  <li>Title=" << title << "\n  <li>Original Title=" << title << "\n  <li>Genre=Drama"
           << "\n  <li>Year=" << 1950 + pick(70) << "\n  <li>Duration=1:3" << pick(10) << ":00\n  <li>Director="
           << NAMES[pick(std::size(NAMES))] << " " << SURNAMES[pick(std::size(SURNAMES))] << "\n  <li>Actors=" << cast
           << "\n  <li>Path=" << folder << "\n  <li>Filename=film.mpg\n</ul>\n";
        if (i % 10 == 0)
        {
            QuorvaDatFile stats((folder + "/film.mpg").c_str());
            stats.setLastPosition(100 + pick(800));
            stats.setLastViewedTime(1700000000 + i);
            stats.write();
        }
        PallixString error;
        if (i % 50 == 5)
            WatchedMarkFile::write((folder + "/film.mpg").c_str(), 1700000000 + i, error);
    }
    db << "</body></html>\n";
    return dir;
}

// Runs the measurements inside the event loop, one step a tick, each step once
// the background refresh it caused has been applied. Between two openings of
// Continue Watching a stats file changes, as when another box plays, so that
// each opening makes its list anew.
class Bench : public PallixTimer
{
public:
    Bench(QuorvaApp& app, int titles, std::string dir) : mApp(app), mTitles(titles), mDir(std::move(dir)) {}

    void start()
    {
        mStartAt = Clock::now();
        mTimer = SetTimer(5);
    }

    void OnTimer(uint32_t nTimerID) override
    {
        if (nTimerID != mTimer)
            return;
        // A tick that comes late while a refresh runs or lands: how long a key would wait.
        Clock::time_point now = Clock::now();
        if (mbWaiting)
            mGaps.ms.push_back(msBetween(mLastTick, now));
        mLastTick = now;
        mbWaiting = mApp.getViewingHistory()->isRefreshing();
        if (mbWaiting)
            return;
        if (mStep == 0)
            mFirstRefreshMs = msBetween(mStartAt, Clock::now());
        step();
    }

private:
    // The key and the painting of what it caused, in milliseconds.
    double keyToPaint(uint32_t nKey)
    {
        Clock::time_point start = Clock::now();
        PallixEventLoop::DeliverKey(nKey);
        PallixWindowManager::Get().Paint(PallixScreen().GetBitmap());
        return msBetween(start, Clock::now());
    }

    double textToPaint(const std::string& text)
    {
        Clock::time_point start = Clock::now();
        PallixEventLoop::DeliverText(text);
        PallixWindowManager::Get().Paint(PallixScreen().GetBitmap());
        return msBetween(start, Clock::now());
    }

    void step()
    {
        MainWindow* pMain = mApp.getMainWindow();
        if (mStep == 0)
        {
            pMain->setFocusOnColumn();
            keyToPaint(RemoteKeys::DOWN);
        }
        else if (mStep <= 2 * OPENS)
        {
            // Up to the table and back down to Continue Watching; each opening
            // starts a refresh, waited for before the next.
            double ms = keyToPaint(mStep % 2 ? RemoteKeys::DOWN : RemoteKeys::UP);
            if (mStep % 2)
            {
                mOpen.ms.push_back(ms);
                Clock::time_point start = Clock::now();
                mItems = ContinueWatching::collect(*mApp.getViewingHistory()).size();
                mCollect.ms.push_back(msBetween(start, Clock::now()));
                mRefreshAt = Clock::now();
            }
            else
            {
                if (mStep > 1)
                    mRefresh.ms.push_back(msBetween(mRefreshAt, Clock::now()));
                // Another box plays on a title meanwhile, so that the next opening
                // has a changed history to show.
                int i = 10 * mStep;
                QuorvaDatFile stats((mDir + "/films/" + std::to_string(i / 1000) + "/" + std::to_string(i) +
                                     "/film.mpg").c_str());
                stats.setLastPosition(stats.getLastPosition() + 1);
                stats.setLastViewedTime(1800000000 + mStep);
                stats.write();
                mApp.getViewingHistory()->refresh();
            }
        }
        else if (mStep == 2 * OPENS + 1)
        {
            keyToPaint(RemoteKeys::DOWN);
            mRecentOpenMs = keyToPaint(RemoteKeys::DOWN);
        }
        else if (mStep == 2 * OPENS + 2)
        {
            mSearchOpenMs = keyToPaint(RemoteKeys::DOWN);
            keyToPaint(RemoteKeys::RIGHT);
        }
        else
        {
            typeQueries(*pMain->getSearchWindow());
            report();
            KillTimer(mTimer);
            mApp.Terminate(0);
            return;
        }
        ++mStep;
    }

    void typeQueries(SearchWindow& search)
    {
        for (int round = 0; round < 3; ++round)
        {
            for (const char* query : QUERIES)
            {
                for (const char* p = query; *p; ++p)
                {
                    mLetter.ms.push_back(textToPaint(std::string(1, *p)));
                    mFound = std::max(mFound, search.getFoundCount());
                }
                while (!search.getQuery().IsEmpty())
                    mDelete.ms.push_back(keyToPaint(RemoteKeys::BACK));
            }
        }
    }

    void report()
    {
        std::printf("titles %d, a tenth stopped part-way, a fiftieth watched\n", mTitles);
        std::printf("%-38s %.1f ms\n", "first refresh, from the loop's start", mFirstRefreshMs);
        mRefresh.report("refresh in the background");
        mGaps.report("loop turn meanwhile (5 ms tick)");
        std::printf("%-38s %.1f ms\n", "key to Continue Watching, first time", mOpen.ms.front());
        mOpen.ms.erase(mOpen.ms.begin());
        mOpen.report("key to it again, after another box");
        mCollect.report("  of which the list of titles");
        std::printf("titles in Continue Watching: %zu\n", mItems);
        std::printf("%-38s %.1f ms\n", "key to Recently Added painted", mRecentOpenMs);
        std::printf("%-38s %.1f ms (the library's text folded once)\n", "key to Search painted, first time",
                    mSearchOpenMs);
        mLetter.report("letter typed to results painted");
        mDelete.report("Back to results painted");
        std::printf("most titles found by one query: %zu\n", mFound);
    }

    static constexpr int OPENS = 20;
    QuorvaApp& mApp;
    int mTitles;
    std::string mDir;
    uint32_t mTimer = 0;
    int mStep = 0;
    size_t mFound = 0;
    Clock::time_point mStartAt;
    Clock::time_point mRefreshAt;
    double mFirstRefreshMs = 0;
    double mRecentOpenMs = 0;
    double mSearchOpenMs = 0;
    size_t mItems = 0;
    bool mbWaiting = false;
    Clock::time_point mLastTick;
    BenchFigures mGaps;
    BenchFigures mOpen;
    BenchFigures mCollect;
    BenchFigures mRefresh;
    BenchFigures mLetter;
    BenchFigures mDelete;
};
} // namespace

int main(int argc, char** argv)
{
    int titles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    const std::filesystem::path buildBin = PrepareHeadless();
    if (buildBin.empty())
        return 1;
    std::string dir = stageLibrary(buildBin, titles);

    int status = 0;
    {
        QuorvaApp app;
        Bench bench(app, titles, dir);
        std::string program = dir + "/quorva";
        char* args[] = {program.data(), nullptr};
        PallixEventLoop::Post([&] { bench.start(); });
        status = app.Run(1, args);
    }
    if (!std::getenv("WATCH_BENCH_DATA"))
        std::filesystem::remove_all(dir);
    return status;
}
