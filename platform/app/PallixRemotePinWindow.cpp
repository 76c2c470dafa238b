#include "PallixRemotePinWindow.h"

#include "PallixBitmap.h"
#include "PallixFont.h"

#include <algorithm>

namespace
{
// Top centre: clear of the player's information band at the bottom.
const PallixRect BOX(390, 40, 500, 200);

PallixFont systemFont(uint16_t nSize, uint32_t nWeight)
{
    PallixFont::Attributes attributes;
    attributes.m_nPointSize = nSize;
    attributes.m_weightFlags = nWeight;
    PallixFont font;
    font.SetAttributes(attributes);
    return font;
}
} // namespace

PallixRemotePinWindow::PallixRemotePinWindow()
{
    SetRectAbsolute(BOX);
}

PallixRemotePinWindow::~PallixRemotePinWindow()
{
    Hide();
}

void PallixRemotePinWindow::Show(const std::string& pin, Clock::time_point expiry)
{
    mPin = pin;
    mExpiry = expiry;
    Materialize(kTopMost);
    if (mTimer == 0)
        mTimer = SetTimer(1000);
}

void PallixRemotePinWindow::Hide()
{
    if (mTimer != 0)
    {
        KillTimer(mTimer);
        mTimer = 0;
    }
    if (IsMaterialized())
        Vanish();
}

void PallixRemotePinWindow::OnTimer(uint32_t nTimerID)
{
    if (nTimerID != mTimer)
        return;
    if (GetSecondsLeft() <= 0)
        Hide();
    else
        Redraw();
}

int PallixRemotePinWindow::GetSecondsLeft() const
{
    auto left = std::chrono::ceil<std::chrono::seconds>(mExpiry - Clock::now()).count();
    return static_cast<int>(std::max<long long>(left, 0));
}

void PallixRemotePinWindow::OnPaint(PallixBitmap& bitmap)
{
    const PallixRect box = GetRectAbsolute();
    bitmap.FillRect(box, PallixColor(16, 20, 28, 235));
    bitmap.DrawRect(box, PallixColor(90, 160, 255, 255));
    const PallixColor white(255, 255, 255, 255);
    const PallixColor grey(190, 200, 215, 255);
    const uint32_t kCentred = 0x1 | 0x2;

    bitmap.DrawText(systemFont(26, PallixFont::kNormal), PallixRect(box.x, box.y + 14, box.w, 36),
                    "Pair your phone", grey, kCentred);
    // Two groups of three digits read out more easily from the sofa.
    std::string shown = mPin.size() == 6 ? mPin.substr(0, 3) + " " + mPin.substr(3) : mPin;
    bitmap.DrawText(systemFont(80, PallixFont::kBold), PallixRect(box.x, box.y + 52, box.w, 96), shown.c_str(),
                    white, kCentred);
    const std::string hint = "Enter this PIN on the remote page (" + std::to_string(GetSecondsLeft()) + " s)";
    bitmap.DrawText(systemFont(20, PallixFont::kNormal), PallixRect(box.x, box.y + 156, box.w, 30), hint.c_str(),
                    grey, kCentred);
}
