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

// Where an input binding comes from.
enum class PallixInputKind
{
    // An SDL key name: keyboards, and the media keys of remotes that SDL delivers.
    kKeyboard,
    // A Linux input-event key that SDL 2 never delivers (HDMI-CEC and infrared
    // remotes), read from the input devices themselves.
    kLinuxKey,
    // An SDL game controller button name.
    kPadButton,
    // An SDL game controller axis name followed by the direction, "lefty-".
    kPadStick,
};

// One more input that stands for a remote key: media and TV keys, gamepads.
struct PallixInputBinding
{
    PallixInputKind kind;
    const char* input;
    // The input-event code of a kLinuxKey binding; 0 for the others.
    uint16_t linuxCode;
    // The remote key, by the name the control channel uses.
    const char* key;
};

// The tables that map key names, keyboard keys, media keys and gamepads to
// remote key codes.
class PallixKeyMap
{
public:
    static std::span<const PallixKeyBinding> GetBindings();
    // Inputs beyond each key's keyboard key.
    static std::span<const PallixInputBinding> GetInputBindings();

    // The code of a key name ("Select", "pageup"...), letter case ignored.
    static bool CodeForName(std::string_view name, uint32_t& nCode);
    // A key name, or a code written as 0x1000D (hexadecimal) or 65549 (decimal).
    static bool ParseKey(std::string_view text, uint32_t& nCode);
};
