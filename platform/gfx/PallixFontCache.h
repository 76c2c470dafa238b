#pragma once

#include "PallixFont.h"
#include "PallixFontFinder.h"
#include "PallixLruCache.h"
#include "PallixTextLayout.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

typedef struct _TTF_Font TTF_Font;

// The process's fonts: the faces fonts name (found through fontconfig, or
// PALLIX_FONT) and the faces that lend them the characters they lack, opened
// once per face, weight and size; plus the rendered lines and layouts of recent
// texts, so a repaint of unchanged text costs only the blending. Used on the
// event loop thread only.
class PallixFontCache
{
public:
    // One line of text as 8-bit coverage, one byte a pixel; its first row lies
    // top pixels below the top of the line (above it when negative).
    struct Run
    {
        int w = 0;
        int h = 0;
        int top = 0;
        std::vector<uint8_t> coverage;
    };

    static PallixFontCache& Get();

    ~PallixFontCache();
    PallixFontCache(const PallixFontCache&) = delete;
    PallixFontCache& operator=(const PallixFontCache&) = delete;

    // Null when no face can be opened.
    TTF_Font* GetFace(const PallixFont::Attributes& attributes);
    // The width of one line, read in the direction its first strong letter gives.
    int Measure(const PallixFont::Attributes& attributes, std::string_view text);
    int GetLineHeight(const PallixFont::Attributes& attributes);
    // The rendered line of a paragraph that reads right to left or not; valid until the next call.
    const Run* GetRun(const PallixFont::Attributes& attributes, std::string_view text, bool bRightToLeft = false);
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
    using FontPtr = std::unique_ptr<TTF_Font, FaceCloser>;
    struct Face
    {
        FontPtr font;
        std::map<std::string, int, std::less<>> widths;
        // The face each character the main one lacks comes from (null: none has it).
        std::unordered_map<uint32_t, TTF_Font*> fallbacks;
    };

    static std::string FaceKey(const PallixFont::Attributes& attributes);
    Face* FindFace(const PallixFont::Attributes& attributes);
    TTF_Font* OpenFile(const PallixFontFinder::FaceFile& file, uint16_t nSize);
    TTF_Font* FallbackFor(Face& face, const PallixFont::Attributes& attributes, uint32_t code);
    bool EnsureInit();

    bool mbInitTried = false;
    bool mbInitOk = false;
    bool mbMissingReported = false;
    std::map<std::string, Face> mFaces;
    std::map<std::string, FontPtr> mFiles; // every face file opened, by file, style and size
    PallixLruCache<Run> mRuns;
    PallixLruCache<std::vector<PallixTextLayout::Line>> mLayouts;
};
