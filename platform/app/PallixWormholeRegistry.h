#pragma once

#include "PallixMessage.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>

// The endpoints of the process, keyed by URL. Thread-safe; lives for the whole
// process, so endpoints built before main can register and unregister.
class PallixWormholeRegistry
{
public:
    // Called with the registry locked: a receiver only hands the message on
    // (the application's endpoint posts it to the event loop).
    using Receiver = std::function<void(const PallixMessage&)>;

    static PallixWormholeRegistry& Instance();

    PallixWormholeRegistry(const PallixWormholeRegistry&) = delete;
    PallixWormholeRegistry& operator=(const PallixWormholeRegistry&) = delete;

    // False when the URL is empty or already taken.
    bool Add(const std::string& url, Receiver receiver);
    void Remove(const std::string& url);
    // False when no endpoint has the URL.
    bool Post(const std::string& url, const PallixMessage& message);

private:
    PallixWormholeRegistry() = default;

    std::mutex mMutex;
    std::map<std::string, Receiver> mEndpoints;
};
