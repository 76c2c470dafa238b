#pragma once

#include "PallixRect.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

class PallixBitmap;

// Where the screen goes: a window on the desktop or nowhere (headless). Both
// composite the video plane under the graphics plane the same way.
class PallixDisplay
{
public:
    // What a display reports back to the event loop.
    class Listener
    {
    public:
        virtual ~Listener() = default;
        // A remote key from the key map, pressed or released. nInput tells the
        // physical control (keyboard key, pad button or stick, remote key) apart,
        // for the window system to repeat what is held.
        virtual void OnDisplayKey(uint64_t nInput, uint32_t nCode, bool bDown) = 0;
        // Text typed on the keyboard, UTF-8, while IsTakingText says so.
        virtual void OnDisplayText(std::string_view text) { (void)text; }
        // Whether keys that make characters are to come as text instead.
        virtual bool IsTakingText() { return false; }
        // The viewer closed the window.
        virtual void OnDisplayClosed() = 0;
    };

    virtual ~PallixDisplay() = default;

    // PALLIX_DISPLAY=sdl|headless chooses; otherwise a window is tried and, when
    // none can be opened, the display is headless and says so on the console.
    static std::unique_ptr<PallixDisplay> Open();

    virtual const char* GetName() const = 0;
    // Whether each new video picture must be presented as it comes (a window
    // does; a headless screen is only looked at in screenshots, which are
    // composited on demand).
    virtual bool ShowsEveryPicture() const { return true; }
    // Handles what the window system has queued; never blocks.
    virtual void PollEvents(Listener& listener) = 0;
    // How long the loop may sleep before PollEvents must run again; -1 for no limit.
    virtual int GetMaxWaitMs() const = 0;
    // Shows the screen after the graphics plane changed in the given areas and/or
    // the video plane changed.
    virtual void Present(const PallixBitmap& graphics, std::span<const PallixRect> changed, bool bVideoChanged) = 0;

    // The screen as the viewer sees it: video plane, graphics plane over it.
    static void Composite(const PallixBitmap& graphics, PallixBitmap& screen);
    // Writes the composited screen as PNG; on failure the reason is in error.
    static bool Screenshot(const PallixBitmap& graphics, const char* path, std::string& error);
};
