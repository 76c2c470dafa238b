#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

typedef struct _TTF_Font TTF_Font;

// Cuts one line of well-formed UTF-8 into pieces that HarfBuzz shapes alone:
// each of one direction (in the order the bidirectional algorithm shows them),
// one script and one face (the main face, or the face that has a character it
// lacks), then measures and draws them side by side on one baseline.
class PallixTextShaper
{
public:
    struct Piece
    {
        TTF_Font* pFont = nullptr;
        std::string text; // in reading order; HarfBuzz lays it out right to left when bRightToLeft
        bool bRightToLeft = false;
        char script[5] = "Zyyy"; // ISO 15924
        int width = 0;
    };

    // One line as coverage, one byte a pixel; top is where its first row lies
    // from the top of the line (negative when a fallback face reaches above).
    struct Coverage
    {
        int w = 0;
        int h = 0;
        int top = 0;
        std::vector<uint8_t> pixels;
    };

    // The face that has a character the main face lacks, or null.
    using FallbackFace = std::function<TTF_Font*(uint32_t code)>;

    static std::vector<Piece> Shape(std::string_view line, bool bRightToLeft, TTF_Font* pMain,
                                    const FallbackFace& fallback);
    static int Width(const std::vector<Piece>& pieces);
    static Coverage Render(const std::vector<Piece>& pieces, TTF_Font* pMain);

private:
    static void Itemize(std::string_view line, size_t begin, size_t end, bool bRightToLeft, TTF_Font* pMain,
                        const FallbackFace& fallback, std::vector<Piece>& pieces);
    static void Prepare(const Piece& piece);
};
