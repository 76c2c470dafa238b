#pragma once

#include "PallixDims.h"

#include <cstdint>

// A face at a pixel size. Fonts are cheap handles; the rendered face is cached
// per face, weight and size and loaded on first use.
class PallixFont
{
public:
    enum Weight
    {
        kNormal = 0,
        kBold = 1,
        kItalic = 2
    };

    struct Attributes
    {
        char m_faceName[48] = "system";
        uint32_t m_weightFlags = kNormal;
        uint16_t m_nPointSize = 16;
    };

    PallixFont() = default;
    PallixFont(const PallixFont&) = default;
    PallixFont& operator=(const PallixFont&) = default;

    void SetAttributes(const Attributes& attributes);
    const Attributes& GetAttributes() const { return mAttributes; }

    // Width and height of text drawn in this font; height is the line height.
    PallixDims GetTextExtent(const char* text) const;

private:
    Attributes mAttributes;
};
