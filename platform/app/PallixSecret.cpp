#include "PallixSecret.h"

#include <cerrno>
#include <cstdlib>
#include <sys/random.h>
#include <vector>

bool PallixSecret::Equal(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (size_t i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

void PallixSecret::Fill(void* pBuffer, size_t nBytes)
{
    auto* pBytes = static_cast<unsigned char*>(pBuffer);
    size_t nDone = 0;
    while (nDone < nBytes)
    {
        ssize_t n = ::getrandom(pBytes + nDone, nBytes - nDone, 0);
        if (n < 0 && errno == EINTR)
            continue;
        // Without the kernel's source no secret can be made: a guessable one
        // would be worse than none.
        if (n <= 0)
            std::abort();
        nDone += static_cast<size_t>(n);
    }
}

uint32_t PallixSecret::Below(uint32_t nLimit)
{
    // Values in the last, incomplete round of nLimit are drawn again, so each
    // result is equally likely.
    const uint32_t nReject = static_cast<uint32_t>(0x100000000ull % nLimit);
    for (;;)
    {
        uint32_t value = 0;
        Fill(&value, sizeof value);
        if (value >= nReject)
            return value % nLimit;
    }
}

std::string PallixSecret::Hex(size_t nBytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::vector<unsigned char> bytes(nBytes);
    Fill(bytes.data(), bytes.size());
    std::string text;
    text.reserve(nBytes * 2);
    for (unsigned char byte : bytes)
    {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}
