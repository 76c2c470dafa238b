#include "DrawingUtils.h"

#include "Colors.h"
#include "Fonts.h"
#include "ImageFactory.h"
#include "MediaEntry.h"
#include "PallixBitmap.h"
#include "PallixFont.h"
#include "PallixPoint.h"

#include <algorithm>
#include <ctime>
#include <initializer_list>
#include <iterator>

namespace
{
constexpr int FLAGS_CENTERED = 0x3;
constexpr int FLAGS_TEXT_BOX = 0x140;
constexpr int FLAGS_HEADER_LINE = 0x101;
constexpr int FLAGS_RIGHT_BOX = 0x21;
constexpr int FLAGS_FRAME_TITLE = 0x1;
// A title's cover sits this far in from the panel's left edge, centred below the header.
constexpr int32_t COVER_MARGIN = 25;
constexpr uint32_t COVER_HEADER_HEIGHT = 50;

// The platform cuts text at its rectangle: a line too wide for its font is drawn
// in the largest smaller font that fits rather than lose its ends.
const PallixFont& fittingFont(const char* text, uint32_t width, std::initializer_list<const PallixFont*> fonts)
{
    for (const PallixFont* pFont : fonts)
        if (pFont->GetTextExtent(text).w <= width)
            return *pFont;
    return *std::data(fonts)[fonts.size() - 1];
}

const PallixFont& clockFont(const char* text, uint32_t width)
{
    return fittingFont(text, width, {&Fonts::SYSTEM_22, &Fonts::SYSTEM_18});
}
} // namespace

int32_t DrawingUtils::half(uint32_t n)
{
    return static_cast<int32_t>(n >> 1);
}

void DrawingUtils::drawWhole(PallixBitmap& bitmap, const PallixPoint& at, const PallixBitmap& image)
{
    bitmap.DrawBitmap(at, image, image.GetRect());
}

void DrawingUtils::drawTextShadowed(PallixBitmap& bitmap, const PallixFont& font, const PallixRect& rect,
                                    const PallixString& str, const PallixColor& color, const PallixColor& colorShadow,
                                    int flags)
{
    PallixRect shadowRect(rect.x + 2, rect.y + 2, rect.w, rect.h);
    bitmap.DrawText(font, shadowRect, str, colorShadow, static_cast<uint32_t>(flags));
    bitmap.DrawText(font, rect, str, color, static_cast<uint32_t>(flags));
}

void DrawingUtils::drawTextBox(PallixBitmap& bitmap, const PallixRect& rect, const PallixString& str)
{
    drawTextShadowed(bitmap, Fonts::SYSTEM_28, rect, str, Colors::WHITE, Colors::BLACK, FLAGS_TEXT_BOX);
}

void DrawingUtils::drawTime(PallixBitmap& bitmap, const PallixRect& rect)
{
    drawTime(bitmap, rect, time(nullptr));
}

void DrawingUtils::drawTime(PallixBitmap& bitmap, const PallixRect& rect, time_t when)
{
    struct tm local;
    localtime_r(&when, &local);
    char buffer[64];

    strftime(buffer, sizeof(buffer), "%b %d, %Y", &local);
    PallixRect timeRect(rect.x, rect.y, rect.w, rect.h >> 1);
    bitmap.DrawText(clockFont(buffer, rect.w), timeRect, buffer, Colors::YELLOW_TEXT, FLAGS_CENTERED);

    // The time line overlaps the date's half by 4 pixels, so an odd height still fits both.
    timeRect.y = rect.y + half(rect.h) - 4;
    strftime(buffer, sizeof(buffer), "%I:%M %p", &local);
    bitmap.DrawText(clockFont(buffer, rect.w), timeRect, buffer, Colors::YELLOW_TEXT, FLAGS_CENTERED);
}

void DrawingUtils::drawEntryDetails(PallixBitmap& bitmap, PallixRect absRect, MediaEntry* pEntry,
                                    PallixString filename)
{
    if (!pEntry)
        return;

    PallixBitmap* pBar = ImageFactory::loadAppImage("topbar.png");
    int barHeight = 70;
    int32_t startX = 140;
    // Without the bar the text keeps to the panel's width.
    uint32_t barWidth = absRect.w;
    if (pBar)
    {
        barWidth = pBar->GetDims().w;
        startX = absRect.x + half(absRect.w) - half(barWidth);
        drawWhole(bitmap, PallixPoint(startX, absRect.y + 3), *pBar);
        barHeight = static_cast<int>(pBar->GetDims().h);
    }

    PallixFont font = Fonts::SYSTEM_30;
    PallixRect textRect(startX + 10, absRect.y + 4, barWidth - 10, static_cast<uint32_t>(barHeight / 2));

    PallixString line1 = pEntry->getOriginalTitle();
    if (!filename.IsEmpty())
        line1 += " - " + filename;
    else
        line1 += " (" + pEntry->getYear() + ")";
    // Which cut this copy is belongs with the title on its page.
    if (filename.IsEmpty() && !pEntry->getEdition().IsEmpty())
        line1 += " \xE2\x80\x93 " + pEntry->getEdition();
    drawTextShadowed(bitmap, font, textRect, line1, Colors::WHITE, Colors::BLACK, FLAGS_HEADER_LINE);

    textRect.y += barHeight / 2;
    PallixString line2;
    if (!pEntry->getRating().IsEmpty())
        line2 += pEntry->getRating() + ": ";
    if (!pEntry->getMPAA().IsEmpty())
        line2 += pEntry->getMPAA() + " ";
    line2 += pEntry->getGenre();
    // A long line of genres ends before the running time's box instead of under it.
    PallixRect line2Rect = textRect;
    const int32_t durationX = absRect.x + static_cast<int32_t>(absRect.w) - 120;
    if (pEntry->getDurationInSecs() > 0 && durationX - 10 < line2Rect.x + static_cast<int32_t>(line2Rect.w))
        line2Rect.w = static_cast<uint32_t>(std::max(0, durationX - 10 - line2Rect.x));
    drawTextShadowed(bitmap, font, line2Rect, line2, Colors::WHITE, Colors::BLACK, FLAGS_HEADER_LINE);

    if (pEntry->getDurationInSecs() > 0)
    {
        textRect.x = durationX;
        textRect.w = 100;
        PallixString duration = pEntry->getDuration();
        const PallixFont& durationFont =
            fittingFont(duration, textRect.w, {&Fonts::SYSTEM_30, &Fonts::SYSTEM_28, &Fonts::SYSTEM_22});
        drawTextShadowed(bitmap, durationFont, textRect, duration, Colors::WHITE, Colors::BLACK, FLAGS_RIGHT_BOX);
    }
}

void DrawingUtils::drawFrame(PallixBitmap& bitmap, PallixRect rect, PallixString title, PallixString subtitle)
{
    PallixBitmap* pTop = ImageFactory::loadFilesystemImage("/usr/local/zembu/graphics/common/corral-top.png");
    if (!pTop)
        return;
    PallixDims top = pTop->GetDims();
    PallixPoint pt(rect.x + half(rect.w) - half(top.w), rect.y);
    drawWhole(bitmap, pt, *pTop);

    PallixBitmap* pEdge = ImageFactory::loadFilesystemImage("/usr/local/zembu/graphics/common/corral-edge.png");
    if (!pEdge)
        return;
    PallixBitmap* pBottom = ImageFactory::loadFilesystemImage("/usr/local/zembu/graphics/common/corral-bottom.png");
    if (!pBottom)
        return;

    PallixDims bottom = pBottom->GetDims();
    int32_t sideHeight = static_cast<int32_t>(pEdge->GetDims().h);
    int32_t bottomPos = rect.y + static_cast<int32_t>(rect.h) - static_cast<int32_t>(bottom.h);
    // The right edge starts 5 pixels inside the right end of the top piece.
    PallixPoint pt2(pt.x + static_cast<int32_t>(top.w) - 5, pt.y);
    pt.y += static_cast<int32_t>(top.h);

    // An empty edge picture cannot be tiled.
    if (sideHeight > 0)
    {
        while (pt.y + sideHeight < bottomPos)
        {
            drawWhole(bitmap, pt, *pEdge);
            drawWhole(bitmap, PallixPoint(pt2.x, pt.y), *pEdge);
            pt.y += sideHeight;
        }
        // The last pair overlaps the one before, so that the edges end exactly on the bottom piece.
        if (pt.y < bottomPos)
        {
            pt.y = bottomPos - sideHeight;
            drawWhole(bitmap, pt, *pEdge);
            drawWhole(bitmap, PallixPoint(pt2.x, pt.y), *pEdge);
        }
    }

    drawWhole(bitmap, PallixPoint(rect.x + half(rect.w) - half(bottom.w), bottomPos), *pBottom);

    uint32_t titleWidth = 0;
    uint32_t textBottom = static_cast<uint32_t>(rect.y) + top.h;
    if (!title.IsEmpty())
    {
        titleWidth = Fonts::SYSTEM_28.GetTextExtent(title).w;
        PallixRect titleRect(rect.x + 40, rect.y + 4, rect.w - 20, textBottom);
        drawTextShadowed(bitmap, Fonts::SYSTEM_28, titleRect, title, Colors::WHITE, Colors::BLACK, FLAGS_FRAME_TITLE);
    }
    if (!subtitle.IsEmpty())
    {
        PallixRect subtitleRect(rect.x + static_cast<int32_t>(titleWidth) + 50, rect.y + 6, rect.w - titleWidth - 60,
                                textBottom);
        drawTextShadowed(bitmap, Fonts::SYSTEM_18, subtitleRect, subtitle, Colors::BLUE_TEXT, Colors::BLACK,
                         FLAGS_FRAME_TITLE);
    }
}

uint32_t DrawingUtils::getFrameBottomHeight()
{
    PallixBitmap* pBottom = ImageFactory::loadFilesystemImage("/usr/local/zembu/graphics/common/corral-bottom.png");
    return pBottom ? pBottom->GetDims().h : 0;
}

PallixBitmap* DrawingUtils::loadEntryCover(MediaEntry* pEntry)
{
    PallixBitmap* pCover = nullptr;
    if (!pEntry->getLargeImagePath().IsEmpty())
        pCover = ImageFactory::loadFilesystemImage(pEntry->getLargeImagePath());
    if (!pCover)
        pCover = pEntry->getBitmap();
    return pCover;
}

void DrawingUtils::drawEntryCover(PallixBitmap& bitmap, const PallixRect& rect, PallixBitmap* pCover)
{
    if (!pCover)
        return;
    uint32_t top = (rect.h - COVER_HEADER_HEIGHT) / 2 - pCover->GetDims().h / 2 + COVER_HEADER_HEIGHT;
    bitmap.DrawBitmap(PallixPoint(rect.x + COVER_MARGIN, static_cast<int32_t>(top)), *pCover, pCover->GetRect());
}
