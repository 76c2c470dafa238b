#include "ParallelWork.h"

#include <algorithm>
#include <atomic>
#include <system_error>

namespace
{
constexpr unsigned MAX_THREADS = 8;
}

int ParallelWork::getThreadCount()
{
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, MAX_THREADS));
}

std::vector<std::jthread> ParallelWork::startHelpers(int nThreads, const std::function<void()>& drain)
{
    std::vector<std::jthread> helpers;
    for (int n = 0; n < nThreads; ++n)
    {
        try
        {
            helpers.emplace_back(drain);
        }
        catch (const std::system_error&)
        {
            break;
        }
    }
    return helpers;
}

void ParallelWork::forEach(int nCount, int nChunk, const std::function<void(int)>& work)
{
    nChunk = std::max(nChunk, 1);
    int nChunks = nCount / nChunk + (nCount % nChunk != 0 ? 1 : 0);
    int nThreads = std::min(getThreadCount(), nChunks);
    std::atomic<int> next{0};
    auto drain = [&]
    {
        for (int start; (start = next.fetch_add(nChunk)) < nCount;)
            for (int i = start; i < std::min(start + nChunk, nCount); ++i)
                work(i);
    };
    // The calling thread is one of the threads.
    std::vector<std::jthread> helpers = startHelpers(nThreads - 1, drain);
    drain();
}

void ParallelWork::forEachBeside(int nThreads, int nCount, const std::function<void(int)>& work,
                                 const std::function<void()>& alongside)
{
    std::atomic<int> next{0};
    auto drain = [&]
    {
        for (int i; (i = next.fetch_add(1)) < nCount;)
            work(i);
    };
    std::vector<std::jthread> helpers = startHelpers(std::min(nThreads, nCount), drain);
    if (helpers.empty())
        drain();
    alongside();
}
