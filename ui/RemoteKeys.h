#pragma once

#include "PallixKeyCodes.h"

// Key codes as the remote control delivers them, under the system's names; the
// codes themselves are the platform's.
class RemoteKeys
{
public:
    static constexpr unsigned long SELECT = PallixKeyCodes::kSelect;
    static constexpr unsigned long UP = PallixKeyCodes::kUp;
    static constexpr unsigned long DOWN = PallixKeyCodes::kDown;
    static constexpr unsigned long LEFT = PallixKeyCodes::kLeft;
    static constexpr unsigned long RIGHT = PallixKeyCodes::kRight;
    static constexpr unsigned long PLAY = PallixKeyCodes::kPlay;
    static constexpr unsigned long NEXT = PallixKeyCodes::kNext;
    // Back in the lists; the previous mark in the player.
    static constexpr unsigned long BACK = PallixKeyCodes::kBack;
    static constexpr unsigned long PAGE_UP = PallixKeyCodes::kPageUp;
    static constexpr unsigned long PAGE_DOWN = PallixKeyCodes::kPageDown;
    static constexpr unsigned long ZOOM = PallixKeyCodes::kZoom;
    static constexpr unsigned long INFO = PallixKeyCodes::kInfo;
    static constexpr unsigned long EXIT = PallixKeyCodes::kExit;
    // The player's subtitle and sound-track choices.
    static constexpr unsigned long SUBTITLE = PallixKeyCodes::kSubtitle;
    static constexpr unsigned long AUDIO = PallixKeyCodes::kAudio;
};
