// Plays movies through the whole running application, headless: the real
// quorva binary with a one-title library, driven over its control channel like
// a remote. For each movie, with the on-screen information shown and hidden,
// three runs each, it reports the medians of: the application's CPU seconds
// per second of movie as a viewer plays it (from /proc, from the Play key to
// 20 seconds of movie), over "ffmpeg -threads 1 -i FILE -f null -" on the
// same 20 seconds run just before it (an interlaced or HDR film also over
// ffmpeg doing to its pictures what the application does: deinterlacing them,
// or converting their colours for the screen); the speed of playing
// (seconds of movie per second); and the bytes the application read over the
// bytes of movie it played. Beside them: pictures dropped, the largest
// audio/video offset, and for eight 15-second jumps the time from the
// decoder's restart at the new place to its first new picture and its first
// new sound.
//
// Usage: playback_bench [FOLDER [FILE...]]. The movies are made with ffmpeg in
// FOLDER (a temporary one by default) and kept there for the next run; FILEs
// replace the standard seven (SD and HD MPEG, 1080p H.264 and HEVC in
// Matroska, a 4K HEVC 10-bit HDR film, a 480i DVD and a 1080i transport stream).

#include "PallixSdrConversion.h"

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

extern "C"
{
#include <libavutil/pixfmt.h>
}
#include <vector>

extern char** environ;

namespace
{
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr double STRETCH = 20.0;
constexpr int JUMPS = 8;
// Runs from the start of the movie, with the information shown and hidden each.
constexpr int RUNS = 3;

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
double RunToEnd(std::vector<std::string> args)
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

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Movie
{
    std::string label;
    std::string path;
    std::vector<std::string> make;
    // The filters the application needs on top of decoding (the deinterlacer
    // of an interlaced film, the colour conversion of an HDR one): ffmpeg is
    // measured with them as well.
    std::string filters;
};

// ffmpeg's CPU seconds per movie second over the first STRETCH seconds; with
// filters, decoding and filtering as the application does, on one thread. It
// runs beside each run of the application, so that both see the same machine.
double FfmpegPerSecond(const Movie& movie, const std::string& filters)
{
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-v", "fatal", "-threads", "1", "-filter_threads", "1",
                                     "-i", movie.path, "-t", std::to_string(int(STRETCH))};
    if (!filters.empty())
        args.insert(args.end(), {"-vf", filters});
    args.insert(args.end(), {"-f", "null", "-"});
    return RunToEnd(args) / STRETCH;
}

// The real application on a library of one title, its list open on that title.
class App
{
public:
    App(const Movie& movie, const fs::path& binary, const fs::path& scratch)
    {
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
        mStats = movie.path + ".quorva";
        fs::remove(mStats);
        mPort = FreePort();
        const fs::path cwd = fs::current_path();
        fs::current_path(dir);
        mPid = Spawn({(dir / "quorva").string()},
                     {"PALLIX_DISPLAY=headless", "SDL_AUDIODRIVER=dummy", "PALLIX_ECP_PORT=" + std::to_string(mPort)},
                     (dir / "console.log").c_str());
        fs::current_path(cwd);
        mbStarted = mPid > 0 && WaitFor([&] { return Command(mPort, "press Left") == "OK"; }, 20);
        for (const char* key : {"Down", "Right"})
            Press(key);
    }
    ~App()
    {
        if (mPid <= 0)
            return;
        Press("Exit");
        Command(mPort, "quorvaApp exit");
        if (!WaitFor([&] { return waitpid(mPid, nullptr, WNOHANG) == mPid; }, 10))
        {
            kill(mPid, SIGKILL);
            waitpid(mPid, nullptr, 0);
        }
        fs::remove(mStats);
    }
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    bool IsStarted() const { return mbStarted; }
    void Press(const char* key) { Command(mPort, std::string("press ") + key); }
    std::map<std::string, double> Figures() { return Playback(mPort); }
    double Cpu() const { return ProcessCpu(mPid); }
    double BytesRead() const { return ProcessBytesRead(mPid); }

private:
    pid_t mPid = -1;
    int mPort = 0;
    bool mbStarted = false;
    std::string mStats;
};

// What one run measured, from the Play key to STRETCH seconds of movie.
struct Run
{
    bool bPlayed = false;
    double cpuPerSecond = 0.0;
    // ffmpeg's, just before, without and with the application's filters.
    double ffmpegPerSecond = 0.0;
    double filteredPerSecond = 0.0;
    double speed = 0.0;
    double shown = 0.0;
    double dropped = 0.0;
    double maxOffset = 0.0;
    // The bytes read over the bytes of movie played.
    double readRatio = 0.0;
};

// Plays from the start, as a viewer does: the CPU counts from the key, the
// movie's time from its first picture. With bInfo the on-screen information
// (progress bar, clock, the title's details) stays up all the while.
Run PlayFromStart(App& app, const Movie& movie, bool bInfo)
{
    Run run;
    const double startCpu = app.Cpu();
    const double readBefore = app.BytesRead();
    app.Press("Play");
    if (bInfo)
    {
        app.Press("Info");
        app.Press("Info");
    }
    std::map<std::string, double> figures;
    if (!WaitFor([&] { return (figures = app.Figures())["shown"] > 0; }, 20, 50))
        return run;
    const double firstPts = figures["pts"];
    const double firstShown = figures["shown"];
    const Clock::time_point first = Clock::now();
    run.bPlayed =
        WaitFor([&] { return (figures = app.Figures())["pts"] >= firstPts + STRETCH; }, STRETCH * 3, 500);
    const double played = figures["pts"] - firstPts;
    run.cpuPerSecond = (app.Cpu() - startCpu) / std::max(played, 1.0);
    run.speed = played / std::max(std::chrono::duration<double>(Clock::now() - first).count(), 0.001);
    run.shown = figures["shown"] - firstShown;
    run.dropped = figures["dropped"];
    run.maxOffset = figures["maxav"];
    const double bytesPlayed =
        played / std::max(MovieSeconds(movie.path), 1.0) * double(fs::file_size(movie.path));
    run.readRatio = (app.BytesRead() - readBefore) / std::max(bytesPlayed, 1.0);
    return run;
}

// Back and forth by fifteen seconds: each jump restarts the decoder.
void Jumps(App& app)
{
    std::vector<double> pictures;
    std::vector<double> sounds;
    std::vector<double> worst;
    for (int i = 0; i < JUMPS; ++i)
    {
        const double before = app.Figures()["pts"];
        app.Press(i % 2 == 0 ? "Down" : "Up");
        std::map<std::string, double> figures;
        if (!WaitFor(
                [&] {
                    figures = app.Figures();
                    return std::abs(figures["pts"] - before) > 8 && figures["picture"] > 0 && figures["sound"] > 0;
                },
                10))
            continue;
        pictures.push_back(figures["picture"]);
        sounds.push_back(figures["sound"]);
        worst.push_back(std::max(figures["picture"], figures["sound"]));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    if (pictures.empty())
        return;
    std::printf("  jump to first new picture over %zu jumps: median %.0f ms, worst %.0f ms; first new sound: "
                "median %.0f ms, worst %.0f ms; both: median %.0f ms, worst %.0f ms (targets < 200, < 400)\n",
                pictures.size(), Median(pictures), *std::max_element(pictures.begin(), pictures.end()),
                Median(sounds), *std::max_element(sounds.begin(), sounds.end()), Median(worst),
                *std::max_element(worst.begin(), worst.end()));
}

void Report(const char* what, const std::vector<Run>& runs)
{
    std::vector<double> ratios;
    std::vector<double> filtered;
    std::vector<double> ffmpeg;
    std::vector<double> speeds;
    std::vector<double> reads;
    double dropped = 0;
    double shown = 0;
    double maxOffset = 0;
    bool bPlayed = true;
    for (const Run& run : runs)
    {
        ratios.push_back(run.ffmpegPerSecond > 0 ? run.cpuPerSecond / run.ffmpegPerSecond : 0.0);
        filtered.push_back(run.filteredPerSecond > 0 ? run.cpuPerSecond / run.filteredPerSecond : 0.0);
        ffmpeg.push_back(run.ffmpegPerSecond);
        speeds.push_back(run.speed);
        reads.push_back(run.readRatio);
        dropped += run.dropped;
        shown += run.shown;
        maxOffset = std::max(maxOffset, run.maxOffset);
        bPlayed = bPlayed && run.bPlayed;
    }
    if (runs.empty())
        return;
    std::printf("  %s, %zu runs%s: CPU ÷ ffmpeg median %.2f (%.2f-%.2f, target <= 1.3; ffmpeg %.3f CPU s per "
                "movie s)",
                what, runs.size(), bPlayed ? "" : " (NOT ALL REACHED)", Median(ratios),
                *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()),
                Median(ffmpeg));
    if (runs.front().filteredPerSecond > 0)
        std::printf(", ÷ ffmpeg with the same filters %.2f", Median(filtered));
    std::printf("; speed median %.3f; %.0f pictures shown, %.0f dropped (target 0); largest A/V offset %.1f ms "
                "(target <= 40); bytes read / bytes played median %.3f (target <= 1.1)\n",
                Median(speeds), shown, dropped, maxOffset, Median(reads));
}

void Measure(const Movie& movie, const fs::path& binary, const fs::path& scratch)
{
    std::printf("%s: %s\n", movie.label.c_str(), movie.path.c_str());
    std::fflush(stdout);
    for (const bool bInfo : {true, false})
    {
        std::vector<Run> runs;
        for (int i = 0; i < RUNS; ++i)
        {
            App app(movie, binary, scratch);
            if (!app.IsStarted())
            {
                std::printf("  the application did not start\n");
                return;
            }
            const double ffmpegPerSecond = FfmpegPerSecond(movie, "");
            const double filteredPerSecond = movie.filters.empty() ? 0.0 : FfmpegPerSecond(movie, movie.filters);
            Run run = PlayFromStart(app, movie, bInfo);
            run.ffmpegPerSecond = ffmpegPerSecond;
            run.filteredPerSecond = filteredPerSecond;
            if (run.shown <= 0 && !run.bPlayed)
            {
                std::printf("  no picture\n");
                return;
            }
            runs.push_back(run);
            if (!bInfo && i == 0)
                Jumps(app);
        }
        Report(bInfo ? "information shown" : "information hidden", runs);
    }
    std::fflush(stdout);
}

std::vector<Movie> StandardMovies(const fs::path& folder)
{
    // What the application does to an interlaced picture.
    const std::string bwdif = "bwdif=mode=send_frame:parity=auto:deint=interlaced";
    const std::string tone = "sine=frequency=440:beep_factor=4:sample_rate=48000";
    const std::string seconds = "60";
    const std::string hd = "testsrc2=size=1920x1080:rate=24,noise=alls=8:allf=t";
    // What the application does to an HDR10 picture on the 720p screen.
    PallixSdrConversion::Colours hdr10;
    hdr10.nTransfer = AVCOL_TRC_SMPTE2084;
    hdr10.nPrimaries = AVCOL_PRI_BT2020;
    hdr10.nMatrix = AVCOL_SPC_BT2020_NCL;
    hdr10.nRange = AVCOL_RANGE_MPEG;
    hdr10.nBits = 10;
    const std::string sdr = PallixSdrConversion::Filters(hdr10, 1280, 720);
    return {
        {"SD program stream (720x480 MPEG-2 3.5 Mb/s, MP2)", (folder / "sd.mpg").string(),
         {"-f", "lavfi", "-i", "testsrc2=size=720x480:rate=30000/1001", "-f", "lavfi", "-i", tone, "-t", seconds,
          "-c:v", "mpeg2video", "-b:v", "3500k", "-g", "15", "-bf", "2", "-c:a", "mp2", "-b:a", "192k", "-ac", "2",
          "-f", "vob"},
         ""},
        {"HD transport stream (1080 MPEG-2 15 Mb/s, AC-3)", (folder / "hd.ts").string(),
         {"-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=30000/1001,noise=alls=12:allf=t", "-f", "lavfi", "-i",
          tone, "-t", seconds, "-c:v", "mpeg2video", "-b:v", "15M", "-minrate", "15M", "-maxrate", "15M", "-bufsize",
          "9781k", "-g", "15", "-bf", "2", "-c:a", "ac3", "-b:a", "384k", "-ac", "2", "-f", "mpegts"},
         ""},
        {"1080p H.264 8 Mb/s 24 frames/s in Matroska (AAC)", (folder / "h264.mkv").string(),
         {"-f", "lavfi", "-i", hd, "-f", "lavfi", "-i", tone, "-t", seconds, "-c:v", "libx264", "-preset",
          "veryfast", "-b:v", "8M", "-maxrate", "10M", "-bufsize", "16M", "-g", "48", "-c:a", "aac", "-b:a", "192k",
          "-ac", "2", "-f", "matroska"},
         ""},
        {"1080p HEVC 4 Mb/s 24 frames/s in Matroska (AAC)", (folder / "hevc.mkv").string(),
         {"-f", "lavfi", "-i", hd, "-f", "lavfi", "-i", tone, "-t", seconds, "-c:v", "libx265", "-preset",
          "ultrafast", "-b:v", "4M", "-g", "48", "-x265-params", "log-level=error", "-c:a", "aac", "-b:a", "192k",
          "-ac", "2", "-f", "matroska"},
         ""},
        {"4K HEVC 10-bit HDR10 24 frames/s in Matroska (PQ, BT.2020, E-AC-3)", (folder / "hdr4k.mkv").string(),
         {"-f", "lavfi", "-i",
          "testsrc2=size=3840x2160:rate=24,noise=alls=8:allf=t,format=gbrpf32le,zscale=tin=bt709:t=smpte2084:"
          "pin=bt709:p=bt2020:min=gbr:m=bt2020nc:r=limited:npl=100,format=yuv420p10le",
          "-f", "lavfi", "-i", tone, "-t", seconds, "-c:v", "libx265", "-preset", "ultrafast", "-b:v", "20M", "-g", "48",
          "-x265-params",
          "log-level=error:colorprim=bt2020:transfer=smpte2084:colormatrix=bt2020nc:hdr10=1:"
          "master-display=G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)L(10000000,50):max-cll=1000,400",
          "-color_primaries", "bt2020", "-color_trc", "smpte2084", "-colorspace", "bt2020nc", "-c:a", "eac3",
          "-b:a", "640k", "-ac", "2", "-f", "matroska"},
         sdr},
        {"480i NTSC DVD (MPEG-2 interlaced, top field first, AC-3)", (folder / "dvd.vob").string(),
         {"-f", "lavfi", "-i", "testsrc2=size=720x480:rate=60000/1001,tinterlace=mode=interleave_top", "-f",
          "lavfi", "-i", tone, "-t", seconds, "-target", "ntsc-dvd", "-flags", "+ildct+ilme", "-top", "1", "-ac",
          "2", "-f", "dvd"},
         bwdif},
        {"1080i transport stream (MPEG-2 interlaced 15 Mb/s, AC-3)", (folder / "hd1080i.ts").string(),
         {"-f", "lavfi", "-i",
          "testsrc2=size=1920x1080:rate=60000/1001,noise=alls=12:allf=t,tinterlace=mode=interleave_top", "-f",
          "lavfi", "-i", tone, "-t", seconds, "-c:v", "mpeg2video", "-b:v", "15M", "-minrate", "15M", "-maxrate",
          "15M", "-bufsize", "9781k", "-g", "15", "-bf", "2", "-flags", "+ildct+ilme", "-top", "1", "-c:a", "ac3",
          "-b:a", "384k", "-ac", "2", "-f", "mpegts"},
         bwdif},
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
    // A FILE that is one of the standard movies keeps its label and filters.
    const std::vector<Movie> standard = StandardMovies(fs::absolute(folder));
    std::vector<Movie> movies;
    for (int i = 2; i < argc; ++i)
    {
        const std::string path = fs::absolute(argv[i]).string();
        auto pStandard = std::find_if(standard.begin(), standard.end(),
                                      [&](const Movie& movie) { return movie.path == path; });
        movies.push_back(pStandard != standard.end() ? *pStandard : Movie{"movie", path, {}, ""});
    }
    if (movies.empty())
        movies = standard;
    for (const Movie& movie : movies)
    {
        if (fs::exists(movie.path) || movie.make.empty())
            continue;
        std::printf("Making %s...\n", movie.path.c_str());
        std::fflush(stdout);
        std::vector<std::string> args = {"ffmpeg", "-nostdin", "-v", "fatal", "-y"};
        args.insert(args.end(), movie.make.begin(), movie.make.end());
        args.push_back(movie.path + ".part");
        if (RunToEnd(args) < 0)
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
