#include "PallixWindowSystem.h"

#include "PallixApp.h"
#include "PallixBitmap.h"
#include "PallixScreen.h"
#include "PallixVideoPlane.h"
#include "PallixWindowManager.h"
#include "PallixWorkQueue.h"

#include <algorithm>
#include <chrono>

PallixWindowSystem& PallixWindowSystem::Get()
{
    static PallixWindowSystem system;
    return system;
}

void PallixWindowSystem::Install()
{
    PallixWindowSystem& system = Get();
    PallixEventLoop::SetInputSource(&system);
    PallixEventLoop::SetKeyRouter(&PallixWindowSystem::RouteKey);
    PallixEventLoop::SetCharRouter([](char32_t nChar) { PallixWindowManager::Get().DeliverChar(nChar); });
    PallixEventLoop::SetPainter([] { Get().Paint(); });
    PallixEventLoop::RegisterControlVerb("screenshot", [](std::string_view args) { return Get().Screenshot(args); });
}

void PallixWindowSystem::EnsureDisplay()
{
    if (mDisplay)
        return;
    mDisplay = PallixDisplay::Open();
    // A new picture wakes the loop, which presents it, only where it is shown at once.
    if (mDisplay->ShowsEveryPicture())
        PallixVideoPlane::Get().SetChangeHook([] { PallixWorkQueue::Instance().Wake(); });
}

void PallixWindowSystem::AddPollFds(std::vector<pollfd>&)
{
    // The loop's first wait is the first real use of the screen.
    EnsureDisplay();
}

int PallixWindowSystem::GetMaxWaitMs()
{
    // Damage recorded outside a turn (start-up) is painted without waiting.
    if (PallixWindowManager::Get().HasDamage())
        return 0;
    int nWait = mDisplay ? mDisplay->GetMaxWaitMs() : -1;
    if (auto due = mRepeat.GetNextDue())
    {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - PallixKeyRepeat::Clock::now()).count();
        int nLeft = static_cast<int>(std::clamp<long long>(left, 0, 1000));
        nWait = nWait < 0 ? nLeft : std::min(nWait, nLeft);
    }
    return nWait;
}

void PallixWindowSystem::DeliverEvents(std::span<const pollfd>)
{
    if (mDisplay)
        mDisplay->PollEvents(*this);
    if (auto nCode = mRepeat.TakeDue(PallixKeyRepeat::Clock::now()))
        PallixEventLoop::DeliverKey(*nCode);
}

void PallixWindowSystem::OnDisplayKey(uint64_t nInput, uint32_t nCode, bool bDown)
{
    if (bDown)
    {
        mRepeat.Press(nInput, nCode, PallixKeyRepeat::Clock::now());
        PallixEventLoop::DeliverKey(nCode);
    }
    else
    {
        mRepeat.Release(nInput);
        PallixWindowManager::Get().DeliverKeyUp(nCode);
    }
}

void PallixWindowSystem::OnDisplayText(std::string_view text)
{
    PallixEventLoop::DeliverText(text);
}

bool PallixWindowSystem::IsTakingText()
{
    return PallixWindowManager::Get().IsTakingText();
}

void PallixWindowSystem::OnDisplayClosed()
{
    if (PallixApp* pApp = PallixApp::GetApp())
        pApp->Terminate(0);
}

void PallixWindowSystem::RouteKey(uint32_t nKey)
{
    if (!PallixWindowManager::Get().DeliverKeyDown(nKey))
        PallixEventLoop::DeliverKeyToApp(nKey);
}

void PallixWindowSystem::Paint()
{
    EnsureDisplay();
    const bool bVideoChanged = PallixVideoPlane::Get().TakeChanged();
    PallixWindowManager& manager = PallixWindowManager::Get();
    if (!manager.HasDamage() && !bVideoChanged)
        return;
    PallixBitmap& plane = PallixScreen().GetBitmap();
    const std::vector<PallixRect> painted = manager.Paint(plane);
    mDisplay->Present(plane, painted, bVideoChanged);
}

void PallixWindowSystem::CaptureScreen(PallixBitmap& screen)
{
    Get().Paint();
    PallixDisplay::Composite(PallixScreen().GetBitmap(), screen);
}

std::string PallixWindowSystem::Screenshot(std::string_view args)
{
    if (args.empty())
        return "ERROR missing file name";
    // What earlier commands caused is on the picture even within one turn.
    Paint();
    std::string error;
    if (!PallixDisplay::Screenshot(PallixScreen().GetBitmap(), std::string(args).c_str(), error))
        return "ERROR " + error;
    return "OK";
}
