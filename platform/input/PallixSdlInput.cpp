#include "PallixSdlInput.h"

#include "PallixKeyMap.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
// Each physical control is one input, for the repeat pacing to follow.
constexpr uint64_t KEYBOARD_INPUT = 1ull << 56;
constexpr uint64_t BUTTON_INPUT = 2ull << 56;
constexpr uint64_t STICK_INPUT = 3ull << 56;

uint64_t keyInput(SDL_Keycode key)
{
    return KEYBOARD_INPUT | static_cast<uint32_t>(key);
}

uint64_t buttonInput(SDL_JoystickID nPad, int nButton)
{
    return BUTTON_INPUT | (uint64_t(static_cast<uint32_t>(nPad)) << 8) | static_cast<uint8_t>(nButton);
}

uint64_t stickInput(SDL_JoystickID nPad)
{
    return STICK_INPUT | (uint64_t(static_cast<uint32_t>(nPad)) << 8);
}

uint64_t padOf(uint64_t nInput)
{
    return (nInput >> 8) & 0xFFFFFFFFu;
}

// A key of the layout that types a character: printable, and not a shortcut.
bool makesText(const SDL_Keysym& keysym)
{
    if (keysym.mod & (KMOD_CTRL | KMOD_ALT | KMOD_GUI))
        return false;
    const SDL_Keycode key = keysym.sym;
    return (key >= SDLK_SPACE && key < SDLK_DELETE) || (key >= 0xA0 && !(key & SDLK_SCANCODE_MASK));
}

bool isPadInput(uint64_t nInput)
{
    const uint64_t kind = nInput & (0xFFull << 56);
    return kind == BUTTON_INPUT || kind == STICK_INPUT;
}
} // namespace

void PallixSdlInput::ControllerCloser::operator()(SDL_GameController* pController) const
{
    SDL_GameControllerClose(pController);
}

PallixSdlInput::PallixSdlInput()
{
    for (const PallixKeyBinding& binding : PallixKeyMap::GetBindings())
    {
        SDL_Keycode key = SDL_GetKeyFromName(binding.keyboardKey);
        if (key != SDLK_UNKNOWN)
            mKeys[key] = binding.code;
    }
    for (const PallixInputBinding& binding : PallixKeyMap::GetInputBindings())
    {
        uint32_t nCode = 0;
        if (!PallixKeyMap::CodeForName(binding.key, nCode))
            continue;
        switch (binding.kind)
        {
        case PallixInputKind::kKeyboard:
        {
            SDL_Keycode key = SDL_GetKeyFromName(binding.input);
            // The keyboard's own keys come first: a layout may give a media
            // key's name to one of them.
            if (key != SDLK_UNKNOWN)
                mKeys.try_emplace(key, nCode);
            break;
        }
        case PallixInputKind::kPadButton:
        {
            SDL_GameControllerButton button = SDL_GameControllerGetButtonFromString(binding.input);
            if (button != SDL_CONTROLLER_BUTTON_INVALID)
                mButtons[button] = nCode;
            break;
        }
        case PallixInputKind::kPadStick:
        {
            std::string name(binding.input);
            if (name.size() < 2 || (name.back() != '-' && name.back() != '+'))
                break;
            const bool bPositive = name.back() == '+';
            name.pop_back();
            SDL_GameControllerAxis axis = SDL_GameControllerGetAxisFromString(name.c_str());
            // The left stick stands in for the D-pad: up is negative on its y axis.
            if (axis == SDL_CONTROLLER_AXIS_LEFTY)
                mStickCodes[bPositive ? kDown : kUp] = nCode;
            else if (axis == SDL_CONTROLLER_AXIS_LEFTX)
                mStickCodes[bPositive ? kRight : kLeft] = nCode;
            break;
        }
        case PallixInputKind::kLinuxKey:
            break;
        }
    }
}

PallixSdlInput::~PallixSdlInput() = default;

bool PallixSdlInput::HandleEvent(const SDL_Event& event, PallixDisplay::Listener& listener)
{
    switch (event.type)
    {
    case SDL_KEYDOWN:
    {
        // SDL repeats at the desktop's pace; ours comes from the window system.
        if (event.key.repeat)
            return true;
        // While a window takes text, a key that makes a character comes as the
        // character (SDL's text event), not as the remote key it stands for.
        if (listener.IsTakingText() && makesText(event.key.keysym))
            return true;
        auto it = mKeys.find(event.key.keysym.sym);
        if (it != mKeys.end())
            Press(keyInput(event.key.keysym.sym), it->second, listener);
        return true;
    }
    case SDL_KEYUP:
        Release(keyInput(event.key.keysym.sym), listener);
        return true;
    case SDL_TEXTINPUT:
        if (listener.IsTakingText())
            listener.OnDisplayText(event.text.text);
        return true;
    case SDL_CONTROLLERDEVICEADDED:
    {
        std::unique_ptr<SDL_GameController, ControllerCloser> pad(SDL_GameControllerOpen(event.cdevice.which));
        if (pad)
        {
            SDL_JoystickID nPad = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad.get()));
            mPads[nPad] = std::move(pad);
        }
        return true;
    }
    case SDL_CONTROLLERDEVICEREMOVED:
        ForgetPad(event.cdevice.which, listener);
        return true;
    case SDL_CONTROLLERBUTTONDOWN:
    {
        auto it = mButtons.find(event.cbutton.button);
        if (it != mButtons.end())
            Press(buttonInput(event.cbutton.which, event.cbutton.button), it->second, listener);
        return true;
    }
    case SDL_CONTROLLERBUTTONUP:
        Release(buttonInput(event.cbutton.which, event.cbutton.button), listener);
        return true;
    case SDL_CONTROLLERAXISMOTION:
        MoveStick(event.caxis.which, static_cast<SDL_GameControllerAxis>(event.caxis.axis), event.caxis.value,
                  listener);
        return true;
    default:
        return false;
    }
}

void PallixSdlInput::ReleaseAll(PallixDisplay::Listener& listener)
{
    std::map<uint64_t, uint32_t> held;
    held.swap(mHeld);
    for (const auto& [nInput, nCode] : held)
        listener.OnDisplayKey(nInput, nCode, false);
    for (auto& [nPad, stick] : mSticks)
        stick.held = kNone;
}

void PallixSdlInput::Press(uint64_t nInput, uint32_t nCode, PallixDisplay::Listener& listener)
{
    mHeld[nInput] = nCode;
    listener.OnDisplayKey(nInput, nCode, true);
}

void PallixSdlInput::Release(uint64_t nInput, PallixDisplay::Listener& listener)
{
    auto it = mHeld.find(nInput);
    if (it == mHeld.end())
        return;
    const uint32_t nCode = it->second;
    mHeld.erase(it);
    listener.OnDisplayKey(nInput, nCode, false);
}

void PallixSdlInput::MoveStick(SDL_JoystickID nPad, SDL_GameControllerAxis axis, int nValue,
                               PallixDisplay::Listener& listener)
{
    if (axis != SDL_CONTROLLER_AXIS_LEFTX && axis != SDL_CONTROLLER_AXIS_LEFTY)
        return;
    Stick& stick = mSticks[nPad];
    (axis == SDL_CONTROLLER_AXIS_LEFTX ? stick.x : stick.y) = nValue;

    Direction direction = kNone;
    const int ax = std::abs(stick.x);
    const int ay = std::abs(stick.y);
    // A held direction stays until its axis comes back inside the smaller
    // circle; a new one needs the larger, on whichever axis leads.
    if (stick.held == kUp || stick.held == kDown)
    {
        if (ay >= kStickRelease && (stick.y < 0) == (stick.held == kUp) && ay >= ax)
            direction = stick.held;
    }
    else if (stick.held == kLeft || stick.held == kRight)
    {
        if (ax >= kStickRelease && (stick.x < 0) == (stick.held == kLeft) && ax >= ay)
            direction = stick.held;
    }
    if (direction == kNone && std::max(ax, ay) >= kStickPress)
    {
        if (ay >= ax)
            direction = stick.y < 0 ? kUp : kDown;
        else
            direction = stick.x < 0 ? kLeft : kRight;
    }
    if (direction == stick.held)
        return;
    const uint64_t nInput = stickInput(nPad);
    Release(nInput, listener);
    stick.held = direction;
    if (direction != kNone && mStickCodes[direction] != 0)
        Press(nInput, mStickCodes[direction], listener);
}

void PallixSdlInput::ForgetPad(SDL_JoystickID nPad, PallixDisplay::Listener& listener)
{
    // Whatever the pad held when it went is let go: no release will come.
    std::vector<uint64_t> held;
    for (const auto& [nInput, nCode] : mHeld)
    {
        if (isPadInput(nInput) && padOf(nInput) == static_cast<uint32_t>(nPad))
            held.push_back(nInput);
    }
    for (uint64_t nInput : held)
        Release(nInput, listener);
    mSticks.erase(nPad);
    mPads.erase(nPad);
}
