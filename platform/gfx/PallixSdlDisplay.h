#pragma once

#include "PallixDisplay.h"

#include <cstdint>
#include <memory>
#include <unordered_map>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct PallixVideoPicture;

// A desktop window showing the screen, scaled to the window with its aspect
// kept; the keyboard stands in for the remote control.
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
    // The subtitles over the picture, uploaded when they change.
    std::unique_ptr<SDL_Texture, TextureDeleter> mOverlayTexture;
    std::shared_ptr<const PallixBitmap> mOverlay;
    PallixRect mOverlayDest;
    std::unordered_map<int32_t, uint32_t> mKeys;
};
