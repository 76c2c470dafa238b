#pragma once

#include "Player.h"

// The engine's trick-play timer and step, for tests.
class PlayerTestAccess
{
public:
    explicit PlayerTestAccess(Player& player) : mPlayer(player) {}

    uint32_t seekTimer() const { return mPlayer.mSeekTimer; }
    uint32_t activityTimer() const { return mPlayer.mActivityTimer; }
    int64_t seekingOffset() { return mPlayer.getSeekingOffset(); }
    // The engine's own buffer fill, bypassing whatever a subclass does.
    uint32_t fill(unsigned char* pBuffer, unsigned long nSize) { return mPlayer.Player::OnFillBuffer(pBuffer, nSize); }

private:
    Player& mPlayer;
};
