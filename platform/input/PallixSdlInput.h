#pragma once

#include "PallixDisplay.h"

#include <SDL.h>

#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>

// Turns SDL's keyboard and game controller events into remote keys, from the
// key map's tables: keyboard and media keys, pad buttons, and the left stick as
// a second D-pad. SDL's own key repeats are dropped: the window system paces
// repeats itself, the same on every desktop. Pads are opened as they are plugged
// in (SDL announces those present at start the same way); any number at once.
class PallixSdlInput
{
public:
    // A stick counts as pushed past half its travel and as let go below a third,
    // so a thumb resting near the edge does not flutter.
    static constexpr int kStickPress = 16384;
    static constexpr int kStickRelease = 10923;

    // Keyboard keys are looked up through the current layout: build this once
    // SDL's video is up.
    PallixSdlInput();
    ~PallixSdlInput();
    PallixSdlInput(const PallixSdlInput&) = delete;
    PallixSdlInput& operator=(const PallixSdlInput&) = delete;

    // True when the event was keyboard or controller input (handled or not).
    bool HandleEvent(const SDL_Event& event, PallixDisplay::Listener& listener);
    // Lets go of every held input, as when the window loses the keyboard: no
    // release would come for it otherwise.
    void ReleaseAll(PallixDisplay::Listener& listener);

private:
    struct ControllerCloser
    {
        void operator()(SDL_GameController* pController) const;
    };
    enum Direction
    {
        kNone = -1,
        kUp,
        kDown,
        kLeft,
        kRight
    };
    struct Stick
    {
        int x = 0;
        int y = 0;
        Direction held = kNone;
    };

    void Press(uint64_t nInput, uint32_t nCode, PallixDisplay::Listener& listener);
    void Release(uint64_t nInput, PallixDisplay::Listener& listener);
    void MoveStick(SDL_JoystickID nPad, SDL_GameControllerAxis axis, int nValue, PallixDisplay::Listener& listener);
    void ForgetPad(SDL_JoystickID nPad, PallixDisplay::Listener& listener);

    std::unordered_map<SDL_Keycode, uint32_t> mKeys;
    std::unordered_map<int, uint32_t> mButtons;
    // The code of each stick direction; 0 where nothing is bound.
    uint32_t mStickCodes[4] = {};
    std::map<SDL_JoystickID, std::unique_ptr<SDL_GameController, ControllerCloser>> mPads;
    std::map<SDL_JoystickID, Stick> mSticks;
    // Held inputs and the code each was pressed as.
    std::map<uint64_t, uint32_t> mHeld;
};
