#include "PallixApp.h"

#include "PallixEventLoop.h"
#include "PallixWormholeRegistry.h"

#include <atomic>
#include <malloc.h>

namespace
{
constexpr const char* kAppWormholeURL = "wormhole://localhost/app";

// Read from other threads too: the decoder posts to GetApp()'s wormhole URL.
constinit std::atomic<PallixApp*> gpApp{nullptr};
constinit std::atomic<bool> gbRunning{false};
constinit std::atomic<uint64_t> gLastWormholeSerial{0};
} // namespace

PallixApp::PallixApp()
{
    gpApp.store(this);
    mWormholeSerial = ++gLastWormholeSerial;
    const uint64_t nSerial = mWormholeSerial;
    // The application's endpoint hands each message to the loop, which delivers
    // it in OnWormholeMessage on its own thread, in posting order.
    PallixWormholeRegistry::Instance().Add(kAppWormholeURL,
                                           [nSerial](const PallixMessage& message)
                                           {
                                               PallixEventLoop::Post(
                                                   [nSerial, message]
                                                   { PallixEventLoop::DeliverWormholeMessage(nSerial, message); });
                                           });
}

PallixApp::~PallixApp()
{
    PallixWormholeRegistry::Instance().Remove(kAppWormholeURL);
    PallixApp* pSelf = this;
    gpApp.compare_exchange_strong(pSelf, nullptr);
}

int PallixApp::Run(int argc, char** argv)
{
    // One loop at a time: a nested Run would dispatch events inside a callback.
    if (gbRunning.exchange(true))
        return -1;
    // Decoding threads come and go with every film. With malloc's default of
    // eight arenas a core, each film's threads leave tens of megabytes freed but
    // held in arenas of their own; two arenas serve the loop and a decoder.
    mallopt(M_ARENA_MAX, 2);
    mArgc = argc;
    mArgv = argv;
    mExitStatus = 0;
    mbTerminating = false;
    gpApp.store(this);
    int nStatus = 0;
    {
        PallixEventLoop loop(*this);
        nStatus = loop.Run();
    }
    gbRunning.store(false);
    return nStatus;
}

void PallixApp::Terminate(int nStatus)
{
    // The first request decides the status; later ones (a signal arriving while
    // the application ends itself) change nothing.
    if (mbTerminating)
        return;
    mbTerminating = true;
    mExitStatus = nStatus;
}

void PallixApp::RegisterECPCommand(const char* name)
{
    mECPCommandName = name ? name : "";
}

PallixString PallixApp::GetAppWormholeURL() const
{
    return kAppWormholeURL;
}

PallixApp* PallixApp::GetApp()
{
    return gpApp.load();
}

void PallixApp::OnAppInit() {}
void PallixApp::OnAppExit() {}
void PallixApp::OnActivate() {}
void PallixApp::OnDeactivate() {}
bool PallixApp::OnKeyDown(unsigned long)
{
    return false;
}
bool PallixApp::OnKeyDownInactive(unsigned long)
{
    return false;
}
bool PallixApp::OnKeyUp(unsigned long)
{
    return false;
}
bool PallixApp::OnKeyUpInactive(unsigned long)
{
    return false;
}
void PallixApp::OnMountMessage(const PallixMessage&) {}
void PallixApp::OnPowerMessage(const PallixMessage&) {}
void PallixApp::OnScreenMessage(const PallixMessage&) {}
void PallixApp::OnWormholeMessage(const PallixMessage&) {}
void PallixApp::OnWidgetParametersChanged() {}
void PallixApp::OnECPCommand(const PallixString&, PallixString&) {}
void PallixApp::OnSignal(int) {}
