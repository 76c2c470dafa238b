#include "PallixMessage.h"

PallixMessage::PallixMessage(uint32_t nID, const void* pData, uint32_t nLength) : mID(nID)
{
    if (pData && nLength > 0)
    {
        const uint8_t* bytes = static_cast<const uint8_t*>(pData);
        mData.assign(bytes, bytes + nLength);
    }
}
