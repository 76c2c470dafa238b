#include "PallixAssLimits.h"

extern "C" {
#include <ass/ass.h>
}

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace
{
constexpr int MIN_PLAY_RES = 64;
constexpr double MAX_SCALE = 3.0;
// Shares of the frame's height.
constexpr double MAX_FONT = 0.5;
constexpr double MAX_EDGE = 1.0 / 16;
// A slant of two: a glyph leans twice its height.
constexpr double MAX_SHEAR = 2.0;
// Fonts one line may name: fontconfig takes milliseconds to find each one.
constexpr size_t MAX_FONT_NAMES = 4;
// The most a line's glyphs may cover, in frames: a screen full of text is
// about one.
constexpr double MAX_LINE_FRAMES = 4.0;
// The longest row of a turned or slanted line, in frame widths: libass draws
// such a line into one bitmap as large as the square of its longest row.
constexpr double MAX_TURNED_ROW = 2.0;

// v within [lo, hi]; lo for a value that is not a number.
double bound(double v, double lo, double hi)
{
    return v >= lo ? std::min(v, hi) : lo;
}

enum class Tag
{
    kCap,
    kFontSize,
    kSpacing,
    kScaleX,
    kScaleY,
    kReset,
    kDrawing,
    kTurn,
    kWrap,
    kFontName,
};

struct TagLimit
{
    std::string_view name;
    Tag tag;
    // The largest value: a share of the frame's height, per cent for scales,
    // a plain number for slants; 0 where any value can be drawn.
    double limit;
    bool bOfHeight;
};

// Longer names first, so that "\fscx" is not read as "\fs" followed by "cx".
constexpr std::array<TagLimit, 22> TAG_LIMITS = {{
    {"fscx", Tag::kScaleX, 100 * MAX_SCALE, false},
    {"fscy", Tag::kScaleY, 100 * MAX_SCALE, false},
    {"xbord", Tag::kCap, MAX_EDGE, true},
    {"ybord", Tag::kCap, MAX_EDGE, true},
    {"xshad", Tag::kCap, MAX_EDGE, true},
    {"yshad", Tag::kCap, MAX_EDGE, true},
    {"bord", Tag::kCap, MAX_EDGE, true},
    {"shad", Tag::kCap, MAX_EDGE, true},
    {"blur", Tag::kCap, MAX_EDGE, true},
    {"fsp", Tag::kSpacing, MAX_FONT, true},
    {"fs", Tag::kFontSize, MAX_FONT, true},
    {"be", Tag::kCap, MAX_EDGE, true},
    {"r", Tag::kReset, 0, false},
    {"p", Tag::kDrawing, 0, false},
    {"frx", Tag::kTurn, 0, false},
    {"fry", Tag::kTurn, 0, false},
    {"frz", Tag::kTurn, 0, false},
    {"fr", Tag::kTurn, 0, false},
    {"fax", Tag::kTurn, MAX_SHEAR, false},
    {"fay", Tag::kTurn, MAX_SHEAR, false},
    {"q", Tag::kWrap, 0, false},
    {"fn", Tag::kFontName, 0, false},
}};

// What sets the room one glyph takes.
struct Sizes
{
    double font = 0;
    double spacing = 0;
    double scaleX = 1;
    double scaleY = 1;
};

Sizes sizesOf(const ASS_Style* pStyle, double maxFont)
{
    // Without a style, assume the largest font a line may have.
    if (!pStyle)
        return {maxFont, 0, 1, 1};
    return {pStyle->FontSize, pStyle->Spacing, pStyle->ScaleX, pStyle->ScaleY};
}

std::string whole(double v)
{
    return std::to_string(static_cast<long>(v));
}

// "\fs12\fsp0": a line's font size and spacing shrunk by fit.
std::string fitted(const Sizes& sizes, double fit)
{
    return "\\fs" + whole(std::max(sizes.font * fit, 1.0)) + "\\fsp" + whole(sizes.spacing * fit);
}

// Reads one line as libass does, writing it out with its values within
// bounds and its font sizes and spacing multiplied by fit, and measuring the
// room its glyphs take.
class LineWalk
{
public:
    // text ends with a nul, which stops every read of a number.
    LineWalk(const char* text, const ass_track& track, int style)
        : mText(text),
          mHeight(std::max(track.PlayResY, MIN_PLAY_RES)),
          mTrack(track),
          mpStyle(style >= 0 && style < track.n_styles ? &track.styles[style] : nullptr)
    {
    }

    std::string Write(double fit)
    {
        mFit = fit;
        mArea = 0;
        mWord = mRow = mLongestWord = mLongestRow = 0;
        mSizes = sizesOf(mpStyle, mHeight * MAX_FONT);
        mDrawing = 0;
        mParens = 0;
        mFontNames.clear();
        mbTurned = mpStyle && mpStyle->Angle != 0;
        mbNoWrap = mTrack.WrapStyle == 2;
        std::string result;
        result.reserve(mText.size() + 32);
        if (fit < 1)
            result += "{" + fitted(mSizes, fit) + "}";
        // A "{" opens a block only when a "}" comes after it; the block ends at
        // the first "}", whatever "{" came before it.
        const size_t nLastClose = mText.rfind('}');
        bool bInBlock = false;
        for (size_t i = 0; i < mText.size();)
        {
            const char c = mText[i];
            if (!bInBlock && mDrawing > 0 && c != '{')
            {
                // libass draws the commands up to the next "{" as one shape.
                const size_t nEnd = std::min(mText.find('{', i), mText.size());
                countDrawing(mText.substr(i, nEnd - i));
                result.append(mText.substr(i, nEnd - i));
                i = nEnd;
                continue;
            }
            if (!bInBlock)
            {
                bInBlock = c == '{' && nLastClose != std::string_view::npos && i < nLastClose;
                mParens = 0;
                if (!bInBlock)
                    countGlyph(i);
                result += c;
                ++i;
                continue;
            }
            bInBlock = c != '}';
            result += c;
            ++i;
            if (c == '(')
                ++mParens;
            else if (c == ')' && mParens > 0)
                --mParens;
            else if (c == '\\')
                i = writeTag(i, result);
        }
        return result;
    }

    // In square pixels of the frame.
    double Area() const { return mArea; }
    // The longest row, in pixels of the frame, if the line is turned or slanted; 0 if not.
    double TurnedRow() const { return mbTurned ? (mbNoWrap ? mLongestRow : mLongestWord) : 0; }

private:
    void countGlyph(size_t i)
    {
        const char c = mText[i];
        // A line break takes no room, nor do the trailing bytes of a character.
        if ((static_cast<unsigned char>(c) & 0xC0) == 0x80)
            return;
        if (c == '\\' && i + 1 < mText.size() && (mText[i + 1] == 'N' || mText[i + 1] == 'n'))
        {
            mWord = mRow = 0;
            return;
        }
        if (i > 0 && mText[i - 1] == '\\' && (c == 'N' || c == 'n' || c == 'h'))
            return;
        const double advance =
            mSizes.font * std::max(mSizes.scaleX, mSizes.scaleY) + std::abs(mSizes.spacing);
        mArea += advance * advance;
        // Rows are broken at blanks, unless the line is not to be wrapped.
        mWord = c == ' ' ? 0 : mWord + advance;
        mRow += advance;
        mLongestWord = std::max(mLongestWord, mWord);
        mLongestRow = std::max(mLongestRow, mRow);
    }

    // "m 0 0 l 100 0 100 50": the box around the points, at the drawing's level and scale.
    void countDrawing(std::string_view commands)
    {
        double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
        double x = 0;
        bool bX = true;
        for (size_t i = 0; i < commands.size();)
        {
            const char c = commands[i];
            if (std::isalpha(static_cast<unsigned char>(c)))
                bX = true;
            if (!std::isdigit(static_cast<unsigned char>(c)) && c != '-' && c != '+' && c != '.')
            {
                ++i;
                continue;
            }
            char* pEnd = nullptr;
            const double value = std::strtod(commands.data() + i, &pEnd);
            const size_t nRead = size_t(pEnd - (commands.data() + i));
            i += std::max<size_t>(nRead, 1);
            if (nRead == 0 || !std::isfinite(value))
                continue;
            if (bX)
                x = value;
            else
            {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, value);
                maxY = std::max(maxY, value);
            }
            bX = !bX;
        }
        if (minX > maxX)
            return;
        // Past libass's own range of coordinates; and the sums stay finite.
        constexpr double MAX_SPAN = 1e9;
        const double scale = std::ldexp(1.0, int(1 - std::min(mDrawing, 64L)));
        const double width = std::min(maxX - minX, MAX_SPAN) * scale * mSizes.scaleX;
        const double height = std::min(maxY - minY, MAX_SPAN) * scale * mSizes.scaleY;
        mArea += width * height;
        mWord += std::max(width, height);
        mRow += std::max(width, height);
        mLongestWord = std::max(mLongestWord, mWord);
        mLongestRow = std::max(mLongestRow, mRow);
    }

    const ASS_Style* styleNamed(std::string_view name) const
    {
        for (int i = 0; i < mTrack.n_styles; ++i)
        {
            const char* pName = mTrack.styles[i].Name;
            if (pName && name == pName)
                return &mTrack.styles[i];
        }
        return mpStyle;
    }

    // The tag whose name starts at i, within a block; returns where its value ends.
    size_t writeTag(size_t i, std::string& result)
    {
        // libass reads "\ fs40" as "\fs40".
        while (i < mText.size() && (mText[i] == ' ' || mText[i] == '\t'))
            result += mText[i++];
        const std::string_view rest = mText.substr(i);
        for (const TagLimit& tag : TAG_LIMITS)
        {
            if (!rest.starts_with(tag.name))
                continue;
            result += tag.name;
            i += tag.name.size();
            if (tag.tag == Tag::kReset)
                return writeReset(i, result);
            if (tag.tag == Tag::kFontName)
                return writeFontName(i, result);
            // "\pos" and "\pbo" are other tags.
            if (tag.tag == Tag::kDrawing && (rest.starts_with("pos") || rest.starts_with("pbo")))
                return i;
            if (tag.tag == Tag::kDrawing)
                return writeDrawing(i, result);
            return writeValue(tag, i, result);
        }
        return i;
    }

    // Where the value of the tag whose name ends at i starts. libass reads a
    // name up to the first "(" or "\": what follows the part it knows is the
    // value ("\fs 40"), unless a "(" comes, which opens the values
    // ("\fsxyz( 40)").
    size_t valueStart(size_t i, bool& bInParens) const
    {
        const char* pText = mText.data();
        size_t nEnd = i;
        while (pText[nEnd] && pText[nEnd] != '(' && pText[nEnd] != '\\' && pText[nEnd] != '}')
            ++nEnd;
        bInParens = pText[nEnd] == '(';
        size_t nValue = bInParens ? nEnd + 1 : i;
        while (pText[nValue] == ' ' || pText[nValue] == '\t')
            ++nValue;
        return nValue;
    }

    // "\p1": drawings from here on, until "\p0".
    size_t writeDrawing(size_t i, std::string& result)
    {
        bool bInParens = false;
        const size_t nValue = valueStart(i, bInParens);
        char* pEnd = nullptr;
        mDrawing = std::strtol(mText.data() + nValue, &pEnd, 10);
        // A drawing is shrunk by a power of two at least as small as the fit.
        const long shift = mFit > 0 ? long(std::ceil(std::min(-std::log2(mFit), 64.0))) : 64;
        if (mDrawing <= 0 || shift <= 0 || mDrawing > 64)
            return i;
        result.append(mText.substr(i, nValue - i));
        result += std::to_string(mDrawing + shift);
        // The "(" written here is not read again.
        mParens += bInParens;
        return size_t(pEnd - mText.data());
    }

    // "\r" or "\rStyle": back to a style's sizes.
    size_t writeReset(size_t i, std::string& result)
    {
        size_t nEnd = i;
        while (nEnd < mText.size() && mText[nEnd] != '\\' && mText[nEnd] != '}')
            ++nEnd;
        const std::string_view name = mText.substr(i, nEnd - i);
        result += name;
        mSizes = sizesOf(name.empty() ? mpStyle : styleNamed(name), mHeight * MAX_FONT);
        if (mFit < 1)
            result += fitted(mSizes, mFit);
        return nEnd;
    }

    // "\fnName": past a few fonts, the line goes back to its style's.
    size_t writeFontName(size_t i, std::string& result)
    {
        const size_t nEnd = std::min(mText.find_first_of("\\}", i), mText.size());
        const std::string_view name = mText.substr(i, nEnd - i);
        const bool bKnown = std::find(mFontNames.begin(), mFontNames.end(), name) != mFontNames.end();
        if (!bKnown && mFontNames.size() >= MAX_FONT_NAMES)
            return nEnd;
        if (!bKnown)
            mFontNames.push_back(name);
        result += name;
        return nEnd;
    }

    size_t writeValue(const TagLimit& tag, size_t i, std::string& result)
    {
        const Sizes style = sizesOf(mpStyle, mHeight * MAX_FONT);
        const char* pText = mText.data();
        // Within the arguments of "\t(" libass moves towards the sizes it reads,
        // and within those of other tags it may skip them: either way the
        // larger size is the one to count.
        const bool bInArgs = mParens > 0;
        bool bInParens = false;
        const size_t nValue = valueStart(i, bInParens);
        if (tag.tag == Tag::kWrap)
        {
            mbNoWrap = mbNoWrap || std::strtod(pText + nValue, nullptr) == 2;
            return i;
        }
        // "\fs+5" and "\fs( -5" are relative to the size before; "\fs +5" is not.
        const bool bRelative = tag.tag == Tag::kFontSize && (bInParens || nValue == i) &&
                               (pText[nValue] == '+' || pText[nValue] == '-');
        char* pEnd = nullptr;
        double value = std::strtod(pText + nValue, &pEnd);
        const size_t nRead = size_t(pEnd - (pText + nValue));
        if (tag.tag == Tag::kTurn)
        {
            mbTurned = mbTurned || (nRead > 0 && value != 0);
            // A turn of any angle can be drawn.
            if (tag.limit == 0)
                return i;
        }
        const double limit = tag.bOfHeight ? tag.limit * mHeight : tag.limit;
        if (nRead == 0)
        {
            // A tag without a value goes back to the style's.
            toStyle(tag.tag, style, bInArgs);
            return i;
        }
        bool bRewrite = !(std::abs(value) <= limit);
        if (bRewrite)
            value = value < 0 ? -limit : limit;
        switch (tag.tag)
        {
        case Tag::kFontSize:
            if (bRelative)
                value = mSizes.font * (1 + value / 10);
            if (!(value > 0))
                value = style.font;
            bRewrite = bRewrite || bRelative || mFit < 1;
            value = std::min(value, limit);
            keep(mSizes.font, value, bInArgs);
            value = std::max(value * mFit, 1.0);
            break;
        case Tag::kSpacing:
            bRewrite = bRewrite || mFit < 1;
            keep(mSizes.spacing, value, bInArgs);
            value *= mFit;
            break;
        case Tag::kScaleX:
            keep(mSizes.scaleX, std::abs(value) / 100, bInArgs);
            break;
        case Tag::kScaleY:
            keep(mSizes.scaleY, std::abs(value) / 100, bInArgs);
            break;
        default:
            break;
        }
        if (!bRewrite)
            return i;
        result.append(mText.substr(i, nValue - i));
        result += whole(value);
        mParens += bInParens;
        return nValue + nRead;
    }

    static void keep(double& size, double value, bool bLarger)
    {
        if (!bLarger || std::abs(value) > std::abs(size))
            size = value;
    }

    // Back to the style's size for tag.
    void toStyle(Tag tag, const Sizes& style, bool bLarger)
    {
        switch (tag)
        {
        case Tag::kFontSize:
            keep(mSizes.font, style.font, bLarger);
            break;
        case Tag::kSpacing:
            keep(mSizes.spacing, style.spacing, bLarger);
            break;
        case Tag::kScaleX:
            keep(mSizes.scaleX, style.scaleX, bLarger);
            break;
        case Tag::kScaleY:
            keep(mSizes.scaleY, style.scaleY, bLarger);
            break;
        default:
            break;
        }
    }

    std::string_view mText;
    double mHeight;
    const ass_track& mTrack;
    const ASS_Style* mpStyle;
    double mFit = 1;
    double mArea = 0;
    // Widths of the word and the row being read, and the longest ones.
    double mWord = 0;
    double mRow = 0;
    double mLongestWord = 0;
    double mLongestRow = 0;
    Sizes mSizes;
    // The level of "\p1": 0 for text; a drawing's points are divided by 2 to the level less one.
    long mDrawing = 0;
    // Open parentheses in the block being read.
    int mParens = 0;
    std::vector<std::string_view> mFontNames;
    bool mbTurned = false;
    bool mbNoWrap = false;
};
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
        KeepEventDrawable(track, track.events[i]);
}

void PallixAssLimits::KeepEventDrawable(ass_track& track, ass_event& event)
{
    if (!event.Text)
        return;
    const std::string text = CapTags(event.Text, track, event.Style);
    if (text == event.Text)
        return;
    // libass frees the text with free().
    char* pCopy = strdup(text.c_str());
    if (!pCopy)
        return;
    std::free(event.Text);
    event.Text = pCopy;
}

std::string PallixAssLimits::CapTags(const char* text, const ass_track& track, int style)
{
    LineWalk walk(text, track, style);
    std::string result = walk.Write(1);
    const double width = std::max(track.PlayResX, MIN_PLAY_RES);
    const double frame = width * std::max(track.PlayResY, MIN_PLAY_RES);
    double fit = 1;
    if (walk.Area() > MAX_LINE_FRAMES * frame)
        fit = std::sqrt(MAX_LINE_FRAMES * frame / walk.Area());
    if (walk.TurnedRow() > MAX_TURNED_ROW * width)
        fit = std::min(fit, MAX_TURNED_ROW * width / walk.TurnedRow());
    if (fit < 1)
        result = walk.Write(fit);
    return result;
}
