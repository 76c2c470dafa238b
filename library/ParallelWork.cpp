#include "ParallelWork.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace
{
constexpr unsigned MAX_THREADS = 8;
}

int ParallelWork::getThreadCount()
{
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, MAX_THREADS));
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
    std::vector<std::jthread> helpers;
    for (int n = 1; n < nThreads; ++n)
    {
        // Without another thread (the system has none to give) the calling thread
        // does the work alone.
        try
        {
            helpers.emplace_back(drain);
        }
        catch (const std::system_error&)
        {
            break;
        }
    }
    drain();
}
