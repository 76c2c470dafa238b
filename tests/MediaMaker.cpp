#include "MediaMaker.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

bool MediaMaker::make(const std::string& path, const Movie& movie)
{
    const std::string duration = std::to_string(movie.seconds);
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-v", "error", "-y"};
    if (!movie.videoCodec.empty())
        args.insert(args.end(), {"-f", "lavfi", "-i", "testsrc=size=" + movie.size + ":rate=25:duration=" + duration});
    if (!movie.audioCodec.empty())
        args.insert(args.end(), {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=" + duration});
    if (!movie.videoCodec.empty())
        args.insert(args.end(), {"-c:v", movie.videoCodec, "-g", "12", "-b:v", "1M"});
    if (!movie.audioCodec.empty())
        args.insert(args.end(), {"-c:a", movie.audioCodec});
    args.insert(args.end(), movie.extra.begin(), movie.extra.end());
    args.insert(args.end(), {"-f", movie.container, path});

    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, "ffmpeg", nullptr, nullptr, argv.data(), environ);
    if (error != 0)
    {
        ADD_FAILURE() << "cannot run ffmpeg (" << std::strerror(error)
                      << "): tools/install-deps.sh installs it, and the media tests need it";
        return false;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR)
    {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    {
        ADD_FAILURE() << "ffmpeg could not make " << path;
        return false;
    }
    return true;
}
