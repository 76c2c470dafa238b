#pragma once

#include "PallixBitmap.h"

#include <functional>
#include <mutex>

// The screen-sized picture under the graphics plane, opaque black until a
// decoder writes frames into it. Writers may run on any thread.
class PallixVideoPlane
{
public:
    static PallixVideoPlane& Get();

    PallixVideoPlane(const PallixVideoPlane&) = delete;
    PallixVideoPlane& operator=(const PallixVideoPlane&) = delete;

    // Runs write on the plane's bitmap under the plane's lock and marks it changed.
    void Update(const std::function<void(PallixBitmap&)>& write);
    // Runs read on the plane's bitmap under the plane's lock.
    void Read(const std::function<void(const PallixBitmap&)>& read);
    // Back to black.
    void Clear();
    // True once after each change.
    bool TakeChanged();

private:
    PallixVideoPlane() = default;
    PallixBitmap& Plane();

    std::mutex mMutex;
    PallixBitmap mBitmap;
    bool mbChanged = false;
};
