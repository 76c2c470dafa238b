#include "Fonts.h"

#include <cstring>

// Complete before any other static object copies them (the player's list takes
// copies before main), whatever the link order: the fonts first, then gFonts,
// which sizes them.
PallixFont Fonts::SYSTEM_43 __attribute__((init_priority(101)));
PallixFont Fonts::SYSTEM_38 __attribute__((init_priority(101)));
PallixFont Fonts::SYSTEM_30 __attribute__((init_priority(101)));
PallixFont Fonts::SYSTEM_28 __attribute__((init_priority(101)));
PallixFont Fonts::SYSTEM_22 __attribute__((init_priority(101)));
PallixFont Fonts::SYSTEM_18 __attribute__((init_priority(101)));
Fonts gFonts __attribute__((init_priority(101)));

Fonts::Fonts()
{
    setSystemFont(SYSTEM_43, 43);
    setSystemFont(SYSTEM_38, 38);
    setSystemFont(SYSTEM_30, 30);
    setSystemFont(SYSTEM_28, 28);
    setSystemFont(SYSTEM_22, 22);
    setSystemFont(SYSTEM_18, 18);
}

void Fonts::setSystemFont(PallixFont& font, uint16_t nPointSize)
{
    PallixFont::Attributes attributes;
    std::strncpy(attributes.m_faceName, "system", sizeof(attributes.m_faceName) - 1);
    attributes.m_weightFlags = PallixFont::kNormal;
    attributes.m_nPointSize = nPointSize;
    font.SetAttributes(attributes);
}
