#pragma once

#include "PallixFont.h"

// The sizes of the "system" face used on every screen. Shared by reference and
// never changed; code that needs a font of its own takes a copy.
class Fonts
{
public:
    // Gives every font its face and size; run once, by the one global instance.
    Fonts();

    static PallixFont SYSTEM_43;
    static PallixFont SYSTEM_38;
    static PallixFont SYSTEM_30;
    static PallixFont SYSTEM_28;
    static PallixFont SYSTEM_22;
    static PallixFont SYSTEM_18;

private:
    static void setSystemFont(PallixFont& font, uint16_t nPointSize);
};
