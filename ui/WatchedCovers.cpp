#include "WatchedCovers.h"

#include "CoverBadges.h"
#include "MediaEntry.h"
#include "QuorvaApp.h"

PallixBitmap* WatchedCovers::loadCover(void* data)
{
    return mbLoadCovers && data ? static_cast<MediaEntry*>(data)->getBitmap() : nullptr;
}

void WatchedCovers::drawOverCover(PallixBitmap& bitmap, void* data, const PallixRect& cover)
{
    QuorvaApp* pApp = QuorvaApp::getApp();
    if (pApp && data && pApp->getViewingHistory()->isWatched(static_cast<MediaEntry*>(data)))
        CoverBadges::drawWatched(bitmap, cover);
}
