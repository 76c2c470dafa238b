#pragma once

#include "PallixDisplay.h"
#include "PallixEventLoop.h"
#include "PallixKeyRepeat.h"

#include <memory>
#include <string>
#include <string_view>

// Joins the window tree to the event loop and a display: keys go to the focused
// window and up its parents (held keys repeat at the platform's own pace),
// damage is painted once a turn and shown, and the control channel can take
// screenshots. Installed when the first window is
// built; the display opens when the loop first waits.
class PallixWindowSystem : public PallixEventLoop::InputSource, public PallixDisplay::Listener
{
public:
    static void Install();

    PallixWindowSystem(const PallixWindowSystem&) = delete;
    PallixWindowSystem& operator=(const PallixWindowSystem&) = delete;

    // InputSource
    void AddPollFds(std::vector<pollfd>& fds) override;
    int GetMaxWaitMs() override;
    void DeliverEvents(std::span<const pollfd> fds) override;

    // Listener
    void OnDisplayKey(uint64_t nInput, uint32_t nCode, bool bDown) override;
    void OnDisplayText(std::string_view text) override;
    bool IsTakingText() override;
    void OnDisplayClosed() override;

    // Paints what is damaged and shows it.
    void Paint();
    // The "screenshot FILE.png" verb: "OK" or "ERROR " and the reason.
    std::string Screenshot(std::string_view args);
    // The screen as the viewer sees it now, what earlier work caused included.
    static void CaptureScreen(PallixBitmap& screen);
    // A key the loop delivers: the focused window, its parents, then the application.
    static void RouteKey(uint32_t nKey);

private:
    PallixWindowSystem() = default;
    static PallixWindowSystem& Get();
    void EnsureDisplay();

    std::unique_ptr<PallixDisplay> mDisplay;
    PallixKeyRepeat mRepeat;
};
