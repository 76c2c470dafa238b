#include "PallixFontCache.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
// The box's "system" face is DejaVu Sans: wide coverage and clear at a distance.
constexpr const char* SYSTEM_FAMILY = "DejaVu Sans";
constexpr size_t MAX_WIDTHS_PER_FACE = 4096;

struct ConfigDeleter
{
    void operator()(FcConfig* pConfig) const { FcConfigDestroy(pConfig); }
};
struct PatternDeleter
{
    void operator()(FcPattern* pPattern) const { FcPatternDestroy(pPattern); }
};
struct SurfaceDeleter
{
    void operator()(SDL_Surface* pSurface) const { SDL_FreeSurface(pSurface); }
};

struct FaceFile
{
    std::string path;
    int index = 0;
    bool bSynthBold = false;
    bool bSynthItalic = false;
};

bool findFaceFile(const PallixFont::Attributes& attributes, FaceFile& file)
{
    const bool bBold = attributes.m_weightFlags & PallixFont::kBold;
    const bool bItalic = attributes.m_weightFlags & PallixFont::kItalic;
    const char* env = std::getenv("PALLIX_FONT");
    if (env && *env)
    {
        file = FaceFile{env, 0, bBold, bItalic};
        return true;
    }
    std::unique_ptr<FcConfig, ConfigDeleter> config(FcInitLoadConfigAndFonts());
    if (!config)
        return false;
    std::string family(attributes.m_faceName, strnlen(attributes.m_faceName, sizeof(attributes.m_faceName)));
    if (family.empty() || family == "system")
        family = SYSTEM_FAMILY;
    std::unique_ptr<FcPattern, PatternDeleter> pattern(FcPatternCreate());
    if (!pattern)
        return false;
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, bBold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, bItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config.get(), pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    std::unique_ptr<FcPattern, PatternDeleter> match(FcFontMatch(config.get(), pattern.get(), &result));
    FcChar8* path = nullptr;
    if (!match || FcPatternGetString(match.get(), FC_FILE, 0, &path) != FcResultMatch || !path)
        return false;
    int index = 0;
    FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(match.get(), FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(match.get(), FC_SLANT, 0, &slant);
    // When the family has no bold or italic cut, the renderer fakes one.
    file = FaceFile{reinterpret_cast<const char*>(path), index, bBold && weight < FC_WEIGHT_BOLD,
                    bItalic && slant == FC_SLANT_ROMAN};
    return true;
}
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

PallixFontCache::Face* PallixFontCache::FindFace(const PallixFont::Attributes& attributes)
{
    const std::string key = FaceKey(attributes);
    auto it = mFaces.find(key);
    if (it != mFaces.end())
        return it->second.font ? &it->second : nullptr;

    Face& face = mFaces[key];
    FaceFile file;
    if (EnsureInit() && attributes.m_nPointSize > 0 && findFaceFile(attributes, file))
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
    int w = 0, h = 0;
    std::string copy(text);
    if (TTF_SizeUTF8(face->font.get(), copy.c_str(), &w, &h) != 0)
        w = 0;
    if (face->widths.size() >= MAX_WIDTHS_PER_FACE)
        face->widths.clear();
    face->widths.emplace(std::move(copy), w);
    return w;
}

int PallixFontCache::GetLineHeight(const PallixFont::Attributes& attributes)
{
    TTF_Font* font = GetFace(attributes);
    return font ? TTF_FontHeight(font) : 0;
}

const PallixFontCache::Run* PallixFontCache::GetRun(const PallixFont::Attributes& attributes, std::string_view text)
{
    std::string key = FaceKey(attributes);
    key += '\x1e';
    key.append(text);
    if (const Run* run = mRuns.Find(key))
        return run;
    Run run;
    TTF_Font* font = GetFace(attributes);
    if (font && !text.empty())
    {
        std::string copy(text);
        std::unique_ptr<SDL_Surface, SurfaceDeleter> rendered(
            TTF_RenderUTF8_Blended(font, copy.c_str(), SDL_Color{255, 255, 255, 255}));
        std::unique_ptr<SDL_Surface, SurfaceDeleter> rgba(
            rendered ? SDL_ConvertSurfaceFormat(rendered.get(), SDL_PIXELFORMAT_RGBA32, 0) : nullptr);
        if (rgba && SDL_LockSurface(rgba.get()) == 0)
        {
            run.w = rgba->w;
            run.h = rgba->h;
            run.coverage.resize(size_t(run.w) * run.h);
            for (int y = 0; y < run.h; ++y)
            {
                const uint8_t* src = static_cast<const uint8_t*>(rgba->pixels) + size_t(y) * rgba->pitch;
                for (int x = 0; x < run.w; ++x)
                    run.coverage[size_t(y) * run.w + x] = src[x * 4 + 3];
            }
            SDL_UnlockSurface(rgba.get());
        }
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
