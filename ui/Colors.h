#pragma once

#include "PallixColor.h"

// The named text colours of every screen.
class Colors
{
public:
    static PallixColor WHITE;
    static PallixColor BLACK;
    static PallixColor YELLOW_TEXT;
    static PallixColor BLUE_TEXT;
};
