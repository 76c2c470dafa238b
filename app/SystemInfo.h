#pragma once

#include "PallixString.h"

// The box's network hardware address.
class SystemInfo
{
public:
    // Used when no address can be found: BC:9A:78:56:34:12 in text form.
    static constexpr unsigned long long PLACEHOLDER_MAC = 0x123456789ABCULL;

    // The six address bytes in the low-order bytes, lowest first; the placeholder
    // (with a line on standard error naming ifc, or "eth0") when none is found.
    static unsigned long long getMac(const char* ifc);
    // Six upper-case hex pairs joined by ":".
    static PallixString getMacAsString();
    static PallixString formatMac(unsigned long long mac);

private:
    static int sma(unsigned char* addr);
};
