#include "ParallelWork.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

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
