#include "PallixWormholeRegistry.h"

PallixWormholeRegistry& PallixWormholeRegistry::Instance()
{
    // Never destroyed: the player's endpoint is a static object destroyed after main.
    static PallixWormholeRegistry* pRegistry = new PallixWormholeRegistry();
    return *pRegistry;
}

bool PallixWormholeRegistry::Add(const std::string& url, Receiver receiver)
{
    if (url.empty())
        return false;
    std::lock_guard<std::mutex> lock(mMutex);
    return mEndpoints.emplace(url, std::move(receiver)).second;
}

void PallixWormholeRegistry::Remove(const std::string& url)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mEndpoints.erase(url);
}

bool PallixWormholeRegistry::Post(const std::string& url, const PallixMessage& message)
{
    std::lock_guard<std::mutex> lock(mMutex);
    auto it = mEndpoints.find(url);
    if (it == mEndpoints.end())
        return false;
    if (it->second)
        it->second(message);
    return true;
}
