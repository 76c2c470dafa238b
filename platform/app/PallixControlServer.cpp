#include "PallixControlServer.h"

#include "PallixEventLoop.h"
#include "PallixKeyMap.h"
#include "PallixUTF8.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <iostream>
#include <map>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
// How long a connection closed for bad input may go on sending before it is dropped.
constexpr auto kDrainTime = std::chrono::seconds(2);
constexpr size_t kReadChunk = 4096;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string pressKey(std::string_view args)
{
    uint32_t nCode = 0;
    if (!PallixKeyMap::ParseKey(args, nCode))
        return "ERROR unknown key";
    PallixEventLoop::DeliverKey(nCode);
    return "OK";
}

// Each character of the text as if typed on a keyboard.
std::string typeText(std::string_view args)
{
    PallixEventLoop::DeliverText(args);
    return "OK";
}

std::map<std::string, PallixControlServer::Verb, std::less<>>& verbTable()
{
    // Never destroyed, like the other registries: verbs may be registered by
    // static objects.
    static auto* pTable = new std::map<std::string, PallixControlServer::Verb, std::less<>>{
        {"press", pressKey},
        {"type", typeText},
    };
    return *pTable;
}

void closeQuietly(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

// Sends as much of output as the socket takes now; false when the peer is gone.
bool sendSome(int fd, std::string& output)
{
    while (!output.empty())
    {
        ssize_t n = ::send(fd, output.data(), output.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0)
        {
            output.erase(0, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        return false;
    }
    return true;
}

// The port named by PALLIX_ECP_PORT; false when the value is not a port number.
bool portFromEnvironment(int& nPort, std::string& text)
{
    const char* value = std::getenv("PALLIX_ECP_PORT");
    if (!value)
    {
        nPort = PallixControlServer::kDefaultPort;
        text = std::to_string(nPort);
        return true;
    }
    text = value;
    int port = -1;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535)
        return false;
    nPort = port;
    return true;
}
} // namespace

void PallixControlServer::RegisterVerb(const char* name, Verb handler)
{
    if (!name || !*name)
        return;
    verbTable()[name] = std::move(handler);
}

bool PallixControlServer::IsValidUTF8(std::string_view text)
{
    size_t i = 0;
    char32_t c = 0;
    while (i < text.size())
    {
        // A NUL would cut the line short wherever it becomes a C string.
        if (!PallixUTF8::Next(text, i, c) || c == 0)
            return false;
    }
    return true;
}

PallixControlServer::PallixControlServer(AppCommand appCommand) : mAppCommand(std::move(appCommand)) {}

PallixControlServer::~PallixControlServer()
{
    Close();
}

void PallixControlServer::Open()
{
    Close();
    int nPort = 0;
    std::string portText;
    if (portFromEnvironment(nPort, portText) && nPort == 0)
        return;
    bool bListening = false;
    if (nPort > 0)
    {
        mListenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (mListenFd >= 0)
        {
            int one = 1;
            ::setsockopt(mListenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
            sockaddr_in address = {};
            address.sin_family = AF_INET;
            address.sin_port = htons(static_cast<uint16_t>(nPort));
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            bListening = ::bind(mListenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                         ::listen(mListenFd, SOMAXCONN) == 0;
        }
    }
    if (!bListening)
    {
        closeQuietly(mListenFd);
        mListenFd = -1;
        // The only console line of the channel: the console is part of the
        // application's interface.
        std::cout << "ECP: cannot listen on port " << portText << std::endl;
    }
}

void PallixControlServer::Close()
{
    for (Connection& connection : mConnections)
    {
        sendSome(connection.fd, connection.output);
        closeQuietly(connection.fd);
    }
    mConnections.clear();
    closeQuietly(mListenFd);
    mListenFd = -1;
}

bool PallixControlServer::HasCompleteLine(const Connection& connection)
{
    return connection.input.find('\n') != std::string::npos;
}

bool PallixControlServer::WantsRead(const Connection& connection)
{
    if (connection.bClosing)
        return connection.bShutDown;
    // While a line waits to be served, nothing more is read: the client's own
    // socket buffer holds the rest, which bounds what one client can queue here.
    return !connection.bPeerClosed && !HasCompleteLine(connection) &&
           connection.input.size() <= kMaxLineLength + 1;
}

void PallixControlServer::AddPollFds(std::vector<pollfd>& fds)
{
    // Indices are relative to the first descriptor added here: Serve gets the
    // span of poll results that starts there.
    const size_t first = fds.size();
    mListenPollIndex = -1;
    if (mListenFd >= 0)
    {
        mListenPollIndex = static_cast<int>(fds.size() - first);
        fds.push_back(pollfd{mListenFd, POLLIN, 0});
    }
    for (Connection& connection : mConnections)
    {
        short events = 0;
        if (WantsRead(connection))
            events |= POLLIN;
        if (!connection.output.empty())
            events |= POLLOUT;
        connection.pollIndex = -1;
        if (events != 0)
        {
            connection.pollIndex = static_cast<int>(fds.size() - first);
            fds.push_back(pollfd{connection.fd, events, 0});
        }
    }
}

int PallixControlServer::GetMaxWaitMs(Clock::time_point now) const
{
    int nWait = -1;
    for (const Connection& connection : mConnections)
    {
        if (connection.bClosing)
        {
            if (!connection.bShutDown)
                continue;
            auto left = std::chrono::ceil<std::chrono::milliseconds>(connection.drainDeadline - now).count();
            int nLeft = static_cast<int>(std::max<long long>(0, left));
            nWait = nWait < 0 ? nLeft : std::min(nWait, nLeft);
        }
        else if (HasCompleteLine(connection) || connection.input.size() > kMaxLineLength + 1)
            return 0;
    }
    return nWait;
}

void PallixControlServer::Serve(std::span<const pollfd> fds, const std::function<bool()>& bStop)
{
    for (Connection& connection : mConnections)
    {
        if (connection.pollIndex >= 0 && static_cast<size_t>(connection.pollIndex) < fds.size())
            ReadFrom(connection, fds[static_cast<size_t>(connection.pollIndex)].revents);
        connection.pollIndex = -1;
    }
    // Connections that ended are counted out before new ones are let in.
    RemoveDead();
    if (mListenPollIndex >= 0 && static_cast<size_t>(mListenPollIndex) < fds.size() &&
        (fds[static_cast<size_t>(mListenPollIndex)].revents & POLLIN))
        AcceptConnections();

    auto now = Clock::now();
    for (Connection& connection : mConnections)
    {
        if (connection.bDead)
            continue;
        if (connection.bClosing)
        {
            if (connection.bShutDown && now >= connection.drainDeadline)
                connection.bDead = true;
            continue;
        }
        if (bStop())
            break;
        ServeOneLine(connection);
    }
    RemoveDead();
}

void PallixControlServer::AcceptConnections()
{
    for (;;)
    {
        int fd = ::accept4(mListenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
        {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            // EAGAIN: no more waiting; anything else (out of descriptors): try again next turn.
            return;
        }
        if (mConnections.size() >= kMaxConnections)
        {
            std::string refusal = "ERROR too many connections\n";
            sendSome(fd, refusal);
            closeQuietly(fd);
            continue;
        }
        Connection connection;
        connection.fd = fd;
        mConnections.push_back(std::move(connection));
    }
}

void PallixControlServer::ReadFrom(Connection& connection, short revents)
{
    if (!(revents & (POLLIN | POLLHUP | POLLERR)))
        return;
    if (!WantsRead(connection))
        return;
    char buffer[kReadChunk];
    for (;;)
    {
        ssize_t n = ::recv(connection.fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n < 0)
        {
            connection.bDead = true;
            return;
        }
        if (n == 0)
        {
            connection.bPeerClosed = true;
            // Nothing left to answer: the place is free at once.
            if (connection.bClosing || (!HasCompleteLine(connection) && connection.output.empty()))
                connection.bDead = true;
            return;
        }
        // A closing connection's input is read only to be thrown away.
        if (connection.bClosing)
            continue;
        connection.input.append(buffer, static_cast<size_t>(n));
        if (!WantsRead(connection))
            return;
    }
}

void PallixControlServer::ServeOneLine(Connection& connection)
{
    size_t end = connection.input.find('\n');
    if (end == std::string::npos)
    {
        // kMaxLineLength bytes and a CR may still be followed by the line break.
        if (connection.input.size() > kMaxLineLength + 1)
            Fail(connection, "ERROR line too long");
        // A line cut short by the client's disconnection is dropped unseen.
        else if (connection.bPeerClosed && connection.output.empty())
            connection.bDead = true;
        return;
    }
    std::string line = connection.input.substr(0, end);
    connection.input.erase(0, end + 1);
    while (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.size() > kMaxLineLength)
    {
        Fail(connection, "ERROR line too long");
        return;
    }
    if (!IsValidUTF8(line))
    {
        Fail(connection, "ERROR not UTF-8");
        return;
    }
    std::string reply = HandleLine(line);
    // A reply is exactly one line, whatever the handler put in it.
    std::replace_if(reply.begin(), reply.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    connection.output += reply;
    connection.output += '\n';
}

void PallixControlServer::Fail(Connection& connection, const char* error)
{
    connection.output += error;
    connection.output += '\n';
    connection.input.clear();
    connection.bClosing = true;
}

std::string PallixControlServer::HandleLine(const std::string& line)
{
    std::string_view text(line);
    size_t wordEnd = 0;
    while (wordEnd < text.size() && !isBlank(text[wordEnd]))
        ++wordEnd;
    std::string_view firstWord = text.substr(0, wordEnd);

    std::string reply;
    if (!firstWord.empty() && mAppCommand && mAppCommand(firstWord, line, reply))
        return reply;
    auto& verbs = verbTable();
    auto it = verbs.find(firstWord);
    if (it != verbs.end() && it->second)
        return it->second(trimBlanks(text.substr(wordEnd)));
    return "ERROR unknown command";
}

void PallixControlServer::FlushReplies()
{
    auto now = Clock::now();
    for (Connection& connection : mConnections)
    {
        if (connection.bDead)
            continue;
        if (!sendSome(connection.fd, connection.output))
        {
            connection.bDead = true;
            continue;
        }
        // A client that never reads its replies must not make us hold them forever.
        if (connection.output.size() > kMaxPendingOutput)
        {
            connection.bDead = true;
            continue;
        }
        if (!connection.output.empty())
            continue;
        if (connection.bClosing && !connection.bShutDown)
        {
            ::shutdown(connection.fd, SHUT_WR);
            connection.bShutDown = true;
            connection.drainDeadline = now + kDrainTime;
            if (connection.bPeerClosed)
                connection.bDead = true;
        }
        else if (!connection.bClosing && connection.bPeerClosed && !HasCompleteLine(connection))
            connection.bDead = true;
    }
    RemoveDead();
}

void PallixControlServer::RemoveDead()
{
    std::erase_if(mConnections,
                  [](const Connection& connection)
                  {
                      if (connection.bDead)
                          closeQuietly(connection.fd);
                      return connection.bDead;
                  });
}
