// Times the library's start-up passes on generated collections: parse, genre list,
// image paths, stats, validation and export, against a bare fgets read of the same
// database. Two floors put the figures in proportion: listing every title folder, the
// least the image pass must do, and first use of as much fresh memory as the store
// takes, the least building it costs on this machine.
// Usage: library_bench [N ...] (default 1000 20000 100000).
// With LIBRARY_BENCH_DATA set to a folder, each collection is generated once under it
// and reused by later runs (generating 100,000 folders takes about a minute); the
// folder is left in place and is the caller's to remove. A kept collection is not
// exported, so that its folders stay as generated and reruns compare like with like.

#include "HTMLDBParser.h"
#include "MediaStore.h"
#include "PallixDirScanner.h"
#include "ParallelWork.h"
#include "QuorvaDatFile.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace
{
constexpr int GENRE_COUNT = 40;

const char* const WORDS[] = {
    "night", "city", "heat", "river", "stone", "ghost", "summer", "empire", "shadow", "last",
    "silent", "golden", "broken", "wild", "secret", "long", "dark", "winter", "glass", "iron",
    "the", "a", "of", "and", "with", "after", "before", "under", "over", "between",
};
const char* const NAMES[] = {"Anna", "Bruno", "Clara", "David", "Elena", "Felix", "Greta", "Hugo",
                             "Irene", "Jonas", "Karl", "Lena", "Marco", "Nina", "Oskar", "Paula"};
const char* const SURNAMES[] = {"Albrecht", "Bergman", "Castillo", "Dufresne", "Eriksen", "Fontaine",
                                "Gallagher", "Hoffmann", "Iwasaki", "Jablonski", "Kowalski", "Lindqvist"};
const char* const RATINGS[] = {
    "PG-13 for intense sequences of action violence, brief language and sexual content",
    "R for strong violence and pervasive language",
    "PG for mild language and some thematic elements",
    "G",
    "R for violence, language and some sexuality",
    "PG-13 for battle sequences and frightening images",
};

// Wall and CPU time (user + system): on a shared machine the CPU time is the
// steadier figure, so both are reported.
struct Timer
{
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    double cpuStart = cpuSeconds();

    static double cpuSeconds()
    {
        timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
    }
    double seconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    double cpu() const { return cpuSeconds() - cpuStart; }
};

struct Span
{
    double wall = 0;
    double cpu = 0;
    Span& operator+=(const Span& other)
    {
        wall += other.wall;
        cpu += other.cpu;
        return *this;
    }
};

class Generator
{
public:
    explicit Generator(unsigned seed) : mRandom(seed) {}

    int pick(int n) { return static_cast<int>(mRandom() % static_cast<unsigned>(n)); }

    std::string words(int count)
    {
        std::string text;
        for (int i = 0; i < count; ++i)
        {
            if (i > 0)
                text += ' ';
            text += WORDS[pick(std::size(WORDS))];
        }
        return text;
    }

    std::string person() { return std::string(NAMES[pick(std::size(NAMES))]) + " " + SURNAMES[pick(std::size(SURNAMES))]; }

    std::string genres()
    {
        std::string text = "Genre" + std::to_string(pick(GENRE_COUNT));
        for (int extra = pick(3); extra > 0; --extra)
            text += ", Genre" + std::to_string(pick(GENRE_COUNT));
        return text;
    }

private:
    std::mt19937 mRandom;
};

void touch(const std::string& path, const std::string& contents = std::string())
{
    std::ofstream(path, std::ios::binary) << contents;
}

// Writes the database and the title folders: every folder has its two cover files,
// every tenth title has a stats file.
std::string makeCollection(const std::string& root, int nTitles)
{
    Generator gen(12345);
    std::string dbPath = root + "/movies.html";
    std::ofstream db(dbPath, std::ios::binary);
    db << "<html><body>\n";
    for (int i = 0; i < nTitles; ++i)
    {
        std::string folder = root + "/movies/m" + std::to_string(i);
        std::filesystem::create_directories(folder);
        touch(folder + "/folder.png");
        touch(folder + "/folderLarge.png");
        if (i % 10 == 0)
        {
            QuorvaDatFile stats((folder + "/movie.mpg").c_str());
            stats.setLastPosition(1024ULL * static_cast<unsigned>(i));
            stats.setLastViewedTime(1700000000 + i);
            stats.write();
        }

        std::string title = gen.words(2 + gen.pick(3)) + " " + std::to_string(i);
        db << "<ul>\n"
           << "  <li>Num=" << i << "\n"
           << "  <li>Title=" << title << "\n"
           << "  <li>Original Title=" << title << "\n"
           << "  <li>Genre=" << gen.genres() << "\n"
           << "  <li>Director=" << gen.person() << "\n"
           << "  <li>Year=" << 1950 + gen.pick(75) << "\n"
           << "  <li>Actors=" << gen.person() << ", " << gen.person() << ", " << gen.person() << ", " << gen.person()
           << "\n"
           << "  <li>Duration=" << 1 + gen.pick(2) << ":" << gen.pick(60) << ":" << gen.pick(60) << "\n"
           << "  <li>MPAA=" << RATINGS[gen.pick(std::size(RATINGS))] << "\n"
           << "  <li>Resolution=720x480\n"
           << "  <li>Media=DVD\n"
           << "  <li>Aspect=" << (gen.pick(2) ? "2.35:1" : "16:9") << "\n"
           << "  <li>Description=" << gen.words(25 + gen.pick(50)) << ".\n"
           << "  <li>Path=" << folder << "\n"
           << "  <li>Filename=movie.mpg\n"
           << "</ul>\n";
    }
    db << "</body></html>\n";
    return dbPath;
}

long currentRssKiB()
{
    long pages = 0;
    long resident = 0;
    if (FILE* pStatm = std::fopen("/proc/self/statm", "r"))
    {
        if (std::fscanf(pStatm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(pStatm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long peakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

Span bareRead(const std::string& path)
{
    Timer timer;
    FILE* pFile = std::fopen(path.c_str(), "r");
    char line[2048];
    long nLines = 0;
    while (std::fgets(line, sizeof(line), pFile))
        ++nLines;
    std::fclose(pFile);
    if (nLines == 0)
        std::fprintf(stderr, "empty database\n");
    return {timer.seconds(), timer.cpu()};
}

// Lists every title folder the way the image pass does, on as many threads, without
// looking at the names.
Span listFolders(const std::string& root, int nTitles)
{
    Timer timer;
    ParallelWork::forEach(nTitles, 64,
                          [&root](int i)
                          {
                              std::string folder = root + "/movies/m" + std::to_string(i);
                              PallixDirScanner::VisitNames(folder.c_str(), [](std::string_view) {});
                          });
    return {timer.seconds(), timer.cpu()};
}

// Writes one byte in every page of nKiB of fresh memory.
Span touchFreshMemory(long nKiB)
{
    size_t nBytes = static_cast<size_t>(std::max(nKiB, 1L)) * 1024;
    Timer timer;
    void* pMemory = mmap(nullptr, nBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pMemory == MAP_FAILED)
        return {};
    size_t nPage = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    for (size_t at = 0; at < nBytes; at += nPage)
        static_cast<volatile char*>(pMemory)[at] = 1;
    Span spent{timer.seconds(), timer.cpu()};
    munmap(pMemory, nBytes);
    return spent;
}

// The passes print their progress; it goes to /dev/null so that the console's speed
// is not what is measured.
Span silently(const std::function<void()>& pass)
{
    std::fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    FILE* pNull = std::freopen("/dev/null", "w", stdout);
    Timer timer;
    pass();
    std::fflush(stdout);
    Span spent{timer.seconds(), timer.cpu()};
    dup2(saved, STDOUT_FILENO);
    close(saved);
    if (!pNull)
        std::fprintf(stderr, "cannot silence output\n");
    return spent;
}

void run(int nTitles)
{
    const char* pKeep = std::getenv("LIBRARY_BENCH_DATA");
    if (pKeep && !*pKeep)
        pKeep = nullptr;
    std::string root;
    if (pKeep)
    {
        root = std::string(pKeep) + "/n" + std::to_string(nTitles);
    }
    else
    {
        char pattern[] = "/tmp/quorva-bench-XXXXXX";
        if (!mkdtemp(pattern))
        {
            std::perror("mkdtemp");
            return;
        }
        root = pattern;
    }
    // A kept collection is complete once its marker exists, since it is written last.
    std::string marker = root + "/complete";
    Timer setup;
    std::string dbPath = root + "/movies.html";
    if (!pKeep || !std::filesystem::exists(marker))
    {
        std::filesystem::create_directories(root);
        dbPath = makeCollection(root, nTitles);
        touch(marker);
    }
    double setupSeconds = setup.seconds();
    double fileMiB = static_cast<double>(std::filesystem::file_size(dbPath)) / (1024.0 * 1024.0);

    bareRead(dbPath); // warm the page cache the same way for both reads
    Span fgetsTime = bareRead(dbPath);

    long rssBefore = currentRssKiB();
    Span parse, genres, images, stats, validate, exportTime;
    long rssStore = 0;
    {
        MediaStore store;
        HTMLDBParser parser;
        parse = silently([&] { parser.parse(dbPath.c_str(), 0, store, true); });
        genres = silently([&] { store.updateGenreList(); });
        images = silently([&] { store.updateImagePaths(); });
        stats = silently([&] { store.readStats(); });
        validate = silently([&] { store.validateEntries(); });
        rssStore = currentRssKiB() - rssBefore;
        if (!pKeep)
            exportTime = silently([&] { store.exportEntries((root + "/exported.txt").c_str()); });
    }
    Span startup;
    for (const Span& pass : {parse, genres, images, stats, validate})
        startup += pass;
    long nPeakKiB = peakRssKiB();
    Span listing = listFolders(root, nTitles);
    Span freshMemory = touchFreshMemory(rssStore);

    auto row = [nTitles](const char* name, const Span& span)
    {
        std::printf("  %-20s %7.3f s wall %7.3f s cpu %9.0f titles/s\n", name, span.wall, span.cpu,
                    nTitles / std::max(span.wall, 1e-9));
    };
    std::printf("N = %d titles (database %.1f MiB, set-up %.1f s)\n", nTitles, fileMiB, setupSeconds);
    row("bare fgets read", fgetsTime);
    row("parse", parse);
    std::printf("  parse / fgets          %.2fx wall, %.2fx cpu\n", parse.wall / fgetsTime.wall, parse.cpu / fgetsTime.cpu);
    row("genre list", genres);
    row("image paths", images);
    row("stats", stats);
    row("validation", validate);
    row("start-up total", startup);
    if (!pKeep)
        row("export", exportTime);
    row("floor: list folders", listing);
    row("floor: fresh memory", freshMemory);
    std::printf("  store memory           %.1f MiB, peak RSS so far %.1f MiB\n", rssStore / 1024.0,
                nPeakKiB / 1024.0);
    std::fflush(stdout);

    if (!pKeep)
    {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
}
} // namespace

int main(int argc, char** argv)
{
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {1000, 20000, 100000};
    for (int nTitles : sizes)
        if (nTitles > 0)
            run(nTitles);
    return 0;
}
