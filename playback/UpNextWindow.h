#pragma once

#include "PallixString.h"
#include "PallixTimer.h"
#include "PallixVideoPicture.h"
#include "PallixWindow.h"

#include <cstdint>

class MediaEntry;
class PallixBitmap;

// Told what the viewer chose while "Up next" was shown.
class IUpNextListener
{
public:
    // Select, Play, or the count-down ran out.
    virtual void onUpNextStart(MediaEntry* pEntry, const PallixString& file) = 0;
    // Back or Exit.
    virtual void onUpNextDeclined() = 0;
};

// Shown over the last picture of an episode that played to its end: "Up next:"
// and the next episode's title, with a count-down, after which it starts by
// itself. A child of the player window while it is up; it takes every key.
class UpNextWindow : public PallixWindow, public PallixTimer
{
public:
    static constexpr int COUNTDOWN_SECS = 10;

    UpNextWindow();
    ~UpNextWindow() override;

    void setListener(IUpNextListener* pListener) { mpListener = pListener; }
    // The picture on screen now, to show again once the player has let go of it.
    void keepPicture();
    // Shows the offer inside pParent, which is laid over the screen.
    void show(PallixWindow* pParent, MediaEntry* pEntry, const PallixString& file);
    // Takes the offer and the kept picture away.
    void close();
    bool isShown() const { return mpEntry != nullptr; }
    int getSecondsLeft() const { return mSecondsLeft; }

    void OnPaint(PallixBitmap& bitmap) override;
    bool OnKeyDown(unsigned long nKey) override;
    bool OnNavKey(unsigned long nKey, PallixWindow*& pProposedNewFocusWnd) override;
    void OnTimer(uint32_t nTimerID) override;

private:
    PallixString getTitle() const;

    IUpNextListener* mpListener;
    MediaEntry* mpEntry;
    PallixString mFile;
    PallixVideoPicture mPicture;
    int mSecondsLeft;
    uint32_t mTimer;
};
