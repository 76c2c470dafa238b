#include "CoverBadges.h"

#include "Colors.h"
#include "PallixBitmap.h"
#include "PallixPoint.h"

namespace
{
constexpr uint32_t BADGE_SIZE = 28;
constexpr int32_t BADGE_MARGIN = 4;
constexpr int32_t BAR_GAP = 3;
constexpr uint32_t BAR_HEIGHT = 6;
} // namespace

const PallixColor CoverBadges::WATCHED_BADGE(30, 150, 70, 255);
const PallixColor CoverBadges::PROGRESS_TRACK(40, 40, 40, 255);
const PallixColor CoverBadges::PROGRESS_FILL(224, 190, 4, 255);

PallixRect CoverBadges::getWatchedRect(const PallixRect& cover)
{
    return PallixRect(cover.x + static_cast<int32_t>(cover.w) - static_cast<int32_t>(BADGE_SIZE) - BADGE_MARGIN,
                      cover.y + BADGE_MARGIN, BADGE_SIZE, BADGE_SIZE);
}

void CoverBadges::drawWatched(PallixBitmap& bitmap, const PallixRect& cover)
{
    PallixRect badge = getWatchedRect(cover);
    bitmap.FillRect(badge, WATCHED_BADGE);
    // A check of two strokes, three pixels thick.
    for (int32_t d = 0; d < 3; ++d)
    {
        PallixPoint left(badge.x + 6, badge.y + 14 + d);
        PallixPoint bottom(badge.x + 11, badge.y + 19 + d);
        PallixPoint right(badge.x + 21, badge.y + 7 + d);
        bitmap.DrawLine(left, bottom, Colors::WHITE);
        bitmap.DrawLine(bottom, right, Colors::WHITE);
    }
}

void CoverBadges::drawProgress(PallixBitmap& bitmap, const PallixRect& cover, double fraction)
{
    if (fraction < 0)
        fraction = 0;
    if (fraction > 1)
        fraction = 1;
    PallixRect track(cover.x, cover.y + static_cast<int32_t>(cover.h) + BAR_GAP, cover.w, BAR_HEIGHT);
    bitmap.FillRect(track, PROGRESS_TRACK);
    track.w = static_cast<uint32_t>(fraction * cover.w);
    // Begun is never shown as nothing at all.
    if (track.w == 0)
        track.w = 2;
    bitmap.FillRect(track, PROGRESS_FILL);
}
