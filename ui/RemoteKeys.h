#pragma once

// Key codes as the remote control delivers them.
class RemoteKeys
{
public:
    static constexpr unsigned long SELECT = 0x1000B;
    static constexpr unsigned long UP = 0x1000C;
    static constexpr unsigned long DOWN = 0x1000D;
    static constexpr unsigned long LEFT = 0x1000E;
    static constexpr unsigned long RIGHT = 0x1000F;
    static constexpr unsigned long PLAY = 0x10018;
    static constexpr unsigned long NEXT = 0x1001B;
    // Back in the lists; the previous mark in the player.
    static constexpr unsigned long BACK = 0x1001C;
    static constexpr unsigned long PAGE_UP = 0x1001D;
    static constexpr unsigned long PAGE_DOWN = 0x1001E;
    static constexpr unsigned long ZOOM = 0x1001F;
    static constexpr unsigned long INFO = 0x10021;
    static constexpr unsigned long EXIT = 0x10022;
    // The player's subtitle and sound-track choices.
    static constexpr unsigned long SUBTITLE = 0x10023;
    static constexpr unsigned long AUDIO = 0x10024;
};
