#include "PallixTimerQueue.h"

#include "PallixTimer.h"

#include <algorithm>
#include <utility>
#include <vector>

PallixTimerQueue& PallixTimerQueue::Instance()
{
    // Never destroyed: timer objects built before main are destroyed after it,
    // possibly after a function-local static would have been.
    static PallixTimerQueue* pQueue = new PallixTimerQueue();
    return *pQueue;
}

uint32_t PallixTimerQueue::Add(PallixTimer* pOwner, uint32_t nMilliseconds)
{
    // A period of 0 would spin the loop; the shortest period is one millisecond.
    const Clock::duration period = std::chrono::milliseconds(std::max<uint32_t>(nMilliseconds, 1));
    std::lock_guard<std::mutex> lock(mMutex);
    // Ids are never reused, so a stale id can never name a newer timer. 0 is "none".
    do
    {
        ++mLastID;
    } while (mLastID == 0 || mTimers.count(mLastID) != 0);
    mTimers[mLastID] = Entry{pOwner, period, Clock::now() + period};
    return mLastID;
}

void PallixTimerQueue::Kill(PallixTimer* pOwner, uint32_t nTimerID)
{
    std::lock_guard<std::mutex> lock(mMutex);
    auto it = mTimers.find(nTimerID);
    if (it != mTimers.end() && it->second.pOwner == pOwner)
        mTimers.erase(it);
}

void PallixTimerQueue::KillAll(PallixTimer* pOwner)
{
    std::lock_guard<std::mutex> lock(mMutex);
    std::erase_if(mTimers, [pOwner](const auto& item) { return item.second.pOwner == pOwner; });
}

std::optional<PallixTimerQueue::Clock::time_point> PallixTimerQueue::GetNextDue()
{
    std::lock_guard<std::mutex> lock(mMutex);
    std::optional<Clock::time_point> next;
    for (const auto& [id, entry] : mTimers)
    {
        if (!next || entry.due < *next)
            next = entry.due;
    }
    return next;
}

void PallixTimerQueue::RunDue(Clock::time_point now, const std::function<bool()>& bStop)
{
    std::vector<std::pair<Clock::time_point, uint32_t>> due;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        for (const auto& [id, entry] : mTimers)
        {
            if (entry.due <= now)
                due.emplace_back(entry.due, id);
        }
    }
    std::sort(due.begin(), due.end());

    for (const auto& [dueTime, id] : due)
    {
        if (bStop())
            return;
        PallixTimer* pOwner = nullptr;
        {
            std::lock_guard<std::mutex> lock(mMutex);
            auto it = mTimers.find(id);
            // Killed by an earlier tick of this turn (ids are never reused, so a
            // found id is the same timer).
            if (it == mTimers.end())
                continue;
            Entry& entry = it->second;
            // A late loop skips the periods it missed instead of firing a burst.
            entry.due += entry.period;
            if (entry.due <= now)
                entry.due = now + entry.period;
            pOwner = entry.pOwner;
        }
        // The lock is not held here: OnTimer may set, kill or destroy timers,
        // including its own object. Nothing touches pOwner after the call.
        pOwner->OnTimer(id);
    }
}
