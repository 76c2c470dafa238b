#pragma once

#include <cstdint>

// Base of every object that receives timer ticks. One object may run several
// timers, told apart by id. Timers die with their object.
class PallixTimer
{
public:
    PallixTimer() = default;
    virtual ~PallixTimer();
    PallixTimer(const PallixTimer&);
    PallixTimer& operator=(const PallixTimer&);

    virtual void OnTimer(uint32_t nTimerID);

    // Starts a repeating timer with a period of nMilliseconds; the id is never 0
    // and never reused within the run.
    uint32_t SetTimer(uint32_t nMilliseconds);
    // A tick of a killed timer is never delivered. Unknown ids are ignored.
    void KillTimer(uint32_t nTimerID);
};
