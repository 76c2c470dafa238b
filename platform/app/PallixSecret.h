#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <string_view>

// Secrets (PINs, tokens): made from the kernel's random source, compared in a
// time that tells nothing of how much of them matched.
class PallixSecret
{
public:
    static bool Equal(std::string_view a, std::string_view b);
    static void Fill(void* pBuffer, size_t nBytes);
    // Uniform in [0, nLimit), nLimit > 0.
    static uint32_t Below(uint32_t nLimit);
    // nBytes random bytes written as lower-case hexadecimal.
    static std::string Hex(size_t nBytes);
};
