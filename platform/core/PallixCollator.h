#pragma once

#include <string_view>

// The order in which a person looks for names in a list: letter case and
// accents count only between names that are otherwise alike ("Amelia",
// "Amélie", "amelie", then "Zorro"), by the Unicode collation algorithm (ICU).
// Names alike in every respect fall back to their bytes, so the order is total.
class PallixCollator
{
public:
    static bool Less(std::string_view a, std::string_view b);
};
