#include "PallixWorkQueue.h"

#include <cerrno>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

PallixWorkQueue& PallixWorkQueue::Instance()
{
    // Never destroyed: static objects of the system may post or be torn down
    // after main returns, in any order.
    static PallixWorkQueue* pQueue = new PallixWorkQueue();
    return *pQueue;
}

PallixWorkQueue::PallixWorkQueue() : mWakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

void PallixWorkQueue::Post(std::function<void()> work)
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mWork.push_back(std::move(work));
    }
    Wake();
}

void PallixWorkQueue::Wake()
{
    if (mWakeFd < 0)
        return;
    const uint64_t one = 1;
    // A full counter (EAGAIN) already means "wake up", so a failed write loses nothing.
    while (::write(mWakeFd, &one, sizeof one) < 0 && errno == EINTR)
    {
    }
}

void PallixWorkQueue::ClearWake()
{
    if (mWakeFd < 0)
        return;
    uint64_t count = 0;
    while (::read(mWakeFd, &count, sizeof count) < 0 && errno == EINTR)
    {
    }
}

std::deque<std::function<void()>> PallixWorkQueue::TakeAll()
{
    std::lock_guard<std::mutex> lock(mMutex);
    std::deque<std::function<void()>> taken;
    taken.swap(mWork);
    return taken;
}

void PallixWorkQueue::PutBack(std::deque<std::function<void()>> work)
{
    if (work.empty())
        return;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        work.insert(work.end(), std::make_move_iterator(mWork.begin()), std::make_move_iterator(mWork.end()));
        mWork.swap(work);
    }
    Wake();
}
