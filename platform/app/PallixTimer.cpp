#include "PallixTimer.h"

#include "PallixEventLoop.h"
#include "PallixTimerQueue.h"
#include "PallixWorkQueue.h"

PallixTimer::~PallixTimer()
{
    PallixTimerQueue::Instance().KillAll(this);
}

// Timers belong to the object that set them: a copy starts with none.
PallixTimer::PallixTimer(const PallixTimer&) {}

// Assignment leaves both objects' timers where they are.
PallixTimer& PallixTimer::operator=(const PallixTimer&)
{
    return *this;
}

void PallixTimer::OnTimer(uint32_t) {}

uint32_t PallixTimer::SetTimer(uint32_t nMilliseconds)
{
    uint32_t id = PallixTimerQueue::Instance().Add(this, nMilliseconds);
    // A loop waiting on another thread must recompute its timeout; on the loop
    // thread the next wait is computed after the current step anyway.
    if (!PallixEventLoop::IsLoopThread())
        PallixWorkQueue::Instance().Wake();
    return id;
}

void PallixTimer::KillTimer(uint32_t nTimerID)
{
    PallixTimerQueue::Instance().Kill(this, nTimerID);
}
