#include "PallixBitmap.h"

#include "PallixRaster.h"
#include "PallixTextPainter.h"

#include <SDL.h>
#include <SDL_image.h>

namespace
{
PallixRaster::View viewOf(SDL_Surface* pSurface)
{
    if (!pSurface)
        return PallixRaster::View();
    return PallixRaster::View{static_cast<uint8_t*>(pSurface->pixels), pSurface->pitch, pSurface->w, pSurface->h};
}
} // namespace

void PallixBitmap::SurfaceDeleter::operator()(SDL_Surface* pSurface) const
{
    SDL_FreeSurface(pSurface);
}

PallixBitmap::PallixBitmap() = default;

PallixBitmap::~PallixBitmap() = default;

bool PallixBitmap::Load(PallixFile& file, int)
{
    Unload();
    // Decoding needs no SDL_Init, so covers load before any display exists.
    std::unique_ptr<SDL_Surface, SurfaceDeleter> decoded(IMG_Load(file.GetResolvedPath()));
    if (!decoded)
        return false;
    mSurface.reset(SDL_ConvertSurfaceFormat(decoded.get(), SDL_PIXELFORMAT_RGBA32, 0));
    return mSurface != nullptr;
}

void PallixBitmap::Unload()
{
    mSurface.reset();
    mbClipped = false;
}

bool PallixBitmap::Create(uint32_t w, uint32_t h)
{
    Unload();
    if (w == 0 || h == 0 || w > 16384 || h > 16384)
        return false;
    mSurface.reset(SDL_CreateRGBSurfaceWithFormat(0, int(w), int(h), 32, SDL_PIXELFORMAT_RGBA32));
    if (!mSurface)
        return false;
    SDL_memset(mSurface->pixels, 0, size_t(mSurface->pitch) * mSurface->h);
    return true;
}

void PallixBitmap::SetClipRect(const PallixRect& rect)
{
    mClip = rect;
    mbClipped = true;
}

void PallixBitmap::ClearClipRect()
{
    mbClipped = false;
}

PallixRect PallixBitmap::GetClipRect() const
{
    PallixRect clip = GetRect();
    if (mbClipped)
        clip.MakeIntersectRect(clip, mClip);
    return clip;
}

void PallixBitmap::FillRect(const PallixRect& rect, const PallixColor& color)
{
    PallixRaster::Fill(viewOf(mSurface.get()), GetClipRect(), rect, color);
}

void PallixBitmap::DrawRect(const PallixRect& rect, const PallixColor& color)
{
    if (rect.IsEmpty())
        return;
    const PallixRaster::View view = viewOf(mSurface.get());
    const PallixRect clip = GetClipRect();
    const int32_t bottom = int32_t(int64_t(rect.y) + rect.h - 1);
    const int32_t right = int32_t(int64_t(rect.x) + rect.w - 1);
    PallixRaster::Fill(view, clip, PallixRect(rect.x, rect.y, rect.w, 1), color);
    PallixRaster::Fill(view, clip, PallixRect(rect.x, bottom, rect.w, 1), color);
    PallixRaster::Fill(view, clip, PallixRect(rect.x, rect.y, 1, rect.h), color);
    PallixRaster::Fill(view, clip, PallixRect(right, rect.y, 1, rect.h), color);
}

void PallixBitmap::DrawLine(const PallixPoint& from, const PallixPoint& to, const PallixColor& color)
{
    PallixRaster::Line(viewOf(mSurface.get()), GetClipRect(), from, to, color);
}

void PallixBitmap::DrawText(const PallixFont& font, const PallixRect& rect, const char* text,
                            const PallixColor& color, uint32_t flags)
{
    if (!mSurface)
        return;
    PallixTextPainter::DrawInRect(viewOf(mSurface.get()), GetClipRect(), font, rect, text, color, flags);
}

void PallixBitmap::DrawTextAt(const PallixPoint& point, const char* text, const PallixFont& font,
                              const PallixColor& color, uint32_t flags)
{
    if (!mSurface)
        return;
    PallixTextPainter::DrawAtPoint(viewOf(mSurface.get()), GetClipRect(), font, point, text, color, flags);
}

void PallixBitmap::DrawBitmap(const PallixPoint& dest, const PallixBitmap& source, const PallixRect& sourceRect)
{
    if (!mSurface || !source.mSurface)
        return;
    PallixRaster::Blend(viewOf(mSurface.get()), GetClipRect(), dest, viewOf(source.mSurface.get()), sourceRect);
}

PallixColor PallixBitmap::GetPixel(int x, int y) const
{
    if (!mSurface || x < 0 || y < 0 || x >= mSurface->w || y >= mSurface->h)
        return PallixColor(0, 0, 0, 0);
    const uint8_t* p = static_cast<const uint8_t*>(mSurface->pixels) + size_t(y) * mSurface->pitch + size_t(x) * 4;
    return PallixColor(p[0], p[1], p[2], p[3]);
}

bool PallixBitmap::SavePNG(const char* path) const
{
    return mSurface && path && IMG_SavePNG(mSurface.get(), path) == 0;
}

namespace
{
// SDL has no growing memory stream; this one appends what is written to a vector.
size_t appendToVector(SDL_RWops* pStream, const void* pData, size_t nSize, size_t nCount)
{
    auto* pBytes = static_cast<std::vector<uint8_t>*>(pStream->hidden.unknown.data1);
    const auto* pFirst = static_cast<const uint8_t*>(pData);
    pBytes->insert(pBytes->end(), pFirst, pFirst + nSize * nCount);
    return nCount;
}

int closeVectorStream(SDL_RWops* pStream)
{
    SDL_FreeRW(pStream);
    return 0;
}
} // namespace

bool PallixBitmap::EncodePNG(std::vector<uint8_t>& png) const
{
    png.clear();
    if (!mSurface)
        return false;
    SDL_RWops* pStream = SDL_AllocRW();
    if (!pStream)
        return false;
    pStream->type = SDL_RWOPS_UNKNOWN;
    pStream->write = appendToVector;
    pStream->close = closeVectorStream;
    pStream->hidden.unknown.data1 = &png;
    // The stream is closed (and freed) by the call.
    return IMG_SavePNG_RW(mSurface.get(), pStream, 1) == 0 && !png.empty();
}

uint8_t* PallixBitmap::GetPixels()
{
    return mSurface ? static_cast<uint8_t*>(mSurface->pixels) : nullptr;
}

const uint8_t* PallixBitmap::GetPixels() const
{
    return mSurface ? static_cast<const uint8_t*>(mSurface->pixels) : nullptr;
}

int PallixBitmap::GetPitch() const
{
    return mSurface ? mSurface->pitch : 0;
}

PallixDims PallixBitmap::GetDims() const
{
    if (!mSurface)
        return PallixDims();
    return PallixDims(static_cast<uint32_t>(mSurface->w), static_cast<uint32_t>(mSurface->h));
}

PallixRect PallixBitmap::GetRect() const
{
    PallixDims dims = GetDims();
    return PallixRect(0, 0, dims.w, dims.h);
}
