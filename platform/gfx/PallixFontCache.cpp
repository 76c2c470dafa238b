#include "PallixFontCache.h"

#include "PallixBidi.h"
#include "PallixTextShaper.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdio>
#include <cstring>

namespace
{
constexpr size_t MAX_WIDTHS_PER_FACE = 4096;
} // namespace

void PallixFontCache::FaceCloser::operator()(TTF_Font* pFont) const
{
    TTF_CloseFont(pFont);
}

PallixFontCache& PallixFontCache::Get()
{
    static PallixFontCache cache;
    return cache;
}

PallixFontCache::PallixFontCache() : mRuns(1024), mLayouts(512) {}

PallixFontCache::~PallixFontCache()
{
    mFaces.clear();
    mFiles.clear();
    if (mbInitOk)
        TTF_Quit();
}

bool PallixFontCache::EnsureInit()
{
    if (!mbInitTried)
    {
        mbInitTried = true;
        mbInitOk = TTF_Init() == 0;
    }
    return mbInitOk;
}

std::string PallixFontCache::FaceKey(const PallixFont::Attributes& attributes)
{
    std::string key(attributes.m_faceName, strnlen(attributes.m_faceName, sizeof(attributes.m_faceName)));
    key += '\x1f';
    key += std::to_string(attributes.m_weightFlags & (PallixFont::kBold | PallixFont::kItalic));
    key += '\x1f';
    key += std::to_string(attributes.m_nPointSize);
    return key;
}

TTF_Font* PallixFontCache::OpenFile(const PallixFontFinder::FaceFile& file, uint16_t nSize)
{
    const std::string key = file.path + '\x1f' + std::to_string(file.index) + '\x1f' +
                            std::to_string(int(file.bSynthBold) | int(file.bSynthItalic) << 1) + '\x1f' +
                            std::to_string(nSize);
    auto it = mFiles.find(key);
    if (it != mFiles.end())
        return it->second.get();
    FontPtr font(TTF_OpenFontIndex(file.path.c_str(), nSize, file.index));
    if (font)
    {
        int style = TTF_STYLE_NORMAL;
        if (file.bSynthBold)
            style |= TTF_STYLE_BOLD;
        if (file.bSynthItalic)
            style |= TTF_STYLE_ITALIC;
        TTF_SetFontStyle(font.get(), style);
    }
    return mFiles.emplace(key, std::move(font)).first->second.get();
}

PallixFontCache::Face* PallixFontCache::FindFace(const PallixFont::Attributes& attributes)
{
    const std::string key = FaceKey(attributes);
    auto it = mFaces.find(key);
    if (it != mFaces.end())
        return it->second.font ? &it->second : nullptr;

    Face& face = mFaces[key];
    PallixFontFinder::FaceFile file;
    if (EnsureInit() && attributes.m_nPointSize > 0 && PallixFontFinder::Get().FindFace(attributes, file))
    {
        face.font.reset(TTF_OpenFontIndex(file.path.c_str(), attributes.m_nPointSize, file.index));
        if (face.font)
        {
            int style = TTF_STYLE_NORMAL;
            if (file.bSynthBold)
                style |= TTF_STYLE_BOLD;
            if (file.bSynthItalic)
                style |= TTF_STYLE_ITALIC;
            TTF_SetFontStyle(face.font.get(), style);
        }
    }
    if (!face.font)
    {
        if (!mbMissingReported && attributes.m_nPointSize > 0)
        {
            mbMissingReported = true;
            std::fprintf(stderr, "ERROR: no font for face \"%s\"; text is not drawn\n", attributes.m_faceName);
        }
        return nullptr;
    }
    return &face;
}

TTF_Font* PallixFontCache::FallbackFor(Face& face, const PallixFont::Attributes& attributes, uint32_t code)
{
    auto it = face.fallbacks.find(code);
    if (it != face.fallbacks.end())
        return it->second;
    const PallixFontFinder::FaceFile* pFile = PallixFontFinder::Get().FindFallback(attributes, code);
    TTF_Font* pFont = pFile ? OpenFile(*pFile, attributes.m_nPointSize) : nullptr;
    face.fallbacks.emplace(code, pFont);
    return pFont;
}

TTF_Font* PallixFontCache::GetFace(const PallixFont::Attributes& attributes)
{
    Face* face = FindFace(attributes);
    return face ? face->font.get() : nullptr;
}

int PallixFontCache::Measure(const PallixFont::Attributes& attributes, std::string_view text)
{
    Face* face = FindFace(attributes);
    if (!face || text.empty())
        return 0;
    auto it = face->widths.find(text);
    if (it != face->widths.end())
        return it->second;
    auto fallback = [&](uint32_t code) { return FallbackFor(*face, attributes, code); };
    const int w = PallixTextShaper::Width(
        PallixTextShaper::Shape(text, PallixBidi::IsRightToLeft(text), face->font.get(), fallback));
    if (face->widths.size() >= MAX_WIDTHS_PER_FACE)
        face->widths.clear();
    face->widths.emplace(std::string(text), w);
    return w;
}

int PallixFontCache::GetLineHeight(const PallixFont::Attributes& attributes)
{
    TTF_Font* font = GetFace(attributes);
    return font ? TTF_FontHeight(font) : 0;
}

const PallixFontCache::Run* PallixFontCache::GetRun(const PallixFont::Attributes& attributes, std::string_view text,
                                                    bool bRightToLeft)
{
    std::string key = FaceKey(attributes);
    key += bRightToLeft ? "\x1eR" : "\x1eL";
    key.append(text);
    if (const Run* run = mRuns.Find(key))
        return run;
    Run run;
    Face* face = FindFace(attributes);
    if (face && !text.empty())
    {
        auto fallback = [&](uint32_t code) { return FallbackFor(*face, attributes, code); };
        PallixTextShaper::Coverage coverage = PallixTextShaper::Render(
            PallixTextShaper::Shape(text, bRightToLeft, face->font.get(), fallback), face->font.get());
        run.w = coverage.w;
        run.h = coverage.h;
        run.top = coverage.top;
        run.coverage = std::move(coverage.pixels);
    }
    return mRuns.Put(key, std::move(run));
}

const std::vector<PallixTextLayout::Line>& PallixFontCache::GetLayout(const PallixFont::Attributes& attributes,
                                                                      std::string_view text, uint32_t width,
                                                                      uint32_t height, uint32_t flags)
{
    std::string key = FaceKey(attributes);
    key += '\x1e' + std::to_string(width) + ',' + std::to_string(height) + ',' + std::to_string(flags) + '\x1e';
    key.append(text);
    if (const auto* layout = mLayouts.Find(key))
        return *layout;
    auto measure = [&](std::string_view s) { return Measure(attributes, s); };
    return *mLayouts.Put(key, PallixTextLayout::Lay(text, width, height, GetLineHeight(attributes), flags, measure));
}
