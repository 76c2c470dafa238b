#pragma once

#include "PallixControlServer.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <csignal>
#include <poll.h>
#include <span>
#include <string_view>
#include <vector>

class PallixApp;
class PallixMessage;

// The one event loop of the process, run by PallixApp::Run on its thread. A turn
// is a flat list of steps (see Turn). Other threads only post work to it.
//
// The layers above hook in here rather than the loop knowing them:
// - a display back-end supplies input through SetInputSource (and may cap the wait);
// - the window tree takes over key delivery with SetKeyRouter, falling back to
//   DeliverKeyToApp for keys no window handled;
// - the window tree paints in SetPainter's function, once a turn, after events
//   and before the control channel's replies are sent;
// - the graphics layer adds control verbs ("screenshot") with RegisterControlVerb.
// Hooks are set on the loop thread or before Run.
class PallixEventLoop
{
public:
    using Clock = std::chrono::steady_clock;

    class InputSource
    {
    public:
        virtual ~InputSource() = default;
        // Descriptors the loop should wait on for this source; none by default.
        virtual void AddPollFds(std::vector<pollfd>& fds) { (void)fds; }
        // The longest the loop may wait before the next DeliverEvents, in
        // milliseconds; -1 for no limit. A source with nothing to poll (SDL's
        // event queue) caps the wait instead.
        virtual int GetMaxWaitMs() { return -1; }
        // Called once a turn with the poll results of this source's descriptors.
        // Keys go through PallixEventLoop::DeliverKey.
        virtual void DeliverEvents(std::span<const pollfd> fds) = 0;
    };

    // Each setter returns the hook it replaces, so that a temporary hook (a
    // test's) can put the previous one back.
    static InputSource* SetInputSource(InputSource* pSource);
    static std::function<void(uint32_t nKey)> SetKeyRouter(std::function<void(uint32_t nKey)> router);
    static std::function<void(char32_t nChar)> SetCharRouter(std::function<void(char32_t nChar)> router);
    static std::function<void()> SetPainter(std::function<void()> painter);
    static void RegisterControlVerb(const char* verb, PallixControlServer::Verb handler);

    // The one way a remote key enters the system (input back-ends and the control
    // channel's press): through the key router when one is set, else to the
    // application. A key counts as screen activity.
    static void DeliverKey(uint32_t nKey);
    // The last stop of a key: the application's OnKeyDown. Returns handled.
    static bool DeliverKeyToApp(uint32_t nKey);
    // The one way typed text enters the system (a keyboard taking text, the
    // control channel's "type"): each character of the UTF-8 text, in turn,
    // through the character router. False when the text is not UTF-8.
    static bool DeliverText(std::string_view text);

    // Runs work on the loop thread, in posting order. Any thread.
    static void Post(std::function<void()> work);
    // Runs done on the loop thread once this turn has painted, where the
    // control channel sends its replies: an answer sent from there tells its
    // client that what it asked for is on the screen. Loop thread only.
    static void AfterPaint(std::function<void()> done);
    // True on the thread running the loop, while it runs.
    static bool IsLoopThread();

    // Posted by the application's wormhole endpoint: delivers the message if
    // that endpoint (its serial) still belongs to the current application.
    static void DeliverWormholeMessage(uint64_t nEndpointSerial, const PallixMessage& message);

    explicit PallixEventLoop(PallixApp& app);
    ~PallixEventLoop();
    PallixEventLoop(const PallixEventLoop&) = delete;
    PallixEventLoop& operator=(const PallixEventLoop&) = delete;

    // OnAppInit, then turns until Terminate, then OnAppExit; returns the status.
    int Run();

private:
    void Turn();

    // The steps of a turn, in order.
    void WaitForEvents();
    void DeliverSignals();
    void DeliverInput();
    void RunDueTimers();
    void RunPostedWork();
    void ServeControlCommands();
    void ReapChildren();
    void Paint();
    void SendReplies();

    bool IsStopping() const;
    int ComputeWaitMs();
    void InstallSignalHandlers();
    void RestoreSignalHandlers();
    bool RouteAppCommand(std::string_view firstWord, const std::string& line, std::string& reply);

    PallixApp& mApp;
    PallixControlServer mControlServer;
    std::vector<pollfd> mPollFds;
    size_t mServerFirst = 0;
    size_t mServerCount = 0;
    size_t mInputFirst = 0;
    size_t mInputCount = 0;
    bool mbSignalReady = false;
    bool mbHandlersInstalled = false;
    std::vector<std::pair<int, struct sigaction>> mSavedHandlers;
};
