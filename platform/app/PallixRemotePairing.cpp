#include "PallixRemotePairing.h"

#include "PallixSecret.h"

#include <cstdio>

bool PallixRemotePairing::IsWellFormedPin(std::string_view pin)
{
    if (pin.size() != 6)
        return false;
    for (char c : pin)
    {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

bool PallixRemotePairing::Start(Clock::time_point now, std::string& pin)
{
    if (IsLocked(now))
        return false;
    if (mPin.empty() || now >= mExpiry)
    {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%06u", PallixSecret::Below(1000000));
        mPin = digits;
        mExpiry = now + kPinLifetime;
    }
    pin = mPin;
    return true;
}

PallixRemotePairing::Result PallixRemotePairing::Submit(std::string_view pin, Clock::time_point now)
{
    if (IsLocked(now))
        return Result::kLocked;
    if (mPin.empty() || now >= mExpiry)
    {
        mPin.clear();
        return Result::kNoPin;
    }
    if (PallixSecret::Equal(pin, mPin))
    {
        mPin.clear();
        mWrongPins = 0;
        return Result::kPaired;
    }
    if (++mWrongPins < kMaxWrongPins)
        return Result::kWrongPin;
    mWrongPins = 0;
    mPin.clear();
    mLockedUntil = now + kLockTime;
    return Result::kLocked;
}

std::string PallixRemotePairing::GetPin(Clock::time_point now) const
{
    if (mPin.empty() || now >= mExpiry)
        return std::string();
    return mPin;
}
