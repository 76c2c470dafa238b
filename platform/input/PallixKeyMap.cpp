#include "PallixKeyMap.h"

#include "PallixKeyCodes.h"

#include <array>
#include <charconv>
#include <linux/input-event-codes.h>

namespace
{
// Keys of the remote control; the keyboard column is the window back-end's map.
constexpr std::array<PallixKeyBinding, 15> kBindings = {{
    {"Select", PallixKeyCodes::kSelect, "Return"},
    {"Up", PallixKeyCodes::kUp, "Up"},
    {"Down", PallixKeyCodes::kDown, "Down"},
    {"Left", PallixKeyCodes::kLeft, "Left"},
    {"Right", PallixKeyCodes::kRight, "Right"},
    {"Play", PallixKeyCodes::kPlay, "Space"},
    {"Next", PallixKeyCodes::kNext, "N"},
    {"Back", PallixKeyCodes::kBack, "Backspace"},
    {"PageUp", PallixKeyCodes::kPageUp, "PageUp"},
    {"PageDown", PallixKeyCodes::kPageDown, "PageDown"},
    {"Zoom", PallixKeyCodes::kZoom, "Z"},
    {"Info", PallixKeyCodes::kInfo, "I"},
    {"Exit", PallixKeyCodes::kExit, "Escape"},
    {"Subtitle", PallixKeyCodes::kSubtitle, "S"},
    {"Audio", PallixKeyCodes::kAudio, "A"},
}};

// Media and TV keys, gamepads. Remotes reach Linux as input devices: the keys
// SDL knows arrive as keyboard keys, the rest (codes SDL 2 has no name for, and
// that X11 cannot carry) are read from the devices.
constexpr PallixInputBinding kInputBindings[] = {
    {PallixInputKind::kKeyboard, "AudioPlay", 0, "Play"},
    {PallixInputKind::kKeyboard, "Pause", 0, "Play"},
    {PallixInputKind::kKeyboard, "AudioNext", 0, "Next"},
    {PallixInputKind::kKeyboard, "AudioFastForward", 0, "Next"},
    {PallixInputKind::kKeyboard, "AudioStop", 0, "Exit"},
    {PallixInputKind::kKeyboard, "Stop", 0, "Exit"},
    {PallixInputKind::kKeyboard, "AC Back", 0, "Back"},
    {PallixInputKind::kKeyboard, "Menu", 0, "Info"},
    {PallixInputKind::kKeyboard, "Application", 0, "Info"},
    {PallixInputKind::kKeyboard, "Select", 0, "Select"},
    {PallixInputKind::kKeyboard, "Keypad Enter", 0, "Select"},
    {PallixInputKind::kLinuxKey, "KEY_OK", KEY_OK, "Select"},
    {PallixInputKind::kLinuxKey, "KEY_SELECT", KEY_SELECT, "Select"},
    {PallixInputKind::kLinuxKey, "KEY_INFO", KEY_INFO, "Info"},
    {PallixInputKind::kLinuxKey, "KEY_CHANNELUP", KEY_CHANNELUP, "PageUp"},
    {PallixInputKind::kLinuxKey, "KEY_CHANNELDOWN", KEY_CHANNELDOWN, "PageDown"},
    {PallixInputKind::kLinuxKey, "KEY_NEXT", KEY_NEXT, "Next"},
    {PallixInputKind::kLinuxKey, "KEY_EXIT", KEY_EXIT, "Exit"},
    {PallixInputKind::kLinuxKey, "KEY_SUBTITLE", KEY_SUBTITLE, "Subtitle"},
    {PallixInputKind::kLinuxKey, "KEY_AUDIO", KEY_AUDIO, "Audio"},
    {PallixInputKind::kPadButton, "dpup", 0, "Up"},
    {PallixInputKind::kPadButton, "dpdown", 0, "Down"},
    {PallixInputKind::kPadButton, "dpleft", 0, "Left"},
    {PallixInputKind::kPadButton, "dpright", 0, "Right"},
    {PallixInputKind::kPadButton, "a", 0, "Select"},
    {PallixInputKind::kPadButton, "b", 0, "Back"},
    {PallixInputKind::kPadButton, "x", 0, "Info"},
    {PallixInputKind::kPadButton, "y", 0, "Zoom"},
    {PallixInputKind::kPadButton, "start", 0, "Play"},
    // The only way off the player with a pad in hand.
    {PallixInputKind::kPadButton, "back", 0, "Exit"},
    {PallixInputKind::kPadButton, "leftshoulder", 0, "PageUp"},
    {PallixInputKind::kPadButton, "rightshoulder", 0, "PageDown"},
    {PallixInputKind::kPadStick, "lefty-", 0, "Up"},
    {PallixInputKind::kPadStick, "lefty+", 0, "Down"},
    {PallixInputKind::kPadStick, "leftx-", 0, "Left"},
    {PallixInputKind::kPadStick, "leftx+", 0, "Right"},
};

char foldAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
    {
        if (foldAscii(a[i]) != foldAscii(b[i]))
            return false;
    }
    return true;
}

bool parseNumber(std::string_view text, int base, uint32_t& nValue)
{
    if (text.empty())
        return false;
    uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size())
        return false;
    nValue = value;
    return true;
}
} // namespace

std::span<const PallixKeyBinding> PallixKeyMap::GetBindings()
{
    return kBindings;
}

std::span<const PallixInputBinding> PallixKeyMap::GetInputBindings()
{
    return kInputBindings;
}

bool PallixKeyMap::CodeForName(std::string_view name, uint32_t& nCode)
{
    for (const PallixKeyBinding& binding : kBindings)
    {
        if (equalIgnoringCase(name, binding.name))
        {
            nCode = binding.code;
            return true;
        }
    }
    return false;
}

bool PallixKeyMap::ParseKey(std::string_view text, uint32_t& nCode)
{
    if (CodeForName(text, nCode))
        return true;
    uint32_t value = 0;
    bool bParsed = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        bParsed = parseNumber(text.substr(2), 16, value);
    else if (!text.empty() && text[0] >= '0' && text[0] <= '9')
        bParsed = parseNumber(text, 10, value);
    // Code 0 means "no key" everywhere in the system, so it is never delivered.
    if (!bParsed || value == 0)
        return false;
    nCode = value;
    return true;
}
