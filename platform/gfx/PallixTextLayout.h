#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Breaks text into lines and places them in a box, for the text flags of
// PallixBitmap::DrawText. Lines break where the Unicode line-breaking rules
// allow, and are cut only between grapheme clusters. Knows nothing of fonts:
// widths come from a callback.
class PallixTextLayout
{
public:
    enum Flags : uint32_t
    {
        kCenterVertical = 0x1,
        kCenterHorizontal = 0x2,
        kAlignRight = 0x20,
        kWrap = 0x40,
        kEllipsis = 0x100
    };

    struct Line
    {
        std::string text;
        int x = 0; // offset from the box's left edge
        int y = 0; // offset from the box's top edge
        // Its paragraph's first strong letter reads right to left: the line is
        // laid out from the right, and wrapped lines keep to the right edge.
        bool bRightToLeft = false;
        bool operator==(const Line&) const = default;
    };

    using Measure = std::function<int(std::string_view)>;

    // Lines of text in a box of width x height with the given line height.
    static std::vector<Line> Lay(std::string_view text, uint32_t width, uint32_t height, int lineHeight,
                                 uint32_t flags, const Measure& measure);

    // The longest prefix of text, cut between grapheme clusters, that with the
    // ellipsis appended is at most width wide; the ellipsis alone, or nothing.
    static std::string Ellipsize(std::string_view text, int width, const Measure& measure);

    static constexpr std::string_view kEllipsisText = "\xE2\x80\xA6";
};
