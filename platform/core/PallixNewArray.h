#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

// The framework's growable array. Indexes are ints, as the system counts them.
template <typename T> class PallixNewArray
{
public:
    explicit PallixNewArray(int nReserve = 8) { mItems.reserve(nReserve > 0 ? static_cast<size_t>(nReserve) : 0); }

    int GetSize() const { return static_cast<int>(mItems.size()); }
    T& GetAt(int index) { return mItems.at(static_cast<size_t>(index)); }
    const T& GetAt(int index) const { return mItems.at(static_cast<size_t>(index)); }
    T& operator[](int index) { return GetAt(index); }
    const T& operator[](int index) const { return GetAt(index); }

    void Append(const T& value) { mItems.push_back(value); }
    void Append(T&& value) { mItems.push_back(std::move(value)); }

    // An index at or past the end appends.
    void InsertAt(int index, const T& value)
    {
        size_t at = index < 0 ? 0 : std::min(static_cast<size_t>(index), mItems.size());
        mItems.insert(mItems.begin() + static_cast<std::ptrdiff_t>(at), value);
    }

    void RemoveAt(int index)
    {
        if (index >= 0 && static_cast<size_t>(index) < mItems.size())
            mItems.erase(mItems.begin() + index);
    }

    void SetSize(int nSize) { mItems.resize(nSize > 0 ? static_cast<size_t>(nSize) : 0); }
    void RemoveAll() { mItems.clear(); }

    auto begin() { return mItems.begin(); }
    auto end() { return mItems.end(); }
    auto begin() const { return mItems.begin(); }
    auto end() const { return mItems.end(); }

private:
    std::vector<T> mItems;
};
