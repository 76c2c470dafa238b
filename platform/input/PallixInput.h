#pragma once

#include <cstdint>

class PallixInput
{
public:
    // Tells the platform that the screen is in use, so it does not count as idle.
    static void NotifyScreenActivity();
    // Monotonic milliseconds of the last reported activity; 0 before any.
    static uint64_t GetLastActivityMs();
};
