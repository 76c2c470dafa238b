#include "PallixCollator.h"

#include <unicode/ucol.h>

#include <climits>
#include <memory>

namespace
{
struct CollatorCloser
{
    void operator()(UCollator* pCollator) const { ucol_close(pCollator); }
};

// One collator a thread: opening one reads its tables.
UCollator* collator()
{
    thread_local std::unique_ptr<UCollator, CollatorCloser> pCollator;
    thread_local bool bTried = false;
    if (!bTried)
    {
        bTried = true;
        UErrorCode status = U_ZERO_ERROR;
        pCollator.reset(ucol_open("", &status));
        if (U_FAILURE(status))
            pCollator.reset();
    }
    return pCollator.get();
}
} // namespace

bool PallixCollator::Less(std::string_view a, std::string_view b)
{
    UCollator* pCollator = collator();
    if (pCollator && a.size() <= INT32_MAX && b.size() <= INT32_MAX)
    {
        UErrorCode status = U_ZERO_ERROR;
        const UCollationResult result = ucol_strcollUTF8(pCollator, a.data(), int32_t(a.size()), b.data(),
                                                         int32_t(b.size()), &status);
        if (U_SUCCESS(status) && result != UCOL_EQUAL)
            return result == UCOL_LESS;
    }
    return a < b;
}
