#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// One binding of a remote-control key: its code, the name the control channel
// accepts, and the keyboard key the window back-end maps to it (an SDL key name,
// so this table needs no SDL header).
struct PallixKeyBinding
{
    const char* name;
    uint32_t code;
    const char* keyboardKey;
};

// The one table that maps key names and keyboard keys to remote key codes.
class PallixKeyMap
{
public:
    static std::span<const PallixKeyBinding> GetBindings();

    // The code of a key name ("Select", "pageup"...), letter case ignored.
    static bool CodeForName(std::string_view name, uint32_t& nCode);
    // A key name, or a code written as 0x1000D (hexadecimal) or 65549 (decimal).
    static bool ParseKey(std::string_view text, uint32_t& nCode);
};
