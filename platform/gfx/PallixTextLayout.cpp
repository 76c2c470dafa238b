#include "PallixTextLayout.h"

#include "PallixBidi.h"
#include "PallixTextBreaks.h"
#include "PallixUTF8.h"

#include <algorithm>
#include <climits>

namespace
{
// Longest prefix, cut at one of the cuts, that satisfies fits; at least the
// first cut when forceOne is set.
size_t longestPrefix(std::string_view text, const std::vector<size_t>& cuts, bool forceOne,
                     const std::function<bool(std::string_view)>& fits)
{
    size_t lo = 0, hi = cuts.size(); // cuts[0..lo) fit
    while (lo < hi)
    {
        size_t mid = (lo + hi) / 2;
        if (fits(text.substr(0, cuts[mid])))
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == 0)
        return (forceOne && !cuts.empty()) ? cuts[0] : 0;
    return cuts[lo - 1];
}

std::string_view trimRight(std::string_view text)
{
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

// Lines of one paragraph no wider than width, broken where a line may end; a
// stretch with no such place that is wider than the box is cut between clusters.
void wrapParagraph(std::string_view paragraph, int width, const PallixTextLayout::Measure& measure,
                   std::vector<std::string>& lines)
{
    std::vector<size_t> ends = PallixTextBreaks::LineBreaks(paragraph);
    ends.push_back(paragraph.size());
    size_t lineStart = 0, lineEnd = 0;
    auto fits = [&](size_t from, size_t to) { return measure(trimRight(paragraph.substr(from, to - from))) <= width; };
    for (size_t end : ends)
    {
        if (fits(lineStart, end))
        {
            lineEnd = end;
            continue;
        }
        if (lineEnd > lineStart)
        {
            lines.emplace_back(trimRight(paragraph.substr(lineStart, lineEnd - lineStart)));
            lineStart = lineEnd;
        }
        while (!fits(lineStart, end))
        {
            const std::string_view rest = paragraph.substr(lineStart, end - lineStart);
            const size_t cut = longestPrefix(rest, PallixTextBreaks::GraphemeEnds(rest), true,
                                             [&](std::string_view s) { return measure(s) <= width; });
            lines.emplace_back(rest.substr(0, cut));
            lineStart += cut;
        }
        lineEnd = end;
    }
    lines.emplace_back(trimRight(paragraph.substr(lineStart)));
}

// The last line shown of a text that goes on past the box: whole words are
// dropped until the dots fit.
std::string markCut(std::string_view line, int width, const PallixTextLayout::Measure& measure)
{
    std::string_view kept = trimRight(line);
    std::string marked = std::string(kept) + std::string(PallixTextLayout::kEllipsisText);
    while (measure(marked) > width && kept.rfind(' ') != std::string_view::npos)
    {
        kept = trimRight(kept.substr(0, kept.rfind(' ')));
        marked = std::string(kept) + std::string(PallixTextLayout::kEllipsisText);
    }
    return PallixTextLayout::Ellipsize(marked, width, measure);
}
} // namespace

std::string PallixTextLayout::Ellipsize(std::string_view text, int width, const Measure& measure)
{
    if (measure(text) <= width)
        return std::string(text);
    size_t cut = longestPrefix(text, PallixTextBreaks::GraphemeEnds(text), false, [&](std::string_view s) {
        return measure(std::string(trimRight(s)) + std::string(kEllipsisText)) <= width;
    });
    std::string result(trimRight(text.substr(0, cut)));
    result += kEllipsisText;
    return measure(result) <= width ? result : std::string();
}

std::vector<PallixTextLayout::Line> PallixTextLayout::Lay(std::string_view rawText, uint32_t width, uint32_t height,
                                                          int lineHeight, uint32_t flags, const Measure& measure)
{
    std::vector<Line> result;
    if (rawText.empty())
        return result;
    // Bytes that are not UTF-8 show as replacement characters, and cuts stay on characters.
    const std::string clean = PallixUTF8::Sanitize(rawText);
    const std::string_view text = clean;
    const int boxW = width > INT_MAX ? INT_MAX : int(width);
    const int boxH = height > INT_MAX ? INT_MAX : int(height);

    std::vector<std::string> lines;
    std::vector<bool> rightToLeft;
    size_t pos = 0;
    while (pos <= text.size())
    {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view paragraph = text.substr(pos, end - pos);
        if (!paragraph.empty() && paragraph.back() == '\r')
            paragraph.remove_suffix(1);
        if (flags & kWrap)
            wrapParagraph(paragraph, boxW, measure, lines);
        else
            lines.emplace_back(paragraph);
        rightToLeft.resize(lines.size(), PallixBidi::IsRightToLeft(paragraph));
        pos = end + 1;
    }

    // Wrapped text shows only whole lines; the last one says that more follows.
    bool bCut = false;
    if ((flags & kWrap) && lineHeight > 0)
    {
        size_t maxLines = std::max(1, boxH / lineHeight);
        if (lines.size() > maxLines)
        {
            lines.resize(maxLines);
            bCut = true;
        }
    }
    if (flags & kEllipsis)
    {
        for (size_t i = 0; i < lines.size(); ++i)
        {
            if (bCut && i + 1 == lines.size())
                lines[i] = markCut(lines[i], boxW, measure);
            else
                lines[i] = Ellipsize(lines[i], boxW, measure);
        }
    }

    const int blockH = int(lines.size()) * lineHeight;
    int y = (flags & kCenterVertical) ? (boxH - blockH) / 2 : 0;
    for (size_t i = 0; i < lines.size(); ++i)
    {
        Line line;
        line.bRightToLeft = rightToLeft[i];
        const int lineW = measure(lines[i]);
        if (flags & kCenterHorizontal)
            line.x = (boxW - lineW) / 2;
        else if ((flags & kAlignRight) || ((flags & kWrap) && line.bRightToLeft))
            line.x = boxW - lineW;
        line.y = y;
        line.text = std::move(lines[i]);
        result.push_back(std::move(line));
        y += lineHeight;
    }
    return result;
}
