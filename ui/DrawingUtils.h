#pragma once

#include "PallixColor.h"
#include "PallixPoint.h"
#include "PallixRect.h"
#include "PallixString.h"

#include <ctime>

class MediaEntry;
class PallixBitmap;
class PallixFont;

// The shared look of every screen: shadowed text, the description box, the clock,
// a title's header bar and the frame around list panels. Everything is drawn in
// absolute screen coordinates into the bitmap a window paints.
class DrawingUtils
{
public:
    // The shadow goes 2 pixels right and down, under the text.
    static void drawTextShadowed(PallixBitmap& bitmap, const PallixFont& font, const PallixRect& rect,
                                 const PallixString& str, const PallixColor& color, const PallixColor& colorShadow,
                                 int flags);
    // Word-wrapped description text, held to the rectangle.
    static void drawTextBox(PallixBitmap& bitmap, const PallixRect& rect, const PallixString& str);
    // The date above the time, both centred in the rectangle; a line too wide for
    // SYSTEM_22 is drawn in SYSTEM_18. The first form shows the current time.
    static void drawTime(PallixBitmap& bitmap, const PallixRect& rect);
    static void drawTime(PallixBitmap& bitmap, const PallixRect& rect, time_t when);
    // Title with the year (or the file being played) over rating, content codes,
    // genre and running time.
    static void drawEntryDetails(PallixBitmap& bitmap, PallixRect absRect, MediaEntry* pEntry, PallixString filename);
    // The corral around a list panel, with a title and a smaller subtitle in its top piece.
    static void drawFrame(PallixBitmap& bitmap, PallixRect rect, PallixString title, PallixString subtitle);
    // Height of the corral's bottom piece, which a list inside the corral must stay above.
    static uint32_t getFrameBottomHeight();
    // A title's large cover, or its grid cover when it has none; null without either.
    static PallixBitmap* loadEntryCover(MediaEntry* pEntry);
    // A title's cover at the left of a panel, centred in the band below the header.
    static void drawEntryCover(PallixBitmap& bitmap, const PallixRect& rect, PallixBitmap* pCover);

private:
    // Widths are halved as unsigned values before they meet signed positions.
    static int32_t half(uint32_t n);
    static void drawWhole(PallixBitmap& bitmap, const PallixPoint& at, const PallixBitmap& image);
};
