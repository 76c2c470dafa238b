#include "PallixRemoteServer.h"

#include "PallixBitmap.h"
#include "PallixControlServer.h"
#include "PallixEventLoop.h"
#include "PallixKeyMap.h"
#include "PallixRemoteHttp.h"
#include "PallixRemotePage.h"
#include "PallixRemotePairing.h"
#include "PallixRemotePinWindow.h"
#include "PallixRemoteTokens.h"
#include "PallixWindowSystem.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <iostream>
#include <mutex>

namespace
{
using Clock = std::chrono::steady_clock;

// The longest a request waits for the event loop before it is answered 503.
constexpr auto LOOP_TIMEOUT = std::chrono::seconds(5);
constexpr const char* TEXT = "text/plain; charset=utf-8";
constexpr const char* JSON = "application/json";

void reply(httplib::Response& response, int nStatus, const std::string& text)
{
    response.status = nStatus;
    response.set_content(text + "\n", TEXT);
}

std::string jsonString(const std::string& text)
{
    std::string json = "\"";
    for (char c : text)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\')
        {
            json += '\\';
            json += c;
        }
        else if (byte < 0x20)
        {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            json += escaped;
        }
        else
            json += c;
    }
    return json + "\"";
}

std::string statusJson(const PallixRemoteStatus& status)
{
    return "{\"screen\":" + jsonString(status.screen) + ",\"title\":" + jsonString(status.title) +
           ",\"position\":" + std::to_string(status.position) + ",\"duration\":" + std::to_string(status.duration) +
           ",\"paused\":" + (status.bPaused ? "true" : "false") + "}\n";
}

long long secondsUntil(Clock::time_point when)
{
    return std::max<long long>(1, std::chrono::ceil<std::chrono::seconds>(when - Clock::now()).count());
}
} // namespace

// Everything the request threads and the event loop share. The request threads
// hold it only while the server runs; the loop's work holds it weakly, so it
// goes away (with the PIN window) on the loop's thread, in Close.
struct PallixRemoteServer::State : std::enable_shared_from_this<State>
{
    explicit State(const std::string& tokenFile) : tokens(tokenFile) {}

    // What the loop answers a request with.
    struct Answer
    {
        bool bDone = false;
        int nStatus = 503;
        std::string body;
        std::string type = TEXT;
        std::shared_ptr<PallixBitmap> pScreen;
    };
    using LoopWork = std::function<void(State& state, const std::shared_ptr<Answer>& pAnswer)>;

    // Hands work to the event loop and waits until it has answered; false when
    // it did not in time or the server is closing.
    bool AskLoop(LoopWork work, Answer& answer)
    {
        auto pAnswer = std::make_shared<Answer>();
        std::weak_ptr<State> weak = weak_from_this();
        PallixEventLoop::Post(
            [weak, pAnswer, work = std::move(work)]
            {
                if (auto pState = weak.lock())
                    work(*pState, pAnswer);
            });
        std::unique_lock<std::mutex> lock(mutex);
        answered.wait_for(lock, LOOP_TIMEOUT, [&] { return pAnswer->bDone || bClosing; });
        if (!pAnswer->bDone)
            return false;
        answer = *pAnswer;
        return true;
    }

    void Finish(const std::shared_ptr<Answer>& pAnswer, int nStatus, std::string body)
    {
        std::lock_guard<std::mutex> lock(mutex);
        pAnswer->nStatus = nStatus;
        pAnswer->body = std::move(body);
        pAnswer->bDone = true;
        answered.notify_all();
    }

    // "OK", once what the request caused is on the screen. Loop thread only.
    void FinishAfterPaint(const std::shared_ptr<Answer>& pAnswer)
    {
        std::weak_ptr<State> weak = weak_from_this();
        PallixEventLoop::AfterPaint(
            [weak, pAnswer]
            {
                if (auto pState = weak.lock())
                    pState->Finish(pAnswer, 200, "OK");
            });
    }

    // Runs on the loop, which prints and draws; the request thread has answered.
    void Tell(std::function<void(State& state)> work)
    {
        std::weak_ptr<State> weak = weak_from_this();
        PallixEventLoop::Post(
            [weak, work = std::move(work)]
            {
                if (auto pState = weak.lock())
                    work(*pState);
            });
    }

    bool IsPaired(const httplib::Request& request)
    {
        // Only the header counts: a browser adds cookies to requests that other
        // sites make, never this header.
        if (!request.has_header(kTokenHeader))
            return false;
        std::lock_guard<std::mutex> lock(mutex);
        return tokens.Contains(request.get_header_value(kTokenHeader));
    }

    // Guards what follows, down to the window.
    std::mutex mutex;
    std::condition_variable answered;
    bool bClosing = false;
    PallixRemotePairing pairing;
    PallixRemoteTokens tokens;
    // The PIN on the screen, told by its expiry, so that it is shown once.
    bool bPinShown = false;
    Clock::time_point shownExpiry;

    // Loop thread only.
    StatusProvider status;
    SearchHandler search;
    PallixRemotePinWindow pinWindow;
};

class PallixRemoteServer::Http : public PallixRemoteHttp
{
public:
    explicit Http(State& state) : mState(state)
    {
        set_default_headers({{"Cache-Control", "no-store"},
                             {"X-Content-Type-Options", "nosniff"},
                             {"Referrer-Policy", "no-referrer"}});
        Get("/", [this](const httplib::Request&, httplib::Response& response) { ServePage(response); });
        Get("/api/now", [this](const httplib::Request&, httplib::Response& response) { ServeNow(response); });
        Get("/api/screen.png", [this](const httplib::Request&, httplib::Response& response)
            { ServeScreen(response); });
        Post("/api/press/(.*)", [this](const httplib::Request& request, httplib::Response& response)
             { ServePress(request, response); });
        Post("/api/search", [this](const httplib::Request& request, httplib::Response& response)
             { ServeSearch(request, response); });
        Post("/api/pair/start", [this](const httplib::Request&, httplib::Response& response)
             { ServePairStart(response); });
        Post("/api/pair", [this](const httplib::Request& request, httplib::Response& response)
             { ServePair(request, response); });
        set_error_handler(HandlerWithResponse(
            [](const httplib::Request&, httplib::Response& response)
            {
                if (PallixRemoteHttp::IsOversized())
                    reply(response, 431, "request too large");
                else if (!response.body.empty())
                    return httplib::Server::HandlerResponse::Unhandled;
                else if (response.status == 401)
                    reply(response, 401, "pair this device first");
                else if (response.status == 404)
                    reply(response, 404, "not found");
                else if (response.status == 413)
                    reply(response, 413, "request too large");
                else
                    reply(response, response.status, "bad request");
                return httplib::Server::HandlerResponse::Handled;
            }));
    }

private:
    // Everything under /api/ but pairing wants a paired phone's token.
    bool Admits(const httplib::Request& request) override
    {
        const std::string& path = request.path;
        if (path.rfind("/api/", 0) != 0 || path == "/api/pair" || path == "/api/pair/start")
            return true;
        return mState.IsPaired(request);
    }

    void Busy(httplib::Response& response) { reply(response, 503, "Quorva is busy, try again"); }

    void ServePage(httplib::Response& response)
    {
        response.set_header("Content-Security-Policy",
                            "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
                            "img-src 'self' blob:; connect-src 'self'; frame-ancestors 'none'");
        response.set_content(PallixRemotePage::GetHtml(), "text/html; charset=utf-8");
    }

    void ServeNow(httplib::Response& response)
    {
        State::Answer answer;
        bool bAnswered = mState.AskLoop(
            [](State& state, const std::shared_ptr<State::Answer>& pAnswer)
            {
                PallixRemoteStatus status;
                if (state.status)
                    status = state.status();
                state.Finish(pAnswer, 200, statusJson(status));
            },
            answer);
        if (!bAnswered)
            return Busy(response);
        response.status = answer.nStatus;
        response.set_content(answer.body, JSON);
    }

    void ServeScreen(httplib::Response& response)
    {
        State::Answer answer;
        bool bAnswered = mState.AskLoop(
            [](State& state, const std::shared_ptr<State::Answer>& pAnswer)
            {
                auto pScreen = std::make_shared<PallixBitmap>();
                PallixWindowSystem::CaptureScreen(*pScreen);
                pAnswer->pScreen = pScreen;
                state.Finish(pAnswer, 200, std::string());
            },
            answer);
        if (!bAnswered)
            return Busy(response);
        // Compressing takes a while: here, off the event loop.
        std::vector<uint8_t> png;
        if (!answer.pScreen || !answer.pScreen->EncodePNG(png))
            return reply(response, 500, "cannot capture the screen");
        response.set_content(reinterpret_cast<const char*>(png.data()), png.size(), "image/png");
    }

    void ServePress(const httplib::Request& request, httplib::Response& response)
    {
        const std::string key = request.matches[1];
        uint32_t nCode = 0;
        if (!PallixKeyMap::ParseKey(key, nCode))
            return reply(response, 400, "unknown key");
        State::Answer answer;
        bool bAnswered = mState.AskLoop(
            [nCode](State& state, const std::shared_ptr<State::Answer>& pAnswer)
            {
                PallixEventLoop::DeliverKey(nCode);
                state.FinishAfterPaint(pAnswer);
            },
            answer);
        if (!bAnswered)
            return Busy(response);
        reply(response, answer.nStatus, answer.body);
    }

    // The phone's search box: its text, as the viewer typed it, goes to the search.
    void ServeSearch(const httplib::Request& request, httplib::Response& response)
    {
        if (request.body.size() > kMaxSearchBytes)
            return reply(response, 400, "the search text is too long");
        if (!PallixControlServer::IsValidUTF8(request.body))
            return reply(response, 400, "the search text is not UTF-8");
        State::Answer answer;
        bool bAnswered = mState.AskLoop(
            [text = request.body](State& state, const std::shared_ptr<State::Answer>& pAnswer)
            {
                if (state.search)
                    state.search(text);
                state.FinishAfterPaint(pAnswer);
            },
            answer);
        if (!bAnswered)
            return Busy(response);
        reply(response, answer.nStatus, answer.body);
    }

    void ServePairStart(httplib::Response& response)
    {
        std::string pin;
        Clock::time_point expiry;
        bool bNew = false;
        {
            std::lock_guard<std::mutex> lock(mState.mutex);
            const auto now = Clock::now();
            if (!mState.pairing.Start(now, pin))
                return reply(response, 429,
                             "pairing locked, try again in " +
                                 std::to_string(secondsUntil(mState.pairing.GetLockedUntil())) + " s");
            expiry = mState.pairing.GetPinExpiry();
            bNew = !mState.bPinShown || expiry != mState.shownExpiry;
            mState.bPinShown = true;
            mState.shownExpiry = expiry;
        }
        // A PIN already on the screen is not shown again, however often it is asked for.
        if (bNew)
        {
            mState.Tell(
                [pin, expiry](State& state)
                {
                    state.pinWindow.Show(pin, expiry);
                    std::cout << "Remote: pairing PIN " << pin << std::endl;
                });
        }
        response.set_content("{\"seconds\":" + std::to_string(secondsUntil(expiry)) + "}\n", JSON);
    }

    void ServePair(const httplib::Request& request, httplib::Response& response)
    {
        const std::string pin = request.get_header_value(kPinHeader);
        if (!PallixRemotePairing::IsWellFormedPin(pin))
            return reply(response, 400, "the PIN is six digits");
        std::string token;
        PallixRemotePairing::Result result;
        bool bWasLocked = false;
        {
            std::lock_guard<std::mutex> lock(mState.mutex);
            const auto now = Clock::now();
            bWasLocked = mState.pairing.IsLocked(now);
            result = mState.pairing.Submit(pin, now);
            if (result == PallixRemotePairing::Result::kPaired)
            {
                token = mState.tokens.Add("from " + request.remote_addr + " " +
                                          request.get_header_value("User-Agent"));
            }
            if (result != PallixRemotePairing::Result::kWrongPin)
                mState.bPinShown = false;
        }
        switch (result)
        {
        case PallixRemotePairing::Result::kPaired:
            mState.Tell([](State& state) { state.pinWindow.Hide(); });
            if (token.empty())
                return reply(response, 500, "cannot save the pairing");
            mState.Tell([](State&) { std::cout << "Remote: phone paired" << std::endl; });
            response.set_content("{\"token\":\"" + token + "\"}\n", JSON);
            return;
        case PallixRemotePairing::Result::kWrongPin:
            return reply(response, 403, "wrong PIN");
        case PallixRemotePairing::Result::kNoPin:
            return reply(response, 403, "no PIN is showing, ask for a new one");
        case PallixRemotePairing::Result::kLocked:
            if (!bWasLocked)
            {
                mState.Tell(
                    [](State& state)
                    {
                        state.pinWindow.Hide();
                        std::cout << "Remote: pairing locked for 5 minutes" << std::endl;
                    });
            }
            return reply(response, 429, "too many wrong PINs, pairing is locked for a while");
        }
    }

    State& mState;
};

PallixRemoteServer::PallixRemoteServer() = default;

PallixRemoteServer::~PallixRemoteServer()
{
    Close();
}

bool PallixRemoteServer::Open(int nPort, const std::string& tokenFile)
{
    Close();
    mState = std::make_shared<State>(tokenFile);
    mState->status = mStatus;
    mState->search = mSearch;
    mHttp = std::make_unique<Http>(*mState);
    if (nPort <= 0 || nPort > 65535 || !mHttp->bind_to_port("0.0.0.0", nPort))
    {
        std::cout << "Remote: cannot listen on port " << nPort << std::endl;
        mHttp.reset();
        mState.reset();
        return false;
    }
    mbListening = true;
    mThread = std::thread(
        [this]
        {
            mHttp->listen_after_bind();
            mbListening = false;
        });
    std::cout << "Remote: listening on port " << nPort << std::endl;
    return true;
}

void PallixRemoteServer::Close()
{
    if (mState)
    {
        std::lock_guard<std::mutex> lock(mState->mutex);
        mState->bClosing = true;
        mState->answered.notify_all();
    }
    if (mThread.joinable())
    {
        // The library stops only a server that has started: ask until it has.
        while (mbListening)
        {
            mHttp->stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        mThread.join();
    }
    mHttp.reset();
    mState.reset();
}

void PallixRemoteServer::SetStatusProvider(StatusProvider provider)
{
    mStatus = std::move(provider);
    if (mState)
        mState->status = mStatus;
}

void PallixRemoteServer::SetSearchHandler(SearchHandler handler)
{
    mSearch = std::move(handler);
    if (mState)
        mState->search = mSearch;
}
