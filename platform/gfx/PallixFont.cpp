#include "PallixFont.h"

#include "PallixFontCache.h"
#include "PallixTextLayout.h"

#include <algorithm>
#include <cstdint>

void PallixFont::SetAttributes(const Attributes& attributes)
{
    mAttributes = attributes;
    // A face name always ends inside its buffer.
    mAttributes.m_faceName[sizeof(mAttributes.m_faceName) - 1] = 0;
}

PallixDims PallixFont::GetTextExtent(const char* text) const
{
    if (!text || !*text)
        return PallixDims(0, static_cast<uint32_t>(PallixFontCache::Get().GetLineHeight(mAttributes)));
    const auto& lines = PallixFontCache::Get().GetLayout(mAttributes, text, UINT32_MAX, UINT32_MAX, 0);
    int width = 0;
    for (const PallixTextLayout::Line& line : lines)
        width = std::max(width, PallixFontCache::Get().Measure(mAttributes, line.text));
    const int height = int(lines.size()) * PallixFontCache::Get().GetLineHeight(mAttributes);
    return PallixDims(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
}
