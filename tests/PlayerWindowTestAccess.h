#pragma once

#include "LoopList.h"
#include "PlayerWindow.h"

// The player window's state and timers, for tests.
class PlayerWindowTestAccess
{
public:
    PlayerWindowTestAccess() : mWindow(*PlayerWindow::getInstance()) {}

    Player& player() { return mWindow.mPlayer; }
    LoopList& list() { return mWindow.mList; }
    int infoState() const { return mWindow.mInfoState; }
    int seekIndex() const { return mWindow.mSeekIndex; }
    int jumpIndex() const { return mWindow.mJumpIndex; }
    uint32_t jumpTimer() const { return mWindow.mJumpTimer; }
    uint32_t redrawTimer() const { return mWindow.mRedrawTimer; }
    uint64_t resumePos() const { return mWindow.mResumePos; }
    const PallixString& filename() const { return mWindow.mFilename; }
    const PallixString& startFailure() const { return mWindow.mStartFailure; }
    bool nextTick(uint64_t position, uint64_t& target) { return mWindow.getNextTickPosition(position, target); }
    uint64_t previousTick(uint64_t position) { return mWindow.getPreviousTickPosition(position); }
    PallixString timeText(uint64_t position) { return mWindow.getPositionAsTimeString(position); }
    void tick(uint32_t timerID) { mWindow.OnTimer(timerID); }

private:
    PlayerWindow& mWindow;
};
