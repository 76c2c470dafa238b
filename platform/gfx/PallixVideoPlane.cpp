#include "PallixVideoPlane.h"

#include "PallixScreen.h"

PallixVideoPlane& PallixVideoPlane::Get()
{
    static PallixVideoPlane plane;
    return plane;
}

PallixBitmap& PallixVideoPlane::Plane()
{
    if (mBitmap.GetDims().w == 0)
    {
        const PallixRect rect = PallixScreen().GetRect();
        mBitmap.Create(rect.w, rect.h);
        mBitmap.FillRect(rect, PallixColor(0, 0, 0, 255));
    }
    return mBitmap;
}

void PallixVideoPlane::Update(const std::function<void(PallixBitmap&)>& write)
{
    std::lock_guard<std::mutex> lock(mMutex);
    write(Plane());
    mbChanged = true;
}

void PallixVideoPlane::Read(const std::function<void(const PallixBitmap&)>& read)
{
    std::lock_guard<std::mutex> lock(mMutex);
    read(Plane());
}

void PallixVideoPlane::Clear()
{
    Update([](PallixBitmap& bitmap) { bitmap.FillRect(bitmap.GetRect(), PallixColor(0, 0, 0, 255)); });
}

bool PallixVideoPlane::TakeChanged()
{
    std::lock_guard<std::mutex> lock(mMutex);
    const bool bChanged = mbChanged;
    mbChanged = false;
    return bChanged;
}
