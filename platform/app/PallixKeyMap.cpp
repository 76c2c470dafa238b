#include "PallixKeyMap.h"

#include <array>
#include <charconv>

namespace
{
// Keys of the remote control; the keyboard column is the window back-end's map.
constexpr std::array<PallixKeyBinding, 15> kBindings = {{
    {"Select", 0x1000B, "Return"},
    {"Up", 0x1000C, "Up"},
    {"Down", 0x1000D, "Down"},
    {"Left", 0x1000E, "Left"},
    {"Right", 0x1000F, "Right"},
    {"Play", 0x10018, "Space"},
    {"Next", 0x1001B, "N"},
    {"Back", 0x1001C, "Backspace"},
    {"PageUp", 0x1001D, "PageUp"},
    {"PageDown", 0x1001E, "PageDown"},
    {"Zoom", 0x1001F, "Z"},
    {"Info", 0x10021, "I"},
    {"Exit", 0x10022, "Escape"},
    {"Subtitle", 0x10023, "S"},
    {"Audio", 0x10024, "A"},
}};

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
