#pragma once

#include <deque>
#include <functional>
#include <mutex>

// Work posted to the event loop from any thread, run on the loop in posting
// order. Posting writes to an eventfd that the loop polls, so a waiting loop
// wakes at once. The queue lives for the whole process: work may be posted
// before the loop runs (it is run once a loop turns); work still queued when a
// loop ends is dropped by it.
class PallixWorkQueue
{
public:
    static PallixWorkQueue& Instance();

    PallixWorkQueue(const PallixWorkQueue&) = delete;
    PallixWorkQueue& operator=(const PallixWorkQueue&) = delete;

    // Any thread.
    void Post(std::function<void()> work);
    // Wakes a waiting loop without posting anything (any thread).
    void Wake();

    // Loop side: the descriptor to poll for reading, and the read that re-arms it.
    int GetWakeFd() const { return mWakeFd; }
    void ClearWake();

    // Loop side: takes everything posted so far, oldest first.
    std::deque<std::function<void()>> TakeAll();
    // Loop side: puts back work that was taken but not run, ahead of newer work.
    void PutBack(std::deque<std::function<void()>> work);

private:
    PallixWorkQueue();

    std::mutex mMutex;
    std::deque<std::function<void()>> mWork;
    int mWakeFd = -1;
};
