#include "QuorvaProcess.h"

#include "PallixBitmap.h"
#include "PallixFile.h"
#include "PallixTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

QuorvaProcess::QuorvaProcess(const std::string& dir, const std::vector<std::string>& args, bool bRelative,
                             const std::vector<std::string>& env, const std::string& binary)
    : mDir(dir), mPort(pallixtest::FindFreePort())
{
    std::string link = dir + "/quorva";
    unlink(link.c_str());
    symlink(binary.c_str(), link.c_str());

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return;
    mOutFd = pipeFds[0];
    std::string portText = std::to_string(mPort);
    mPid = fork();
    if (mPid == 0)
    {
        dup2(pipeFds[1], STDOUT_FILENO);
        dup2(pipeFds[1], STDERR_FILENO);
        // Started from elsewhere unless the test needs the binary's own folder:
        // nothing may depend on the shell's current folder.
        if (chdir(bRelative ? dir.c_str() : "/") != 0)
            _exit(126);
        setenv("PALLIX_ECP_PORT", portText.c_str(), 1);
        setenv("PALLIX_DISPLAY", "headless", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        for (const std::string& setting : env)
        {
            size_t equals = setting.find('=');
            setenv(setting.substr(0, equals).c_str(), setting.substr(equals + 1).c_str(), 1);
        }
        std::vector<std::string> words;
        words.push_back(bRelative ? "quorva" : link);
        words.insert(words.end(), args.begin(), args.end());
        execBuiltProgram(binary.c_str(), words);
        _exit(127);
    }
    close(pipeFds[1]);
}

QuorvaProcess::~QuorvaProcess()
{
    if (mPid > 0)
    {
        kill(mPid, SIGKILL);
        waitpid(mPid, nullptr, 0);
    }
    if (mOutFd >= 0)
        close(mOutFd);
}

std::string QuorvaProcess::nextLine(bool& bOk, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;)
    {
        size_t newline = mPending.find('\n');
        if (newline != std::string::npos)
        {
            std::string line = mPending.substr(0, newline);
            mPending.erase(0, newline + 1);
            bOk = true;
            return line;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (mbEnded || left <= 0)
            break;
        pollfd pfd{mOutFd, POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left)) <= 0)
            continue;
        char buffer[4096];
        ssize_t n = read(mOutFd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            mbEnded = true;
        else
            mPending.append(buffer, static_cast<size_t>(n));
    }
    bOk = false;
    return std::string();
}

std::string QuorvaProcess::nextLine()
{
    bool bOk = false;
    return nextLine(bOk);
}

bool QuorvaProcess::waitForLine(const std::string& line, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;)
    {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        bool bOk = false;
        std::string next = nextLine(bOk, left);
        if (!bOk)
            return false;
        if (next == line)
            return true;
    }
}

std::vector<std::string> QuorvaProcess::remainingLines(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    std::vector<std::string> lines;
    for (;;)
    {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        bool bOk = false;
        std::string next = nextLine(bOk, left);
        if (!bOk)
            break;
        lines.push_back(next);
    }
    if (!mPending.empty())
        lines.push_back(mPending);
    mPending.clear();
    return lines;
}

std::string QuorvaProcess::command(const std::string& line)
{
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    int fd = -1;
    while (Clock::now() < deadline)
    {
        fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<uint16_t>(mPort));
        if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0)
            break;
        close(fd);
        fd = -1;
        // The channel opens when the loop starts; poll for it rather than guess a delay.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (fd < 0)
        return "<no connection>";
    std::string text = line + "\n";
    send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    std::string reply;
    while (Clock::now() < deadline)
    {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, 1000) <= 0)
            continue;
        char c;
        if (read(fd, &c, 1) != 1 || c == '\n')
            break;
        reply += c;
    }
    close(fd);
    return reply;
}

int QuorvaProcess::waitExit(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (mPid > 0)
    {
        int status = 0;
        pid_t done = waitpid(mPid, &status, WNOHANG);
        if (done == mPid)
        {
            mPid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (Clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
}

void QuorvaProcess::signal(int nSignal)
{
    if (mPid > 0)
        kill(mPid, nSignal);
}

std::unique_ptr<PallixBitmap> QuorvaProcess::screenshot()
{
    std::string path = mDir + "/shot" + std::to_string(mShots++) + ".png";
    EXPECT_EQ(command("screenshot " + path), "OK");
    auto pBitmap = std::make_unique<PallixBitmap>();
    PallixFile file(path.c_str());
    EXPECT_TRUE(pBitmap->Load(file, 2));
    return pBitmap;
}
