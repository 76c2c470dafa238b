// Times the main window at 1280 x 720, headless: a full-screen paint with the
// genre panel listing 40 genres, and the frame that follows one key press (the key
// delivered as the remote's would be, then the damage painted); then the same
// with the details table listing the 40 titles, whose names are in a dozen
// scripts (Japanese, Chinese, Korean, Hebrew, Arabic, Thai, Devanagari, Greek,
// Cyrillic and accented Latin), so that fallback faces, right-to-left runs and
// shaping are all on the screen. The real application runs on a generated
// library, with the artwork staged beside the executable in <build>/bin.
// Usage: paint_bench [repetitions] (default 500).

#include "BenchFigures.h"
#include "BenchHeadless.h"
#include "PallixApp.h"
#include "PallixBitmap.h"
#include "PallixEventLoop.h"
#include "PallixScreen.h"
#include "PallixWindowManager.h"
#include "QuorvaApp.h"
#include "RemoteKeys.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
constexpr int GENRE_COUNT = 40;

const char* const GENRES[GENRE_COUNT] = {
    "Action",   "Adventure", "Animation", "Anime",     "Biography", "Comedy",  "Crime",    "Cult",
    "Disaster", "Documentary", "Drama",   "Espionage", "Family",    "Fantasy", "Film-Noir", "Gangster",
    "Heist",    "History",   "Horror",    "Martial",   "Medical",   "Military", "Music",   "Musical",
    "Mystery",  "Parody",    "Political", "Prison",    "Romance",   "Satire",  "Sci-Fi",   "Short",
    "Sport",    "Spy",       "Superhero", "Supernatural", "Thriller", "Travel", "War",     "Western",
};

// Titles as the films' own .nfo files name them; each is used twice, the second
// time with a number, so that no two rows are alike.
constexpr int TITLE_NAMES = 20;
const char* const TITLES[TITLE_NAMES] = {
    "東京物語",          "卧虎藏龙",        "기생충",          "בית הקברות",      "باب الحديد",
    "ฟ้าทะลายโจร",        "शोले",            "Ο Θίασος",        "Летят журавли",   "Amélie",
    "千と千尋の神隠し",  "霸王别姬",        "올드보이",        "Harbour Lights",  "Tel Aviv על האש",
    "ในความทรงจำ",        "दिलवाले दुल्हनिया", "Η Αιωνιότητα",   "Сталкер",         "Ça commence aujourd'hui",
};

std::string titleOf(int i)
{
    std::string title = TITLES[i % TITLE_NAMES];
    return i < TITLE_NAMES ? title : title + " " + std::to_string(i / TITLE_NAMES + 1);
}

double since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// A library whose titles between them have the 40 genres, and the artwork linked in.
std::string stageLibrary(const std::filesystem::path& buildBin)
{
    char pattern[] = "/tmp/quorva-paint-bench-XXXXXX";
    std::string dir = mkdtemp(pattern);
    std::ofstream(dir + "/client.properties") << "db.file=movies.html\n";
    std::ofstream db(dir + "/movies.html");
    db << "<html><body>\n";
    for (int i = 0; i < GENRE_COUNT; ++i)
    {
        db << "<ul>\n  <li>Num=" << i + 1 << "\n  <li>Title=Title " << i + 1 << "\n  <li>Genre=" << GENRES[i]
           << ", " << GENRES[(i + 7) % GENRE_COUNT] << "\n  <li>Duration=1:30:00\n  <li>Original Title=" << titleOf(i)
           << "\n  <li>Rating=PG\n  <li>Path=movies/Title " << i + 1 << "\n</ul>\n";
    }
    db << "</body></html>\n";
    std::filesystem::create_directory_symlink(buildBin / "images", dir + "/images");
    return dir;
}

void measureScreen(int repetitions, const char* fullName, const char* keyName)
{
    PallixWindowManager& manager = PallixWindowManager::Get();
    PallixBitmap& plane = PallixScreen().GetBitmap();
    const PallixRect screen = PallixScreen().GetRect();

    // Pictures decode and glyphs render on the first paints.
    for (int i = 0; i < 20; ++i)
    {
        manager.AddDamage(screen);
        manager.Paint(plane);
    }

    BenchFigures full;
    for (int i = 0; i < repetitions; ++i)
    {
        auto start = std::chrono::steady_clock::now();
        manager.AddDamage(screen);
        manager.Paint(plane);
        full.ms.push_back(since(start));
    }

    BenchFigures key;
    for (int i = 0; i < repetitions; ++i)
    {
        auto start = std::chrono::steady_clock::now();
        PallixEventLoop::DeliverKey(i % 2 ? RemoteKeys::UP : RemoteKeys::DOWN);
        manager.Paint(plane);
        key.ms.push_back(since(start));
    }

    full.report(fullName);
    key.report(keyName);
}

void measure(int repetitions)
{
    const PallixRect screen = PallixScreen().GetRect();
    std::printf("screen %ux%u\n", screen.w, screen.h);
    measureScreen(repetitions, "full-screen paint", "key press to painted frame");
    // From the genre panel to the column menu, down to the details table and into it.
    PallixWindowManager& manager = PallixWindowManager::Get();
    PallixBitmap& plane = PallixScreen().GetBitmap();
    // The table's first frame renders every title and finds the faces their characters need.
    for (unsigned long nKey : {RemoteKeys::LEFT, RemoteKeys::DOWN, RemoteKeys::RIGHT})
    {
        auto start = std::chrono::steady_clock::now();
        PallixEventLoop::DeliverKey(nKey);
        manager.Paint(plane);
        if (nKey == RemoteKeys::DOWN)
            std::printf("details table: first frame %.3f ms\n", since(start));
    }
    measureScreen(repetitions, "details table: full-screen paint", "details table: key to frame");
}
} // namespace

int main(int argc, char** argv)
{
    int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    const std::filesystem::path buildBin = PrepareHeadless();
    if (buildBin.empty())
        return 1;
    std::string dir = stageLibrary(buildBin);

    QuorvaApp app;
    std::string program = dir + "/quorva";
    char* args[] = {program.data(), nullptr};
    // Runs on the first turn, once the main window is shown.
    PallixEventLoop::Post(
        [&]
        {
            measure(repetitions);
            app.Terminate(0);
        });
    int status = app.Run(1, args);
    std::filesystem::remove_all(dir);
    return status;
}
