#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstddef>

// cpp-httplib's server with the limits that a server open to the home network
// needs, which the library itself does not keep:
// - at most kMaxConnections connections at once; another is answered "503" and
//   closed at once, so a flood cannot pile up descriptors or threads;
// - at most kMaxRequestBytes for one request, request line, headers and body
//   together, counted as they arrive, so nothing unbounded is ever held; past
//   it the request is refused and the connection closed;
// - kRequestTime to send a whole request once it has started, so that a client
//   trickling bytes cannot hold a connection.
// Every request is judged from its request line and headers before any body is
// read (the library itself reads first): a request with neither Content-Length
// nor Transfer-Encoding has no body, as HTTP/1.1 says, and is answered at once;
// one with a Transfer-Encoding other than chunked is answered 400; one that
// Admits refuses is answered 401, its body unread (the connection closes after
// the answer when it declared one). Those answers come with an empty body, for
// the error handler to word. The pre-routing handler is this class's own.
class PallixRemoteHttp : public httplib::Server
{
public:
    static constexpr size_t kMaxConnections = 32;
    static constexpr size_t kMaxRequestBytes = 8192;
    static constexpr std::chrono::seconds kRequestTime{10};

    PallixRemoteHttp();
    ~PallixRemoteHttp() override = default;

    // While a handler or the error handler runs: the request went past
    // kMaxRequestBytes (and so is incomplete).
    static bool IsOversized();

protected:
    // Whether the request may be served, from its headers alone. All may by default.
    virtual bool Admits(const httplib::Request& request);

private:
    // The status to answer the request with before its body is read, 0 to
    // serve it; bBody says whether it announces one.
    int Judge(httplib::Request& request, bool& bBody);
    bool process_and_close_socket(socket_t sock) override;
    void Refuse(socket_t sock);

    std::atomic<size_t> mActive{0};
};
