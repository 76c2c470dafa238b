#pragma once

#include "PallixColor.h"
#include "PallixRect.h"

class PallixBitmap;

// The marks laid on covers: a check mark on a watched title, and a thin bar
// under a title stopped part-way that shows how far it was watched.
class CoverBadges
{
public:
    static const PallixColor WATCHED_BADGE;
    static const PallixColor PROGRESS_TRACK;
    static const PallixColor PROGRESS_FILL;

    // The check mark, in the cover's top-right corner.
    static void drawWatched(PallixBitmap& bitmap, const PallixRect& cover);
    // fraction of the bar (0 to 1) filled, just below the cover.
    static void drawProgress(PallixBitmap& bitmap, const PallixRect& cover, double fraction);
    // Where the check mark goes on a cover.
    static PallixRect getWatchedRect(const PallixRect& cover);
};
