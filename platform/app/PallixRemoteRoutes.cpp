#include "PallixRemoteRoutes.h"

#include "PallixBitmap.h"
#include "PallixControlServer.h"
#include "PallixEventLoop.h"
#include "PallixKeyMap.h"
#include "PallixRemotePage.h"
#include "PallixRemoteState.h"
#include "PallixWindowSystem.h"

#include <cstdio>
#include <iostream>

namespace
{
using Clock = PallixRemoteState::Clock;

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
           ",\"position\":" + std::to_string(status.position) +
           ",\"duration\":" + std::to_string(status.duration) +
           ",\"paused\":" + (status.bPaused ? "true" : "false") + "}\n";
}

void busy(httplib::Response& response)
{
    reply(response, 503, "Quorva is busy, try again");
}

long long secondsUntil(Clock::time_point when)
{
    return std::max<long long>(1, std::chrono::ceil<std::chrono::seconds>(when - Clock::now()).count());
}
} // namespace

PallixRemoteRoutes::PallixRemoteRoutes(PallixRemoteState& state) : mState(state)
{
    set_default_headers({{"Cache-Control", "no-store"},
                         {"X-Content-Type-Options", "nosniff"},
                         {"Referrer-Policy", "no-referrer"}});
    Get("/", [this](const httplib::Request&, httplib::Response& response) { ServePage(response); });
    Get("/api/now", [this](const httplib::Request&, httplib::Response& response) { ServeNow(response); });
    Get("/api/screen.png",
        [this](const httplib::Request&, httplib::Response& response) { ServeScreen(response); });
    Post("/api/press/(.*)", [this](const httplib::Request& request, httplib::Response& response)
         { ServePress(request, response); });
    Post("/api/search", [this](const httplib::Request& request, httplib::Response& response)
         { ServeSearch(request, response); });
    Post("/api/pair/start",
         [this](const httplib::Request&, httplib::Response& response) { ServePairStart(response); });
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

bool PallixRemoteRoutes::Admits(const httplib::Request& request)
{
    const std::string& path = request.path;
    if (path.rfind("/api/", 0) != 0 || path == "/api/pair" || path == "/api/pair/start")
        return true;
    return mState.IsPaired(request);
}

void PallixRemoteRoutes::ServePage(httplib::Response& response)
{
    response.set_header("Content-Security-Policy",
                        "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
                        "img-src 'self' blob:; connect-src 'self'; frame-ancestors 'none'");
    response.set_content(PallixRemotePage::GetHtml(), "text/html; charset=utf-8");
}

void PallixRemoteRoutes::ServeNow(httplib::Response& response)
{
    PallixRemoteState::Answer answer;
    bool bAnswered = mState.AskLoop(
        [](PallixRemoteState& state, const std::shared_ptr<PallixRemoteState::Answer>& pAnswer)
        {
            PallixRemoteStatus status;
            if (state.status)
                status = state.status();
            state.Finish(pAnswer, 200, statusJson(status));
        },
        answer);
    if (!bAnswered)
        return busy(response);
    response.status = answer.nStatus;
    response.set_content(answer.body, JSON);
}

void PallixRemoteRoutes::ServeScreen(httplib::Response& response)
{
    PallixRemoteState::Answer answer;
    bool bAnswered = mState.AskLoop(
        [](PallixRemoteState& state, const std::shared_ptr<PallixRemoteState::Answer>& pAnswer)
        {
            auto pScreen = std::make_shared<PallixBitmap>();
            PallixWindowSystem::CaptureScreen(*pScreen);
            pAnswer->pScreen = pScreen;
            state.Finish(pAnswer, 200, std::string());
        },
        answer);
    if (!bAnswered)
        return busy(response);
    // Compressing takes a while: here, off the event loop.
    std::vector<uint8_t> png;
    if (!answer.pScreen || !answer.pScreen->EncodePNG(png))
        return reply(response, 500, "cannot capture the screen");
    response.set_content(reinterpret_cast<const char*>(png.data()), png.size(), "image/png");
}

void PallixRemoteRoutes::ServePress(const httplib::Request& request, httplib::Response& response)
{
    const std::string key = request.matches[1];
    uint32_t nCode = 0;
    if (!PallixKeyMap::ParseKey(key, nCode))
        return reply(response, 400, "unknown key");
    PallixRemoteState::Answer answer;
    bool bAnswered = mState.AskLoop(
        [nCode](PallixRemoteState& state, const std::shared_ptr<PallixRemoteState::Answer>& pAnswer)
        {
            PallixEventLoop::DeliverKey(nCode);
            state.FinishAfterPaint(pAnswer);
        },
        answer);
    if (!bAnswered)
        return busy(response);
    reply(response, answer.nStatus, answer.body);
}

void PallixRemoteRoutes::ServeSearch(const httplib::Request& request, httplib::Response& response)
{
    if (request.body.size() > PallixRemoteServer::kMaxSearchBytes)
        return reply(response, 400, "the search text is too long");
    if (!PallixControlServer::IsValidUTF8(request.body))
        return reply(response, 400, "the search text is not UTF-8");
    PallixRemoteState::Answer answer;
    bool bAnswered = mState.AskLoop(
        [text = request.body](PallixRemoteState& state,
                              const std::shared_ptr<PallixRemoteState::Answer>& pAnswer)
        {
            if (state.search)
                state.search(text);
            state.FinishAfterPaint(pAnswer);
        },
        answer);
    if (!bAnswered)
        return busy(response);
    reply(response, answer.nStatus, answer.body);
}

void PallixRemoteRoutes::ServePairStart(httplib::Response& response)
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
            [pin, expiry](PallixRemoteState& state)
            {
                state.pinWindow.Show(pin, expiry);
                std::cout << "Remote: pairing PIN " << pin << std::endl;
            });
    }
    response.set_content("{\"seconds\":" + std::to_string(secondsUntil(expiry)) + "}\n", JSON);
}

void PallixRemoteRoutes::ServePair(const httplib::Request& request, httplib::Response& response)
{
    const std::string pin = request.get_header_value(PallixRemoteServer::kPinHeader);
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
        mState.Tell([](PallixRemoteState& state) { state.pinWindow.Hide(); });
        if (token.empty())
            return reply(response, 500, "cannot save the pairing");
        mState.Tell([](PallixRemoteState&) { std::cout << "Remote: phone paired" << std::endl; });
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
                [](PallixRemoteState& state)
                {
                    state.pinWindow.Hide();
                    std::cout << "Remote: pairing locked for 5 minutes" << std::endl;
                });
        }
        return reply(response, 429, "too many wrong PINs, pairing is locked for a while");
    }
}
