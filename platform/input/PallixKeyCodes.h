#pragma once

#include <cstdint>

// The codes of the remote control's keys, as windows receive them: the one
// list of them. The key map gives each its name and the inputs that stand for
// it; the application reads them under names of its own.
struct PallixKeyCodes
{
    static constexpr uint32_t kSelect = 0x1000B;
    // Up to Right are the navigation keys, which go to a window's OnNavKey.
    static constexpr uint32_t kUp = 0x1000C;
    static constexpr uint32_t kDown = 0x1000D;
    static constexpr uint32_t kLeft = 0x1000E;
    static constexpr uint32_t kRight = 0x1000F;
    static constexpr uint32_t kPlay = 0x10018;
    static constexpr uint32_t kNext = 0x1001B;
    static constexpr uint32_t kBack = 0x1001C;
    static constexpr uint32_t kPageUp = 0x1001D;
    static constexpr uint32_t kPageDown = 0x1001E;
    static constexpr uint32_t kZoom = 0x1001F;
    static constexpr uint32_t kInfo = 0x10021;
    static constexpr uint32_t kExit = 0x10022;
    static constexpr uint32_t kSubtitle = 0x10023;
    static constexpr uint32_t kAudio = 0x10024;

    static constexpr bool IsNavigation(uint32_t nCode) { return nCode >= kUp && nCode <= kRight; }
};
