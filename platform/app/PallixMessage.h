#pragma once

#include <cstdint>
#include <vector>

// A wormhole message: a 32-bit id with optional data.
class PallixMessage
{
public:
    PallixMessage(uint32_t nID, const void* pData, uint32_t nLength);

    uint32_t GetMessageID() const { return mID; }
    const void* GetData() const { return mData.empty() ? nullptr : mData.data(); }
    uint32_t GetDataLength() const { return static_cast<uint32_t>(mData.size()); }

private:
    uint32_t mID;
    std::vector<uint8_t> mData;
};
