#pragma once

// Helpers shared by the platform application-layer tests (PallixAppTest,
// PallixTimerTest, PallixControlTest, PallixSpawnTest). Header-only, so it does
// not depend on the other test helpers of the project.

#include "PallixApp.h"
#include "PallixMessage.h"
#include "PallixTimer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace pallixtest
{
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A port that was free a moment ago: bind 127.0.0.1:0, read the port, close.
inline int FindFreePort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int port = -1;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const std::string& value) : mName(name)
    {
        if (const char* old = std::getenv(name))
            mOld = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (mOld)
            ::setenv(mName.c_str(), mOld->c_str(), 1);
        else
            ::unsetenv(mName.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string mName;
    std::optional<std::string> mOld;
};

// A control-channel client with a deadline on every wait, so that no test hangs.
class LineClient
{
public:
    LineClient() = default;
    ~LineClient() { Close(); }
    LineClient(const LineClient&) = delete;
    LineClient& operator=(const LineClient&) = delete;

    // Retries until the server listens or the time is up. A receive buffer size
    // other than 0 is set before connecting.
    bool Connect(int port, std::chrono::milliseconds timeout = 5000ms, int receiveBuffer = 0)
    {
        auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline)
        {
            Close();
            mFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (mFd < 0)
                return false;
            if (receiveBuffer > 0)
                ::setsockopt(mFd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
            sockaddr_in address = {};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            address.sin_port = htons(static_cast<uint16_t>(port));
            if (::connect(mFd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
                return true;
            std::this_thread::sleep_for(10ms);
        }
        Close();
        return false;
    }

    void Close()
    {
        if (mFd >= 0)
            ::close(mFd);
        mFd = -1;
        mBuffer.clear();
    }

    int GetFd() const { return mFd; }

    // Sends everything; false when the connection is gone.
    bool Send(const std::string& data)
    {
        size_t sent = 0;
        while (sent < data.size())
        {
            ssize_t n = ::send(mFd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            sent += static_cast<size_t>(n);
        }
        return true;
    }

    // The next line without its "\n"; nothing on timeout, end of stream or error.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout = 5000ms)
    {
        auto deadline = Clock::now() + timeout;
        for (;;)
        {
            size_t end = mBuffer.find('\n');
            if (end != std::string::npos)
            {
                std::string line = mBuffer.substr(0, end);
                mBuffer.erase(0, end + 1);
                return line;
            }
            if (!Fill(deadline))
                return std::nullopt;
        }
    }

    // Sends a command and returns its reply line.
    std::optional<std::string> Ask(const std::string& command, std::chrono::milliseconds timeout = 5000ms)
    {
        if (!Send(command + "\n"))
            return std::nullopt;
        return ReadLine(timeout);
    }

    // True when the server closed the connection (end of stream or reset) within
    // the time, after any lines still buffered.
    bool WaitClosed(std::chrono::milliseconds timeout = 5000ms)
    {
        auto deadline = Clock::now() + timeout;
        for (;;)
        {
            mBuffer.clear();
            int result = FillRaw(deadline);
            if (result == 0)
                return true;
            if (result < 0)
                return false;
        }
    }

private:
    bool Fill(Clock::time_point deadline) { return FillRaw(deadline) > 0; }

    // 1: data read; 0: closed by the peer; -1: timeout.
    int FillRaw(Clock::time_point deadline)
    {
        for (;;)
        {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return -1;
            pollfd fd = {mFd, POLLIN, 0};
            int ready = ::poll(&fd, 1, static_cast<int>(left));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                return -1;
            char buffer[65536];
            ssize_t n = ::recv(mFd, buffer, sizeof buffer, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return 0;
            mBuffer.append(buffer, static_cast<size_t>(n));
            return 1;
        }
    }

    int mFd = -1;
    std::string mBuffer;
};

// Waits until condition holds or the time is up; returns the last answer.
inline bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 5000ms)
{
    auto deadline = Clock::now() + timeout;
    while (!condition())
    {
        if (Clock::now() >= deadline)
            return condition();
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// Children of this process that are zombies, found in /proc.
inline int CountZombieChildren()
{
    int count = 0;
    DIR* dir = ::opendir("/proc");
    if (!dir)
        return -1;
    const pid_t self = ::getpid();
    while (dirent* entry = ::readdir(dir))
    {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        // A process may vanish while it is read: plain reads, errors ignored.
        std::string path = std::string("/proc/") + entry->d_name + "/stat";
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        char buffer[1024];
        ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
        ::close(fd);
        if (n <= 0)
            continue;
        std::string text(buffer, static_cast<size_t>(n));
        // The command name may hold spaces and parentheses: the fields that
        // matter follow the last ')'.
        size_t close = text.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream fields(text.substr(close + 1));
        char state = 0;
        long ppid = 0;
        fields >> state >> ppid;
        if (ppid == self && state == 'Z')
            count++;
    }
    ::closedir(dir);
    return count;
}

// A timer object that calls a function on each tick.
class FunctionTimer : public PallixTimer
{
public:
    FunctionTimer() = default;
    explicit FunctionTimer(std::function<void(uint32_t)> onTick) : mOnTick(std::move(onTick)) {}
    void SetOnTick(std::function<void(uint32_t)> onTick) { mOnTick = std::move(onTick); }
    void OnTimer(uint32_t nTimerID) override
    {
        if (mOnTick)
            mOnTick(nTimerID);
    }

private:
    std::function<void(uint32_t)> mOnTick;
};

// An application whose callbacks are set by each test. It ends its run with
// status 99 after a while if the test does not end it, so that no test hangs.
class ScriptedApp : public PallixApp
{
public:
    static constexpr int kWatchdogStatus = 99;

    std::function<void(ScriptedApp&)> onInit;
    std::function<void(ScriptedApp&)> onExit;
    std::function<void(ScriptedApp&, const PallixMessage&)> onMessage;
    std::function<void(ScriptedApp&, int)> onSignal;
    std::function<bool(ScriptedApp&, unsigned long)> onKey;
    std::function<void(ScriptedApp&, const PallixString&, PallixString&)> onCommand;
    std::chrono::milliseconds watchdog = std::chrono::milliseconds(10000);
    int initCalls = 0;
    int exitCalls = 0;

    int Run0() { return Run(0, nullptr); }

protected:
    void OnAppInit() override
    {
        initCalls++;
        mWatchdog.SetOnTick([this](uint32_t) { Terminate(kWatchdogStatus); });
        mWatchdog.SetTimer(static_cast<uint32_t>(watchdog.count()));
        if (onInit)
            onInit(*this);
    }
    void OnAppExit() override
    {
        exitCalls++;
        if (onExit)
            onExit(*this);
    }
    void OnWormholeMessage(const PallixMessage& message) override
    {
        if (onMessage)
            onMessage(*this, message);
    }
    void OnSignal(int nSignal) override
    {
        if (onSignal)
            onSignal(*this, nSignal);
    }
    bool OnKeyDown(unsigned long nKey) override { return onKey ? onKey(*this, nKey) : false; }
    void OnECPCommand(const PallixString& command, PallixString& result) override
    {
        if (onCommand)
            onCommand(*this, command, result);
    }

private:
    FunctionTimer mWatchdog;
};
} // namespace pallixtest
