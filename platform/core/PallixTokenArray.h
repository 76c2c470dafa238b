#pragma once

#include "PallixString.h"

#include <vector>

// Splits a text at every one of the separator characters; a run of separators
// counts as one, so no token is ever empty.
class PallixTokenArray
{
public:
    PallixTokenArray(const char* text, const char* separators);

    int GetNumTokens() const { return static_cast<int>(mTokens.size()); }
    // An index outside the tokens gives the empty string.
    PallixString TokenAt(int index) const;

private:
    std::vector<PallixString> mTokens;
};
