#pragma once

#include <cstddef>
#include <list>
#include <string>
#include <unordered_map>
#include <utility>

// A small least-recently-used map from text keys to values. A pointer handed out
// stays valid until the next Put.
template <typename Value> class PallixLruCache
{
public:
    explicit PallixLruCache(size_t capacity) : mCapacity(capacity) {}

    Value* Find(const std::string& key)
    {
        auto it = mIndex.find(key);
        if (it == mIndex.end())
            return nullptr;
        mOrder.splice(mOrder.begin(), mOrder, it->second);
        return &it->second->second;
    }

    Value* Put(const std::string& key, Value value)
    {
        if (Value* existing = Find(key))
        {
            *existing = std::move(value);
            return existing;
        }
        mOrder.emplace_front(key, std::move(value));
        mIndex.emplace(key, mOrder.begin());
        while (mOrder.size() > mCapacity)
        {
            mIndex.erase(mOrder.back().first);
            mOrder.pop_back();
        }
        return &mOrder.front().second;
    }

    void Clear()
    {
        mIndex.clear();
        mOrder.clear();
    }

private:
    using Entry = std::pair<std::string, Value>;
    size_t mCapacity;
    std::list<Entry> mOrder;
    std::unordered_map<std::string, typename std::list<Entry>::iterator> mIndex;
};
