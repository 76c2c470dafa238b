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
    // The result depends on the text alone, not on what the entry held before,
    // except that a text naming no rating leaves the rating as it was.
    MediaEntry rated;
    rated.setMPAA("NC-17 for strong sexual content and violence");
    rated.setMPAA(PallixString(reinterpret_cast<const char*>(data), size));
    const bool bKept = entry.getRating().IsEmpty() && rated.getRating() == "NC-17";
    if (rated.getMPAA() != codes || (rated.getRating() != entry.getRating() && !bKept))
    {
        std::fprintf(stderr, "MPAA fuzz: codes \"%s\", rating \"%s\" after another text\n", rated.getMPAA().str().c_str(),
                     rated.getRating().str().c_str());
        std::abort();
    }
    return 0;
}
