// Plays a standard-definition program stream and a high-definition transport
// stream headless through MPEGDecoder for 20 seconds each and reports, beside
// "ffmpeg -threads 1 -i FILE -f null -" on the same stretch: CPU seconds per
// second of movie, pictures dropped, the audio/video offset, and the time from
// a jump (decoder restarted at a new position) to its first picture. The
// decoder's CPU is the process's minus this thread's own, which only waits.
//
// Usage: media_bench [SD_FILE HD_FILE]. Without files both are made with
// ffmpeg in a temporary folder first.

#include "MPEGDecoder.h"
#include "PallixFile.h"
#include "PallixFileStream.h"
#include "PallixMPEGFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <thread>
#include <vector>

extern char** environ;

namespace
{
using Clock = std::chrono::steady_clock;
constexpr double STRETCH = 20.0;
constexpr int JUMPS = 8;

double CpuSeconds(const rusage& usage)
{
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs a program to its end; its CPU time, or -1 when it fails.
double Run(std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    rusage usage = {};
    if (wait4(pid, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return CpuSeconds(usage);
}

class BenchFeeder : public MPEGDecoder
{
public:
    ~BenchFeeder() override { Close(); }

    bool Load(const std::string& path)
    {
        PallixFile file(path.c_str());
        if (!mStream.Open(file) || !mMPEG.SetStream(mStream))
            return false;
        return true;
    }

    bool Start()
    {
        const PallixMPEGFile::AudioStream* audio = mMPEG.GetAudioStreamAt(0, 0);
        return Open(16, 32768) &&
               SelectPIDs(mMPEG.GetMPEGFileType() == PallixMPEGFile::kMPEG2ProgramStream, 0,
                          mMPEG.GetVideoStreamAt(0, 0)->m_nPIDorStreamID, audio->m_nPIDorStreamID, audio->m_nSSID,
                          audio->m_streamType == PallixMPEGFile::kAC3);
    }

    void Seek(uint64_t position)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mStream.SeekToPosition(position);
    }

    uint64_t Size() const { return mStream.GetSize(); }

    uint32_t OnFillBuffer(unsigned char* pBuffer, unsigned long nBuffSize) override
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return mStream.ReadBytes(uint32_t(nBuffSize), pBuffer);
    }

private:
    std::mutex mMutex;
    PallixFileStream mStream;
    PallixMPEGFile mMPEG;
};

bool WaitFor(const std::function<bool()>& condition, double seconds)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                          std::chrono::duration<double>(seconds));
    while (!condition())
    {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void Measure(const char* label, const std::string& path)
{
    std::printf("%s: %s\n", label, path.c_str());
    const double ffmpegCpu = Run({"ffmpeg", "-nostdin", "-v", "error", "-threads", "1", "-i", path, "-t",
                                  std::to_string(int(STRETCH)), "-f", "null", "-"});

    BenchFeeder decoder;
    if (!decoder.Load(path))
    {
        std::printf("  cannot analyse the file\n");
        return;
    }
    rusage before = {};
    rusage waitingBefore = {};
    getrusage(RUSAGE_SELF, &before);
    getrusage(RUSAGE_THREAD, &waitingBefore);
    if (!decoder.Start() || !WaitFor([&] { return decoder.GetFramesPresented() > 0; }, 10))
    {
        std::printf("  no picture\n");
        return;
    }
    const int64_t firstPts = decoder.GetLastPresentedPtsUs();
    const bool bPlayed =
        WaitFor([&] { return decoder.GetLastPresentedPtsUs() - firstPts >= int64_t(STRETCH * 1e6); }, STRETCH * 3);
    rusage after = {};
    rusage waitingAfter = {};
    getrusage(RUSAGE_SELF, &after);
    getrusage(RUSAGE_THREAD, &waitingAfter);
    const double cpu =
        CpuSeconds(after) - CpuSeconds(before) - (CpuSeconds(waitingAfter) - CpuSeconds(waitingBefore));
    const uint64_t presented = decoder.GetFramesPresented();
    const uint64_t dropped = decoder.GetFramesDropped();
    const double maxOffset = double(decoder.GetMaxAVOffsetUs()) / 1000.0;
    decoder.Close();

    std::vector<double> jumps;
    std::mt19937 random(5);
    for (int i = 0; i < JUMPS; ++i)
    {
        // As the player does on a seek: stop, move the stream, start again.
        decoder.Seek(decoder.Size() / 10 + random() % (decoder.Size() * 7 / 10));
        if (decoder.Start() && WaitFor([&] { return decoder.GetFramesPresented() > 0; }, 5))
            jumps.push_back(double(decoder.GetFirstFrameDelayUs()) / 1000.0);
        decoder.Close();
    }
    std::sort(jumps.begin(), jumps.end());

    std::printf("  played %.0f s%s: %llu pictures shown, %llu dropped\n", STRETCH, bPlayed ? "" : " (NOT REACHED)",
                static_cast<unsigned long long>(presented), static_cast<unsigned long long>(dropped));
    std::printf("  CPU s per movie s: decoder %.3f, ffmpeg -threads 1 %.3f, ratio %.2f (target <= 1.5)\n",
                cpu / STRETCH, ffmpegCpu / STRETCH, ffmpegCpu > 0 ? cpu / ffmpegCpu : 0.0);
    std::printf("  largest A/V offset at a picture: %.1f ms (target <= 40)\n", maxOffset);
    if (!jumps.empty())
        std::printf("  jump to first picture over %zu jumps: median %.0f ms, worst %.0f ms (target < 200)\n",
                    jumps.size(), jumps[jumps.size() / 2], jumps.back());
}

bool MakeMovie(const std::string& path, bool bHD)
{
    std::printf("Making %s...\n", path.c_str());
    std::fflush(stdout);
    if (bHD)
        return Run({"ffmpeg", "-nostdin", "-v", "fatal", "-y", "-f", "lavfi", "-i",
                    "testsrc2=size=1920x1080:rate=30000/1001,noise=alls=12:allf=t", "-f", "lavfi", "-i",
                    "sine=frequency=440:beep_factor=4:sample_rate=48000", "-t", "24", "-c:v", "mpeg2video", "-b:v",
                    "15M", "-minrate", "15M", "-maxrate", "15M", "-bufsize", "9781k", "-g", "15", "-bf", "2", "-c:a",
                    "ac3", "-b:a", "384k", "-ac", "2", "-f", "mpegts", path}) >= 0;
    return Run({"ffmpeg", "-nostdin", "-v", "fatal", "-y", "-f", "lavfi", "-i",
                "testsrc2=size=720x480:rate=30000/1001", "-f", "lavfi", "-i",
                "sine=frequency=440:beep_factor=4:sample_rate=48000", "-t", "24", "-c:v", "mpeg2video", "-b:v",
                "3500k", "-g", "15", "-bf", "2", "-c:a", "mp2", "-b:a", "192k", "-ac", "2", "-f", "vob", path}) >= 0;
}
} // namespace

int main(int argc, char** argv)
{
    setenv("PALLIX_DISPLAY", "headless", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::string sd;
    std::string hd;
    std::filesystem::path temp;
    if (argc == 3)
    {
        sd = argv[1];
        hd = argv[2];
    }
    else
    {
        temp = std::filesystem::temp_directory_path() / ("media_bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(temp);
        sd = (temp / "sd.mpg").string();
        hd = (temp / "hd.ts").string();
        if (!MakeMovie(sd, false) || !MakeMovie(hd, true))
        {
            std::printf("ffmpeg could not make the movies\n");
            return 1;
        }
    }
    Measure("SD program stream", sd);
    Measure("HD transport stream", hd);
    if (!temp.empty())
        std::filesystem::remove_all(temp);
    return 0;
}
