#include "PallixSdlDisplay.h"

#include "PallixBitmap.h"
#include "PallixScreen.h"
#include "PallixSdlInput.h"
#include "PallixVideoPlane.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

namespace
{
// While a window is open the loop polls its events at least this often, so
// keys feel immediate without a busy loop.
constexpr int EVENT_POLL_MS = 10;
constexpr const char* WINDOW_TITLE = "Quorva";

SDL_Rect toSdl(const PallixRect& rect)
{
    return SDL_Rect{rect.x, rect.y, int(rect.w), int(rect.h)};
}
} // namespace

void PallixSdlDisplay::WindowDeleter::operator()(SDL_Window* pWindow) const
{
    SDL_DestroyWindow(pWindow);
}

void PallixSdlDisplay::RendererDeleter::operator()(SDL_Renderer* pRenderer) const
{
    SDL_DestroyRenderer(pRenderer);
}

void PallixSdlDisplay::TextureDeleter::operator()(SDL_Texture* pTexture) const
{
    SDL_DestroyTexture(pTexture);
}

std::unique_ptr<PallixSdlDisplay> PallixSdlDisplay::Open()
{
    std::unique_ptr<PallixSdlDisplay> display(new PallixSdlDisplay());
    if (!display->Create())
        return nullptr;
    return display;
}

PallixSdlDisplay::~PallixSdlDisplay()
{
    mGraphicsTexture.reset();
    mVideoTexture.reset();
    mOverlayTexture.reset();
    mRenderer.reset();
    mWindow.reset();
    mInput.reset();
    if (mbPadsInit)
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    if (mbVideoInit)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool PallixSdlDisplay::Create()
{
    // Signals stay with the event loop, which turns them into OnSignal.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const bool bDriverChosen = std::getenv("SDL_VIDEODRIVER") != nullptr;
    // Without a desktop only the console's own display can show a window; this
    // also keeps desktop libraries from complaining on the console.
    if (!bDriverChosen && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "KMSDRM");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return false;
    mbVideoInit = true;
    // SDL falls back to drivers that show nothing; that is no window for the viewer.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!bDriverChosen && driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0))
        return false;
    const PallixRect screen = PallixScreen().GetRect();
    // Hidden until the renderer is made: making it may replace the window with
    // one fit for OpenGL, and the viewer should see (and be able to close) only
    // the window that stays.
    mWindow.reset(SDL_CreateWindow(WINDOW_TITLE, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, int(screen.w),
                                   int(screen.h), SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_HIDDEN));
    if (!mWindow)
        return false;
    mRenderer.reset(SDL_CreateRenderer(mWindow.get(), -1, SDL_RENDERER_ACCELERATED));
    if (!mRenderer)
        mRenderer.reset(SDL_CreateRenderer(mWindow.get(), -1, SDL_RENDERER_SOFTWARE));
    if (!mRenderer)
        return false;
    // The picture keeps its aspect in any window shape, with black bars around it.
    SDL_RenderSetLogicalSize(mRenderer.get(), int(screen.w), int(screen.h));
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    mGraphicsTexture.reset(SDL_CreateTexture(mRenderer.get(), SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_STREAMING,
                                             int(screen.w), int(screen.h)));
    if (!mGraphicsTexture)
        return false;
    SDL_SetTextureBlendMode(mGraphicsTexture.get(), SDL_BLENDMODE_BLEND);
    mInput = std::make_unique<PallixSdlInput>();
    // Without pads the window still works; pads plugged in are announced as
    // events, those present now included.
    mbPadsInit = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    SDL_ShowWindow(mWindow.get());
    // Both planes start out as they are now, so the first frame is complete.
    Present(PallixScreen().GetBitmap(), std::span<const PallixRect>(&screen, 1), true);
    return true;
}

int PallixSdlDisplay::GetMaxWaitMs() const
{
    return EVENT_POLL_MS;
}

void PallixSdlDisplay::PollEvents(Listener& listener)
{
    SDL_Event event;
    while (SDL_PollEvent(&event))
    {
        switch (event.type)
        {
        case SDL_QUIT:
            listener.OnDisplayClosed();
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE)
                listener.OnDisplayClosed();
            else if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                     event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                Render();
            else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
                mInput->ReleaseAll(listener);
            break;
        case SDL_KEYDOWN:
            if (event.key.keysym.sym == SDLK_F11)
            {
                if (!event.key.repeat)
                    ToggleFullScreen();
                break;
            }
            mInput->HandleEvent(event, listener);
            break;
        default:
            mInput->HandleEvent(event, listener);
            break;
        }
    }
    PollRemoteKeys(listener);
}

void PallixSdlDisplay::PollRemoteKeys(Listener& listener)
{
    const bool bFocused = mWindow && SDL_GetKeyboardFocus() == mWindow.get();
    // The devices are opened once the window first has the keyboard; from then
    // on presses made while it does not are read and dropped, not kept for later.
    if (!bFocused && !mbRemoteKeysStarted)
        return;
    mbRemoteKeysStarted = true;
    mRemoteKeys.Poll(bFocused, [&](uint64_t nInput, uint32_t nCode, bool bDown)
                     { listener.OnDisplayKey(nInput, nCode, bDown); });
}

void PallixSdlDisplay::Present(const PallixBitmap& graphics, std::span<const PallixRect> changed, bool bVideoChanged)
{
    const PallixRect bounds = graphics.GetRect();
    for (const PallixRect& area : changed)
    {
        PallixRect rect;
        rect.MakeIntersectRect(area, bounds);
        if (rect.IsEmpty())
            continue;
        const SDL_Rect sdlRect = toSdl(rect);
        const uint8_t* pixels = graphics.GetPixels() + size_t(rect.y) * graphics.GetPitch() + size_t(rect.x) * 4;
        SDL_UpdateTexture(mGraphicsTexture.get(), &sdlRect, pixels, graphics.GetPitch());
    }
    if (bVideoChanged)
        UploadVideo();
    Render();
}

void PallixSdlDisplay::UploadVideo()
{
    const PallixVideoPicture picture = PallixVideoPlane::Get().GetPicture();
    mbVideoShown = false;
    if (picture.IsEmpty())
        return;
    // The renderer converts with the equations in force for the texture.
    SDL_SetYUVConversionMode(picture.bHD ? SDL_YUV_CONVERSION_BT709 : SDL_YUV_CONVERSION_BT601);
    if (!mVideoTexture || picture.nWidth != mnVideoWidth || picture.nHeight != mnVideoHeight ||
        picture.bHD != mbVideoHD)
    {
        mVideoTexture.reset(SDL_CreateTexture(mRenderer.get(), SDL_PIXELFORMAT_IYUV, SDL_TEXTUREACCESS_STREAMING,
                                              picture.nWidth, picture.nHeight));
        if (!mVideoTexture)
            return;
        SDL_SetTextureBlendMode(mVideoTexture.get(), SDL_BLENDMODE_NONE);
        mnVideoWidth = picture.nWidth;
        mnVideoHeight = picture.nHeight;
        mbVideoHD = picture.bHD;
    }
    if (SDL_UpdateYUVTexture(mVideoTexture.get(), nullptr, picture.planes[0], picture.pitches[0], picture.planes[1],
                             picture.pitches[1], picture.planes[2], picture.pitches[2]) != 0)
        return;
    mVideoCrop = picture.crop;
    mVideoDest = picture.dest;
    mbVideoShown = true;
    UploadOverlay(picture);
}

void PallixSdlDisplay::UploadOverlay(const PallixVideoPicture& picture)
{
    if (picture.overlay == mOverlay)
        return;
    mOverlay = picture.overlay;
    mOverlayTexture.reset();
    if (!mOverlay)
        return;
    const PallixDims dims = mOverlay->GetDims();
    mOverlayTexture.reset(SDL_CreateTexture(mRenderer.get(), SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_STATIC,
                                            int(dims.w), int(dims.h)));
    if (!mOverlayTexture)
        return;
    SDL_SetTextureBlendMode(mOverlayTexture.get(), SDL_BLENDMODE_BLEND);
    SDL_UpdateTexture(mOverlayTexture.get(), nullptr, mOverlay->GetPixels(), mOverlay->GetPitch());
    mOverlayDest = PallixRect(picture.overlayAt.x, picture.overlayAt.y, dims.w, dims.h);
}

void PallixSdlDisplay::Render()
{
    SDL_SetRenderDrawColor(mRenderer.get(), 0, 0, 0, 255);
    SDL_RenderClear(mRenderer.get());
    if (mbVideoShown)
    {
        SDL_SetYUVConversionMode(mbVideoHD ? SDL_YUV_CONVERSION_BT709 : SDL_YUV_CONVERSION_BT601);
        const SDL_Rect crop = toSdl(mVideoCrop);
        const SDL_Rect dest = toSdl(mVideoDest);
        SDL_RenderCopy(mRenderer.get(), mVideoTexture.get(), &crop, &dest);
        if (mOverlayTexture)
        {
            const SDL_Rect overlay = toSdl(mOverlayDest);
            SDL_RenderCopy(mRenderer.get(), mOverlayTexture.get(), nullptr, &overlay);
        }
    }
    SDL_RenderCopy(mRenderer.get(), mGraphicsTexture.get(), nullptr, nullptr);
    SDL_RenderPresent(mRenderer.get());
}

void PallixSdlDisplay::ToggleFullScreen()
{
    const bool bFull = SDL_GetWindowFlags(mWindow.get()) & SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_SetWindowFullscreen(mWindow.get(), bFull ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    SDL_ShowCursor(bFull ? SDL_ENABLE : SDL_DISABLE);
    Render();
}
