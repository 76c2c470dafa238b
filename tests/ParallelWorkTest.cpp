#include "ParallelWork.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <pthread.h>
#include <thread>

TEST(ParallelWork, EveryIndexRunsExactlyOnce)
{
    EXPECT_GE(ParallelWork::getThreadCount(), 1);
    EXPECT_LE(ParallelWork::getThreadCount(), 8);
    for (int nChunk : {0, 1, 7, 64})
    {
        for (int nCount : {0, 1, 6, 7, 8, 63, 64, 65, 1000})
        {
            auto runs = std::make_unique<std::atomic<int>[]>(static_cast<size_t>(nCount) + 1);
            ParallelWork::forEach(nCount, nChunk, [&](int i) { runs[static_cast<size_t>(i)]++; });
            for (int i = 0; i <= nCount; ++i)
                ASSERT_EQ(runs[static_cast<size_t>(i)].load(), i < nCount ? 1 : 0)
                    << "index " << i << " of " << nCount << " in chunks of " << nChunk;
        }
    }
}

TEST(ParallelWork, WithoutThreadsToSpareTheCallingThreadDoesItAll)
{
    // Threads that ask for more stack than there is address space cannot be
    // started, on 32-bit boxes as on 64-bit ones.
    pthread_attr_t defaults;
    ASSERT_EQ(pthread_getattr_default_np(&defaults), 0);
    pthread_attr_t huge;
    pthread_attr_init(&huge);
    pthread_attr_setstacksize(&huge, ~size_t(0) & ~size_t(0xFFFF));
    ASSERT_EQ(pthread_setattr_default_np(&huge), 0);
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<int> runs{0};
    std::atomic<int> elsewhere{0};
    ParallelWork::forEach(1000, 1,
                          [&](int)
                          {
                              ++runs;
                              if (std::this_thread::get_id() != caller)
                                  ++elsewhere;
                          });
    pthread_setattr_default_np(&defaults);
    pthread_attr_destroy(&huge);
    pthread_attr_destroy(&defaults);
    EXPECT_EQ(runs.load(), 1000);
    EXPECT_EQ(elsewhere.load(), 0);
}
