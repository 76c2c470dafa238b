#include "PallixEventLoop.h"

#include "PallixApp.h"
#include "PallixChildReaper.h"
#include "PallixInput.h"
#include "PallixMessage.h"
#include "PallixTimerQueue.h"
#include "PallixUTF8.h"
#include "PallixWorkQueue.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <utility>

namespace
{
struct Hooks
{
    PallixEventLoop::InputSource* pInputSource = nullptr;
    std::function<void(uint32_t)> keyRouter;
    std::function<void(char32_t)> charRouter;
    std::function<void()> painter;
    std::vector<std::function<void()>> afterPaint;
};

Hooks& hooks()
{
    // Never destroyed: windows built before main may unhook after it.
    static Hooks* pHooks = new Hooks();
    return *pHooks;
}

std::atomic<std::thread::id>& loopThread()
{
    static std::atomic<std::thread::id> id{};
    return id;
}

// The self-pipe through which SIGINT and SIGTERM reach the loop: the handler
// only writes the signal's number, the loop does the rest. Made once and kept
// for the whole process, so a handler never sees a closed descriptor.
constinit std::atomic<int> gSignalReadFd{-1};
constinit std::atomic<int> gSignalWriteFd{-1};

void openSignalPipe()
{
    static std::once_flag once;
    std::call_once(once,
                   []
                   {
                       int fds[2];
                       if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0)
                       {
                           gSignalReadFd.store(fds[0]);
                           gSignalWriteFd.store(fds[1]);
                       }
                   });
}

void onTerminationSignal(int nSignal)
{
    int savedErrno = errno;
    int fd = gSignalWriteFd.load();
    if (fd >= 0)
    {
        unsigned char byte = static_cast<unsigned char>(nSignal);
        // A full pipe already holds a signal for the loop; nothing is lost.
        [[maybe_unused]] ssize_t n = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

void drainSignalPipe(std::vector<int>* pSignals)
{
    int fd = gSignalReadFd.load();
    if (fd < 0)
        return;
    unsigned char buffer[64];
    for (;;)
    {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        if (pSignals)
            pSignals->insert(pSignals->end(), buffer, buffer + n);
    }
}

int mergeWait(int nWait, int nOther)
{
    if (nOther < 0)
        return nWait;
    return nWait < 0 ? nOther : std::min(nWait, nOther);
}
} // namespace

PallixEventLoop::InputSource* PallixEventLoop::SetInputSource(InputSource* pSource)
{
    return std::exchange(hooks().pInputSource, pSource);
}

std::function<void(uint32_t)> PallixEventLoop::SetKeyRouter(std::function<void(uint32_t)> router)
{
    return std::exchange(hooks().keyRouter, std::move(router));
}

std::function<void(char32_t)> PallixEventLoop::SetCharRouter(std::function<void(char32_t)> router)
{
    return std::exchange(hooks().charRouter, std::move(router));
}

std::function<void()> PallixEventLoop::SetPainter(std::function<void()> painter)
{
    return std::exchange(hooks().painter, std::move(painter));
}

void PallixEventLoop::RegisterControlVerb(const char* verb, PallixControlServer::Verb handler)
{
    PallixControlServer::RegisterVerb(verb, std::move(handler));
}

void PallixEventLoop::DeliverKey(uint32_t nKey)
{
    PallixInput::NotifyScreenActivity();
    if (hooks().keyRouter)
        hooks().keyRouter(nKey);
    else
        DeliverKeyToApp(nKey);
}

bool PallixEventLoop::DeliverText(std::string_view text)
{
    std::u32string chars;
    if (!PallixUTF8::Decode(text, chars))
        return false;
    // The characters are handled one by one, as a keyboard would send them.
    PallixInput::NotifyScreenActivity();
    for (char32_t nChar : chars)
        if (hooks().charRouter)
            hooks().charRouter(nChar);
    return true;
}

bool PallixEventLoop::DeliverKeyToApp(uint32_t nKey)
{
    PallixApp* pApp = PallixApp::GetApp();
    return pApp && pApp->OnKeyDown(nKey);
}

void PallixEventLoop::Post(std::function<void()> work)
{
    PallixWorkQueue::Instance().Post(std::move(work));
}

void PallixEventLoop::AfterPaint(std::function<void()> done)
{
    hooks().afterPaint.push_back(std::move(done));
}

bool PallixEventLoop::IsLoopThread()
{
    return loopThread().load() == std::this_thread::get_id();
}

void PallixEventLoop::DeliverWormholeMessage(uint64_t nEndpointSerial, const PallixMessage& message)
{
    PallixApp* pApp = PallixApp::GetApp();
    // A message for an application object that no longer exists is dropped.
    if (pApp && pApp->mWormholeSerial == nEndpointSerial)
        pApp->OnWormholeMessage(message);
}

PallixEventLoop::PallixEventLoop(PallixApp& app)
    : mApp(app), mControlServer([this](std::string_view firstWord, const std::string& line, std::string& reply)
                                { return RouteAppCommand(firstWord, line, reply); })
{
}

PallixEventLoop::~PallixEventLoop()
{
    RestoreSignalHandlers();
}

int PallixEventLoop::Run()
{
    loopThread().store(std::this_thread::get_id());
    InstallSignalHandlers();
    mControlServer.Open();

    mApp.OnAppInit();
    while (!IsStopping())
        Turn();

    mControlServer.Close();
    RestoreSignalHandlers();
    // Work still queued was meant for this run (it may refer to objects of the
    // run); a later run must not execute it.
    PallixWorkQueue::Instance().TakeAll();
    mApp.OnAppExit();
    loopThread().store(std::thread::id());
    return mApp.mExitStatus;
}

// One turn of the loop. Each step does nothing once the application is
// terminating, except reaping children and sending the replies already made.
void PallixEventLoop::Turn()
{
    WaitForEvents();
    DeliverSignals();
    DeliverInput();
    RunDueTimers();
    RunPostedWork();
    ServeControlCommands();
    ReapChildren();
    Paint();
    SendReplies();
}

bool PallixEventLoop::IsStopping() const
{
    return mApp.mbTerminating;
}

int PallixEventLoop::ComputeWaitMs()
{
    auto now = Clock::now();
    int nWait = -1;
    if (auto next = PallixTimerQueue::Instance().GetNextDue())
    {
        // Rounded up, so that the loop does not wake just before a timer is due
        // and spin until it is.
        auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - now).count();
        nWait = static_cast<int>(std::clamp<long long>(left, 0, 24 * 3600 * 1000));
    }
    nWait = mergeWait(nWait, mControlServer.GetMaxWaitMs(now));
    if (InputSource* pSource = hooks().pInputSource)
        nWait = mergeWait(nWait, pSource->GetMaxWaitMs());
    return nWait;
}

void PallixEventLoop::WaitForEvents()
{
    mPollFds.clear();
    PallixWorkQueue& work = PallixWorkQueue::Instance();
    mPollFds.push_back(pollfd{work.GetWakeFd(), POLLIN, 0});
    mPollFds.push_back(pollfd{gSignalReadFd.load(), POLLIN, 0});
    mServerFirst = mPollFds.size();
    mControlServer.AddPollFds(mPollFds);
    mServerCount = mPollFds.size() - mServerFirst;
    mInputFirst = mPollFds.size();
    if (InputSource* pSource = hooks().pInputSource)
        pSource->AddPollFds(mPollFds);
    mInputCount = mPollFds.size() - mInputFirst;

    int nWait = ComputeWaitMs();
    // EINTR (a signal arrived) needs nothing: its handler wrote to the pipe.
    if (::poll(mPollFds.data(), mPollFds.size(), nWait) < 0)
    {
        for (pollfd& fd : mPollFds)
            fd.revents = 0;
    }
    // Cleared before the posted work is taken, so that work posted from now on
    // wakes the next wait.
    if (mPollFds[0].revents & POLLIN)
        work.ClearWake();
    mbSignalReady = (mPollFds[1].revents & POLLIN) != 0;
}

void PallixEventLoop::DeliverSignals()
{
    if (!mbSignalReady)
        return;
    std::vector<int> signals;
    drainSignalPipe(&signals);
    for (int nSignal : signals)
    {
        if (nSignal != SIGINT && nSignal != SIGTERM)
            continue;
        mApp.OnSignal(nSignal);
        // Like Terminate(0); a status the application chose in OnSignal stands.
        mApp.Terminate(0);
    }
}

void PallixEventLoop::DeliverInput()
{
    if (IsStopping())
        return;
    if (InputSource* pSource = hooks().pInputSource)
        pSource->DeliverEvents(std::span<const pollfd>(mPollFds).subspan(mInputFirst, mInputCount));
}

void PallixEventLoop::RunDueTimers()
{
    if (IsStopping())
        return;
    PallixTimerQueue::Instance().RunDue(Clock::now(), [this] { return IsStopping(); });
}

void PallixEventLoop::RunPostedWork()
{
    if (IsStopping())
        return;
    // Only what was posted before this step runs now; work posted by this work
    // waits for the next turn, so a busy poster cannot starve the other steps.
    PallixWorkQueue& queue = PallixWorkQueue::Instance();
    auto work = queue.TakeAll();
    while (!work.empty())
    {
        if (IsStopping())
        {
            queue.PutBack(std::move(work));
            return;
        }
        auto item = std::move(work.front());
        work.pop_front();
        if (item)
            item();
    }
}

void PallixEventLoop::ServeControlCommands()
{
    if (IsStopping())
        return;
    mControlServer.Serve(std::span<const pollfd>(mPollFds).subspan(mServerFirst, mServerCount),
                         [this] { return IsStopping(); });
}

void PallixEventLoop::ReapChildren()
{
    PallixChildReaper::Reap();
}

void PallixEventLoop::Paint()
{
    if (IsStopping())
        return;
    if (hooks().painter)
        hooks().painter();
}

// After painting: a reply (the control channel's, or the phone remote's through
// AfterPaint) tells the client that what its command caused is on the screen,
// so "press" followed by "screenshot" is deterministic.
void PallixEventLoop::SendReplies()
{
    mControlServer.FlushReplies();
    std::vector<std::function<void()>> done;
    done.swap(hooks().afterPaint);
    for (auto& work : done)
        work();
}

bool PallixEventLoop::RouteAppCommand(std::string_view firstWord, const std::string& line, std::string& reply)
{
    if (mApp.mECPCommandName.IsEmpty() || firstWord != mApp.mECPCommandName.str())
        return false;
    PallixString result;
    mApp.OnECPCommand(PallixString(line), result);
    reply = result.str();
    return true;
}

void PallixEventLoop::InstallSignalHandlers()
{
    if (mbHandlersInstalled)
        return;
    openSignalPipe();
    // A signal left over from an earlier run must not end this one.
    drainSignalPipe(nullptr);
    mSavedHandlers.clear();
    for (int nSignal : {SIGINT, SIGTERM, SIGPIPE})
    {
        struct sigaction action = {};
        // Sockets send with MSG_NOSIGNAL; ignoring SIGPIPE also covers pipes that
        // other parts of the process write to.
        action.sa_handler = nSignal == SIGPIPE ? SIG_IGN : onTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        struct sigaction previous = {};
        if (sigaction(nSignal, &action, &previous) == 0)
            mSavedHandlers.emplace_back(nSignal, previous);
    }
    mbHandlersInstalled = true;
}

void PallixEventLoop::RestoreSignalHandlers()
{
    if (!mbHandlersInstalled)
        return;
    // Outside Run, SIGINT and SIGTERM end the process as they did before it.
    for (auto& [nSignal, previous] : mSavedHandlers)
        sigaction(nSignal, &previous, nullptr);
    mSavedHandlers.clear();
    mbHandlersInstalled = false;
}
