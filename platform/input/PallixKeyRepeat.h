#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

// Repeats a held remote key at a pace fit for a TV, the same on every desktop
// whatever its own setting: the first repeat 400 ms after the press, then eight
// a second. Only the input pressed last repeats, and only while it is held. The
// exit key never repeats: a held exit key would leave a screen and then go on to
// end the application.
//
// An input is one physical control: a keyboard key, a button or stick of one
// pad. Times are passed in, so the pacing runs on any clock.
class PallixKeyRepeat
{
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::milliseconds kDelay{400};
    static constexpr std::chrono::milliseconds kInterval{125};

    void Press(uint64_t nInput, uint32_t nCode, Clock::time_point now);
    // Releasing another input than the one repeating changes nothing.
    void Release(uint64_t nInput);
    void ReleaseAll();

    // The repeat due at now, if one is. A loop that fell behind gets one repeat,
    // not a burst of the ones it missed.
    std::optional<uint32_t> TakeDue(Clock::time_point now);
    std::optional<Clock::time_point> GetNextDue() const;

private:
    bool mbHeld = false;
    uint64_t mInput = 0;
    uint32_t mCode = 0;
    Clock::time_point mDue;
};
