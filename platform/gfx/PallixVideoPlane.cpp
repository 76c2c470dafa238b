#include "PallixVideoPlane.h"

#include "PallixScreen.h"

extern "C" {
#include <libswscale/swscale.h>
}

void PallixVideoPlane::SwsDeleter::operator()(SwsContext* pContext) const
{
    sws_freeContext(pContext);
}

PallixVideoPlane& PallixVideoPlane::Get()
{
    static PallixVideoPlane plane;
    return plane;
}

PallixVideoPlane::PallixVideoPlane() = default;

PallixVideoPlane::~PallixVideoPlane() = default;

void PallixVideoPlane::Show(PallixVideoPicture picture)
{
    std::function<void()> hook;
    {
        // The old picture is released outside the lock.
        std::lock_guard<std::mutex> lock(mMutex);
        std::swap(mPicture, picture);
        mbChanged = true;
        mbRendered = false;
        hook = mHook;
    }
    if (hook)
        hook();
}

void PallixVideoPlane::SetChangeHook(std::function<void()> hook)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mHook = std::move(hook);
}

void PallixVideoPlane::Clear()
{
    Show(PallixVideoPicture());
}

bool PallixVideoPlane::TakeChanged()
{
    std::lock_guard<std::mutex> lock(mMutex);
    const bool bChanged = mbChanged;
    mbChanged = false;
    return bChanged;
}

PallixVideoPicture PallixVideoPlane::GetPicture()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mPicture;
}

void PallixVideoPlane::Read(const std::function<void(const PallixBitmap&)>& read)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mbRendered)
        Render();
    read(mBitmap);
}

void PallixVideoPlane::Render()
{
    if (mBitmap.GetDims().w == 0)
    {
        const PallixRect rect = PallixScreen().GetRect();
        mBitmap.Create(rect.w, rect.h);
    }
    const PallixRect planeRect = mBitmap.GetRect();
    mBitmap.FillRect(planeRect, PallixColor(0, 0, 0, 255));
    mbRendered = true;
    PallixRect dest;
    dest.MakeIntersectRect(mPicture.dest, planeRect);
    if (mPicture.IsEmpty() || dest.IsEmpty())
        return;
    DrawPicture(dest);
    if (mPicture.overlay)
        mBitmap.DrawBitmap(mPicture.overlayAt, *mPicture.overlay, mPicture.overlay->GetRect());
}

void PallixVideoPlane::DrawPicture(const PallixRect& dest)
{
    const PallixRect& crop = mPicture.crop;
    const SwsContext* before = mSws.get();
    mSws.reset(sws_getCachedContext(mSws.release(), int(crop.w), int(crop.h), AV_PIX_FMT_YUV420P, int(dest.w),
                                    int(dest.h), AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!mSws)
        return;
    const int space = mPicture.bHD ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
    if (mSws.get() != before || space != mSwsSpace)
    {
        const int* coefficients = sws_getCoefficients(space);
        sws_setColorspaceDetails(mSws.get(), coefficients, 0, coefficients, 1, 0, 1 << 16, 1 << 16);
        mSwsSpace = space;
    }
    const uint8_t* src[4] = {};
    int srcStride[4] = {};
    for (int i = 0; i < 3; ++i)
    {
        const int shift = i == 0 ? 0 : 1;
        src[i] = mPicture.planes[i] + ptrdiff_t(crop.y >> shift) * mPicture.pitches[i] + (crop.x >> shift);
        srcStride[i] = mPicture.pitches[i];
    }
    uint8_t* dst[4] = {mBitmap.GetPixels() + ptrdiff_t(dest.y) * mBitmap.GetPitch() + ptrdiff_t(dest.x) * 4};
    const int dstStride[4] = {mBitmap.GetPitch()};
    sws_scale(mSws.get(), src, srcStride, 0, int(crop.h), dst, dstStride);
}
