// The MPAA text of a title ("PG-13 for violence and language, some nudity"),
// from which MediaEntry::setMPAA derives the rating and the content codes.
#include "MediaEntry.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MediaEntry entry;
    entry.setMPAA(PallixString(reinterpret_cast<const char*>(data), size));
    // The codes are a bracketed list or nothing, and the rating is one word.
    const PallixString& codes = entry.getMPAA();
    const int nLength = codes.GetLength();
    if ((nLength > 0 && (codes[0] != '(' || codes[nLength - 1] != ')')) || entry.getRating().Contains(" ", true, false))
    {
        std::fprintf(stderr, "MPAA fuzz: codes \"%s\", rating \"%s\"\n", codes.str().c_str(),
                     entry.getRating().str().c_str());
        std::abort();
    }
    // A text given again gives the same result: nothing is left over from before.
    const PallixString firstCodes = codes;
    const PallixString firstRating = entry.getRating();
    entry.setMPAA(PallixString(reinterpret_cast<const char*>(data), size));
    if (entry.getMPAA() != firstCodes || entry.getRating() != firstRating)
    {
        std::fprintf(stderr, "MPAA fuzz: a second reading of the same text differs\n");
        std::abort();
    }
    return 0;
}
