#include "PallixAssLimits.h"

extern "C" {
#include <ass/ass.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace
{
constexpr int MIN_PLAY_RES = 64;
constexpr double MAX_SCALE = 4.0;

// v within [lo, hi]; lo for a value that is not a number.
double bound(double v, double lo, double hi)
{
    return v >= lo ? std::min(v, hi) : lo;
}

struct TagLimit
{
    std::string_view name;
    // The largest value, as a share of the frame's height, or in per cent for scales.
    double limit;
    bool bOfHeight;
};

// Longer names first, so that "\fscx" is not read as "\fs" followed by "cx".
constexpr std::array<TagLimit, 12> TAG_LIMITS = {{
    {"fscx", 100 * MAX_SCALE, false},
    {"fscy", 100 * MAX_SCALE, false},
    {"xbord", 0.125, true},
    {"ybord", 0.125, true},
    {"xshad", 0.125, true},
    {"yshad", 0.125, true},
    {"bord", 0.125, true},
    {"shad", 0.125, true},
    {"blur", 0.125, true},
    {"fsp", 1.0, true},
    {"fs", 1.0, true},
    {"be", 0.125, true},
}};
} // namespace

void PallixAssLimits::KeepDrawable(ass_track& track)
{
    if (track.PlayResX < MIN_PLAY_RES || track.PlayResY < MIN_PLAY_RES)
    {
        // libass's own default frame.
        track.PlayResX = 384;
        track.PlayResY = 288;
    }
    const double height = track.PlayResY;
    for (int i = 0; i < track.n_styles; ++i)
    {
        ASS_Style& style = track.styles[i];
        style.FontSize = bound(style.FontSize, 0.0, height);
        style.ScaleX = bound(style.ScaleX, 0.0, MAX_SCALE);
        style.ScaleY = bound(style.ScaleY, 0.0, MAX_SCALE);
        style.Spacing = bound(style.Spacing, -height, height);
        style.Outline = bound(style.Outline, 0.0, height / 8);
        style.Shadow = bound(style.Shadow, 0.0, height / 8);
        style.Blur = bound(style.Blur, 0.0, height / 8);
    }
}

std::string PallixAssLimits::CapTags(const char* dialogue, int playResY)
{
    std::string result;
    const size_t nLength = std::strlen(dialogue);
    result.reserve(nLength);
    int nDepth = 0;
    for (size_t i = 0; i < nLength;)
    {
        const char c = dialogue[i];
        nDepth += c == '{' ? 1 : (c == '}' && nDepth > 0 ? -1 : 0);
        result += c;
        ++i;
        if (c != '\\' || nDepth == 0)
            continue;
        const std::string_view rest(dialogue + i, nLength - i);
        for (const TagLimit& tag : TAG_LIMITS)
        {
            if (rest.substr(0, tag.name.size()) != tag.name)
                continue;
            result += tag.name;
            i += tag.name.size();
            char* pEnd = nullptr;
            const double value = std::strtod(dialogue + i, &pEnd);
            const double limit = tag.bOfHeight ? tag.limit * std::max(playResY, MIN_PLAY_RES) : tag.limit;
            if (pEnd != dialogue + i && !(std::abs(value) <= limit))
            {
                result += std::to_string(static_cast<long>(value < 0 ? -limit : limit));
                i = size_t(pEnd - dialogue);
            }
            break;
        }
    }
    return result;
}
