#include "PallixBitmap.h"

#include <SDL.h>
#include <SDL_image.h>

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
