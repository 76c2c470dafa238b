#pragma once

#include <cstdint>

// Packed as r<<24 | g<<16 | b<<8 | a.
struct PallixColor
{
    PallixColor() = default;
    PallixColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255)
        : mValue(uint32_t(r) << 24 | uint32_t(g) << 16 | uint32_t(b) << 8 | a)
    {
    }

    uint8_t GetRed() const { return static_cast<uint8_t>(mValue >> 24); }
    uint8_t GetGreen() const { return static_cast<uint8_t>(mValue >> 16); }
    uint8_t GetBlue() const { return static_cast<uint8_t>(mValue >> 8); }
    uint8_t GetAlpha() const { return static_cast<uint8_t>(mValue); }
    uint32_t GetPacked() const { return mValue; }

    bool operator==(const PallixColor&) const = default;

private:
    uint32_t mValue = 0;
};
