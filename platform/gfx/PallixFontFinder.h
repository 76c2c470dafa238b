#pragma once

#include "PallixFont.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

typedef struct _FcConfig FcConfig;
typedef struct _FcFontSet FcFontSet;

// Finds font files through fontconfig: the face a font's attributes name (or
// the file PALLIX_FONT names), and for a character that face lacks, the best
// installed face that has it. Fontconfig is loaded once and each answer is
// kept, so asking again costs a table look-up. Event loop thread only.
class PallixFontFinder
{
public:
    struct FaceFile
    {
        std::string path;
        int index = 0;
        bool bSynthBold = false; // the face has no bold or italic cut of its own
        bool bSynthItalic = false;
        bool operator==(const FaceFile&) const = default;
    };

    static PallixFontFinder& Get();

    ~PallixFontFinder();
    PallixFontFinder(const PallixFontFinder&) = delete;
    PallixFontFinder& operator=(const PallixFontFinder&) = delete;

    bool FindFace(const PallixFont::Attributes& attributes, FaceFile& file);
    // The face preferred for these attributes that has the character, or null.
    const FaceFile* FindFallback(const PallixFont::Attributes& attributes, uint32_t code);

    // The family the attributes ask for: "system" is DejaVu Sans.
    static std::string FamilyOf(const PallixFont::Attributes& attributes);

private:
    PallixFontFinder() = default;

    struct FontSetDeleter
    {
        void operator()(FcFontSet* pSet) const;
    };
    // The installed faces in the order fontconfig prefers them for one family
    // and style, and what was found for each character so far.
    struct Chain
    {
        std::unique_ptr<FcFontSet, FontSetDeleter> fonts;
        std::vector<FaceFile> files;
        std::unordered_map<uint32_t, int> found; // character -> index in files, or -1
    };

    FcConfig* Config();
    Chain& ChainFor(const PallixFont::Attributes& attributes);

    struct ConfigDeleter
    {
        void operator()(FcConfig* pConfig) const;
    };
    bool mbConfigTried = false;
    std::unique_ptr<FcConfig, ConfigDeleter> mConfig;
    std::map<std::string, Chain> mChains;
};
