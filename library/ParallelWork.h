#pragma once

#include <functional>
#include <thread>
#include <vector>

// Spreads independent pieces of work over the processor's cores. Start-up passes over a
// large collection wait mostly on the file system and the memory system, title by
// title, and a box with two cores finishes them in about half the time.
class ParallelWork
{
public:
    // Threads worth running at once: one per core, at most 8.
    static int getThreadCount();

    // Runs work(i) once for every i below nCount, on up to getThreadCount() threads, the
    // calling one among them. Each thread claims nChunk consecutive indexes at a time;
    // with a single chunk, or when no thread can be started, everything runs on the
    // calling thread. Returns when all is done.
    // Calls for different indexes must not touch the same data.
    static void forEach(int nCount, int nChunk, const std::function<void(int)>& work);
    // Runs work(i) once for every i below nCount, in order of claim, on up to nThreads
    // threads of their own, while the calling thread runs alongside() (which may wait
    // for the work's results). Without another thread the work is all done first, on
    // the calling thread. Returns when both are done.
    static void forEachBeside(int nThreads, int nCount, const std::function<void(int)>& work,
                              const std::function<void()>& alongside);

private:
    // Up to nThreads threads running drain; fewer when the system has none to give.
    static std::vector<std::jthread> startHelpers(int nThreads, const std::function<void()>& drain);
};
