// The control channel: the bytes a client sends on one connection, served by the
// real PallixControlServer (reading, line splitting, the length and UTF-8 checks,
// the verbs and the application's command, the replies), turn by turn as the
// event loop serves it. The connection is one end of a socket pair.
#include "FuzzConsole.h"
#include "PallixControlServer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

class ControlChannelFuzz
{
public:
    static void run(const uint8_t* data, size_t size);

private:
    static void fail(const char* what, const std::string& replies);
    static void readReplies(int client, std::string& replies);
};

void ControlChannelFuzz::readReplies(int client, std::string& replies)
{
    char buffer[4096];
    ssize_t n;
    while ((n = ::recv(client, buffer, sizeof buffer, 0)) > 0)
        replies.append(buffer, static_cast<size_t>(n));
}

void ControlChannelFuzz::fail(const char* what, const std::string& replies)
{
    std::fprintf(stderr, "control channel fuzz: %s; replies:\n%s\n", what, replies.c_str());
    std::abort();
}

void ControlChannelFuzz::run(const uint8_t* data, size_t size)
{
    // The application's command, as the application answers it: "OK" whatever follows.
    PallixControlServer server(
        [](std::string_view firstWord, const std::string&, std::string& reply)
        {
            if (firstWord != "quorvaApp")
                return false;
            reply = "OK";
            return true;
        });
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends) != 0)
    {
        std::perror("socketpair");
        std::abort();
    }
    const int client = ends[1];
    PallixControlServer::Connection connection;
    connection.fd = ends[0];
    server.mConnections.push_back(std::move(connection));

    // Each turn serves at most one line, so the connection must be finished a
    // few turns after its last line: anything longer is a connection held open.
    const size_t nLines = static_cast<size_t>(std::count(data, data + size, '\n'));
    const size_t nMaxTurns = nLines + 8 + size / 1024;
    size_t nSent = 0;
    bool bShut = false;
    std::string replies;
    std::vector<pollfd> fds;
    size_t nTurn = 0;
    for (; !server.mConnections.empty(); ++nTurn)
    {
        if (nTurn > nMaxTurns)
            fail("the connection was never finished", replies);
        if (nSent < size)
        {
            ssize_t n = ::send(client, data + nSent, size - nSent, MSG_NOSIGNAL);
            if (n > 0)
                nSent += static_cast<size_t>(n);
        }
        if (nSent == size && !bShut)
        {
            ::shutdown(client, SHUT_WR);
            bShut = true;
        }
        fds.clear();
        server.AddPollFds(fds);
        // libFuzzer's timer signal interrupts the wait now and then, as any signal may the loop's.
        while (::poll(fds.data(), fds.size(), 0) < 0)
            if (errno != EINTR)
                fail("poll failed", replies);
        server.Serve(fds, [] { return false; });
        server.FlushReplies();
        // The socket holds far more than the replies to one input, so reading
        // them now and then (each read is a system call) never holds the server up.
        if (nTurn % 32 == 31)
            readReplies(client, replies);
    }
    readReplies(client, replies);
    ::close(client);

    // One line a command, each a whole reply, and never more replies than lines.
    if (!replies.empty() && replies.back() != '\n')
        fail("the last reply is not a whole line", replies);
    if (replies.find('\r') != std::string::npos)
        fail("a reply holds a carriage return", replies);
    if (static_cast<size_t>(std::count(replies.begin(), replies.end(), '\n')) > nLines + 1)
        fail("more replies than lines", replies);
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzConsole::silenceStdout();
    // A verb that echoes its arguments puts the client's own bytes into replies.
    PallixControlServer::RegisterVerb("echo", [](std::string_view args) { return std::string(args); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ControlChannelFuzz::run(data, size);
    return 0;
}
