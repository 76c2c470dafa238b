#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

// Millisecond samples of one measurement, reported as mean, median, p95 and worst.
struct BenchFigures
{
    std::vector<double> ms;

    void report(const char* what) const
    {
        if (ms.empty())
            return;
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        double sum = 0;
        for (double v : sorted)
            sum += v;
        auto at = [&](double q) { return sorted[std::min(sorted.size() - 1, size_t(q * double(sorted.size())))]; };
        std::printf("%-34s n=%zu  mean %.3f ms  median %.3f ms  p95 %.3f ms  max %.3f ms\n", what, sorted.size(),
                    sum / double(sorted.size()), at(0.5), at(0.95), sorted.back());
    }
};
