#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>

class PallixTimer;

// Every running timer of the process, keyed by id. Ticks are delivered only by
// the event loop (RunDue); timers may be set and killed before the loop runs.
class PallixTimerQueue
{
public:
    using Clock = std::chrono::steady_clock;

    static PallixTimerQueue& Instance();

    PallixTimerQueue(const PallixTimerQueue&) = delete;
    PallixTimerQueue& operator=(const PallixTimerQueue&) = delete;

    uint32_t Add(PallixTimer* pOwner, uint32_t nMilliseconds);
    // Only the owner may kill its timer; other ids are ignored.
    void Kill(PallixTimer* pOwner, uint32_t nTimerID);
    void KillAll(PallixTimer* pOwner);

    // The earliest due time of any timer, if there is one.
    std::optional<Clock::time_point> GetNextDue();

    // Delivers one tick of each timer due at now, earliest first. A timer killed
    // before its turn in this call is skipped. bStop is asked before each tick.
    void RunDue(Clock::time_point now, const std::function<bool()>& bStop);

private:
    PallixTimerQueue() = default;

    struct Entry
    {
        PallixTimer* pOwner;
        Clock::duration period;
        Clock::time_point due;
    };

    std::mutex mMutex;
    std::map<uint32_t, Entry> mTimers;
    uint32_t mLastID = 0;
};
