// Any bytes as a title or a description: laid out, shaped and drawn by the text
// layer (bidirectional runs, fallback faces, line breaks, ellipses). What is
// drawn must stay inside its rectangle, and a text kept to its width must be
// no wider than the rectangle.
#include "PallixBitmap.h"
#include "PallixFont.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{
bool inkOutside(const PallixBitmap& bitmap, const PallixRect& rect)
{
    const PallixRect all = bitmap.GetRect();
    for (int y = 0; y < int(all.h); ++y)
        for (int x = 0; x < int(all.w); ++x)
        {
            const bool bInside = x >= rect.x && x < rect.x + int(rect.w) && y >= rect.y && y < rect.y + int(rect.h);
            if (!bInside && bitmap.GetPixel(x, y).GetAlpha() != 0)
                return true;
        }
    return false;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // First byte: the flags (centring, right, wrapping, ellipsis); second: the box's width.
    const uint32_t flags = (data[0] & 0x3) | (data[0] & 0x4 ? 0x20 : 0) | (data[0] & 0x8 ? 0x40 : 0) |
                           (data[0] & 0x10 ? 0x100 : 0);
    const PallixRect rect(8, 6, 20u + data[1], 60);
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    static PallixFont font = [] {
        PallixFont made;
        PallixFont::Attributes attributes;
        attributes.m_nPointSize = 22;
        made.SetAttributes(attributes);
        return made;
    }();
    static PallixBitmap bitmap;
    if (bitmap.GetDims().w == 0)
        bitmap.Create(300, 80);
    bitmap.FillRect(bitmap.GetRect(), PallixColor(0, 0, 0, 0));
    bitmap.DrawText(font, rect, text.c_str(), PallixColor(255, 255, 255, 255), flags);
    if (inkOutside(bitmap, rect))
    {
        std::fprintf(stderr, "Text layout fuzz: ink outside the rectangle with flags 0x%x\n", flags);
        std::abort();
    }
    font.GetTextExtent(text.c_str());
    return 0;
}
