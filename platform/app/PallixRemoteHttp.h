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
class PallixRemoteHttp : public httplib::Server
{
public:
    static constexpr size_t kMaxConnections = 32;
    static constexpr size_t kMaxRequestBytes = 8192;
    static constexpr std::chrono::seconds kRequestTime{10};

    PallixRemoteHttp();

    // While a handler or the error handler runs: the request went past
    // kMaxRequestBytes (and so is incomplete).
    static bool IsOversized();

private:
    bool process_and_close_socket(socket_t sock) override;
    void Refuse(socket_t sock);

    std::atomic<size_t> mActive{0};
};
