#pragma once

#include "PallixRemotePairing.h"
#include "PallixRemotePinWindow.h"
#include "PallixRemoteServer.h"
#include "PallixRemoteTokens.h"

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class PallixBitmap;

// Everything the phone remote's request threads and the event loop share. The
// request threads hold it only while the server runs; the loop's work holds it
// weakly, so it goes away (with the PIN window) on the loop's thread, in Close.
class PallixRemoteState : public std::enable_shared_from_this<PallixRemoteState>
{
public:
    using Clock = std::chrono::steady_clock;

    // What the loop answers a request with.
    struct Answer
    {
        bool bDone = false;
        int nStatus = 503;
        std::string body;
        std::shared_ptr<PallixBitmap> pScreen;
    };
    using LoopWork = std::function<void(PallixRemoteState& state, const std::shared_ptr<Answer>& pAnswer)>;

    explicit PallixRemoteState(const std::string& tokenFile) : tokens(tokenFile) {}

    // Hands work to the event loop and waits until it has answered; false when
    // it did not in time or the server is closing.
    bool AskLoop(LoopWork work, Answer& answer);
    void Finish(const std::shared_ptr<Answer>& pAnswer, int nStatus, std::string body);
    // "OK", once what the request caused is on the screen. Loop thread only.
    void FinishAfterPaint(const std::shared_ptr<Answer>& pAnswer);
    // Runs on the loop, which prints and draws; the request thread has answered.
    void Tell(std::function<void(PallixRemoteState& state)> work);
    // Wakes every request waiting for the loop: the server closes.
    void Close();

    bool IsPaired(const httplib::Request& request);

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
    PallixRemoteServer::StatusProvider status;
    PallixRemoteServer::SearchHandler search;
    PallixRemotePinWindow pinWindow;
};
