// Runs the real application headless for a long stretch of simulated use and
// reports what would show a slow leak or a stuck screen:
// - one client presses random keys 20 times a second across every screen,
//   playing and jumping in titles of every test format (Exit only while a title
//   plays, as the phone remote's /api/now tells, so that the run is not ended);
// - a second client keeps opening and closing connections to the control
//   channel and the phone remote, sending malformed lines and requests.
// Reported: keys handled, the slowest key-to-frame (the control channel answers
// once what a key caused is painted), resident memory, open descriptors and
// threads at the start, once warm and at the end (each taken on the main menu),
// growth counted from once warm, and every sanitizer report on the console.
//
// Usage: soak_bench [MINUTES [WARM-UP MINUTES]] (default 30 and 3). Built in a sanitizer build
// (-DQUORVA_SANITIZE=ON) it also finds what the sanitizers report.

#include <httplib.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace
{
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// A token the bench pairs itself with by writing it where paired phones are kept.
constexpr const char* TOKEN = "0123456789abcdef0123456789abcdef";

struct Format
{
    const char* name;
    const char* file;
    std::vector<std::string> codecs;
    const char* muxer;
};

// One title per container and codec a collection holds.
const std::vector<Format> FORMATS = {
    {"MPEG-2 Program Stream", "film.mpg", {"-c:v", "mpeg2video", "-c:a", "mp2"}, "vob"},
    {"MPEG-2 Transport Stream", "film.ts", {"-c:v", "mpeg2video", "-c:a", "ac3"}, "mpegts"},
    {"MPEG-1 Program Stream", "film.mpg", {"-c:v", "mpeg1video", "-b:v", "1200k", "-c:a", "mp2"}, "mpeg"},
    {"H.264 Matroska", "film.mkv", {"-c:v", "libx264", "-preset", "veryfast", "-c:a", "aac"}, "matroska"},
    {"H.264 MP4", "film.mp4", {"-c:v", "libx264", "-preset", "veryfast", "-c:a", "aac"}, "mp4"},
    {"MPEG-4 AVI", "film.avi", {"-c:v", "mpeg4", "-c:a", "libmp3lame"}, "avi"},
    {"VP9 WebM", "film.webm", {"-c:v", "libvpx-vp9", "-deadline", "realtime", "-c:a", "libopus"}, "webm"},
};

int freePort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    socklen_t length = sizeof(addr);
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
    close(fd);
    return ntohs(addr.sin_port);
}

bool run(std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool makeLibrary(const fs::path& dir)
{
    std::string db = "<html><body>\n";
    int n = 0;
    for (const Format& format : FORMATS)
    {
        fs::path folder = dir / "movies" / ("Title " + std::to_string(++n));
        fs::create_directories(folder);
        std::vector<std::string> args = {"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                         "testsrc=size=320x240:rate=25:duration=30", "-f", "lavfi", "-i",
                                         "sine=frequency=440:sample_rate=48000:duration=30"};
        args.insert(args.end(), format.codecs.begin(), format.codecs.end());
        args.insert(args.end(), {"-f", format.muxer, (folder / format.file).string()});
        if (!run(args) || !run({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                "color=c=0x335577:size=146x203", "-frames:v", "1", (folder / "folder.png").string()}))
        {
            std::fprintf(stderr, "ffmpeg could not make %s\n", format.name);
            return false;
        }
        db += "<ul>\n  <li>Title=" + std::string(format.name) + "\n  <li>Original Title=" + format.name +
              "\n  <li>Genre=" + (n % 2 ? "Drama" : "Action") + "\n  <li>Duration=0:00:30\n  <li>Path=" +
              folder.string() + "\n  <li>Filename=" + format.file + "\n</ul>\n";
    }
    std::ofstream(dir / "movies.html") << db << "</body></html>\n";
    return true;
}

long readStatus(pid_t pid, const char* field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    return -1;
}

long countDescriptors(pid_t pid)
{
    std::error_code error;
    long n = 0;
    for (auto it = fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error);
         !error && it != fs::directory_iterator(); it.increment(error))
        ++n;
    return n;
}

// A connection to the control channel that keeps one command in flight.
class Channel
{
public:
    explicit Channel(int port) : mPort(port) {}
    ~Channel()
    {
        if (mFd >= 0)
            close(mFd);
    }

    // The reply to one line; empty when the channel is gone.
    std::string ask(const std::string& line)
    {
        if (mFd < 0 && !connectNow())
            return std::string();
        std::string text = line + "\n";
        if (send(mFd, text.data(), text.size(), MSG_NOSIGNAL) != ssize_t(text.size()))
            return reset();
        std::string reply;
        for (char c; reply.size() < 4096;)
        {
            pollfd pfd{mFd, POLLIN, 0};
            if (poll(&pfd, 1, 10000) <= 0 || read(mFd, &c, 1) != 1)
                return reset();
            if (c == '\n')
                return reply;
            reply += c;
        }
        return reset();
    }

private:
    bool connectNow()
    {
        for (int i = 0; i < 500; ++i)
        {
            mFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in addr{};
            addr.sin_family = AF_INET;
            addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            addr.sin_port = htons(uint16_t(mPort));
            if (connect(mFd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0)
                return true;
            close(mFd);
            mFd = -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    std::string reset()
    {
        close(mFd);
        mFd = -1;
        return std::string();
    }

    int mPort;
    int mFd = -1;
};

// What the second client throws at the channels.
void pester(int controlPort, int remotePort, const std::atomic<bool>& bStop, std::atomic<long>& nSent)
{
    std::mt19937 random(7);
    httplib::Client remote("127.0.0.1", remotePort);
    remote.set_connection_timeout(2);
    remote.set_read_timeout(5);
    while (!bStop)
    {
        Channel channel(controlPort);
        switch (random() % 6)
        {
        case 0:
            channel.ask(std::string(5000 + random() % 3000, 'x'));
            break;
        case 1:
            channel.ask("press \xff\xfe");
            break;
        case 2:
            channel.ask("no such command " + std::to_string(random()));
            break;
        case 3:
            channel.ask("press Bogus");
            break;
        case 4:
            remote.Get("/api/now");
            remote.Post("/api/press/Exit", httplib::Headers{{"X-Remote-Token", "wrong"}}, "", "text/plain");
            break;
        default:
            remote.Get("/../../etc/passwd");
            remote.Post("/api/press/" + std::string(9000, 'k'), "", "text/plain");
            break;
        }
        ++nSent;
        std::this_thread::sleep_for(std::chrono::milliseconds(100 + random() % 200));
    }
}

bool isPlaying(httplib::Client& remote)
{
    auto result = remote.Get("/api/now", httplib::Headers{{"X-Remote-Token", TOKEN}});
    return result && result->status == 200 && result->body.find("\"screen\":\"player\"") != std::string::npos;
}

// Back to the main menu, with nothing playing: where the start was measured.
void backToTheMenu(Channel& channel, httplib::Client& remote)
{
    for (int i = 0; i < 20 && isPlaying(remote); ++i)
    {
        channel.ask("press Exit");
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    for (const char* key : {"Back", "Back", "Left", "Up", "Up"})
        channel.ask(std::string("press ") + key);
    std::this_thread::sleep_for(std::chrono::seconds(3));
}
// Resident memory, open descriptors and threads of the application.
struct Snapshot
{
    long rss = -1;
    long fds = -1;
    long threads = -1;
};

Snapshot snapshot(pid_t pid)
{
    return Snapshot{readStatus(pid, "VmRSS"), countDescriptors(pid), readStatus(pid, "Threads")};
}

// The settings, the phone's token and the program's pictures in dir, and the
// application started there with its console in console.
pid_t startQuorva(const fs::path& dir, const fs::path& console, int controlPort, int remotePort)
{
    std::ofstream(dir / "client.properties") << "db.file=movies.html\nenable.trickplay=true\nautohide.info=true\n"
                                             << "remote.http.port=" << remotePort << "\n";
    std::ofstream(dir / "remote-tokens") << TOKEN << " soak\n";
    fs::permissions(dir / "remote-tokens", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(QUORVA_BINARY, dir / "quorva");
    for (const char* folder : {"images", "graphics"})
        fs::create_directory_symlink(fs::path(QUORVA_BINARY).parent_path() / folder, dir / folder);

    pid_t pid = fork();
    if (pid == 0)
    {
        int out = open(console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        setenv("PALLIX_DISPLAY", "headless", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("PALLIX_ECP_PORT", std::to_string(controlPort).c_str(), 1);
        const std::string program = (dir / "quorva").string();
        execl(QUORVA_BINARY, program.c_str(), nullptr);
        _exit(127);
    }
    return pid;
}

struct KeyStats
{
    long nKeys = 0;
    long nUnanswered = 0;
    double slowestMs = 0.0;
    std::vector<double> samples;
};

Clock::time_point after(double nMinutes)
{
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(nMinutes * 60));
}

// Presses random keys 20 times a second until the run's end, the snapshot once
// warm taken on the way; the application's pid, or -1 when it ended by itself.
pid_t pressKeys(pid_t pid, Channel& channel, httplib::Client& remote, double warmMinutes, double minutes,
                KeyStats& stats, Snapshot& warm)
{
    // Keys a viewer uses, weighted towards moving about and playing.
    const std::vector<const char*> keys = {"Up",   "Down",   "Left",     "Right",    "Select", "Select", "Play",
                                           "Play", "Back",   "Next",     "PageUp",   "PageDown", "Zoom", "Info",
                                           "Subtitle", "Audio", "Down", "Right"};
    std::mt19937 random(1);
    bool bPlaying = false;
    auto nextLook = Clock::now();
    const auto warmEnd = after(warmMinutes);
    const auto end = after(warmMinutes + minutes);
    auto next = Clock::now();
    while (Clock::now() < end)
    {
        if (warm.rss < 0 && Clock::now() >= warmEnd)
        {
            backToTheMenu(channel, remote);
            warm = snapshot(pid);
            next = Clock::now();
        }
        if (Clock::now() >= nextLook)
        {
            bPlaying = isPlaying(remote);
            nextLook = Clock::now() + std::chrono::seconds(1);
        }
        // Leave a playing title now and then; never Exit on the menu, which would end the run.
        // A title may have ended by itself since the last look, so look again just before.
        const char* key = keys[random() % keys.size()];
        if (bPlaying && random() % 100 == 0 && isPlaying(remote))
            key = "Exit";
        const auto sent = Clock::now();
        const std::string reply = channel.ask(std::string("press ") + key);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
        if (reply != "OK")
            ++stats.nUnanswered;
        ++stats.nKeys;
        stats.slowestMs = std::max(stats.slowestMs, ms);
        stats.samples.push_back(ms);
        next += std::chrono::milliseconds(50);
        std::this_thread::sleep_until(std::max(next, Clock::now()));
        if (waitpid(pid, nullptr, WNOHANG) == pid)
        {
            std::printf("Quorva ended during the run\n");
            return -1;
        }
    }
    return pid;
}

// Prints the first ten sanitizer lines of the console; how many there were.
int countSanitizerReports(const fs::path& console)
{
    int nReports = 0;
    std::ifstream in(console);
    for (std::string line; std::getline(in, line);)
    {
        if (line.find("Sanitizer") != std::string::npos || line.find("runtime error") != std::string::npos)
        {
            if (nReports++ < 10)
                std::printf("  %s\n", line.c_str());
        }
    }
    return nReports;
}

void printReport(double minutes, double warmMinutes, KeyStats& stats, long nPestered, const Snapshot& start,
                 const Snapshot& warm, const Snapshot& end, int nReports)
{
    std::sort(stats.samples.begin(), stats.samples.end());
    const double median = stats.samples.empty() ? 0.0 : stats.samples[stats.samples.size() / 2];
    const double p99 = stats.samples.empty() ? 0.0 : stats.samples[stats.samples.size() * 99 / 100];
    std::printf("Soak of %.1f minutes after %.1f of warming up, %zu formats\n", minutes, warmMinutes, FORMATS.size());
    std::printf("  keys handled: %ld (%ld unanswered); malformed lines and requests: %ld\n", stats.nKeys,
                stats.nUnanswered, nPestered);
    std::printf("  key to frame: median %.1f ms, p99 %.1f ms, slowest %.1f ms\n", median, p99, stats.slowestMs);
    std::printf("  resident memory: %ld kB at the start, %ld kB once warm, %ld kB at the end (growth %+ld kB; "
                "target under 5,000)\n",
                start.rss, warm.rss, end.rss, end.rss - warm.rss);
    std::printf("  open descriptors: %ld at the start, %ld once warm, %ld at the end (target: equal)\n", start.fds,
                warm.fds, end.fds);
    std::printf("  threads: %ld at the start, %ld once warm, %ld at the end (target: equal)\n", start.threads,
                warm.threads, end.threads);
    std::printf("  sanitizer reports: %d (target: none)\n", nReports);
}
} // namespace

int main(int argc, char** argv)
{
    const double minutes = argc > 1 ? std::atof(argv[1]) : 30.0;
    // The same use first, until every kind of film has been opened: what the
    // first films load once (codec tables, the player's pictures and fonts) is
    // no growth.
    const double warmMinutes = argc > 2 ? std::atof(argv[2]) : 3.0;
    const fs::path dir = fs::temp_directory_path() / ("quorva-soak-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::printf("Making a title of each format in %s...\n", dir.c_str());
    if (!makeLibrary(dir))
        return 1;
    const int controlPort = freePort();
    const int remotePort = freePort();
    const fs::path console = dir / "console.txt";
    pid_t pid = startQuorva(dir, console, controlPort, remotePort);

    Channel channel(controlPort);
    httplib::Client remote("127.0.0.1", remotePort);
    remote.set_read_timeout(10);
    channel.ask("press Info");
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const Snapshot start = snapshot(pid);

    std::atomic<bool> bStop{false};
    std::atomic<long> nPestered{0};
    std::thread pesterer(pester, controlPort, remotePort, std::cref(bStop), std::ref(nPestered));
    KeyStats stats;
    Snapshot warm;
    pid = pressKeys(pid, channel, remote, warmMinutes, minutes, stats, warm);
    bStop = true;
    pesterer.join();

    Snapshot end;
    if (pid > 0)
    {
        backToTheMenu(channel, remote);
        end = snapshot(pid);
        channel.ask("quorvaApp exit");
        int status = 0;
        waitpid(pid, &status, 0);
    }

    const int nReports = countSanitizerReports(console);
    printReport(minutes, warmMinutes, stats, nPestered.load(), start, warm, end, nReports);
    if (pid > 0)
        fs::remove_all(dir);
    else
        std::printf("  the console is kept in %s\n", console.c_str());
    return pid > 0 && nReports == 0 ? 0 : 1;
}
