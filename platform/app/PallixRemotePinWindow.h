#pragma once

#include "PallixTimer.h"
#include "PallixWindow.h"

#include <chrono>
#include <string>

// The pairing PIN on the TV, over everything else, counting down the seconds it
// has left. It never takes the focus: the remote keeps working under it.
class PallixRemotePinWindow : public PallixWindow, public PallixTimer
{
public:
    using Clock = std::chrono::steady_clock;

    PallixRemotePinWindow();
    ~PallixRemotePinWindow() override;

    void Show(const std::string& pin, Clock::time_point expiry);
    void Hide();

    void OnPaint(PallixBitmap& bitmap) override;
    bool WillAcceptFocus() override { return false; }
    void OnTimer(uint32_t nTimerID) override;

private:
    int GetSecondsLeft() const;

    std::string mPin;
    Clock::time_point mExpiry;
    uint32_t mTimer = 0;
};
