#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class PallixRemoteRoutes;
class PallixRemoteState;

// What the phone remote shows of the application, filled on the event loop.
struct PallixRemoteStatus
{
    // Which screen is up, such as "menu" or "player".
    std::string screen;
    // The title playing; empty when none is.
    std::string title;
    // Seconds.
    int position = 0;
    int duration = 0;
    bool bPaused = false;
};

// The phone remote: a small web server on every interface, off until the
// application opens it. GET / serves the remote page; everything under /api/
// wants the token of a paired phone in the "X-Remote-Token" header (a cookie
// never counts, so another web site cannot press keys through the viewer's
// browser):
//   POST /api/press/KEY     a remote key by its control-channel name; answered
//                           once the key is handled and painted
//   POST /api/search        the text of the body (UTF-8, at most kMaxSearchBytes)
//                           to the application's search; answered once painted
//   GET  /api/now           JSON: screen, title, position, duration, paused
//   GET  /api/screen.png    the screen as the viewer sees it
// Pairing needs no token:
//   POST /api/pair/start    shows a PIN on the TV for a minute
//   POST /api/pair          with the PIN in "X-Remote-PIN": the token, as JSON
// Requests need no body. A request without a valid token is refused from its
// headers, before any body is read.
// Replies: 400 with the reason for a bad request, 401 without a valid token,
// 404 for any other path, 429 while pairing is locked. Nothing names or reads a
// file. Requests are served on the server's own threads; whatever touches the
// application is handed to the event loop, which never waits for the network.
//
// Console lines, printed on the event loop:
//   "Remote: listening on port N"     / "Remote: cannot listen on port N"
//   "Remote: pairing PIN NNNNNN"      a PIN went up on the screen
//   "Remote: phone paired"
//   "Remote: pairing locked for 5 minutes"
class PallixRemoteServer
{
public:
    using StatusProvider = std::function<PallixRemoteStatus()>;
    // Called on the event loop with the text of each POST /api/search.
    using SearchHandler = std::function<void(const std::string& text)>;

    static constexpr const char* kTokenHeader = "X-Remote-Token";
    static constexpr const char* kPinHeader = "X-Remote-PIN";
    static constexpr size_t kMaxSearchBytes = 256;

    PallixRemoteServer();
    ~PallixRemoteServer();
    PallixRemoteServer(const PallixRemoteServer&) = delete;
    PallixRemoteServer& operator=(const PallixRemoteServer&) = delete;

    // Listens on every interface at nPort; the paired phones' tokens are kept
    // in tokenFile. Call on the event loop's thread, like Close.
    bool Open(int nPort, const std::string& tokenFile);
    // Stops listening and answers what still waits; replies no longer wait for
    // the loop.
    void Close();
    bool IsOpen() const { return mThread.joinable(); }

    // Called on the event loop for each GET /api/now.
    void SetStatusProvider(StatusProvider provider);
    void SetSearchHandler(SearchHandler handler);

private:
    StatusProvider mStatus;
    SearchHandler mSearch;
    std::shared_ptr<PallixRemoteState> mState;
    std::unique_ptr<PallixRemoteRoutes> mHttp;
    std::thread mThread;
    std::atomic<bool> mbListening{false};
};
