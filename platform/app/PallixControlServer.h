#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <poll.h>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The external control channel: a line protocol over TCP on 127.0.0.1, port
// from PALLIX_ECP_PORT (default 8085, 0 disables). One command a line, one reply
// line a command. The event loop drives it: AddPollFds before its wait, Serve in
// its "serve control commands" step (at most one command per connection per
// turn, so that the loop paints what a command caused before the next one runs),
// FlushReplies after painting.
//
// Built-in verbs: "press KEY" delivers a remote key, "type TEXT" each character
// of TEXT as typed text.
// Replies, besides those of the application's command and of the verbs:
//   "ERROR unknown command"       first word is neither the registered command nor a verb
//   "ERROR unknown key"           press with a missing or unknown key
//   "ERROR line too long"         more than 4096 bytes before the line break; then closed
//   "ERROR not UTF-8"             the line is not valid UTF-8 (or holds a NUL); then closed
//   "ERROR too many connections"  sent to a 17th connection, which is closed at once
class PallixControlServer
{
public:
    using Clock = std::chrono::steady_clock;
    // A verb's handler gets the rest of the line after the verb, without the
    // blanks around it, and returns the reply line.
    using Verb = std::function<std::string(std::string_view args)>;
    // Routes a line to the application when its first word is the registered
    // command name; returns false when it is not.
    using AppCommand = std::function<bool(std::string_view firstWord, const std::string& line, std::string& reply)>;

    static constexpr size_t kMaxLineLength = 4096;
    static constexpr size_t kMaxConnections = 16;
    static constexpr size_t kMaxPendingOutput = 64 * 1024;
    static constexpr int kDefaultPort = 8085;

    // The verb table is data: the graphics layer adds "screenshot" here. "press"
    // is built in. A verb registered twice keeps its last handler.
    static void RegisterVerb(const char* name, Verb handler);
    static bool IsValidUTF8(std::string_view text);

    explicit PallixControlServer(AppCommand appCommand);
    ~PallixControlServer();
    PallixControlServer(const PallixControlServer&) = delete;
    PallixControlServer& operator=(const PallixControlServer&) = delete;

    // Listens on the port PALLIX_ECP_PORT names. When that fails it prints the
    // one console line "ECP: cannot listen on port N" and the channel stays shut.
    void Open();
    // Sends what replies it can without waiting and closes every connection.
    void Close();
    bool IsOpen() const { return mListenFd >= 0; }

    void AddPollFds(std::vector<pollfd>& fds);
    // 0 while a received command waits to be served, the time until the next
    // closing connection must be dropped, or -1 for no limit.
    int GetMaxWaitMs(Clock::time_point now) const;
    // Accepts, reads and serves one command per connection. bStop is asked
    // before each command: once the application terminates nothing more runs.
    void Serve(std::span<const pollfd> fds, const std::function<bool()>& bStop);
    void FlushReplies();

    // The reply to one line (without its line break).
    std::string HandleLine(const std::string& line);

private:
    struct Connection
    {
        int fd = -1;
        std::string input;
        std::string output;
        // The client shut down its side: serve the lines it sent, then close.
        bool bPeerClosed = false;
        // An error was queued: send it, shut down writing, drain what the client
        // still sends (so the error is not lost to a reset), then close.
        bool bClosing = false;
        bool bShutDown = false;
        Clock::time_point drainDeadline;
        bool bDead = false;
        int pollIndex = -1;
    };

    void AcceptConnections();
    void ReadFrom(Connection& connection, short revents);
    void ServeOneLine(Connection& connection);
    void Fail(Connection& connection, const char* error);
    void RemoveDead();
    static bool HasCompleteLine(const Connection& connection);
    static bool WantsRead(const Connection& connection);

    // The fuzz target hands the server a connection without a listening socket.
    friend class ControlChannelFuzz;

    AppCommand mAppCommand;
    int mListenFd = -1;
    int mListenPollIndex = -1;
    std::vector<Connection> mConnections;
};
