#pragma once

#include "PallixString.h"

#include <cstdint>

// An endpoint for messages inside the process, keyed by URL
// ("wormhole://localhost/..."). PostMessage may be called from any thread.
class PallixWormhole
{
public:
    PallixWormhole() = default;
    ~PallixWormhole();
    PallixWormhole(const PallixWormhole&) = delete;
    PallixWormhole& operator=(const PallixWormhole&) = delete;

    bool Create(const char* url);
    void Destroy();
    const PallixString& GetURL() const { return mURL; }

    // Sends to the endpoint at url; false when no endpoint has that URL.
    bool PostMessage(const char* url, uint32_t nID, const void* pData, uint32_t nLength);

private:
    PallixString mURL;
};
