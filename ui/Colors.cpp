#include "Colors.h"

// Built before any other static object can copy them (list widgets built before
// main take copies), whatever the link order.
PallixColor Colors::WHITE __attribute__((init_priority(101)))(255, 255, 255, 255);
PallixColor Colors::BLACK __attribute__((init_priority(101)))(0, 0, 0, 255);
PallixColor Colors::YELLOW_TEXT __attribute__((init_priority(101)))(255, 255, 128, 255);
PallixColor Colors::BLUE_TEXT __attribute__((init_priority(101)))(27, 219, 228, 255);
