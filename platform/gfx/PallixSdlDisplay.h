#pragma once

#include "PallixDisplay.h"
#include "PallixEvdevKeys.h"

#include <cstdint>
#include <memory>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
class PallixSdlInput;
struct PallixVideoPicture;

// A desktop window showing the screen, scaled to the window with its aspect
// kept. While it has the keyboard, the keyboard, media keys, TV remotes and
// game controllers stand in for the remote control.
class PallixSdlDisplay : public PallixDisplay
{
public:
    // Null when no window can be opened.
    static std::unique_ptr<PallixSdlDisplay> Open();
    ~PallixSdlDisplay() override;

    const char* GetName() const override { return "sdl"; }
    void PollEvents(Listener& listener) override;
    int GetMaxWaitMs() const override;
    void Present(const PallixBitmap& graphics, std::span<const PallixRect> changed, bool bVideoChanged) override;

private:
    PallixSdlDisplay() = default;
    bool Create();
    void UploadVideo();
    void UploadOverlay(const PallixVideoPicture& picture);
    void Render();
    void ToggleFullScreen();
    void PollRemoteKeys(Listener& listener);

    struct WindowDeleter
    {
        void operator()(SDL_Window* pWindow) const;
    };
    struct RendererDeleter
    {
        void operator()(SDL_Renderer* pRenderer) const;
    };
    struct TextureDeleter
    {
        void operator()(SDL_Texture* pTexture) const;
    };

    bool mbVideoInit = false;
    bool mbPadsInit = false;
    std::unique_ptr<SDL_Window, WindowDeleter> mWindow;
    std::unique_ptr<SDL_Renderer, RendererDeleter> mRenderer;
    std::unique_ptr<SDL_Texture, TextureDeleter> mGraphicsTexture;
    // The video plane's picture at its own size; the renderer scales it.
    std::unique_ptr<SDL_Texture, TextureDeleter> mVideoTexture;
    int mnVideoWidth = 0;
    int mnVideoHeight = 0;
    bool mbVideoHD = false;
    bool mbVideoShown = false;
    PallixRect mVideoCrop;
    PallixRect mVideoDest;
    std::unique_ptr<PallixSdlInput> mInput;
    PallixEvdevKeys mRemoteKeys;
    bool mbRemoteKeysStarted = false;
    // The subtitles over the picture, uploaded when they change.
    std::unique_ptr<SDL_Texture, TextureDeleter> mOverlayTexture;
    std::shared_ptr<const PallixBitmap> mOverlay;
    PallixRect mOverlayDest;
};
