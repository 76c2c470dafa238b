#pragma once

#include <cstdint>

struct PallixDims
{
    PallixDims() = default;
    PallixDims(uint32_t pw, uint32_t ph) : w(pw), h(ph) {}

    uint32_t w = 0;
    uint32_t h = 0;

    bool operator==(const PallixDims&) const = default;
};
