#include "PallixRemoteState.h"

#include "PallixEventLoop.h"

namespace
{
// The longest a request waits for the event loop before it is answered 503.
constexpr auto LOOP_TIMEOUT = std::chrono::seconds(5);
} // namespace

bool PallixRemoteState::AskLoop(LoopWork work, Answer& answer)
{
    auto pAnswer = std::make_shared<Answer>();
    std::weak_ptr<PallixRemoteState> weak = weak_from_this();
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

void PallixRemoteState::Finish(const std::shared_ptr<Answer>& pAnswer, int nStatus, std::string body)
{
    std::lock_guard<std::mutex> lock(mutex);
    pAnswer->nStatus = nStatus;
    pAnswer->body = std::move(body);
    pAnswer->bDone = true;
    answered.notify_all();
}

void PallixRemoteState::FinishAfterPaint(const std::shared_ptr<Answer>& pAnswer)
{
    std::weak_ptr<PallixRemoteState> weak = weak_from_this();
    PallixEventLoop::AfterPaint(
        [weak, pAnswer]
        {
            if (auto pState = weak.lock())
                pState->Finish(pAnswer, 200, "OK");
        });
}

void PallixRemoteState::Tell(std::function<void(PallixRemoteState& state)> work)
{
    std::weak_ptr<PallixRemoteState> weak = weak_from_this();
    PallixEventLoop::Post(
        [weak, work = std::move(work)]
        {
            if (auto pState = weak.lock())
                work(*pState);
        });
}

void PallixRemoteState::Close()
{
    std::lock_guard<std::mutex> lock(mutex);
    bClosing = true;
    answered.notify_all();
}

bool PallixRemoteState::IsPaired(const httplib::Request& request)
{
    // Only the header counts: a browser adds cookies to requests that other
    // sites make, never this header.
    if (!request.has_header(PallixRemoteServer::kTokenHeader))
        return false;
    std::lock_guard<std::mutex> lock(mutex);
    return tokens.Contains(request.get_header_value(PallixRemoteServer::kTokenHeader));
}
