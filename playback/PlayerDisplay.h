#pragma once

#include "PallixRect.h"
#include "PallixString.h"

#include <vector>

class MediaEntry;
class PallixBitmap;
class Player;

// The player's on-screen display: where each part of it goes over the video.
// The player window says what to show; this places the pixels.
class PlayerDisplay
{
public:
    // What the display shows, as the player window stands when it paints.
    struct Frame
    {
        // 0 nothing; 1 the progress bar and the clock; 2 also the title's
        // details and the zoom mode.
        int infoState = 0;
        // Steps away from normal speed: forward when positive, back when negative.
        int seekSteps = 0;
        bool bPaused = false;
        // The pending jump, as an index into the jump pictures; out of range for none.
        int jumpIndex = -1;
        PallixString trackMessage;
        // Why the title cannot be played; empty while it plays.
        PallixString startFailure;
        bool bStarted = false;
        MediaEntry* pEntry = nullptr;
        PallixString designatedFile;
        bool bEpisode = false;
        // Filled while the progress bar shows a title: its running time in
        // seconds (0 when unknown), that time and the position as text.
        int durationSecs = 0;
        PallixString durationText;
        PallixString positionText;
    };

    // pJumpNames: one picture per jump rate, an empty name for none.
    void loadBitmaps(const char* const* pJumpNames, int nJumpNames);
    void draw(PallixBitmap& bitmap, const PallixRect& rect, Player& player, const Frame& frame);

private:
    void drawTrackMessage(PallixBitmap& bitmap, const PallixRect& rect, const Frame& frame);
    void drawInfo(PallixBitmap& bitmap, const PallixRect& rect, Player& player, const Frame& frame);
    void drawProgressBar(PallixBitmap& bitmap, const PallixRect& rect, Player& player, const Frame& frame);
    void drawEntryDetails(PallixBitmap& bitmap, const PallixRect& rect, const Frame& frame);
    void drawZoomDetails(PallixBitmap& bitmap, const PallixRect& rect, Player& player);
    void drawTime(PallixBitmap& bitmap, const PallixRect& rect);
    void drawSeekRate(PallixBitmap& bitmap, const PallixRect& rect, int seekSteps);
    void drawPaused(PallixBitmap& bitmap, const PallixRect& rect);
    void drawJumpIndex(PallixBitmap& bitmap, const PallixRect& rect, int jumpIndex);
    // Why the title cannot be played, until a key takes the viewer back.
    void drawStartFailure(PallixBitmap& bitmap, const PallixRect& rect, const Frame& frame);

    PallixBitmap* mpProgressBmp = nullptr;
    PallixBitmap* mpRightArrowBmp = nullptr;
    PallixBitmap* mpLeftArrowBmp = nullptr;
    PallixBitmap* mpTimeBmp = nullptr;
    std::vector<PallixBitmap*> mJumpBmps;
};
