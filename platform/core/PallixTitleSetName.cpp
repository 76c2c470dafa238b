#include "PallixTitleSetName.h"

#include "PallixString.h"

namespace
{
// One or two digits, as a number; -1 for anything else.
int smallNumber(std::string_view text)
{
    if (text.empty() || text.size() > 2)
        return -1;
    int n = 0;
    for (char c : text)
    {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}
} // namespace

bool PallixTitleSetName::Is(std::string_view name)
{
    return name.size() >= 12 && PallixString::CompareFolded(name.substr(0, 4), "VTS_") == 0 &&
           PallixString::CompareFolded(name.substr(name.size() - 4), ".VOB") == 0;
}

bool PallixTitleSetName::Parse(std::string_view name, int& nSet, int& nPart, size_t& nPartAt)
{
    if (!Is(name))
        return false;
    const std::string_view middle = name.substr(4, name.size() - 8);
    const size_t nUnderscore = middle.find('_');
    if (nUnderscore == std::string_view::npos)
        return false;
    const int nSetFound = smallNumber(middle.substr(0, nUnderscore));
    const int nPartFound = smallNumber(middle.substr(nUnderscore + 1));
    if (nSetFound < 0 || nPartFound < 0)
        return false;
    nSet = nSetFound;
    nPart = nPartFound;
    nPartAt = 4 + nUnderscore + 1;
    return true;
}

bool PallixTitleSetName::Parse(std::string_view name, int& nSet, int& nPart)
{
    size_t nPartAt = 0;
    return Parse(name, nSet, nPart, nPartAt);
}
