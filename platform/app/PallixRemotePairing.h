#pragma once

#include <chrono>
#include <string>
#include <string_view>

// Pairing a phone with the remote page: the TV shows a six-digit PIN for a
// minute, the phone sends it back. Five wrong PINs in a row lock pairing for
// five minutes, so the million PINs cannot be tried in turn. Times are passed
// in, so the rules run on any clock. Not thread-safe: the server serialises it.
class PallixRemotePairing
{
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::seconds kPinLifetime{60};
    static constexpr std::chrono::minutes kLockTime{5};
    static constexpr int kMaxWrongPins = 5;

    enum class Result
    {
        kPaired,
        kWrongPin,
        // No PIN is showing (never asked for, expired, or used).
        kNoPin,
        kLocked
    };

    // A PIN to show: the one showing, or a new one. False while locked.
    bool Start(Clock::time_point now, std::string& pin);
    // A wrong PIN counts towards the lock-out even when it is not the fifth in
    // one PIN's minute; the count starts again after a pairing or a lock-out.
    Result Submit(std::string_view pin, Clock::time_point now);

    bool IsLocked(Clock::time_point now) const { return now < mLockedUntil; }
    Clock::time_point GetLockedUntil() const { return mLockedUntil; }
    // The PIN showing at now; empty when none is.
    std::string GetPin(Clock::time_point now) const;
    Clock::time_point GetPinExpiry() const { return mExpiry; }

    static bool IsWellFormedPin(std::string_view pin);

private:
    std::string mPin;
    Clock::time_point mExpiry;
    int mWrongPins = 0;
    Clock::time_point mLockedUntil;
};
