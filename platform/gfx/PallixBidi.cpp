#include "PallixBidi.h"

#include "PallixUTF8.h"

#include <fribidi.h>

#include <algorithm>

namespace
{
// No character of these can change the order of a line that reads left to right.
bool isLeftToRightOnly(const std::vector<PallixUTF8::Char>& chars)
{
    for (const PallixUTF8::Char& c : chars)
    {
        const FriBidiCharType type = fribidi_get_bidi_type(c.code);
        if (FRIBIDI_IS_RTL(type) || FRIBIDI_IS_EXPLICIT_OR_ISOLATE_OR_BN_OR_NSM(type) ||
            type == FRIBIDI_TYPE_AN)
            return false;
    }
    return true;
}
} // namespace

bool PallixBidi::IsRightToLeft(std::string_view paragraph)
{
    if (PallixUTF8::IsAscii(paragraph))
        return false;
    for (const PallixUTF8::Char& c : PallixUTF8::Chars(paragraph))
    {
        const FriBidiCharType type = fribidi_get_bidi_type(c.code);
        if (FRIBIDI_IS_LETTER(type))
            return FRIBIDI_IS_RTL(type);
    }
    return false;
}

std::vector<PallixBidi::Run> PallixBidi::VisualRuns(std::string_view line, bool bRightToLeft)
{
    std::vector<Run> runs;
    if (line.empty())
        return runs;
    if (!bRightToLeft && PallixUTF8::IsAscii(line))
        return {Run{0, line.size(), false}};
    const std::vector<PallixUTF8::Char> chars = PallixUTF8::Chars(line);
    if (!bRightToLeft && isLeftToRightOnly(chars))
        return {Run{0, line.size(), false}};

    const FriBidiStrIndex length = static_cast<FriBidiStrIndex>(chars.size());
    std::vector<FriBidiChar> codes(chars.size());
    for (size_t i = 0; i < chars.size(); ++i)
        codes[i] = chars[i].code;
    std::vector<FriBidiCharType> types(chars.size());
    std::vector<FriBidiBracketType> brackets(chars.size());
    std::vector<FriBidiLevel> levels(chars.size());
    fribidi_get_bidi_types(codes.data(), length, types.data());
    fribidi_get_bracket_types(codes.data(), length, types.data(), brackets.data());
    FriBidiParType direction = bRightToLeft ? FRIBIDI_PAR_RTL : FRIBIDI_PAR_LTR;
    if (fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), length, &direction, levels.data()) == 0)
        return {Run{0, line.size(), bRightToLeft}};

    // Runs of one level, in reading order.
    std::vector<FriBidiLevel> runLevels;
    for (size_t i = 0; i < chars.size(); ++i)
    {
        if (runs.empty() || levels[i] != runLevels.back())
        {
            runs.push_back(Run{chars[i].begin, chars[i].end, (levels[i] & 1) != 0});
            runLevels.push_back(levels[i]);
        }
        else
            runs.back().end = chars[i].end;
    }
    // From the highest level down to the lowest odd one, every stretch of runs
    // at that level or above is reversed.
    const FriBidiLevel highest = *std::max_element(runLevels.begin(), runLevels.end());
    FriBidiLevel lowestOdd = highest + 1;
    for (FriBidiLevel level : runLevels)
    {
        if (level & 1)
            lowestOdd = std::min(lowestOdd, level);
    }
    for (int level = highest; level >= int(lowestOdd); --level)
    {
        size_t i = 0;
        while (i < runs.size())
        {
            if (runLevels[i] < level)
            {
                ++i;
                continue;
            }
            size_t j = i;
            while (j < runs.size() && runLevels[j] >= level)
                ++j;
            std::reverse(runs.begin() + long(i), runs.begin() + long(j));
            std::reverse(runLevels.begin() + long(i), runLevels.begin() + long(j));
            i = j;
        }
    }
    return runs;
}
