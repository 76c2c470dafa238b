#pragma once

#include <cstdint>

struct PallixPoint
{
    PallixPoint() = default;
    PallixPoint(int32_t px, int32_t py) : x(px), y(py) {}

    int32_t x = 0;
    int32_t y = 0;

    bool operator==(const PallixPoint&) const = default;
};
