// The phone remote, through the real binary: pairing, keys and what plays over
// HTTP, everything refused without a paired token, and the page itself driven
// in a real browser.

#include "MediaMaker.h"
#include "PallixBitmap.h"
#include "PallixFile.h"
#include "PallixTestSupport.h"
#include "PixelProbe.h"
#include "QuorvaProcess.h"
#include "TestLibrary.h"
#include "TestRecord.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace
{
using Clock = std::chrono::steady_clock;

// The clock may turn a minute between two pictures.
const PallixRect CLOCK(10, 670, 125, 50);
const PallixRect SCREEN(0, 0, 1280, 720);



// The whole raw exchange of one connection: what the server sent until it
// closed, or until the time ran out.
std::string roundTrip(int port, const std::string& request, const char* host = "127.0.0.1")
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, host, &address.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    {
        ::close(fd);
        return "<no connection>";
    }
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string response;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline)
    {
        pollfd ready = {fd, POLLIN, 0};
        if (::poll(&ready, 1, 100) <= 0)
            continue;
        char buffer[4096];
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        response.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return response;
}

int statusOf(const std::string& response)
{
    return response.rfind("HTTP/1.1 ", 0) == 0 ? std::atoi(response.c_str() + 9) : -1;
}

// One kept-alive connection, a request and its answer at a time, as curl or a
// phone's browser uses it.
class Connection
{
public:
    explicit Connection(int port) : mFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        mbOpen = ::connect(mFd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~Connection() { ::close(mFd); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Sends the request and reads one whole answer, headers and body; empty
    // when none comes by the deadline.
    std::string ask(const std::string& request, Clock::time_point deadline)
    {
        if (!mbOpen || ::send(mFd, request.data(), request.size(), MSG_NOSIGNAL) != ssize_t(request.size()))
            return std::string();
        for (;;)
        {
            const size_t end = mPending.find("\r\n\r\n");
            if (end != std::string::npos)
            {
                const size_t length = mPending.find("Content-Length: ");
                const size_t size = end + 4 + (length < end ? std::stoul(mPending.substr(length + 16)) : 0);
                if (mPending.size() >= size)
                {
                    std::string answer = mPending.substr(0, size);
                    mPending.erase(0, size);
                    return answer;
                }
            }
            if (!receive(deadline))
                return std::string();
        }
    }

    // True when the server closes the connection before the deadline.
    bool closedBy(Clock::time_point deadline)
    {
        while (receive(deadline))
        {
        }
        return mbClosed;
    }

private:
    bool receive(Clock::time_point deadline)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd ready = {mFd, POLLIN, 0};
        if (left <= 0 || ::poll(&ready, 1, int(left)) <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = ::recv(mFd, buffer, sizeof buffer, 0);
        mbClosed = n == 0;
        if (n <= 0)
            return false;
        mPending.append(buffer, size_t(n));
        return true;
    }

    int mFd;
    bool mbOpen = false;
    bool mbClosed = false;
    std::string mPending;
};

// The real binary with the phone remote on a port of its own.
class RemoteJukebox : public TestLibrary
{
public:
    explicit RemoteJukebox(const TempDir& dir, const std::string& library = TestDatabase::threeTitles().text(),
                           const std::string& settings = "")
        : RemoteJukebox(dir, library, settings, pallixtest::FindFreePort())
    {
    }

    int port() const { return mPort; }
    httplib::Client client(const char* host = "127.0.0.1") const
    {
        httplib::Client client(host, mPort);
        client.set_read_timeout(10);
        return client;
    }

    // The PIN the TV shows, from the console.
    std::string readPin()
    {
        const std::string prefix = "Remote: pairing PIN ";
        for (;;)
        {
            bool bOk = false;
            std::string line = process().nextLine(bOk);
            if (!bOk)
                return std::string();
            if (line.rfind(prefix, 0) == 0)
                return line.substr(prefix.size());
        }
    }

    // Pairs a phone the way the page does; its token.
    std::string pair()
    {
        httplib::Client phone = client();
        auto started = phone.Post("/api/pair/start");
        EXPECT_TRUE(started && started->status == 200);
        const std::string pin = readPin();
        auto paired = phone.Post("/api/pair", httplib::Headers{{"X-Remote-PIN", pin}}, "", "text/plain");
        EXPECT_TRUE(paired && paired->status == 200);
        EXPECT_TRUE(process().waitForLine("Remote: phone paired"));
        if (!paired || paired->body.size() < 45)
            return std::string();
        // {"token":"<32 hex digits>"}
        return paired->body.substr(10, 32);
    }

    // The screen once it stops changing (covers load a moment after a key).
    std::unique_ptr<PallixBitmap> settledScreen()
    {
        auto pLast = process().screenshot();
        for (int i = 0; i < 50; ++i)
        {
            auto pNext = process().screenshot();
            if (PixelProbe::sameIn(*pNext, *pLast, SCREEN, {CLOCK}))
                return pNext;
            pLast = std::move(pNext);
        }
        ADD_FAILURE() << "the screen never settled";
        return pLast;
    }

private:
    RemoteJukebox(const TempDir& dir, const std::string& library, const std::string& settings, int nPort)
        : TestLibrary(dir, library, settings + "remote.http.port=" + std::to_string(nPort) + "\n"), mPort(nPort)
    {
        EXPECT_TRUE(process().waitForLine("Remote HTTP port: " + std::to_string(mPort)));
        EXPECT_TRUE(process().waitForLine("Remote: listening on port " + std::to_string(mPort)));
    }

    int mPort;
};

// A child process with its standard input and output on pipes.
class Child
{
public:
    explicit Child(std::vector<std::string> words)
    {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return;
        mPid = ::fork();
        if (mPid == 0)
        {
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            ::dup2(out[1], STDERR_FILENO);
            std::vector<char*> argv;
            for (std::string& word : words)
                argv.push_back(word.data());
            argv.push_back(nullptr);
            ::execvp(argv[0], argv.data());
            _exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        mIn = in[1];
        mOut = out[0];
    }
    ~Child()
    {
        if (mPid > 0)
        {
            ::kill(mPid, SIGKILL);
            ::waitpid(mPid, nullptr, 0);
        }
        ::close(mIn);
        ::close(mOut);
    }

    void writeLine(const std::string& line)
    {
        const std::string text = line + "\n";
        EXPECT_EQ(::write(mIn, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

    // The next line; empty at the end of the output or after 60 s. Every line
    // read is kept, to show when something goes wrong.
    std::string readLine()
    {
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        for (;;)
        {
            size_t end = mPending.find('\n');
            if (end != std::string::npos)
            {
                std::string line = mPending.substr(0, end);
                mPending.erase(0, end + 1);
                mTranscript += line + "\n";
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            pollfd ready = {mOut, POLLIN, 0};
            if (left <= 0 || ::poll(&ready, 1, static_cast<int>(left)) <= 0)
                return std::string();
            char buffer[4096];
            ssize_t n = ::read(mOut, buffer, sizeof buffer);
            if (n <= 0)
                return std::string();
            mPending.append(buffer, static_cast<size_t>(n));
        }
    }

    const std::string& transcript() const { return mTranscript; }

private:
    pid_t mPid = -1;
    int mIn = -1;
    int mOut = -1;
    std::string mPending;
    std::string mTranscript;
};
} // namespace

TEST(RemoteEndToEnd, APairedPhonePressesKeysAndFollowsWhatPlays)
{
    TempDir dir;
    std::filesystem::create_directories(dir.file("movies/Film"));
    ASSERT_TRUE(MediaMaker::make(dir.file("movies/Film/film.ts"), MediaMaker::paddedTransport(20)));
    const TestRecord film = TestRecord().title("Test Card").genre("Drama").originalTitle("Test \"Card\"")
                                .duration("0:00:20").path(dir.file("movies/Film")).filename("film.ts");
    RemoteJukebox jukebox(dir, TestDatabase{film}.text(), "ondemand.parsing=true\n");

    // The page is served on every interface, to anyone: it holds no secret.
    auto page = jukebox.client("127.0.0.2").Get("/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(page->body.find("<title>Quorva remote</title>"), std::string::npos);
    EXPECT_EQ(page->body.find("src=\"http"), std::string::npos);

    const std::string token = jukebox.pair();
    ASSERT_EQ(token.size(), 32u);
    struct stat info = {};
    ASSERT_EQ(::stat(dir.file("remote-tokens").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_NE(dir.read("remote-tokens").find(token + " paired "), std::string::npos);

    httplib::Client phone = jukebox.client();
    phone.set_default_headers({{"X-Remote-Token", token}});
    auto now = phone.Get("/api/now");
    ASSERT_TRUE(now);
    EXPECT_EQ(now->status, 200);
    EXPECT_EQ(now->body, "{\"screen\":\"menu\",\"title\":\"\",\"position\":0,\"duration\":0,\"paused\":false}\n");

    // The preview is the screen the control channel sees.
    auto shot = phone.Get("/api/screen.png");
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->get_header_value("Content-Type"), "image/png");
    dir.write("preview.png", shot->body);
    PallixBitmap preview;
    PallixFile previewFile(dir.file("preview.png").c_str());
    ASSERT_TRUE(preview.Load(previewFile, 2));
    EXPECT_TRUE(PixelProbe::sameIn(preview, *jukebox.process().screenshot(), SCREEN, {CLOCK}));

    // Column menu, second column, its table, then play: each answered once done.
    for (const char* key : {"Left", "Down", "Right", "Play"})
    {
        auto pressed = phone.Post(std::string("/api/press/") + key);
        ASSERT_TRUE(pressed) << key;
        EXPECT_EQ(pressed->status, 200) << key;
        EXPECT_EQ(pressed->body, "OK\n");
    }
    now = phone.Get("/api/now");
    ASSERT_TRUE(now);
    EXPECT_NE(now->body.find("\"screen\":\"player\",\"title\":\"Test \\\"Card\\\"\""), std::string::npos)
        << now->body;
    EXPECT_NE(now->body.find("\"duration\":20,\"paused\":false}"), std::string::npos) << now->body;

    ASSERT_TRUE(phone.Post("/api/press/Play"));
    now = phone.Get("/api/now");
    ASSERT_TRUE(now);
    EXPECT_NE(now->body.find("\"paused\":true"), std::string::npos) << now->body;

    // Codes are accepted as on the control channel: 0x10022 is Exit.
    ASSERT_TRUE(phone.Post("/api/press/0x10022"));
    now = phone.Get("/api/now");
    ASSERT_TRUE(now);
    EXPECT_NE(now->body.find("\"screen\":\"menu\""), std::string::npos) << now->body;
    EXPECT_EQ(jukebox.process().command("quorvaApp exit"), "OK");
    EXPECT_EQ(jukebox.process().waitExit(), 0);
}

TEST(RemoteEndToEnd, NothingWithoutAPairedTokenInTheHeaderAndQuorvaCarriesOn)
{
    TempDir dir;
    RemoteJukebox jukebox(dir);
    const int port = jukebox.port();
    const std::string token = jukebox.pair();
    ASSERT_EQ(token.size(), 32u);
    auto pBefore = jukebox.process().screenshot();

    auto request = [](const std::string& line, const std::string& headers = "", const std::string& body = "")
    {
        return line + " HTTP/1.1\r\nHost: tv\r\nConnection: close\r\n" + headers +
               "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    };
    const std::string withToken = "X-Remote-Token: " + token + "\r\n";
    const std::string wrongToken = "X-Remote-Token: 0123456789abcdef0123456789abcdef\r\n";
    const std::string cookie = "Cookie: X-Remote-Token=" + token + "; token=" + token + "\r\n";

    // No token, a wrong one, the right one only in a cookie: refused, whatever is asked.
    for (const char* line :
         {"GET /api/now", "GET /api/screen.png", "POST /api/press/Down", "POST /api/press/Exit", "POST /api/search"})
    {
        for (const std::string& headers : {std::string(), wrongToken, cookie})
        {
            const std::string response = roundTrip(port, request(line, headers));
            EXPECT_EQ(statusOf(response), 401) << line << " with " << headers;
            EXPECT_NE(response.find("pair this device first"), std::string::npos);
        }
    }

    // Too much: one long header, many headers, a long path, a large body.
    const std::string tooLong[] = {
        request("GET /api/now", withToken + "X-Padding: " + std::string(9000, 'a') + "\r\n"),
        request("GET /api/now", withToken + [] {
            std::string many;
            for (int i = 0; i < 200; ++i)
                many += "X-Header-" + std::to_string(i) + ": " + std::string(40, 'b') + "\r\n";
            return many;
        }()),
        request("GET /api/" + std::string(9000, 'c'), withToken),
        request("POST /api/press/Down", withToken, std::string(20000, 'd')),
    };
    for (const std::string& data : tooLong)
    {
        const std::string response = roundTrip(port, data);
        EXPECT_TRUE(statusOf(response) == 431 || statusOf(response) == 413) << response.substr(0, 80);
        EXPECT_NE(response.find("request too large"), std::string::npos);
    }

    // Paths that climb out find nothing; a key that is a path is no key.
    for (const char* line : {"GET /../client.properties", "GET /api/../client.properties",
                             "GET /%2e%2e/client.properties", "GET /remote-tokens", "GET /api/nothing",
                             "GET /api/press/Down", "GET /images/background.png"})
    {
        const std::string response = roundTrip(port, request(line, withToken));
        EXPECT_EQ(statusOf(response), 404) << line;
        EXPECT_EQ(response.find("db.file"), std::string::npos);
        EXPECT_EQ(response.find(token, response.find("\r\n\r\n")), std::string::npos);
    }
    for (const char* line : {"POST /api/press/..%2F..%2Fclient.properties", "POST /api/press/", "POST /api/press/0"})
    {
        const std::string response = roundTrip(port, request(line, withToken));
        EXPECT_EQ(statusOf(response), 400) << line;
        EXPECT_NE(response.find("unknown key"), std::string::npos);
    }
    EXPECT_EQ(statusOf(roundTrip(port, request("POST /api/pair", "X-Remote-PIN: 12345\r\n"))), 400);
    // A search box holds a few words of text, never bytes that are not UTF-8.
    EXPECT_NE(roundTrip(port, request("POST /api/search", withToken, std::string(300, 'e'))).find("too long"),
              std::string::npos);
    for (const std::string& body : {std::string("caf\xE9"), std::string("a\0b", 3)})
    {
        const std::string response = roundTrip(port, request("POST /api/search", withToken, body));
        EXPECT_EQ(statusOf(response), 400);
        EXPECT_NE(response.find("not UTF-8"), std::string::npos);
    }

    // A thousand quick requests without a token: a thousand refusals.
    int refused = 0;
    for (int i = 0; i < 1000; ++i)
        refused += statusOf(roundTrip(port, request("POST /api/press/Down"))) == 401;
    EXPECT_EQ(refused, 1000);

    // Connections past 32 are turned away at once; the server recovers when they close.
    // A few more than the limit, in case a connection of the requests above is
    // still being closed. An idle connection is let go after 5 s, so on a machine
    // too loaded to open 40 within that time the round is tried again.
    std::string turnedAway;
    for (int round = 0; round < 3 && statusOf(turnedAway) != 503; ++round)
    {
        std::vector<int> idle;
        for (int i = 0; i < 40; ++i)
        {
            int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in address = {};
            address.sin_family = AF_INET;
            address.sin_port = htons(static_cast<uint16_t>(port));
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
            idle.push_back(fd);
        }
        turnedAway = roundTrip(port, request("GET /api/now", withToken));
        for (int fd : idle)
            ::close(fd);
        EXPECT_TRUE(pallixtest::WaitUntil(
            [&] { return statusOf(roundTrip(port, request("GET /api/now", withToken))) == 200; }));
    }
    EXPECT_EQ(statusOf(turnedAway), 503) << turnedAway.substr(0, 80);

    // Five wrong PINs lock pairing, even for the right one.
    httplib::Client phone = jukebox.client();
    ASSERT_TRUE(phone.Post("/api/pair/start"));
    const std::string pin = jukebox.readPin();
    const std::string wrong = pin == "000000" ? "000001" : "000000";
    for (int i = 0; i < 4; ++i)
    {
        auto answer = phone.Post("/api/pair", httplib::Headers{{"X-Remote-PIN", wrong}}, "", "text/plain");
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 403);
    }
    auto locked = phone.Post("/api/pair", httplib::Headers{{"X-Remote-PIN", wrong}}, "", "text/plain");
    ASSERT_TRUE(locked);
    EXPECT_EQ(locked->status, 429);
    EXPECT_TRUE(jukebox.process().waitForLine("Remote: pairing locked for 5 minutes"));
    auto right = phone.Post("/api/pair", httplib::Headers{{"X-Remote-PIN", pin}}, "", "text/plain");
    ASSERT_TRUE(right);
    EXPECT_EQ(right->status, 429);
    auto start = phone.Post("/api/pair/start");
    ASSERT_TRUE(start);
    EXPECT_EQ(start->status, 429);

    // None of it reached the screen; the remote and the control channel still work.
    EXPECT_TRUE(PixelProbe::sameIn(*jukebox.process().screenshot(), *pBefore, SCREEN, {CLOCK}));
    EXPECT_EQ(statusOf(roundTrip(port, request("POST /api/press/Down", withToken))), 200);
    EXPECT_FALSE(PixelProbe::sameIn(*jukebox.process().screenshot(), *pBefore, SCREEN, {CLOCK}));
    EXPECT_EQ(jukebox.process().command("press Up"), "OK");
    EXPECT_TRUE(PixelProbe::sameIn(*jukebox.process().screenshot(), *pBefore, SCREEN, {CLOCK}));

    // Deleting the phone's line unpairs it at once.
    dir.write("remote-tokens", "# no phones\n");
    EXPECT_EQ(statusOf(roundTrip(port, request("GET /api/now", withToken))), 401);
    EXPECT_EQ(jukebox.process().command("quorvaApp exit"), "OK");
    EXPECT_EQ(jukebox.process().waitExit(), 0);
}

// curl -X POST sends no body and no Content-Length: such a request has no
// body and is answered at once, and one without a token is refused from its
// headers, whatever body it announces. A flood of such refusals from many
// clients is answered quickly and leaves the paired phone's keys working.
TEST(RemoteEndToEnd, BodilessRequestsAreAnsweredAtOnceAndAFloodOfRefusalsLeavesKeysWorking)
{
    TempDir dir;
    RemoteJukebox jukebox(dir);
    const int port = jukebox.port();
    const std::string token = jukebox.pair();
    ASSERT_EQ(token.size(), 32u);
    auto curl = [&](const std::string& line, const std::string& headers = "")
    {
        return line + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
               "\r\nUser-Agent: curl/7.88.1\r\nAccept: */*\r\n" + headers + "\r\n";
    };
    const std::string withToken = "X-Remote-Token: " + token + "\r\n";
    // Far longer than any of these takes; the server used to wait 5 s for each
    // body and then answer 400.
    const auto deadline = [] { return Clock::now() + std::chrono::seconds(20); };

    Connection phone(port);
    std::string answer = phone.ask(curl("POST /api/press/Down", withToken), deadline());
    EXPECT_EQ(statusOf(answer), 200) << answer;
    EXPECT_NE(answer.find("\r\n\r\nOK\n"), std::string::npos) << answer;
    // A refusal keeps the connection, which serves the next request.
    answer = phone.ask(curl("POST /api/press/Up"), deadline());
    EXPECT_EQ(statusOf(answer), 401) << answer;
    EXPECT_NE(answer.find("pair this device first"), std::string::npos) << answer;
    EXPECT_EQ(statusOf(phone.ask(curl("POST /api/pair/start"), deadline())), 200);
    EXPECT_EQ(statusOf(phone.ask(curl("POST /api/press/Up", withToken), deadline())), 200);

    // Refused before the body it announces ever comes, and the connection closed.
    for (const std::string& headers : {std::string("Content-Length: 4000\r\n"),
                                       std::string("Transfer-Encoding: chunked\r\n"),
                                       std::string("Content-Length: 10\r\nExpect: 100-continue\r\n")})
    {
        Connection stranger(port);
        answer = stranger.ask(curl("POST /api/press/Down", headers), deadline());
        EXPECT_EQ(statusOf(answer), 401) << headers << answer;
        EXPECT_TRUE(stranger.closedBy(deadline())) << headers;
    }
    // A body whose end no header tells.
    Connection gzip(port);
    answer = gzip.ask(curl("POST /api/press/Down", withToken + "Transfer-Encoding: gzip\r\n"), deadline());
    EXPECT_EQ(statusOf(answer), 400) << answer;
    EXPECT_TRUE(gzip.closedBy(deadline()));

    // 20 clients, 50 requests each, while the phone presses keys.
    const auto start = Clock::now();
    std::atomic<int> refused{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < 20; ++i)
        clients.emplace_back([&, i] {
            Connection client(port);
            const auto until = start + std::chrono::seconds(30);
            for (int n = 0; n < 50 && Clock::now() < until; ++n)
                refused += statusOf(client.ask(curl(i % 2 ? "POST /api/press/Exit" : "POST /api/now"), until)) == 401;
        });
    int pressed = 0;
    for (int n = 0; n < 10; ++n)
        pressed += statusOf(phone.ask(curl(n % 2 ? "POST /api/press/Up" : "POST /api/press/Down", withToken),
                                      deadline())) == 200;
    for (std::thread& client : clients)
        client.join();
    EXPECT_EQ(refused.load(), 1000);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
    EXPECT_EQ(pressed, 10);
    EXPECT_EQ(jukebox.process().command("press Down"), "OK");
    EXPECT_EQ(jukebox.process().command("quorvaApp exit"), "OK");
    EXPECT_EQ(jukebox.process().waitExit(), 0);
}

// The page in headless Chromium, as a phone shows it: pairing with the PIN from
// the console, then Down and Select pressed on the page change the screen as the
// same keys do through the control channel.
TEST(RemoteEndToEnd, ThePageInABrowserPairsAndPressesKeysLikeTheControlChannel)
{
    TempDir dir, otherDir;
    RemoteJukebox jukebox(dir);
    RemoteJukebox other(otherDir);
    auto pStart = jukebox.process().screenshot();

    Child browser({"node", std::string(QUORVA_SOURCE_DIR) + "/tests/browser/remote-page.mjs",
                   "http://127.0.0.1:" + std::to_string(jukebox.port()) + "/", "Down", "Select", "search=paper"});
    ASSERT_EQ(browser.readLine(), "PIN?") << browser.transcript();
    browser.writeLine(jukebox.readPin());
    EXPECT_TRUE(jukebox.process().waitForLine("Remote: phone paired"));
    EXPECT_EQ(browser.readLine(), "PRESSED Down") << browser.transcript();
    EXPECT_EQ(browser.readLine(), "PRESSED Select") << browser.transcript();
    auto pByPage = jukebox.settledScreen();
    EXPECT_EQ(other.process().command("press Down"), "OK");
    EXPECT_EQ(other.process().command("press Select"), "OK");
    auto pByControl = other.settledScreen();
    EXPECT_FALSE(PixelProbe::sameIn(*pByPage, *pStart, SCREEN, {CLOCK}));
    EXPECT_TRUE(PixelProbe::sameIn(*pByPage, *pByControl, SCREEN, {CLOCK}));

    // The page's search box brings up the Search panel with what it holds, as
    // letters typed there do.
    EXPECT_EQ(browser.readLine(), "SEARCH?") << browser.transcript();
    browser.writeLine("go");
    EXPECT_EQ(browser.readLine(), "SEARCHED paper") << browser.transcript();
    EXPECT_EQ(browser.readLine(), "DONE") << browser.transcript();
    EXPECT_EQ(browser.readLine(), "") << browser.transcript();
    auto pSearched = jukebox.settledScreen();
    other.keys({"Left", "Down", "Down", "Down", "Down", "Right"});
    EXPECT_EQ(other.process().command("type paper"), "OK");
    EXPECT_FALSE(PixelProbe::sameIn(*pSearched, *pByPage, SCREEN, {CLOCK}));
    EXPECT_TRUE(PixelProbe::sameIn(*pSearched, *other.settledScreen(), SCREEN, {CLOCK}));
}
