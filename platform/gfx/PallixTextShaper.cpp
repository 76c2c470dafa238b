#include "PallixTextShaper.h"

#include "PallixBidi.h"
#include "PallixTextBreaks.h"
#include "PallixUTF8.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <hb.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace
{
struct SurfaceDeleter
{
    void operator()(SDL_Surface* pSurface) const { SDL_FreeSurface(pSurface); }
};

// Characters that shape to nothing: joiners, variation selectors, direction
// marks. A face need not have them.
bool isIgnorable(uint32_t code)
{
    return code == 0x00AD || (code >= 0x200B && code <= 0x200F) || (code >= 0x202A && code <= 0x202E) ||
           (code >= 0x2060 && code <= 0x206F) || code == 0xFEFF || (code >= 0xFE00 && code <= 0xFE0F) ||
           (code >= 0xE0000 && code <= 0xE0FFF);
}

bool isCommon(hb_script_t script)
{
    return script == HB_SCRIPT_COMMON || script == HB_SCRIPT_INHERITED || script == HB_SCRIPT_UNKNOWN;
}

bool covers(TTF_Font* pFont, const std::vector<PallixUTF8::Char>& cluster)
{
    for (const PallixUTF8::Char& c : cluster)
    {
        if (!isIgnorable(c.code) && !TTF_GlyphIsProvided32(pFont, c.code))
            return false;
    }
    return true;
}

struct Cluster
{
    size_t begin = 0;
    size_t end = 0;
    std::vector<PallixUTF8::Char> chars;
    hb_script_t script = HB_SCRIPT_COMMON;
    bool bCommon = true;
};

// The clusters of text[begin, end), each with its script; blanks, digits and
// marks take the script of the letters before them (or, first in the run, after).
std::vector<Cluster> clustersOf(std::string_view line, size_t begin, size_t end)
{
    const std::string_view part = line.substr(begin, end - begin);
    std::vector<Cluster> clusters;
    size_t start = 0;
    hb_unicode_funcs_t* pUnicode = hb_unicode_funcs_get_default();
    for (size_t clusterEnd : PallixTextBreaks::GraphemeEnds(part))
    {
        Cluster cluster;
        cluster.begin = begin + start;
        cluster.end = begin + clusterEnd;
        cluster.chars = PallixUTF8::Chars(part.substr(start, clusterEnd - start));
        cluster.script = hb_unicode_script(pUnicode, cluster.chars.front().code);
        cluster.bCommon = isCommon(cluster.script);
        clusters.push_back(std::move(cluster));
        start = clusterEnd;
    }
    hb_script_t last = HB_SCRIPT_COMMON;
    for (Cluster& cluster : clusters)
    {
        if (cluster.bCommon)
            cluster.script = last;
        else
            last = cluster.script;
    }
    last = HB_SCRIPT_COMMON;
    for (auto it = clusters.rbegin(); it != clusters.rend(); ++it)
    {
        if (!isCommon(it->script))
            last = it->script;
        else
            it->script = last;
    }
    return clusters;
}
} // namespace

void PallixTextShaper::Prepare(const Piece& piece)
{
    TTF_SetFontDirection(piece.pFont, piece.bRightToLeft ? TTF_DIRECTION_RTL : TTF_DIRECTION_LTR);
    TTF_SetFontScriptName(piece.pFont, piece.script);
}

void PallixTextShaper::Itemize(std::string_view line, size_t begin, size_t end, bool bRightToLeft, TTF_Font* pMain,
                               const FallbackFace& fallback, std::vector<Piece>& pieces)
{
    std::vector<Piece> run;
    for (const Cluster& cluster : clustersOf(line, begin, end))
    {
        TTF_Font* pFont = nullptr;
        // Blanks and digits look alike in every line; punctuation the main face
        // lacks comes from the face of the letters around it.
        if (covers(pMain, cluster.chars))
            pFont = pMain;
        else if (cluster.bCommon && !run.empty() && covers(run.back().pFont, cluster.chars))
            pFont = run.back().pFont;
        else
        {
            TTF_Font* pFallback = fallback ? fallback(cluster.chars.front().code) : nullptr;
            pFont = pFallback && covers(pFallback, cluster.chars) ? pFallback : pMain;
        }
        char script[5] = {0};
        hb_tag_to_string(hb_script_to_iso15924_tag(cluster.script), script);
        if (run.empty() || run.back().pFont != pFont || std::string_view(run.back().script) != script)
        {
            Piece piece;
            piece.pFont = pFont;
            piece.bRightToLeft = bRightToLeft;
            std::copy(script, script + 5, piece.script);
            run.push_back(std::move(piece));
        }
        run.back().text.append(line.substr(cluster.begin, cluster.end - cluster.begin));
    }
    for (Piece& piece : run)
    {
        Prepare(piece);
        int h = 0;
        if (TTF_SizeUTF8(piece.pFont, piece.text.c_str(), &piece.width, &h) != 0)
            piece.width = 0;
    }
    // Within a run read right to left, the first piece is seen rightmost.
    if (bRightToLeft)
        std::reverse(run.begin(), run.end());
    for (Piece& piece : run)
        pieces.push_back(std::move(piece));
}

std::vector<PallixTextShaper::Piece> PallixTextShaper::Shape(std::string_view line, bool bRightToLeft,
                                                             TTF_Font* pMain, const FallbackFace& fallback)
{
    std::vector<Piece> pieces;
    if (!pMain || line.empty())
        return pieces;
    if (!PallixUTF8::IsWellFormed(line))
        return Shape(PallixUTF8::Sanitize(line), bRightToLeft, pMain, fallback);
    if (!bRightToLeft && PallixUTF8::IsAscii(line))
    {
        // Nearly every line: one piece in the main face, as its text reads.
        Piece piece;
        piece.pFont = pMain;
        piece.text = std::string(line);
        std::snprintf(piece.script, sizeof(piece.script), "%s", "Latn");
        Prepare(piece);
        int h = 0;
        if (TTF_SizeUTF8(pMain, piece.text.c_str(), &piece.width, &h) != 0)
            piece.width = 0;
        pieces.push_back(std::move(piece));
        return pieces;
    }
    for (const PallixBidi::Run& run : PallixBidi::VisualRuns(line, bRightToLeft))
        Itemize(line, run.begin, run.end, run.bRightToLeft, pMain, fallback, pieces);
    return pieces;
}

int PallixTextShaper::Width(const std::vector<Piece>& pieces)
{
    int width = 0;
    for (const Piece& piece : pieces)
        width += piece.width;
    return width;
}

PallixTextShaper::Coverage PallixTextShaper::Render(const std::vector<Piece>& pieces, TTF_Font* pMain)
{
    struct Drawn
    {
        std::unique_ptr<SDL_Surface, SurfaceDeleter> surface;
        int x = 0;
        int y = 0;
    };
    Coverage coverage;
    if (!pMain)
        return coverage;
    const int ascent = TTF_FontAscent(pMain);
    std::vector<Drawn> drawn;
    int x = 0, top = 0, bottom = 0, right = 0;
    for (const Piece& piece : pieces)
    {
        Prepare(piece);
        std::unique_ptr<SDL_Surface, SurfaceDeleter> rendered(
            TTF_RenderUTF8_Blended(piece.pFont, piece.text.c_str(), SDL_Color{255, 255, 255, 255}));
        if (rendered && rendered->format->format != SDL_PIXELFORMAT_ARGB8888)
            rendered.reset(SDL_ConvertSurfaceFormat(rendered.get(), SDL_PIXELFORMAT_ARGB8888, 0));
        if (rendered)
        {
            // Every face sits on the main face's baseline.
            const int y = ascent - TTF_FontAscent(piece.pFont);
            top = std::min(top, y);
            bottom = std::max(bottom, y + rendered->h);
            right = std::max(right, x + rendered->w);
            drawn.push_back(Drawn{std::move(rendered), x, y});
        }
        x += piece.width;
    }
    if (drawn.empty() || right <= 0 || bottom <= top)
        return coverage;
    coverage.w = right;
    coverage.h = bottom - top;
    coverage.top = top;
    coverage.pixels.assign(size_t(coverage.w) * size_t(coverage.h), 0);
    for (const Drawn& piece : drawn)
    {
        SDL_Surface* pSurface = piece.surface.get();
        if (SDL_LockSurface(pSurface) != 0)
            continue;
        for (int row = 0; row < pSurface->h; ++row)
        {
            const uint32_t* src =
                reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(pSurface->pixels) + size_t(row) * pSurface->pitch);
            uint8_t* dest = coverage.pixels.data() + size_t(piece.y - top + row) * size_t(coverage.w) + piece.x;
            for (int col = 0; col < pSurface->w; ++col)
                dest[col] = std::max(dest[col], static_cast<uint8_t>(src[col] >> 24));
        }
        SDL_UnlockSurface(pSurface);
    }
    return coverage;
}
