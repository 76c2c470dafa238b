// Times quorva-scan on a generated collection of 5,000 title folders: small real
// movie files made once by the ffmpeg command line and hard-linked into every
// folder, half of the titles with a movie.nfo, a tenth without covers.
// Reported: the first scan (making the missing covers from a frame of each
// film), the same first scan once the covers exist (the scan itself), and a
// --merge rescan with nothing changed.
// Usage: scan_bench [FOLDER] (default /tmp/quorva-scan-bench). The collection is
// generated once in FOLDER and reused by later runs; the folder is left in place.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace
{
constexpr int TITLE_COUNT = 5000;
// Every tenth title has no covers of its own; every other one has a .nfo.
constexpr int NO_COVER_EVERY = 10;
constexpr int NFO_EVERY = 2;

namespace fs = std::filesystem;

int run(const std::vector<std::string>& words, const std::string& output)
{
    std::vector<char*> argv;
    std::vector<std::string> copy = words;
    for (std::string& word : copy)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string titleName(int i)
{
    char name[64];
    std::snprintf(name, sizeof(name), "Generated Film %05d (%d)", i, 1950 + i % 70);
    return name;
}

bool generate(const fs::path& root)
{
    const fs::path sources = root / "sources";
    const fs::path films = root / "films";
    if (fs::exists(root / "complete"))
        return true;
    fs::remove_all(root);
    fs::create_directories(sources);
    std::printf("Generating %d title folders in %s ...\n", TITLE_COUNT, root.c_str());
    const std::string film = (sources / "film.mkv").string();
    const std::string cover = (sources / "folder.png").string();
    const std::string large = (sources / "folderLarge.png").string();
    if (run({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=2",
             "-f", "lavfi", "-i", "sine=duration=2", "-c:v", "libx264", "-c:a", "aac", film},
            "/dev/null") != 0 ||
        run({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i", "color=c=navy:size=146x203", "-frames:v",
             "1", cover},
            "/dev/null") != 0 ||
        run({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i", "color=c=navy:size=300x420", "-frames:v",
             "1", large},
            "/dev/null") != 0)
    {
        std::printf("ffmpeg could not make the sample files\n");
        return false;
    }
    for (int i = 0; i < TITLE_COUNT; ++i)
    {
        const fs::path folder = films / titleName(i);
        fs::create_directories(folder);
        fs::create_hard_link(film, folder / "film.mkv");
        if (i % NFO_EVERY == 0)
        {
            std::ofstream nfo(folder / "movie.nfo");
            nfo << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<movie>\n  <title>Generated Film " << i
                << "</title>\n  <year>" << 1950 + i % 70 << "</year>\n  <genre>Drama</genre>\n  <genre>Genre "
                << i % 40 << "</genre>\n  <director>Director " << i % 97 << "</director>\n  <actor><name>Actor "
                << i % 31 << "</name></actor>\n  <actor><name>Actor " << i % 37
                << "</name></actor>\n  <plot>A generated film, number " << i
                << ", with a plot of a sentence or two.</plot>\n  <mpaa>Rated PG-13 for some violence</mpaa>\n"
                << "  <runtime>2</runtime>\n</movie>\n";
        }
    }
    std::ofstream(root / "complete") << "done\n";
    return true;
}

// The covers of every tenth title: the first scan makes them.
void setCovers(const fs::path& root)
{
    for (int i = 0; i < TITLE_COUNT; ++i)
    {
        const fs::path folder = root / "films" / titleName(i);
        fs::remove(folder / "folder.png");
        fs::remove(folder / "folderLarge.png");
        if (i % NO_COVER_EVERY != 0)
        {
            fs::create_hard_link(root / "sources" / "folder.png", folder / "folder.png");
            fs::create_hard_link(root / "sources" / "folderLarge.png", folder / "folderLarge.png");
        }
    }
}

double timedScan(const fs::path& root, const std::vector<std::string>& extra, const char* what)
{
    std::vector<std::string> words = {QUORVA_SCAN_BINARY, "--db", (root / "movies.html").string()};
    words.insert(words.end(), extra.begin(), extra.end());
    words.push_back((root / "films").string());
    const std::string log = (root / "scan.log").string();
    auto start = std::chrono::steady_clock::now();
    int status = run(words, log);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-44s %7.2f s  %7.0f titles/s%s\n", what, seconds, TITLE_COUNT / seconds,
                status == 0 ? "" : "  (FAILED: see scan.log)");
    return seconds;
}
} // namespace

int main(int argc, char** argv)
{
    const fs::path root = argc > 1 ? fs::path(argv[1]) : fs::path("/tmp/quorva-scan-bench");
    if (!generate(root))
        return 1;
    setCovers(root);
    auto fresh = [&]
    {
        fs::remove(root / "movies.html");
        fs::remove(root / "movies.html.scancache");
    };
    fresh();
    timedScan(root, {}, "first scan, making 500 covers");
    fresh();
    timedScan(root, {}, "first scan, covers in place");
    timedScan(root, {"--merge"}, "--merge rescan, nothing changed");
    timedScan(root, {"--merge", "--jobs", "1"}, "--merge rescan, nothing changed, one job");
    fresh();
    timedScan(root, {"--jobs", "1"}, "first scan, covers in place, one job");
    return 0;
}
