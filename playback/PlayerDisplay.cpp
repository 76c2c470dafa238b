#include "PlayerDisplay.h"

#include "Colors.h"
#include "DrawingUtils.h"
#include "Fonts.h"
#include "ImageFactory.h"
#include "MediaEntry.h"
#include "PallixBitmap.h"
#include "PallixColor.h"
#include "PallixPoint.h"
#include "Player.h"

#include <cstdio>

namespace
{
// The progress bar inside progress.png, and the width of 15 minutes on it.
constexpr int32_t BAR_LEFT = 100;
constexpr int32_t BAR_TOP = 7;
constexpr uint32_t BAR_WIDTH = 400;
constexpr uint32_t BAR_HEIGHT = 16;
constexpr int TICK_SPAN = 360000;

const PallixColor CLEAR(0, 0, 0, 0);
const PallixColor BAR_BACKGROUND(0, 32, 0, 255);
const PallixColor BAR_FILL(224, 190, 4, 255);
const PallixColor DETAILS_BAND(0, 0, 0, 128);
constexpr uint32_t DETAILS_BAND_HEIGHT = 88;
constexpr uint32_t ZOOM_LABEL_WIDTH = 260;
const PallixColor FAILURE_BACKGROUND(0, 0, 0, 208);
constexpr uint32_t FAILURE_WIDTH = 840;
constexpr uint32_t FAILURE_HEIGHT = 230;

uint32_t widthOf(const PallixBitmap* pBitmap)
{
    return pBitmap ? pBitmap->GetDims().w : 0;
}

uint32_t heightOf(const PallixBitmap* pBitmap)
{
    return pBitmap ? pBitmap->GetDims().h : 0;
}

void drawWhole(PallixBitmap& bitmap, int32_t x, int32_t y, const PallixBitmap* pImage)
{
    if (pImage)
        bitmap.DrawBitmap(PallixPoint(x, y), *pImage, pImage->GetRect());
}
} // namespace

void PlayerDisplay::loadBitmaps(const char* const* pJumpNames, int nJumpNames)
{
    mpProgressBmp = ImageFactory::loadAppImage("progress.png");
    mpLeftArrowBmp = ImageFactory::loadAppImage("rewind.png");
    mpRightArrowBmp = ImageFactory::loadAppImage("ff.png");
    mpTimeBmp = ImageFactory::loadAppImage("time.png");
    mJumpBmps.assign(static_cast<size_t>(nJumpNames), nullptr);
    for (int i = 0; i < nJumpNames; ++i)
        mJumpBmps[static_cast<size_t>(i)] =
            pJumpNames[i][0] ? ImageFactory::loadAppImage(pJumpNames[i]) : nullptr;
}

void PlayerDisplay::draw(PallixBitmap& bitmap, const PallixRect& rect, Player& player, const Frame& frame)
{
    // The video shows through wherever the display draws nothing.
    bitmap.FillRect(rect, CLEAR);
    if (!frame.startFailure.IsEmpty())
    {
        drawStartFailure(bitmap, rect, frame);
        return;
    }
    if (frame.infoState != 0)
        drawInfo(bitmap, rect, player, frame);
    if (frame.seekSteps != 0)
        drawSeekRate(bitmap, rect, frame.seekSteps);
    if (frame.bPaused)
        drawPaused(bitmap, rect);
    if (frame.trackMessage.GetLength() > 0)
        drawTrackMessage(bitmap, rect, frame);
    drawJumpIndex(bitmap, rect, frame.jumpIndex);
}

void PlayerDisplay::drawTrackMessage(PallixBitmap& bitmap, const PallixRect& rect, const Frame& frame)
{
    // Below the title band and the zoom mode's name.
    DrawingUtils::drawTextShadowed(
        bitmap, Fonts::SYSTEM_30, PallixRect(rect.x + 40, rect.y + DETAILS_BAND_HEIGHT + 42, rect.w - 80, 40),
        frame.trackMessage, Colors::WHITE, Colors::BLACK, 0x103);
}

void PlayerDisplay::drawInfo(PallixBitmap& bitmap, const PallixRect& rect, Player& player, const Frame& frame)
{
    if (frame.infoState != 1 && frame.infoState != 2)
        return;
    drawProgressBar(bitmap, rect, player, frame);
    if (frame.infoState == 2)
    {
        drawEntryDetails(bitmap, rect, frame);
        drawZoomDetails(bitmap, rect, player);
    }
    drawTime(bitmap, rect);
}

void PlayerDisplay::drawProgressBar(PallixBitmap& bitmap, const PallixRect& rect, Player& player,
                                    const Frame& frame)
{
    int32_t px = static_cast<int32_t>(rect.w / 2) - static_cast<int32_t>(widthOf(mpProgressBmp) / 2);
    int32_t py = static_cast<int32_t>(rect.h) - static_cast<int32_t>(heightOf(mpProgressBmp)) - 10;
    drawWhole(bitmap, px, py, mpProgressBmp);

    double fraction = player.getPercentComplete();
    int32_t barLeft = px + BAR_LEFT;
    uint32_t filled = static_cast<uint32_t>(fraction * BAR_WIDTH);
    bitmap.FillRect(PallixRect(barLeft, py + BAR_TOP, BAR_WIDTH, BAR_HEIGHT), BAR_BACKGROUND);
    bitmap.FillRect(PallixRect(barLeft, py + BAR_TOP, filled, BAR_HEIGHT), BAR_FILL);
    if (!frame.pEntry)
        return;

    // Ticks at the chapters; else every 15 minutes, or at the quarters when the
    // running time is unknown.
    int duration = frame.durationSecs;
    int spacing = duration > 0 ? TICK_SPAN / duration : static_cast<int>(BAR_WIDTH / 4);
    uint64_t fileSize = player.getFileSize();
    for (int i = 0; i < player.getNumChapters() && fileSize > 0; ++i)
    {
        uint64_t at = player.getChapterPosition(i);
        int32_t x = barLeft +
                    static_cast<int32_t>(static_cast<double>(at) / static_cast<double>(fileSize) * BAR_WIDTH);
        if (at > 0 && at < fileSize)
            bitmap.DrawLine(PallixPoint(x, py + 6), PallixPoint(x, py + 16), Colors::WHITE);
    }
    if (spacing > 0 && player.getNumChapters() == 0)
    {
        for (int32_t x = barLeft + spacing; x <= barLeft + static_cast<int32_t>(BAR_WIDTH); x += spacing)
            bitmap.DrawLine(PallixPoint(x, py + 6), PallixPoint(x, py + 16), Colors::WHITE);
    }

    PallixString endLabel = duration > 0 ? frame.durationText : PallixString("100%");
    bitmap.DrawText(Fonts::SYSTEM_22, PallixRect(px + 500, py + 6, 100, 16), endLabel, Colors::WHITE, 3);

    // The time bubble sits above the bar, centred on the end of the filled part.
    int32_t bubbleX = barLeft + static_cast<int32_t>(filled) - static_cast<int32_t>(widthOf(mpTimeBmp) / 2);
    int32_t bubbleY = static_cast<int32_t>(rect.h) - static_cast<int32_t>(heightOf(mpProgressBmp)) -
                      static_cast<int32_t>(heightOf(mpTimeBmp)) - 7;
    drawWhole(bitmap, bubbleX, bubbleY, mpTimeBmp);
    PallixString bubbleText;
    if (duration > 0)
    {
        bubbleText = frame.positionText;
    }
    else
    {
        char text[16];
        std::snprintf(text, sizeof(text), "%d%%", static_cast<int>(fraction * 100));
        bubbleText = text;
    }
    bitmap.DrawText(Fonts::SYSTEM_18,
                    PallixRect(bubbleX, bubbleY + 1, widthOf(mpTimeBmp), heightOf(mpTimeBmp)), bubbleText,
                    Colors::WHITE, 3);
}

void PlayerDisplay::drawEntryDetails(PallixBitmap& bitmap, const PallixRect& rect, const Frame& frame)
{
    if (!frame.pEntry)
        return;
    bitmap.FillRect(PallixRect(rect.x, rect.y, rect.w, DETAILS_BAND_HEIGHT), DETAILS_BAND);
    DrawingUtils::drawEntryDetails(bitmap, rect, frame.pEntry, frame.designatedFile);
}

// At the right, under the title band, so that it never covers the title's
// running time.
void PlayerDisplay::drawZoomDetails(PallixBitmap& bitmap, const PallixRect& rect, Player& player)
{
    DrawingUtils::drawTextShadowed(bitmap, Fonts::SYSTEM_30,
                                   PallixRect(rect.x + static_cast<int32_t>(rect.w) - ZOOM_LABEL_WIDTH - 20,
                                              rect.y + DETAILS_BAND_HEIGHT + 6, ZOOM_LABEL_WIDTH, 30),
                                   player.getVideoScaler().getModeName(), Colors::WHITE, Colors::BLACK, 0x21);
}

void PlayerDisplay::drawTime(PallixBitmap& bitmap, const PallixRect& rect)
{
    DrawingUtils::drawTime(bitmap, PallixRect(10, static_cast<int32_t>(rect.h) - 44, 125, 50));
}

void PlayerDisplay::drawSeekRate(PallixBitmap& bitmap, const PallixRect& rect, int seekSteps)
{
    int32_t x = static_cast<int32_t>(rect.w / 2) - static_cast<int32_t>(widthOf(mpProgressBmp) / 2) + 75;
    int32_t y = static_cast<int32_t>(rect.h) - static_cast<int32_t>(heightOf(mpProgressBmp)) - 8;
    // One arrow per step away from normal speed, stacked leftwards.
    int steps = seekSteps;
    PallixBitmap* pArrow = steps > 0 ? mpRightArrowBmp : mpLeftArrowBmp;
    for (int i = 0; i < (steps > 0 ? steps : -steps); ++i)
        drawWhole(bitmap, x - 20 * i, y, pArrow);
}

void PlayerDisplay::drawPaused(PallixBitmap& bitmap, const PallixRect& rect)
{
    int32_t x = static_cast<int32_t>(rect.w / 2) - static_cast<int32_t>(widthOf(mpProgressBmp) / 2) + 45;
    int32_t y = static_cast<int32_t>(rect.h) - static_cast<int32_t>(heightOf(mpProgressBmp)) - 6;
    bitmap.FillRect(PallixRect(x, y, 5, 20), Colors::WHITE);
    bitmap.FillRect(PallixRect(x + 10, y, 5, 20), Colors::WHITE);
}

void PlayerDisplay::drawJumpIndex(PallixBitmap& bitmap, const PallixRect& rect, int jumpIndex)
{
    if (jumpIndex < 0 || static_cast<size_t>(jumpIndex) >= mJumpBmps.size())
        return;
    PallixBitmap* pImage = mJumpBmps[static_cast<size_t>(jumpIndex)];
    if (pImage)
        drawWhole(bitmap, static_cast<int32_t>(rect.w - widthOf(pImage)), 0, pImage);
}

void PlayerDisplay::drawStartFailure(PallixBitmap& bitmap, const PallixRect& rect, const Frame& frame)
{
    PallixRect box(rect.x + static_cast<int32_t>(rect.w / 2) - static_cast<int32_t>(FAILURE_WIDTH / 2),
                   rect.y + static_cast<int32_t>(rect.h / 2) - static_cast<int32_t>(FAILURE_HEIGHT / 2),
                   FAILURE_WIDTH, FAILURE_HEIGHT);
    bitmap.FillRect(box, FAILURE_BACKGROUND);

    PallixString name;
    if (frame.pEntry)
        name =
            frame.pEntry->getTitle().IsEmpty() ? frame.pEntry->getOriginalTitle() : frame.pEntry->getTitle();
    if (frame.bEpisode)
        name += (name.IsEmpty() ? "" : " - ") + frame.designatedFile;
    if (name.IsEmpty())
        name = "This title";
    const int32_t left = box.x + 30;
    const uint32_t width = box.w - 60;
    // A movie that started and then broke off cannot go on; one that never started cannot be played.
    DrawingUtils::drawTextShadowed(bitmap, Fonts::SYSTEM_30, PallixRect(left, box.y + 20, width, 44),
                                   name + (frame.bStarted ? " cannot go on" : " cannot be played"),
                                   Colors::WHITE, Colors::BLACK, 0x103);
    // The reason may name a long path: it wraps.
    bitmap.DrawText(Fonts::SYSTEM_22, PallixRect(left, box.y + 80, width, 80), frame.startFailure,
                    Colors::WHITE, 0x142);
    bitmap.DrawText(Fonts::SYSTEM_18,
                    PallixRect(left, box.y + static_cast<int32_t>(FAILURE_HEIGHT) - 44, width, 30),
                    "Press any key to go back.", Colors::YELLOW_TEXT, 0x3);
}
