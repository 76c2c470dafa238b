#pragma once

#include "PallixFont.h"
#include "PallixLruCache.h"
#include "PallixTextLayout.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

typedef struct _TTF_Font TTF_Font;

// The process's fonts: faces found through fontconfig (or PALLIX_FONT), opened
// once per face, weight and size, plus the rendered runs and layouts of recent
// texts, so a repaint of unchanged text costs only the blending. Used on the
// event loop thread only.
class PallixFontCache
{
public:
    // One line of text as 8-bit coverage, one byte a pixel.
    struct Run
    {
        int w = 0;
        int h = 0;
        std::vector<uint8_t> coverage;
    };

    static PallixFontCache& Get();

    ~PallixFontCache();
    PallixFontCache(const PallixFontCache&) = delete;
    PallixFontCache& operator=(const PallixFontCache&) = delete;

    // Null when no face can be opened.
    TTF_Font* GetFace(const PallixFont::Attributes& attributes);
    int Measure(const PallixFont::Attributes& attributes, std::string_view text);
    int GetLineHeight(const PallixFont::Attributes& attributes);
    // The rendered run of text; valid until the next call.
    const Run* GetRun(const PallixFont::Attributes& attributes, std::string_view text);
    // The layout of text in a box; valid until the next call.
    const std::vector<PallixTextLayout::Line>& GetLayout(const PallixFont::Attributes& attributes,
                                                         std::string_view text, uint32_t width, uint32_t height,
                                                         uint32_t flags);

private:
    PallixFontCache();

    struct FaceCloser
    {
        void operator()(TTF_Font* pFont) const;
    };
    struct Face
    {
        std::unique_ptr<TTF_Font, FaceCloser> font;
        std::map<std::string, int, std::less<>> widths;
    };

    static std::string FaceKey(const PallixFont::Attributes& attributes);
    Face* FindFace(const PallixFont::Attributes& attributes);
    bool EnsureInit();

    bool mbInitTried = false;
    bool mbInitOk = false;
    bool mbMissingReported = false;
    std::map<std::string, Face> mFaces;
    PallixLruCache<Run> mRuns;
    PallixLruCache<std::vector<PallixTextLayout::Line>> mLayouts;
};
