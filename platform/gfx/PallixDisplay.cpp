#include "PallixDisplay.h"

#include "PallixBitmap.h"
#include "PallixHeadlessDisplay.h"
#include "PallixSdlDisplay.h"
#include "PallixVideoPlane.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

std::unique_ptr<PallixDisplay> PallixDisplay::Open()
{
    const char* choice = std::getenv("PALLIX_DISPLAY");
    if (choice && std::strcmp(choice, "headless") == 0)
        return std::make_unique<PallixHeadlessDisplay>();
    if (std::unique_ptr<PallixDisplay> window = PallixSdlDisplay::Open())
        return window;
    std::printf("Display: no window available, running headless\n");
    std::fflush(stdout);
    return std::make_unique<PallixHeadlessDisplay>();
}

void PallixDisplay::Composite(const PallixBitmap& graphics, PallixBitmap& screen)
{
    const PallixRect rect = graphics.GetRect();
    screen.Create(rect.w, rect.h);
    PallixVideoPlane::Get().Read(
        [&](const PallixBitmap& video) { screen.DrawBitmap(PallixPoint(0, 0), video, video.GetRect()); });
    screen.DrawBitmap(PallixPoint(0, 0), graphics, rect);
}

bool PallixDisplay::Screenshot(const PallixBitmap& graphics, const char* path, std::string& error)
{
    if (!path || !*path)
    {
        error = "no file name";
        return false;
    }
    PallixBitmap screen;
    Composite(graphics, screen);
    if (!screen.SavePNG(path))
    {
        error = std::string("cannot write ") + path;
        return false;
    }
    return true;
}
