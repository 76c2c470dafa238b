#pragma once

#include "PallixDisplay.h"

// A display without a window: the screen exists only in memory and in screenshots.
class PallixHeadlessDisplay : public PallixDisplay
{
public:
    const char* GetName() const override { return "headless"; }
    bool ShowsEveryPicture() const override { return false; }
    void PollEvents(Listener&) override {}
    int GetMaxWaitMs() const override { return -1; }
    void Present(const PallixBitmap&, std::span<const PallixRect>, bool) override {}
};
