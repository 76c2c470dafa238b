#include "PallixKeyRepeat.h"

#include "PallixKeyCodes.h"

namespace
{
bool repeats(uint32_t nCode)
{
    return nCode != PallixKeyCodes::kExit;
}
} // namespace

void PallixKeyRepeat::Press(uint64_t nInput, uint32_t nCode, Clock::time_point now)
{
    // A new press takes over even when it does not repeat itself, as on a keyboard.
    mbHeld = repeats(nCode);
    mInput = nInput;
    mCode = nCode;
    mDue = now + kDelay;
}

void PallixKeyRepeat::Release(uint64_t nInput)
{
    if (nInput == mInput)
        mbHeld = false;
}

void PallixKeyRepeat::ReleaseAll()
{
    mbHeld = false;
}

std::optional<uint32_t> PallixKeyRepeat::TakeDue(Clock::time_point now)
{
    if (!mbHeld || now < mDue)
        return std::nullopt;
    mDue += kInterval;
    if (mDue <= now)
        mDue = now + kInterval;
    return mCode;
}

std::optional<PallixKeyRepeat::Clock::time_point> PallixKeyRepeat::GetNextDue() const
{
    if (!mbHeld)
        return std::nullopt;
    return mDue;
}
