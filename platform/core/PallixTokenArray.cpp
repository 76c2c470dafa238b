#include "PallixTokenArray.h"

#include <cstring>

PallixTokenArray::PallixTokenArray(const char* text, const char* separators)
{
    if (!text)
        return;
    const char* seps = separators ? separators : "";
    const char* p = text;
    while (*p)
    {
        while (*p && std::strchr(seps, *p))
            ++p;
        const char* start = p;
        while (*p && !std::strchr(seps, *p))
            ++p;
        if (p > start)
            mTokens.emplace_back(start, static_cast<size_t>(p - start));
    }
}

PallixString PallixTokenArray::TokenAt(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= mTokens.size())
        return PallixString();
    return mTokens[static_cast<size_t>(index)];
}
