#pragma once

#include "PallixColor.h"
#include "PallixDims.h"
#include "PallixFile.h"
#include "PallixPoint.h"
#include "PallixRect.h"

#include <cstdint>
#include <memory>
#include <vector>

class PallixFont;
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

    // A fully transparent bitmap of the given size, replacing what it held.
    bool Create(uint32_t w, uint32_t h);

    PallixDims GetDims() const;
    // (0, 0, width, height).
    PallixRect GetRect() const;

    // Every drawing operation keeps inside the clip rectangle (the whole bitmap
    // when none is set). Drawing on an empty bitmap, or from one, does nothing.
    void SetClipRect(const PallixRect& rect);
    void ClearClipRect();
    PallixRect GetClipRect() const;

    // These two replace pixels, alpha included: (0, 0, 0, 0) clears to transparent.
    void FillRect(const PallixRect& rect, const PallixColor& color);
    // A one-pixel outline just inside rect.
    void DrawRect(const PallixRect& rect, const PallixColor& color);
    // Replaces the pixels of the line, both ends included.
    void DrawLine(const PallixPoint& from, const PallixPoint& to, const PallixColor& color);
    // Text and bitmaps blend over what is there (source over).
    // Text flags: 0x1 centre vertically, 0x2 centre horizontally, 0x20 align
    // right, 0x40 wrap words over several lines, 0x100 keep to the width and end
    // with an ellipsis. The text never draws outside rect.
    void DrawText(const PallixFont& font, const PallixRect& rect, const char* text, const PallixColor& color,
                  uint32_t flags);
    // Text whose top-left corner is at point; with 0x2 or 0x20 point is its
    // centre or right end, with 0x1 its vertical centre.
    void DrawTextAt(const PallixPoint& point, const char* text, const PallixFont& font, const PallixColor& color,
                    uint32_t flags);
    void DrawBitmap(const PallixPoint& dest, const PallixBitmap& source, const PallixRect& sourceRect);

    // (0, 0, 0, 0) outside the bitmap.
    PallixColor GetPixel(int x, int y) const;
    bool SavePNG(const char* path) const;
    // The bitmap as PNG file bytes, in memory.
    bool EncodePNG(std::vector<uint8_t>& png) const;

    // Rows of RGBA bytes (R, G, B, A), GetPitch bytes apart; null when empty.
    uint8_t* GetPixels();
    const uint8_t* GetPixels() const;
    int GetPitch() const;

private:
    struct SurfaceDeleter
    {
        void operator()(SDL_Surface* pSurface) const;
    };
    std::unique_ptr<SDL_Surface, SurfaceDeleter> mSurface;
    PallixRect mClip;
    bool mbClipped = false;
};
