#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

class PallixBitmap;

// The real quorva binary, started in a folder of its own with its console read
// line by line, and its control channel on a port of its own.
class QuorvaProcess
{
public:
    // The binary is linked into dir as "quorva" and started with argv[0] = dir/quorva
    // from the root folder, or with argv[0] = "quorva" and dir as current folder
    // when bRelative is true.
    // env adds or overrides environment variables ("NAME=value"); binary is the
    // program to start, a copy of the one built elsewhere.
    QuorvaProcess(const std::string& dir, const std::vector<std::string>& args, bool bRelative = false,
                  const std::vector<std::string>& env = {}, const std::string& binary = QUORVA_BINARY);
    ~QuorvaProcess();
    QuorvaProcess(const QuorvaProcess&) = delete;
    QuorvaProcess& operator=(const QuorvaProcess&) = delete;

    // The next console line (standard output and error together), without its line
    // feed; empty with bOk false on timeout or end of output.
    std::string nextLine(bool& bOk, std::chrono::milliseconds timeout = std::chrono::seconds(20));
    std::string nextLine();
    // Reads lines until one equals line; false if output ends or time runs out first.
    bool waitForLine(const std::string& line, std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // Everything still printed until the process closes its output.
    std::vector<std::string> remainingLines(std::chrono::milliseconds timeout = std::chrono::seconds(20));

    // Sends one control line and returns the reply line, connecting (and retrying
    // while the channel is not yet open) on each call.
    std::string command(const std::string& line);
    // Asks for a picture of the screen, saved in the process's folder, and loads it.
    std::unique_ptr<PallixBitmap> screenshot();

    // Waits for the process to end; its exit status, or -1 on timeout or signal.
    int waitExit(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // Sends a signal to the process.
    void signal(int nSignal);
    int port() const { return mPort; }
    pid_t pid() const { return mPid; }

private:
    std::string mDir;
    int mShots = 0;
    pid_t mPid = -1;
    int mOutFd = -1;
    int mPort = 0;
    std::string mPending;
    bool mbEnded = false;
};
