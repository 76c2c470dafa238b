#include "PallixInput.h"

#include <algorithm>
#include <atomic>
#include <chrono>

namespace
{
std::atomic<uint64_t>& lastActivityMs()
{
    static std::atomic<uint64_t> value{0};
    return value;
}
} // namespace

void PallixInput::NotifyScreenActivity()
{
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    uint64_t ms = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    // 0 means "no activity yet", so a clock that has just started still counts.
    lastActivityMs().store(std::max<uint64_t>(ms, 1));
}

uint64_t PallixInput::GetLastActivityMs()
{
    return lastActivityMs().load();
}
