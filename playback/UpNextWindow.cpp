#include "UpNextWindow.h"

#include "Colors.h"
#include "DrawingUtils.h"
#include "Fonts.h"
#include "MediaEntry.h"
#include "PallixBitmap.h"
#include "PallixVideoPlane.h"
#include "RemoteKeys.h"

#include <cstdio>

namespace
{
constexpr uint32_t TICK_MS = 1000;
constexpr uint32_t BOX_WIDTH = 760;
constexpr uint32_t BOX_HEIGHT = 150;
constexpr int32_t BOX_BOTTOM_MARGIN = 90;
const PallixColor BOX_BACKGROUND(0, 0, 0, 192);
const PallixColor COUNTDOWN_TRACK(60, 60, 60, 255);
const PallixColor COUNTDOWN_FILL(224, 190, 4, 255);
} // namespace

UpNextWindow::UpNextWindow() : mpListener(nullptr), mpEntry(nullptr), mSecondsLeft(0), mTimer(0) {}

UpNextWindow::~UpNextWindow() = default;

void UpNextWindow::keepPicture()
{
    mPicture = PallixVideoPlane::Get().GetPicture();
}

void UpNextWindow::show(PallixWindow* pParent, MediaEntry* pEntry, const PallixString& file)
{
    mpEntry = pEntry;
    mFile = file;
    mSecondsLeft = COUNTDOWN_SECS;
    // Closing the player cleared the screen: the episode's last picture goes back under the offer.
    if (!mPicture.IsEmpty())
        PallixVideoPlane::Get().Show(mPicture);
    PallixRect screen = pParent->GetRectAbsolute();
    SetRectAbsolute(PallixRect(screen.x + static_cast<int32_t>(screen.w / 2) - static_cast<int32_t>(BOX_WIDTH / 2),
                               screen.y + static_cast<int32_t>(screen.h) - static_cast<int32_t>(BOX_HEIGHT) -
                                   BOX_BOTTOM_MARGIN,
                               BOX_WIDTH, BOX_HEIGHT));
    if (GetParent() != pParent)
        pParent->AddChild(this);
    Materialize(kAppNormal);
    SetFocus(true);
    KillTimer(mTimer);
    mTimer = SetTimer(TICK_MS);
    RedrawScreen();
}

void UpNextWindow::close()
{
    if (mTimer != 0)
    {
        KillTimer(mTimer);
        mTimer = 0;
    }
    mpEntry = nullptr;
    mFile = PallixString();
    if (!mPicture.IsEmpty())
    {
        mPicture = PallixVideoPicture();
        PallixVideoPlane::Get().Clear();
    }
    if (GetParent())
    {
        Vanish();
        GetParent()->RemoveChild(this);
    }
}

PallixString UpNextWindow::getTitle() const
{
    if (!mpEntry)
        return PallixString();
    PallixString title = mpEntry->getTitle().IsEmpty() ? mpEntry->getOriginalTitle() : mpEntry->getTitle();
    if (!mFile.IsEmpty())
        title += " \xE2\x80\x93 " + mFile;
    return title;
}

void UpNextWindow::OnPaint(PallixBitmap& bitmap)
{
    if (!mpEntry)
        return;
    PallixRect box = GetRectAbsolute();
    bitmap.FillRect(box, BOX_BACKGROUND);
    DrawingUtils::drawTextShadowed(bitmap, Fonts::SYSTEM_30, PallixRect(box.x + 30, box.y + 20, box.w - 60, 40),
                                   "Up next: " + getTitle(), Colors::WHITE, Colors::BLACK, 0x101);
    char line[96];
    std::snprintf(line, sizeof(line), "Starts in %d s  \xC2\xB7  OK or Play starts it now, Back returns", mSecondsLeft);
    bitmap.DrawText(Fonts::SYSTEM_22, PallixRect(box.x + 30, box.y + 70, box.w - 60, 30), line, Colors::YELLOW_TEXT,
                    0x101);
    // The count-down as a bar that empties.
    PallixRect track(box.x + 30, box.y + static_cast<int32_t>(box.h) - 32, box.w - 60, 8);
    bitmap.FillRect(track, COUNTDOWN_TRACK);
    track.w = track.w * static_cast<uint32_t>(mSecondsLeft) / COUNTDOWN_SECS;
    bitmap.FillRect(track, COUNTDOWN_FILL);
}

// Every key stops here: the player below has nothing left to play.
bool UpNextWindow::OnKeyDown(unsigned long nKey)
{
    if (!mpEntry || !mpListener)
        return true;
    if (nKey == RemoteKeys::SELECT || nKey == RemoteKeys::PLAY)
    {
        MediaEntry* pEntry = mpEntry;
        PallixString file = mFile;
        mpListener->onUpNextStart(pEntry, file);
    }
    else if (nKey == RemoteKeys::BACK || nKey == RemoteKeys::EXIT)
    {
        mpListener->onUpNextDeclined();
    }
    return true;
}

bool UpNextWindow::OnNavKey(unsigned long, PallixWindow*&)
{
    return true;
}

void UpNextWindow::OnTimer(uint32_t nTimerID)
{
    if (nTimerID == 0 || nTimerID != mTimer || !mpEntry)
        return;
    if (--mSecondsLeft > 0)
    {
        Redraw();
        return;
    }
    KillTimer(mTimer);
    mTimer = 0;
    if (mpListener)
        mpListener->onUpNextStart(mpEntry, mFile);
}
