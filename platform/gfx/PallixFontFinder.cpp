#include "PallixFontFinder.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <cstring>

namespace
{
// The box's "system" face is DejaVu Sans: wide coverage and clear at a distance.
constexpr const char* SYSTEM_FAMILY = "DejaVu Sans";

struct PatternDeleter
{
    void operator()(FcPattern* pPattern) const { FcPatternDestroy(pPattern); }
};

bool isBold(const PallixFont::Attributes& attributes)
{
    return attributes.m_weightFlags & PallixFont::kBold;
}

bool isItalic(const PallixFont::Attributes& attributes)
{
    return attributes.m_weightFlags & PallixFont::kItalic;
}

std::unique_ptr<FcPattern, PatternDeleter> patternFor(FcConfig* pConfig, const PallixFont::Attributes& attributes)
{
    std::unique_ptr<FcPattern, PatternDeleter> pattern(FcPatternCreate());
    if (!pattern)
        return pattern;
    const std::string family = PallixFontFinder::FamilyOf(attributes);
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, isBold(attributes) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, isItalic(attributes) ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(pConfig, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    return pattern;
}

// The file of a matched face; when the family has no bold or italic cut, the
// renderer fakes one.
bool faceFileOf(FcPattern* pMatch, const PallixFont::Attributes& attributes, PallixFontFinder::FaceFile& file)
{
    FcChar8* path = nullptr;
    if (FcPatternGetString(pMatch, FC_FILE, 0, &path) != FcResultMatch || !path)
        return false;
    int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(pMatch, FC_INDEX, 0, &index);
    FcPatternGetInteger(pMatch, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(pMatch, FC_SLANT, 0, &slant);
    file = PallixFontFinder::FaceFile{reinterpret_cast<const char*>(path), index,
                                      isBold(attributes) && weight < FC_WEIGHT_BOLD,
                                      isItalic(attributes) && slant == FC_SLANT_ROMAN};
    return true;
}
} // namespace

void PallixFontFinder::ConfigDeleter::operator()(FcConfig* pConfig) const
{
    FcConfigDestroy(pConfig);
}

void PallixFontFinder::FontSetDeleter::operator()(FcFontSet* pSet) const
{
    FcFontSetDestroy(pSet);
}

PallixFontFinder& PallixFontFinder::Get()
{
    static PallixFontFinder finder;
    return finder;
}

PallixFontFinder::~PallixFontFinder() = default;

std::string PallixFontFinder::FamilyOf(const PallixFont::Attributes& attributes)
{
    std::string family(attributes.m_faceName, strnlen(attributes.m_faceName, sizeof(attributes.m_faceName)));
    if (family.empty() || family == "system")
        family = SYSTEM_FAMILY;
    return family;
}

FcConfig* PallixFontFinder::Config()
{
    if (!mbConfigTried)
    {
        mbConfigTried = true;
        mConfig.reset(FcInitLoadConfigAndFonts());
    }
    return mConfig.get();
}

bool PallixFontFinder::FindFace(const PallixFont::Attributes& attributes, FaceFile& file)
{
    const char* env = std::getenv("PALLIX_FONT");
    if (env && *env)
    {
        file = FaceFile{env, 0, isBold(attributes), isItalic(attributes)};
        return true;
    }
    FcConfig* pConfig = Config();
    if (!pConfig)
        return false;
    auto pattern = patternFor(pConfig, attributes);
    if (!pattern)
        return false;
    FcResult result = FcResultNoMatch;
    std::unique_ptr<FcPattern, PatternDeleter> match(FcFontMatch(pConfig, pattern.get(), &result));
    return match && faceFileOf(match.get(), attributes, file);
}

PallixFontFinder::Chain& PallixFontFinder::ChainFor(const PallixFont::Attributes& attributes)
{
    const std::string key = FamilyOf(attributes) + '\x1f' + std::to_string(attributes.m_weightFlags & 3);
    auto it = mChains.find(key);
    if (it != mChains.end())
        return it->second;
    Chain& chain = mChains[key];
    FcConfig* pConfig = Config();
    auto pattern = pConfig ? patternFor(pConfig, attributes) : nullptr;
    if (!pattern)
        return chain;
    // Trimmed: a face that adds no character to those before it is left out.
    FcResult result = FcResultNoMatch;
    chain.fonts.reset(FcFontSort(pConfig, pattern.get(), FcTrue, nullptr, &result));
    if (!chain.fonts)
        return chain;
    for (int i = 0; i < chain.fonts->nfont; ++i)
    {
        FaceFile file;
        FcBool bScalable = FcTrue;
        FcPatternGetBool(chain.fonts->fonts[i], FC_SCALABLE, 0, &bScalable);
        if (!bScalable || !faceFileOf(chain.fonts->fonts[i], attributes, file))
            file.path.clear();
        chain.files.push_back(std::move(file));
    }
    return chain;
}

const PallixFontFinder::FaceFile* PallixFontFinder::FindFallback(const PallixFont::Attributes& attributes,
                                                                 uint32_t code)
{
    Chain& chain = ChainFor(attributes);
    auto found = chain.found.find(code);
    if (found == chain.found.end())
    {
        int index = -1;
        for (size_t i = 0; chain.fonts && i < chain.files.size() && index < 0; ++i)
        {
            FcCharSet* pCharset = nullptr;
            if (!chain.files[i].path.empty() &&
                FcPatternGetCharSet(chain.fonts->fonts[i], FC_CHARSET, 0, &pCharset) == FcResultMatch &&
                FcCharSetHasChar(pCharset, code))
                index = int(i);
        }
        found = chain.found.emplace(code, index).first;
    }
    return found->second < 0 ? nullptr : &chain.files[size_t(found->second)];
}
