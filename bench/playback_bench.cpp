// Plays movies through the whole running application, headless: the real
// quorva binary with a one-title library, driven over its control channel like
// a remote. For each movie it reports, beside "ffmpeg -threads 1 -i FILE -f null
// -" on 20 seconds: the application's CPU seconds per second of movie (from
// /proc, the cheaper of two 20-second stretches), pictures dropped and the
// largest audio/video offset over both, and for eight 15-second jumps the time
// from the decoder's restart at the new place to its first new picture and its
// first new sound; and the bytes the application read from the start of
// playing to the end of the stretches, over the bytes of movie they played.
//
// Usage: playback_bench [FOLDER [FILE...]]. The movies are made with ffmpeg in
// FOLDER (a temporary one by default) and kept there for the next run; FILEs
// replace the standard four (SD and HD MPEG, 1080p H.264 and HEVC in Matroska).

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <netinet/in.h>
#include <sstream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace
{
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr double STRETCH = 20.0;
constexpr int JUMPS = 8;
constexpr int FFMPEG_RUNS = 3;

double CpuSeconds(const rusage& usage)
{
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

pid_t Spawn(std::vector<std::string> args, const std::vector<std::string>& env = {}, const char* out = nullptr)
{
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** p = environ; *p; ++p)
        environment.push_back(*p);
    environment.insert(environment.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (out)
    {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    }
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

// Runs a program to its end; its CPU time, or -1 when it fails.
double Run(std::vector<std::string> args)
{
    const pid_t pid = Spawn(std::move(args));
    int status = 0;
    rusage usage = {};
    if (pid < 0 || wait4(pid, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return CpuSeconds(usage);
}

// User and system time of a running process, from /proc.
double ProcessCpu(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t end = text.rfind(')');
    if (end == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(end + 2));
    std::string field;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
    {
        if (i == 14)
            utime = std::stoull(field);
        else if (i == 15)
            stime = std::stoull(field);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

// Bytes the process has read so far, from /proc: every read call, the movie's
// and the few others (the stats file, the control channel).
double ProcessBytesRead(pid_t pid)
{
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    std::string key;
    unsigned long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return double(value);
    return -1;
}

// The movie's running time by ffprobe, 0 when it cannot tell.
double MovieSeconds(const std::string& path)
{
    std::string line = "ffprobe -v error -show_entries format=duration -of csv=p=0 '" + path + "'";
    FILE* pipe = popen(line.c_str(), "r");
    double seconds = 0;
    if (pipe && std::fscanf(pipe, "%lf", &seconds) != 1)
        seconds = 0;
    if (pipe)
        pclose(pipe);
    return seconds;
}

int FreePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = -1;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

// One line to the control channel, its reply back; empty when there is no channel.
std::string Command(int port, const std::string& line)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
    {
        const std::string out = line + "\n";
        if (send(fd, out.data(), out.size(), MSG_NOSIGNAL) == ssize_t(out.size()))
        {
            char c = 0;
            while (recv(fd, &c, 1, 0) == 1 && c != '\n')
                reply += c;
        }
    }
    close(fd);
    return reply;
}

std::map<std::string, double> Playback(int port)
{
    std::map<std::string, double> figures;
    std::istringstream words(Command(port, "playback"));
    std::string word;
    while (words >> word)
    {
        const size_t equals = word.find('=');
        figures[word.substr(0, equals)] = equals == std::string::npos ? 1.0 : std::atof(word.c_str() + equals + 1);
    }
    return figures;
}

// Polls every few milliseconds, or at the given pace where the polls (each a
// control command) must not weigh on the CPU being measured.
bool WaitFor(const std::function<bool()>& condition, double seconds, int pollMs = 5)
{
    const Clock::time_point deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (!condition())
    {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    }
    return true;
}

struct Movie
{
    std::string label;
    std::string path;
    std::vector<std::string> make;
};

void Measure(const Movie& movie, const fs::path& binary, const fs::path& scratch)
{
    std::printf("%s: %s\n", movie.label.c_str(), movie.path.c_str());
    std::fflush(stdout);
    double ffmpegCpu = -1;
    for (int i = 0; i < FFMPEG_RUNS; ++i)
    {
        const double cpu = Run({"ffmpeg", "-nostdin", "-v", "fatal", "-threads", "1", "-i", movie.path, "-t",
                                std::to_string(int(STRETCH)), "-f", "null", "-"});
        if (cpu > 0 && (ffmpegCpu < 0 || cpu < ffmpegCpu))
            ffmpegCpu = cpu;
    }

    // A library of one title, as a viewer would have it.
    const fs::path dir = scratch / "library";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path name = fs::path(movie.path).filename();
    std::ofstream(dir / "client.properties") << "db.file=movies.html\nenable.trickplay=true\n";
    std::ofstream(dir / "movies.html") << "<html><body>\n<ul>\n  <li>Title=Bench\n  <li>Genre=Drama\n"
                                          "  <li>Original Title=Bench\n  <li>Path="
                                       << fs::path(movie.path).parent_path().string()
                                       << "\n  <li>Filename=" << name.string() << "\n</ul>\n</body></html>\n";
    for (const char* folder : {"images", "graphics"})
        if (fs::exists(binary.parent_path() / folder))
            fs::create_directory_symlink(binary.parent_path() / folder, dir / folder);
    // Quorva finds its settings beside the program it was started as.
    fs::create_symlink(binary, dir / "quorva");
    fs::remove(fs::path(movie.path + ".quorva"));
    const int port = FreePort();
    const fs::path cwd = fs::current_path();
    fs::current_path(dir);
    const pid_t pid = Spawn({(dir / "quorva").string()}, {"PALLIX_DISPLAY=headless", "SDL_AUDIODRIVER=dummy",
                                                "PALLIX_ECP_PORT=" + std::to_string(port)},
                            (dir / "console.log").c_str());
    fs::current_path(cwd);
    if (pid < 0 || !WaitFor([&] { return Command(port, "press Left") == "OK"; }, 20))
    {
        std::printf("  the application did not start\n");
        return;
    }
    const double readBefore = ProcessBytesRead(pid);
    for (const char* key : {"Down", "Right", "Play"})
        Command(port, std::string("press ") + key);

    std::map<std::string, double> figures;
    if (!WaitFor([&] { return (figures = Playback(port))["shown"] > 0; }, 20))
    {
        std::printf("  no picture\n");
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return;
    }
    const double firstPts = figures["pts"];
    // Two stretches back to back; the cheaper one counts, as other work on
    // the machine only ever adds to a process's CPU time.
    double cpu = -1;
    double moviePlayed = 0;
    double shown = 0;
    double dropped = 0;
    bool bPlayed = true;
    for (int stretch = 0; stretch < 2; ++stretch)
    {
        const double startPts = figures["pts"];
        const double startShown = figures["shown"];
        const double startDropped = figures["dropped"];
        const double startCpu = ProcessCpu(pid);
        bPlayed = bPlayed && WaitFor([&] { return (figures = Playback(port))["pts"] >= startPts + STRETCH; },
                                     STRETCH * 3, 500);
        const double played = figures["pts"] - startPts;
        const double used = (ProcessCpu(pid) - startCpu) / std::max(played, 1.0);
        if (cpu < 0 || used < cpu)
            cpu = used;
        moviePlayed += played;
        shown += figures["shown"] - startShown;
        dropped += figures["dropped"] - startDropped;
    }
    const double maxOffset = figures["maxav"];
    // Played from the start: the bytes of the movie up to the time reached.
    const double bytesPlayed = (figures["pts"] - firstPts) / std::max(MovieSeconds(movie.path), 1.0) *
                               double(fs::file_size(movie.path));
    const double bytesRead = ProcessBytesRead(pid) - readBefore;

    // Back and forth by fifteen seconds: each jump restarts the decoder.
    std::vector<double> pictures;
    std::vector<double> sounds;
    for (int i = 0; i < JUMPS; ++i)
    {
        const double before = Playback(port)["pts"];
        Command(port, i % 2 == 0 ? "press Down" : "press Up");
        if (!WaitFor(
                [&] {
                    figures = Playback(port);
                    return std::abs(figures["pts"] - before) > 8 && figures["picture"] > 0 && figures["sound"] > 0;
                },
                10))
            continue;
        pictures.push_back(figures["picture"]);
        sounds.push_back(figures["sound"]);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    Command(port, "press Exit");
    Command(port, "quorvaApp exit");
    int status = 0;
    waitpid(pid, &status, 0);
    fs::remove(fs::path(movie.path + ".quorva"));

    std::printf("  played %.1f s of movie%s: %.0f pictures shown, %.0f dropped (target 0)\n", moviePlayed,
                bPlayed ? "" : " (NOT REACHED)", shown, dropped);
    std::printf("  CPU s per movie s: application %.3f, ffmpeg -threads 1 %.3f, ratio %.2f (target <= 1.3)\n", cpu,
                ffmpegCpu / STRETCH, ffmpegCpu > 0 ? cpu / (ffmpegCpu / STRETCH) : 0.0);
    std::printf("  largest A/V offset at a picture: %.1f ms (target <= 40)\n", maxOffset);
    std::printf("  bytes read / bytes played: %.3f (%.1f MB over %.1f MB; target <= 1.1)\n",
                bytesRead / std::max(bytesPlayed, 1.0), bytesRead / 1e6, bytesPlayed / 1e6);
    if (!pictures.empty())
    {
        std::vector<double> worst(pictures.size());
        for (size_t i = 0; i < pictures.size(); ++i)
            worst[i] = std::max(pictures[i], sounds[i]);
        std::sort(pictures.begin(), pictures.end());
        std::sort(sounds.begin(), sounds.end());
        std::sort(worst.begin(), worst.end());
        std::printf("  jump to first new picture over %zu jumps: median %.0f ms, worst %.0f ms; first new sound: "
                    "median %.0f ms, worst %.0f ms; both: median %.0f ms, worst %.0f ms (targets < 200, < 400)\n",
                    pictures.size(), pictures[pictures.size() / 2], pictures.back(), sounds[sounds.size() / 2],
                    sounds.back(), worst[worst.size() / 2], worst.back());
    }
    std::fflush(stdout);
}

std::vector<Movie> StandardMovies(const fs::path& folder)
{
    const std::string tone = "sine=frequency=440:beep_factor=4:sample_rate=48000";
    const std::string seconds = "60";
    const std::string hd = "testsrc2=size=1920x1080:rate=24,noise=alls=8:allf=t";
    return {
        {"SD program stream (720x480 MPEG-2 3.5 Mb/s, MP2)", (folder / "sd.mpg").string(),
         {"-f", "lavfi", "-i", "testsrc2=size=720x480:rate=30000/1001", "-f", "lavfi", "-i", tone, "-t", seconds,
          "-c:v", "mpeg2video", "-b:v", "3500k", "-g", "15", "-bf", "2", "-c:a", "mp2", "-b:a", "192k", "-ac", "2",
          "-f", "vob"}},
        {"HD transport stream (1080 MPEG-2 15 Mb/s, AC-3)", (folder / "hd.ts").string(),
         {"-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=30000/1001,noise=alls=12:allf=t", "-f", "lavfi", "-i",
          tone, "-t", seconds, "-c:v", "mpeg2video", "-b:v", "15M", "-minrate", "15M", "-maxrate", "15M", "-bufsize",
          "9781k", "-g", "15", "-bf", "2", "-c:a", "ac3", "-b:a", "384k", "-ac", "2", "-f", "mpegts"}},
        {"1080p H.264 8 Mb/s 24 frames/s in Matroska (AAC)", (folder / "h264.mkv").string(),
         {"-f", "lavfi", "-i", hd, "-f", "lavfi", "-i", tone, "-t", seconds, "-c:v", "libx264", "-preset",
          "veryfast", "-b:v", "8M", "-maxrate", "10M", "-bufsize", "16M", "-g", "48", "-c:a", "aac", "-b:a", "192k",
          "-ac", "2", "-f", "matroska"}},
        {"1080p HEVC 4 Mb/s 24 frames/s in Matroska (AAC)", (folder / "hevc.mkv").string(),
         {"-f", "lavfi", "-i", hd, "-f", "lavfi", "-i", tone, "-t", seconds, "-c:v", "libx265", "-preset",
          "ultrafast", "-b:v", "4M", "-g", "48", "-x265-params", "log-level=error", "-c:a", "aac", "-b:a", "192k",
          "-ac", "2", "-f", "matroska"}},
    };
}
} // namespace

int main(int argc, char** argv)
{
    const fs::path self = fs::canonical("/proc/self/exe");
    const fs::path binary = self.parent_path().parent_path() / "bin" / "quorva";
    if (!fs::exists(binary))
    {
        std::printf("cannot find %s: build the quorva target first\n", binary.c_str());
        return 1;
    }
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "quorva-playback-bench";
    fs::create_directories(folder);
    std::vector<Movie> movies;
    for (int i = 2; i < argc; ++i)
        movies.push_back(Movie{"movie", fs::absolute(argv[i]).string(), {}});
    if (movies.empty())
        movies = StandardMovies(fs::absolute(folder));
    for (const Movie& movie : movies)
    {
        if (fs::exists(movie.path) || movie.make.empty())
            continue;
        std::printf("Making %s...\n", movie.path.c_str());
        std::fflush(stdout);
        std::vector<std::string> args = {"ffmpeg", "-nostdin", "-v", "fatal", "-y"};
        args.insert(args.end(), movie.make.begin(), movie.make.end());
        args.push_back(movie.path + ".part");
        if (Run(args) < 0)
        {
            std::printf("ffmpeg could not make %s\n", movie.path.c_str());
            return 1;
        }
        fs::rename(movie.path + ".part", movie.path);
    }
    for (const Movie& movie : movies)
        Measure(movie, binary, folder);
    return 0;
}
