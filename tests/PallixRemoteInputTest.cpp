// Remote keys from everything a viewer holds on the sofa: keyboards, media and
// TV keys, TV remotes read from their input devices, and gamepads; and the pace
// at which a held key repeats.

#include "PallixDisplay.h"
#include "PallixEvdevKeys.h"
#include "PallixKeyMap.h"
#include "PallixKeyRepeat.h"
#include "PallixSdlDisplay.h"
#include "PallixSdlInput.h"
#include "PallixTestSupport.h"
#include "TestSupport.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <linux/input.h>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

using namespace pallixtest;

namespace
{
constexpr uint32_t SELECT = 0x1000B, UP = 0x1000C, DOWN = 0x1000D, LEFT = 0x1000E, RIGHT = 0x1000F;
constexpr uint32_t PLAY = 0x10018, NEXT = 0x1001B, BACK = 0x1001C, PAGE_UP = 0x1001D, PAGE_DOWN = 0x1001E;
constexpr uint32_t ZOOM = 0x1001F, INFO = 0x10021, EXIT = 0x10022, SUBTITLE = 0x10023, AUDIO = 0x10024;

struct Key
{
    uint64_t input;
    uint32_t code;
    bool bDown;
};

struct Recorder : PallixDisplay::Listener
{
    std::vector<Key> keys;
    bool bTakingText = false;
    std::string text;
    void OnDisplayKey(uint64_t nInput, uint32_t nCode, bool bDown) override { keys.push_back({nInput, nCode, bDown}); }
    void OnDisplayClosed() override {}
    void OnDisplayText(std::string_view typed) override { text += typed; }
    bool IsTakingText() override { return bTakingText; }

    // The codes pressed since the last call, in order; releases are checked to
    // pair with presses of the same input.
    std::vector<uint32_t> TakePresses()
    {
        std::vector<uint32_t> presses;
        for (const Key& key : keys)
        {
            if (key.bDown)
            {
                presses.push_back(key.code);
                held[key.input] = key.code;
            }
            else
            {
                EXPECT_EQ(held.count(key.input), 1u) << "release of an input never pressed";
                EXPECT_EQ(held[key.input], key.code);
                held.erase(key.input);
            }
        }
        keys.clear();
        return presses;
    }

    std::map<uint64_t, uint32_t> held;
};

SDL_Event keyEvent(SDL_Keycode key, bool bDown, bool bRepeat = false)
{
    SDL_Event event = {};
    event.type = bDown ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.keysym.sym = key;
    event.key.repeat = bRepeat ? 1 : 0;
    return event;
}

SDL_Event textEvent(const char* text)
{
    SDL_Event event = {};
    event.type = SDL_TEXTINPUT;
    std::snprintf(event.text.text, sizeof(event.text.text), "%s", text);
    return event;
}

SDL_Event buttonEvent(SDL_JoystickID nPad, SDL_GameControllerButton button, bool bDown)
{
    SDL_Event event = {};
    event.type = bDown ? SDL_CONTROLLERBUTTONDOWN : SDL_CONTROLLERBUTTONUP;
    event.cbutton.which = nPad;
    event.cbutton.button = static_cast<Uint8>(button);
    return event;
}

SDL_Event axisEvent(SDL_JoystickID nPad, SDL_GameControllerAxis axis, int nValue)
{
    SDL_Event event = {};
    event.type = SDL_CONTROLLERAXISMOTION;
    event.caxis.which = nPad;
    event.caxis.axis = static_cast<Uint8>(axis);
    event.caxis.value = static_cast<Sint16>(nValue);
    return event;
}

// SDL's video with a driver that shows nothing, so that keyboard layouts exist.
class SdlVideo
{
public:
    SdlVideo() : mDriver("SDL_VIDEODRIVER", "dummy") { mbUp = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0; }
    ~SdlVideo()
    {
        if (mbUp)
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    bool IsUp() const { return mbUp; }

private:
    ScopedEnv mDriver;
    bool mbUp = false;
};

using Ms = std::chrono::milliseconds;
const PallixKeyRepeat::Clock::time_point T0 = PallixKeyRepeat::Clock::time_point() + std::chrono::hours(1);
} // namespace

// Holding Escape in the player must leave the player and nothing more: SDL's
// repeats of a held key must not reach the main window as new presses.
TEST(PallixSdlInputTest, HoldingEscapeIsOnePressWhateverTheDesktopRepeats)
{
    ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
    std::unique_ptr<PallixSdlDisplay> display = PallixSdlDisplay::Open();
    ASSERT_TRUE(display);
    for (bool bRepeat : {false, true, true, true})
    {
        SDL_Event event = keyEvent(SDLK_ESCAPE, true, bRepeat);
        SDL_PushEvent(&event);
    }
    Recorder recorder;
    display->PollEvents(recorder);
    EXPECT_EQ(recorder.TakePresses(), std::vector<uint32_t>{EXIT});

    // The platform's own repeat never repeats the exit key either, however long it is held.
    PallixKeyRepeat repeat;
    repeat.Press(1, EXIT, T0);
    for (int ms = 0; ms <= 5000; ms += 5)
        EXPECT_FALSE(repeat.TakeDue(T0 + Ms(ms)));
    EXPECT_FALSE(repeat.GetNextDue());

    // A fresh press after letting go is a press again.
    SDL_Event up = keyEvent(SDLK_ESCAPE, false);
    SDL_Event down = keyEvent(SDLK_ESCAPE, true);
    SDL_PushEvent(&up);
    SDL_PushEvent(&down);
    display->PollEvents(recorder);
    EXPECT_EQ(recorder.TakePresses(), std::vector<uint32_t>{EXIT});
}

TEST(PallixSdlInputTest, KeyboardMediaAndTvKeysMapToTheRemote)
{
    SdlVideo video;
    ASSERT_TRUE(video.IsUp());
    PallixSdlInput input;
    Recorder recorder;
    const std::vector<std::pair<SDL_Keycode, uint32_t>> expected = {
        {SDLK_RETURN, SELECT},         {SDLK_UP, UP},          {SDLK_DOWN, DOWN},
        {SDLK_LEFT, LEFT},             {SDLK_RIGHT, RIGHT},    {SDLK_SPACE, PLAY},
        {SDLK_n, NEXT},                {SDLK_BACKSPACE, BACK}, {SDLK_PAGEUP, PAGE_UP},
        {SDLK_PAGEDOWN, PAGE_DOWN},    {SDLK_z, ZOOM},         {SDLK_i, INFO},
        {SDLK_ESCAPE, EXIT},           {SDLK_s, SUBTITLE},     {SDLK_a, AUDIO},
        {SDLK_AUDIOPLAY, PLAY},        {SDLK_AUDIONEXT, NEXT}, {SDLK_AUDIOFASTFORWARD, NEXT},
        {SDLK_AUDIOSTOP, EXIT},        {SDLK_STOP, EXIT},      {SDLK_AC_BACK, BACK},
        {SDLK_MENU, INFO},             {SDLK_APPLICATION, INFO}, {SDLK_SELECT, SELECT},
        {SDLK_KP_ENTER, SELECT},
    };
    for (const auto& [key, code] : expected)
    {
        EXPECT_TRUE(input.HandleEvent(keyEvent(key, true), recorder));
        EXPECT_TRUE(input.HandleEvent(keyEvent(key, false), recorder));
        EXPECT_EQ(recorder.TakePresses(), std::vector<uint32_t>{code}) << SDL_GetKeyName(key);
    }
    // Other keys mean nothing; the window's own events are not input.
    EXPECT_TRUE(input.HandleEvent(keyEvent(SDLK_q, true), recorder));
    EXPECT_TRUE(input.HandleEvent(keyEvent(SDLK_q, false), recorder));
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    EXPECT_FALSE(input.HandleEvent(quit, recorder));
    EXPECT_TRUE(recorder.keys.empty());

    // The window losing the keyboard lets go of what is held.
    input.HandleEvent(keyEvent(SDLK_DOWN, true), recorder);
    input.HandleEvent(keyEvent(SDLK_AUDIOPLAY, true), recorder);
    EXPECT_EQ(recorder.TakePresses(), (std::vector<uint32_t>{DOWN, PLAY}));
    input.ReleaseAll(recorder);
    EXPECT_TRUE(recorder.TakePresses().empty());
    EXPECT_TRUE(recorder.held.empty());
}

// On the search panel "a", "i", "n" and the space bar type; elsewhere they are
// Audio, Info, Next and Play.
TEST(PallixSdlInputTest, WhileAWindowTakesTextTheKeysThatTypeComeAsText)
{
    SdlVideo video;
    ASSERT_TRUE(video.IsUp());
    PallixSdlInput input;
    Recorder recorder;
    recorder.bTakingText = true;
    for (SDL_Keycode key : {SDLK_a, SDLK_SPACE, SDLK_i, SDLK_4})
    {
        input.HandleEvent(keyEvent(key, true), recorder);
        input.HandleEvent(keyEvent(key, false), recorder);
    }
    input.HandleEvent(textEvent("a i4\xC3\xA9"), recorder);
    EXPECT_TRUE(recorder.TakePresses().empty());
    EXPECT_EQ(recorder.text, "a i4\xC3\xA9");
    // Keys that type nothing, and shortcuts, stay remote keys.
    SDL_Event shortcut = keyEvent(SDLK_a, true);
    shortcut.key.keysym.mod = KMOD_LCTRL;
    for (SDL_Event event : {keyEvent(SDLK_BACKSPACE, true), keyEvent(SDLK_RETURN, true), keyEvent(SDLK_DOWN, true),
                            keyEvent(SDLK_AUDIOPLAY, true), shortcut})
        input.HandleEvent(event, recorder);
    EXPECT_EQ(recorder.TakePresses(), (std::vector<uint32_t>{BACK, SELECT, DOWN, PLAY, AUDIO}));

    recorder.bTakingText = false;
    recorder.text.clear();
    input.HandleEvent(keyEvent(SDLK_SPACE, true), recorder);
    input.HandleEvent(textEvent(" "), recorder);
    EXPECT_EQ(recorder.TakePresses(), std::vector<uint32_t>{PLAY});
    EXPECT_EQ(recorder.text, "");
}

TEST(PallixSdlInputTest, PadButtonsAndTheLeftStickOfEveryPadMapToTheRemote)
{
    PallixSdlInput input;
    Recorder recorder;
    const std::vector<std::pair<SDL_GameControllerButton, uint32_t>> expected = {
        {SDL_CONTROLLER_BUTTON_DPAD_UP, UP},         {SDL_CONTROLLER_BUTTON_DPAD_DOWN, DOWN},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, LEFT},     {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, RIGHT},
        {SDL_CONTROLLER_BUTTON_A, SELECT},           {SDL_CONTROLLER_BUTTON_B, BACK},
        {SDL_CONTROLLER_BUTTON_X, INFO},             {SDL_CONTROLLER_BUTTON_Y, ZOOM},
        {SDL_CONTROLLER_BUTTON_START, PLAY},         {SDL_CONTROLLER_BUTTON_BACK, EXIT},
        {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, PAGE_UP}, {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, PAGE_DOWN},
    };
    // Two pads, the same mapping on each.
    for (SDL_JoystickID nPad : {3, 7})
    {
        for (const auto& [button, code] : expected)
        {
            EXPECT_TRUE(input.HandleEvent(buttonEvent(nPad, button, true), recorder));
            EXPECT_TRUE(input.HandleEvent(buttonEvent(nPad, button, false), recorder));
            EXPECT_EQ(recorder.TakePresses(), std::vector<uint32_t>{code}) << button;
        }
    }
    input.HandleEvent(buttonEvent(3, SDL_CONTROLLER_BUTTON_GUIDE, true), recorder);
    EXPECT_TRUE(recorder.keys.empty());

    // The stick: nothing inside the dead zone, a direction past half its travel,
    // held until it comes back well inside, and the leading axis wins.
    input.HandleEvent(axisEvent(3, SDL_CONTROLLER_AXIS_LEFTY, -15000), recorder);
    input.HandleEvent(axisEvent(3, SDL_CONTROLLER_AXIS_LEFTX, 12000), recorder);
    EXPECT_TRUE(recorder.keys.empty());
    input.HandleEvent(axisEvent(3, SDL_CONTROLLER_AXIS_LEFTY, -20000), recorder);
    EXPECT_EQ(recorder.TakePresses(), std::vector<uint32_t>{UP});
    input.HandleEvent(axisEvent(3, SDL_CONTROLLER_AXIS_LEFTY, -12000), recorder);
    EXPECT_TRUE(recorder.keys.empty());
    input.HandleEvent(axisEvent(3, SDL_CONTROLLER_AXIS_LEFTX, 30000), recorder);
    EXPECT_EQ(recorder.TakePresses(), std::vector<uint32_t>{RIGHT});
    EXPECT_EQ(recorder.held.size(), 1u);
    input.HandleEvent(axisEvent(3, SDL_CONTROLLER_AXIS_LEFTX, 0), recorder);
    input.HandleEvent(axisEvent(3, SDL_CONTROLLER_AXIS_LEFTY, 0), recorder);
    EXPECT_TRUE(recorder.TakePresses().empty());
    EXPECT_TRUE(recorder.held.empty());
    // The right stick and the triggers mean nothing.
    input.HandleEvent(axisEvent(3, SDL_CONTROLLER_AXIS_RIGHTY, 32767), recorder);
    input.HandleEvent(axisEvent(3, SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767), recorder);
    EXPECT_TRUE(recorder.keys.empty());

    // Both pads hold Down at once, each its own input; the one unplugged lets go.
    input.HandleEvent(buttonEvent(3, SDL_CONTROLLER_BUTTON_DPAD_DOWN, true), recorder);
    input.HandleEvent(axisEvent(7, SDL_CONTROLLER_AXIS_LEFTY, 32767), recorder);
    EXPECT_EQ(recorder.TakePresses(), (std::vector<uint32_t>{DOWN, DOWN}));
    EXPECT_EQ(recorder.held.size(), 2u);
    SDL_Event removed = {};
    removed.type = SDL_CONTROLLERDEVICEREMOVED;
    removed.cdevice.which = 7;
    EXPECT_TRUE(input.HandleEvent(removed, recorder));
    EXPECT_TRUE(recorder.TakePresses().empty());
    ASSERT_EQ(recorder.held.size(), 1u);
    input.HandleEvent(buttonEvent(3, SDL_CONTROLLER_BUTTON_DPAD_DOWN, false), recorder);
    recorder.TakePresses();
    EXPECT_TRUE(recorder.held.empty());
}

TEST(PallixKeyRepeatTest, AHeldKeyRepeatsAfter400MsThenEightTimesASecond)
{
    PallixKeyRepeat repeat;
    EXPECT_FALSE(repeat.GetNextDue());
    repeat.Press(1, DOWN, T0);
    EXPECT_EQ(repeat.GetNextDue(), T0 + Ms(400));
    EXPECT_FALSE(repeat.TakeDue(T0 + Ms(399)));
    EXPECT_EQ(repeat.TakeDue(T0 + Ms(400)), DOWN);
    EXPECT_FALSE(repeat.TakeDue(T0 + Ms(524)));
    int repeats = 1;
    for (int ms = 525; ms < 1400; ++ms)
        repeats += repeat.TakeDue(T0 + Ms(ms)).has_value();
    EXPECT_EQ(repeats, 8);

    // A loop that fell behind gets one repeat, then the pace again.
    EXPECT_EQ(repeat.TakeDue(T0 + Ms(5000)), DOWN);
    EXPECT_FALSE(repeat.TakeDue(T0 + Ms(5001)));
    EXPECT_EQ(repeat.GetNextDue(), T0 + Ms(5125));

    // A second key takes over; letting go of the first changes nothing.
    repeat.Press(2, RIGHT, T0 + Ms(6000));
    repeat.Release(1);
    EXPECT_FALSE(repeat.TakeDue(T0 + Ms(6399)));
    EXPECT_EQ(repeat.TakeDue(T0 + Ms(6400)), RIGHT);
    repeat.Release(2);
    EXPECT_FALSE(repeat.TakeDue(T0 + Ms(9000)));

    // Pressing the exit key stops any repeat and starts none.
    repeat.Press(3, UP, T0 + Ms(10000));
    repeat.Press(4, EXIT, T0 + Ms(10100));
    EXPECT_FALSE(repeat.TakeDue(T0 + Ms(12000)));
    repeat.Press(3, UP, T0 + Ms(13000));
    repeat.ReleaseAll();
    EXPECT_FALSE(repeat.TakeDue(T0 + Ms(14000)));
}

TEST(PallixEvdevKeysTest, RemoteKeysSdlNeverSeesAreReadFromTheirDevice)
{
    TempDir noDevices;
    PallixEvdevKeys keys(noDevices.path());
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    keys.AddDevice(fds[0]);
    auto send = [&](std::vector<std::pair<uint16_t, int32_t>> codes)
    {
        std::vector<input_event> events;
        for (auto [code, value] : codes)
        {
            input_event event = {};
            event.type = EV_KEY;
            event.code = code;
            event.value = value;
            events.push_back(event);
            input_event sync = {};
            sync.type = EV_SYN;
            events.push_back(sync);
        }
        const size_t bytes = events.size() * sizeof(input_event);
        ASSERT_EQ(::write(fds[1], events.data(), bytes), static_cast<ssize_t>(bytes));
    };
    std::vector<std::tuple<uint64_t, uint32_t, bool>> got;
    auto sink = [&](uint64_t nInput, uint32_t nCode, bool bDown) { got.emplace_back(nInput, nCode, bDown); };

    // The device's own repeats (value 2) and keys SDL delivers itself are left out.
    send({{KEY_CHANNELUP, 1}, {KEY_CHANNELUP, 2}, {KEY_CHANNELUP, 0}, {KEY_A, 1}, {KEY_A, 0}, {KEY_OK, 1},
          {KEY_OK, 0}, {KEY_INFO, 1}, {KEY_CHANNELDOWN, 1}, {KEY_SUBTITLE, 1}, {KEY_AUDIO, 1}, {KEY_EXIT, 1}});
    keys.Poll(true, sink);
    std::vector<std::pair<uint32_t, bool>> codes;
    for (auto& [nInput, nCode, bDown] : got)
        codes.emplace_back(nCode, bDown);
    EXPECT_EQ(codes, (std::vector<std::pair<uint32_t, bool>>{{PAGE_UP, true},
                                                             {PAGE_UP, false},
                                                             {SELECT, true},
                                                             {SELECT, false},
                                                             {INFO, true},
                                                             {PAGE_DOWN, true},
                                                             {SUBTITLE, true},
                                                             {AUDIO, true},
                                                             {EXIT, true}}));
    // Each key of the device is an input of its own, for the repeat to follow.
    std::set<uint64_t> inputs;
    for (auto& [nInput, nCode, bDown] : got)
        inputs.insert(nInput);
    EXPECT_EQ(inputs.size(), 7u);

    // While the window does not have the keyboard, presses are dropped, not
    // kept for later; releases still come through.
    got.clear();
    send({{KEY_INFO, 0}, {KEY_OK, 1}});
    keys.Poll(false, sink);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(std::get<1>(got[0]), INFO);
    EXPECT_FALSE(std::get<2>(got[0]));
    got.clear();
    keys.Poll(true, sink);
    EXPECT_TRUE(got.empty());

    // A device that goes away is dropped.
    ::close(fds[1]);
    keys.Poll(true, sink);
    EXPECT_TRUE(got.empty());
}

TEST(PallixKeyMapTest, EveryMediaKeyAndPadInputNamesARemoteKeyAndSomethingSdlKnows)
{
    std::map<std::string, std::string> bound;
    for (const PallixInputBinding& binding : PallixKeyMap::GetInputBindings())
    {
        uint32_t nCode = 0;
        EXPECT_TRUE(PallixKeyMap::CodeForName(binding.key, nCode)) << binding.input;
        switch (binding.kind)
        {
        case PallixInputKind::kKeyboard:
            EXPECT_NE(SDL_GetScancodeFromName(binding.input), SDL_SCANCODE_UNKNOWN) << binding.input;
            break;
        case PallixInputKind::kLinuxKey:
            EXPECT_GT(binding.linuxCode, 0) << binding.input;
            break;
        case PallixInputKind::kPadButton:
            EXPECT_NE(SDL_GameControllerGetButtonFromString(binding.input), SDL_CONTROLLER_BUTTON_INVALID)
                << binding.input;
            break;
        case PallixInputKind::kPadStick:
        {
            std::string axis(binding.input);
            axis.pop_back();
            EXPECT_NE(SDL_GameControllerGetAxisFromString(axis.c_str()), SDL_CONTROLLER_AXIS_INVALID)
                << binding.input;
            break;
        }
        }
        EXPECT_TRUE(bound.emplace(binding.input, binding.key).second) << binding.input << " bound twice";
    }
    // The TV remote's keys that reach Linux only as input events.
    EXPECT_EQ(bound["KEY_OK"], "Select");
    EXPECT_EQ(bound["KEY_INFO"], "Info");
    EXPECT_EQ(bound["KEY_CHANNELUP"], "PageUp");
    EXPECT_EQ(bound["KEY_CHANNELDOWN"], "PageDown");
    EXPECT_EQ(bound["KEY_SUBTITLE"], "Subtitle");
    EXPECT_EQ(bound["KEY_AUDIO"], "Audio");
}
