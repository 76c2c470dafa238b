#pragma once

#include "PallixDims.h"
#include "PallixFile.h"
#include "PallixRect.h"

#include <memory>

struct SDL_Surface;

// A 32-bit RGBA image surface. An empty bitmap has no pixels and zero size.
class PallixBitmap
{
public:
    PallixBitmap();
    virtual ~PallixBitmap();
    PallixBitmap(const PallixBitmap&) = delete;
    PallixBitmap& operator=(const PallixBitmap&) = delete;

    // Decodes a PNG or JPEG file into the bitmap, replacing what it held. The mode
    // is the box's load mode; every mode gives a full RGBA copy here. False when
    // the file is missing or cannot be decoded; the bitmap is then empty.
    virtual bool Load(PallixFile& file, int nMode);
    // Frees the pixels; the bitmap becomes empty.
    virtual void Unload();

    PallixDims GetDims() const;
    // (0, 0, width, height).
    PallixRect GetRect() const;

private:
    struct SurfaceDeleter
    {
        void operator()(SDL_Surface* pSurface) const;
    };
    std::unique_ptr<SDL_Surface, SurfaceDeleter> mSurface;
};
