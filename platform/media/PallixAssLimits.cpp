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
constexpr double MAX_SCALE = 3.0;
// Shares of the frame's height.
constexpr double MAX_FONT = 0.5;
constexpr double MAX_EDGE = 1.0 / 16;

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
    {"xbord", MAX_EDGE, true},
    {"ybord", MAX_EDGE, true},
    {"xshad", MAX_EDGE, true},
    {"yshad", MAX_EDGE, true},
    {"bord", MAX_EDGE, true},
    {"shad", MAX_EDGE, true},
    {"blur", MAX_EDGE, true},
    {"fsp", MAX_FONT, true},
    {"fs", MAX_FONT, true},
    {"be", MAX_EDGE, true},
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
        style.FontSize = bound(style.FontSize, 0.0, height * MAX_FONT);
        style.ScaleX = bound(style.ScaleX, 0.0, MAX_SCALE);
        style.ScaleY = bound(style.ScaleY, 0.0, MAX_SCALE);
        style.Spacing = bound(style.Spacing, -height * MAX_FONT, height * MAX_FONT);
        style.Outline = bound(style.Outline, 0.0, height * MAX_EDGE);
        style.Shadow = bound(style.Shadow, 0.0, height * MAX_EDGE);
        style.Blur = bound(style.Blur, 0.0, height * MAX_EDGE);
    }
    // A header may carry events of its own.
    for (int i = 0; i < track.n_events; ++i)
    {
        ASS_Event& event = track.events[i];
        if (!event.Text)
            continue;
        const std::string text = CapTags(event.Text, track.PlayResY);
        if (text == event.Text)
            continue;
        // libass frees the text with free().
        char* pCopy = strdup(text.c_str());
        if (!pCopy)
            continue;
        std::free(event.Text);
        event.Text = pCopy;
    }
}

std::string PallixAssLimits::CapTags(const char* dialogue, int playResY)
{
    std::string result;
    const size_t nLength = std::strlen(dialogue);
    result.reserve(nLength);
    // As libass reads a line: a block ends at the first "}", whatever "{" came before it.
    bool bInBlock = false;
    for (size_t i = 0; i < nLength;)
    {
        const char c = dialogue[i];
        bInBlock = c == '{' || (bInBlock && c != '}');
        result += c;
        ++i;
        if (c != '\\' || !bInBlock)
            continue;
        const std::string_view rest(dialogue + i, nLength - i);
        for (const TagLimit& tag : TAG_LIMITS)
        {
            if (rest.substr(0, tag.name.size()) != tag.name)
                continue;
            result += tag.name;
            i += tag.name.size();
            // libass reads "\fs(3000" and "\fs 3000" as it reads "\fs3000".
            size_t nValue = i;
            while (dialogue[nValue] == ' ' || dialogue[nValue] == '\t')
                ++nValue;
            if (dialogue[nValue] == '(')
                ++nValue;
            char* pEnd = nullptr;
            const double value = std::strtod(dialogue + nValue, &pEnd);
            const double limit = tag.bOfHeight ? tag.limit * std::max(playResY, MIN_PLAY_RES) : tag.limit;
            if (pEnd != dialogue + nValue && !(std::abs(value) <= limit))
            {
                result.append(dialogue + i, nValue - i);
                result += std::to_string(static_cast<long>(value < 0 ? -limit : limit));
                i = size_t(pEnd - dialogue);
            }
            break;
        }
    }
    return result;
}
