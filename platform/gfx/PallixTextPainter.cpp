#include "PallixTextPainter.h"

#include "PallixFontCache.h"
#include "PallixTextLayout.h"

#include <algorithm>
#include <cstdint>

namespace
{
void drawLines(const PallixRaster::View& dest, const PallixRect& clip, const PallixFont::Attributes& attributes,
               const std::vector<PallixTextLayout::Line>& lines, int64_t originX, int64_t originY, PallixColor color)
{
    PallixFontCache& cache = PallixFontCache::Get();
    for (const PallixTextLayout::Line& line : lines)
    {
        const int64_t x = originX + line.x, y = originY + line.y;
        if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX)
            continue;
        const PallixFontCache::Run* run = cache.GetRun(attributes, line.text, line.bRightToLeft);
        if (run && run->w > 0 && y + run->top >= INT32_MIN)
        {
            PallixRaster::BlendMask(dest, clip, PallixPoint(int32_t(x), int32_t(y + run->top)), run->coverage.data(),
                                    run->w, run->w, run->h, color);
        }
    }
}
} // namespace

void PallixTextPainter::DrawInRect(const PallixRaster::View& dest, const PallixRect& clip, const PallixFont& font,
                                   const PallixRect& rect, const char* text, PallixColor color, uint32_t flags)
{
    if (!text || !*text || rect.IsEmpty() || color.GetAlpha() == 0)
        return;
    PallixRect inside;
    inside.MakeIntersectRect(clip, rect);
    if (inside.IsEmpty())
        return;
    const auto& lines = PallixFontCache::Get().GetLayout(font.GetAttributes(), text, rect.w, rect.h, flags);
    drawLines(dest, inside, font.GetAttributes(), lines, rect.x, rect.y, color);
}

void PallixTextPainter::DrawAtPoint(const PallixRaster::View& dest, const PallixRect& clip, const PallixFont& font,
                                    const PallixPoint& point, const char* text, PallixColor color, uint32_t flags)
{
    if (!text || !*text || color.GetAlpha() == 0)
        return;
    PallixFontCache& cache = PallixFontCache::Get();
    const PallixFont::Attributes& attributes = font.GetAttributes();
    // Anchoring uses the text's own extent; width and wrapping limits do not apply.
    const uint32_t anchorFlags = flags & (PallixTextLayout::kCenterHorizontal | PallixTextLayout::kAlignRight |
                                          PallixTextLayout::kCenterVertical);
    const auto lines = cache.GetLayout(attributes, text, 0, 0, 0);
    int64_t width = 0;
    for (const PallixTextLayout::Line& line : lines)
        width = std::max<int64_t>(width, cache.Measure(attributes, line.text));
    const int64_t height = int64_t(lines.size()) * cache.GetLineHeight(attributes);
    int64_t x = point.x, y = point.y;
    if (anchorFlags & PallixTextLayout::kCenterHorizontal)
        x -= width / 2;
    else if (anchorFlags & PallixTextLayout::kAlignRight)
        x -= width;
    if (anchorFlags & PallixTextLayout::kCenterVertical)
        y -= height / 2;
    std::vector<PallixTextLayout::Line> placed;
    for (const PallixTextLayout::Line& line : lines)
    {
        PallixTextLayout::Line copy = line;
        const int lineW = cache.Measure(attributes, line.text);
        copy.x = (anchorFlags & PallixTextLayout::kCenterHorizontal) ? int((width - lineW) / 2)
                 : (anchorFlags & PallixTextLayout::kAlignRight)     ? int(width - lineW)
                                                                     : 0;
        placed.push_back(std::move(copy));
    }
    drawLines(dest, clip, attributes, placed, x, y, color);
}
