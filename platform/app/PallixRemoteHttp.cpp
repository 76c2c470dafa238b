#include "PallixRemoteHttp.h"

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
using Clock = std::chrono::steady_clock;

// How often a wait looks whether the server is stopping.
constexpr int STOP_CHECK_MS = 100;

// One connection's socket, read through a buffer (the library reads headers a
// byte at a time) and counted per request.
class BoundedStream : public httplib::Stream
{
public:
    BoundedStream(int fd, const std::atomic<socket_t>& server, std::chrono::seconds readTimeout,
                  std::chrono::seconds writeTimeout)
        : mFd(fd), mServer(server), mReadTimeout(readTimeout), mWriteTimeout(writeTimeout)
    {
    }

    void StartRequest(Clock::time_point deadline)
    {
        mDeadline = deadline;
        mConsumed = 0;
        mWritten = 0;
        mbOversized = false;
        mnVerdict = 0;
        mbBodyLeft = false;
    }
    bool IsOversized() const { return mbOversized; }
    // The status a request is answered with before its body is read; 0 to serve it.
    void SetVerdict(int nStatus, bool bBodyLeft)
    {
        mnVerdict = nStatus;
        mbBodyLeft = bBodyLeft;
    }
    int GetVerdict() const { return mnVerdict; }
    // The request's body is still on the wire: the connection cannot go on.
    bool IsBodyLeft() const { return mbBodyLeft; }
    bool HasWritten() const { return mWritten > 0; }
    bool HasBuffered() const { return mStart < mEnd; }

    // Waits for the next request on a kept-alive connection; false when none
    // comes in time or the server stops.
    bool WaitForRequest(std::chrono::seconds idle) const
    {
        return HasBuffered() || Wait(POLLIN, Clock::now() + idle);
    }

    bool is_readable() const override { return HasBuffered() || Wait(POLLIN, ReadDeadline()); }
    bool is_writable() const override { return Wait(POLLOUT, Clock::now() + mWriteTimeout); }

    ssize_t read(char* ptr, size_t size) override
    {
        if (mConsumed >= PallixRemoteHttp::kMaxRequestBytes)
        {
            mbOversized = true;
            return -1;
        }
        size = std::min(size, PallixRemoteHttp::kMaxRequestBytes - mConsumed);
        if (!HasBuffered())
        {
            if (!Wait(POLLIN, ReadDeadline()))
                return -1;
            ssize_t n = 0;
            do
                n = ::recv(mFd, mBuffer, sizeof mBuffer, 0);
            while (n < 0 && errno == EINTR);
            if (n <= 0)
                return n;
            mStart = 0;
            mEnd = static_cast<size_t>(n);
        }
        const size_t n = std::min(size, mEnd - mStart);
        std::copy(mBuffer + mStart, mBuffer + mStart + n, ptr);
        mStart += n;
        mConsumed += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override
    {
        if (!is_writable())
            return -1;
        ssize_t n = 0;
        do
            n = ::send(mFd, ptr, size, MSG_NOSIGNAL);
        while (n < 0 && errno == EINTR);
        if (n > 0)
            mWritten += static_cast<size_t>(n);
        return n;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override
    {
        sockaddr_storage address = {};
        socklen_t length = sizeof address;
        if (::getpeername(mFd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            describe(address, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override
    {
        sockaddr_storage address = {};
        socklen_t length = sizeof address;
        if (::getsockname(mFd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            describe(address, ip, port);
    }
    socket_t socket() const override { return mFd; }

private:
    static void describe(const sockaddr_storage& address, std::string& ip, int& port)
    {
        char text[INET6_ADDRSTRLEN] = "";
        if (address.ss_family == AF_INET)
        {
            const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
            ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
            port = ntohs(v4.sin_port);
        }
        else if (address.ss_family == AF_INET6)
        {
            const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
            ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
            port = ntohs(v6.sin6_port);
        }
        ip = text;
    }

    Clock::time_point ReadDeadline() const { return std::min(mDeadline, Clock::now() + mReadTimeout); }

    // False at the deadline, and as soon as the server stops.
    bool Wait(short events, Clock::time_point deadline) const
    {
        while (mServer != INVALID_SOCKET)
        {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return false;
            pollfd fd = {mFd, events, 0};
            int ready = ::poll(&fd, 1, static_cast<int>(std::min<long long>(left, STOP_CHECK_MS)));
            if (ready > 0)
                return true;
            if (ready < 0 && errno != EINTR)
                return false;
        }
        return false;
    }

    int mFd;
    const std::atomic<socket_t>& mServer;
    std::chrono::seconds mReadTimeout;
    std::chrono::seconds mWriteTimeout;
    Clock::time_point mDeadline;
    size_t mConsumed = 0;
    size_t mWritten = 0;
    bool mbOversized = false;
    int mnVerdict = 0;
    bool mbBodyLeft = false;
    char mBuffer[4096];
    size_t mStart = 0;
    size_t mEnd = 0;
};

thread_local const BoundedStream* tpStream = nullptr;
// Set while the accepting thread hands over a connection that is one too many.
thread_local bool tbRefuse = false;

// Runs each connection on a thread of its own pool, as long as fewer than the
// limit are open; the one past it is refused on the accepting thread.
class ConnectionQueue : public httplib::TaskQueue
{
public:
    explicit ConnectionQueue(std::atomic<size_t>& active) : mActive(active), mPool(PallixRemoteHttp::kMaxConnections) {}

    void enqueue(std::function<void()> fn) override
    {
        if (mActive.load() >= PallixRemoteHttp::kMaxConnections)
        {
            tbRefuse = true;
            fn();
            tbRefuse = false;
            return;
        }
        // The connection gives its place back before its socket closes (see
        // process_and_close_socket), so a client that has seen it end can
        // always come straight back.
        ++mActive;
        mPool.enqueue(std::move(fn));
    }

    void shutdown() override { mPool.shutdown(); }

private:
    std::atomic<size_t>& mActive;
    httplib::ThreadPool mPool;
};

bool sendAll(int fd, const std::string& text)
{
    size_t nDone = 0;
    while (nDone < text.size())
    {
        ssize_t n = ::send(fd, text.data() + nDone, text.size() - nDone, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        nDone += static_cast<size_t>(n);
    }
    return true;
}

// Frames the request's body from its headers (RFC 9112, section 6): the status
// to answer before reading it (0 to serve the request), and whether it has a body.
int judgeFraming(httplib::Request& request, bool& bBody)
{
    const bool bEncoded = request.has_header("Transfer-Encoding");
    const bool bLength = request.has_header("Content-Length");
    bBody = bEncoded || (bLength && request.get_header_value("Content-Length") != "0");
    if (bEncoded)
    {
        // Only chunked, as the last coding, tells where the body ends.
        std::string coding = request.get_header_value("Transfer-Encoding");
        coding = coding.substr(coding.find_last_of(',') + 1);
        for (char& c : coding)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        const size_t first = coding.find_first_not_of(" \t");
        const size_t last = coding.find_last_not_of(" \t");
        return first != std::string::npos && coding.substr(first, last - first + 1) == "chunked" ? 0 : 400;
    }
    // Without either header the library would read on until the client gave up.
    if (!bLength)
        request.set_header("Content-Length", "0");
    return 0;
}

std::string plainResponse(int nStatus, const char* reason, const std::string& body)
{
    return "HTTP/1.1 " + std::to_string(nStatus) + " " + reason +
           "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}
} // namespace

PallixRemoteHttp::PallixRemoteHttp()
{
    new_task_queue = [this] { return new ConnectionQueue(mActive); };
    // Only SO_REUSEADDR: the library's default adds SO_REUSEPORT, with which a
    // second server on the same port would quietly share its connections.
    set_socket_options(
        [](socket_t sock)
        {
            int yes = 1;
            ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        });
    // Runs after the headers are read and before the body is.
    set_pre_routing_handler(
        [](const httplib::Request&, httplib::Response& response)
        {
            if (!tpStream || tpStream->GetVerdict() == 0)
                return HandlerResponse::Unhandled;
            response.status = tpStream->GetVerdict();
            return HandlerResponse::Handled;
        });
    set_payload_max_length(kMaxRequestBytes);
    set_keep_alive_max_count(100);
    set_keep_alive_timeout(5);
    set_read_timeout(5);
    set_write_timeout(5);
}

bool PallixRemoteHttp::IsOversized()
{
    return tpStream && tpStream->IsOversized();
}

bool PallixRemoteHttp::Admits(const httplib::Request&)
{
    return true;
}

int PallixRemoteHttp::Judge(httplib::Request& request, bool& bBody)
{
    int nVerdict = judgeFraming(request, bBody);
    if (nVerdict == 0 && !Admits(request))
        nVerdict = 401;
    if (nVerdict == 0)
        return 0;
    // Answered without "100 Continue", and without keeping the connection when
    // a body is left unread.
    request.headers.erase("Expect");
    if (bBody)
    {
        request.headers.erase("Connection");
        request.set_header("Connection", "close");
    }
    return nVerdict;
}

void PallixRemoteHttp::Refuse(socket_t sock)
{
    sendAll(sock, plainResponse(503, "Service Unavailable", "too many connections\n"));
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
}

bool PallixRemoteHttp::process_and_close_socket(socket_t sock)
{
    if (tbRefuse)
    {
        Refuse(sock);
        return false;
    }
    // An answer leaves in two writes (headers, body): held back for the
    // client's delayed acknowledgement, each kept-alive answer would wait 40 ms.
    int yes = 1;
    ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    BoundedStream stream(sock, svr_sock_, std::chrono::seconds(read_timeout_sec_),
                         std::chrono::seconds(write_timeout_sec_));
    tpStream = &stream;
    bool bResult = false;
    for (size_t nLeft = keep_alive_max_count_; nLeft > 0; --nLeft)
    {
        if (!stream.WaitForRequest(std::chrono::seconds(keep_alive_timeout_sec_)))
            break;
        stream.StartRequest(Clock::now() + kRequestTime);
        bool bClosed = false;
        bResult = process_request(stream, nLeft == 1, bClosed,
                                  [this, &stream](httplib::Request& request)
                                  {
                                      bool bBodyLeft = false;
                                      const int nVerdict = Judge(request, bBodyLeft);
                                      stream.SetVerdict(nVerdict, nVerdict != 0 && bBodyLeft);
                                  });
        if (stream.IsOversized() && !stream.HasWritten())
            sendAll(sock, plainResponse(431, "Request Header Fields Too Large", "request too large\n"));
        if (!bResult || bClosed || stream.IsOversized() || stream.IsBodyLeft())
            break;
    }
    tpStream = nullptr;
    --mActive;
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return bResult;
}
