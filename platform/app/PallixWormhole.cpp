#include "PallixWormhole.h"

#include "PallixWormholeRegistry.h"

PallixWormhole::~PallixWormhole()
{
    Destroy();
}

bool PallixWormhole::Create(const char* url)
{
    if (!url || !*url)
        return false;
    if (!mURL.IsEmpty() && mURL == url)
        return true;
    // A plain endpoint has no receiving callback in the framework's interface:
    // messages posted to it are accepted and dropped.
    if (!PallixWormholeRegistry::Instance().Add(url, nullptr))
        return false;
    Destroy();
    mURL = url;
    return true;
}

void PallixWormhole::Destroy()
{
    if (mURL.IsEmpty())
        return;
    PallixWormholeRegistry::Instance().Remove(mURL.str());
    mURL = "";
}

bool PallixWormhole::PostMessage(const char* url, uint32_t nID, const void* pData, uint32_t nLength)
{
    if (!url)
        return false;
    return PallixWormholeRegistry::Instance().Post(url, PallixMessage(nID, pData, nLength));
}
