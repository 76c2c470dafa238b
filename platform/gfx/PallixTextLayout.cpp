#include "PallixTextLayout.h"

#include <algorithm>
#include <climits>

namespace
{
bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Byte offsets of every character boundary after the first character, so a cut
// never splits a UTF-8 sequence.
std::vector<size_t> boundaries(std::string_view text)
{
    std::vector<size_t> cuts;
    for (size_t i = 1; i <= text.size(); ++i)
    {
        if (i == text.size() || !isContinuationByte(text[i]))
            cuts.push_back(i);
    }
    return cuts;
}

// Longest prefix, cut at a boundary, that satisfies fits; at least one character
// when forceOne is set.
size_t longestPrefix(std::string_view text, bool forceOne, const std::function<bool(std::string_view)>& fits)
{
    std::vector<size_t> cuts = boundaries(text);
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

void wrapParagraph(std::string_view paragraph, int width, const PallixTextLayout::Measure& measure,
                   std::vector<std::string>& lines)
{
    std::string current;
    size_t pos = 0;
    while (pos <= paragraph.size())
    {
        size_t end = paragraph.find(' ', pos);
        if (end == std::string_view::npos)
            end = paragraph.size();
        std::string_view word = paragraph.substr(pos, end - pos);
        pos = end + 1;
        if (word.empty())
            continue;
        std::string candidate = current.empty() ? std::string(word) : current + " " + std::string(word);
        if (measure(candidate) <= width)
        {
            current = std::move(candidate);
            continue;
        }
        if (!current.empty())
            lines.push_back(std::move(current));
        current.clear();
        // A word wider than the box is broken wherever it must be.
        while (measure(word) > width)
        {
            size_t cut = longestPrefix(word, true, [&](std::string_view s) { return measure(s) <= width; });
            lines.emplace_back(word.substr(0, cut));
            word.remove_prefix(cut);
        }
        current = std::string(word);
    }
    lines.push_back(std::move(current));
}
} // namespace

std::string PallixTextLayout::Ellipsize(std::string_view text, int width, const Measure& measure)
{
    if (measure(text) <= width)
        return std::string(text);
    size_t cut = longestPrefix(text, false, [&](std::string_view s) {
        return measure(std::string(trimRight(s)) + std::string(kEllipsisText)) <= width;
    });
    std::string result(trimRight(text.substr(0, cut)));
    result += kEllipsisText;
    return measure(result) <= width ? result : std::string();
}

std::vector<PallixTextLayout::Line> PallixTextLayout::Lay(std::string_view text, uint32_t width, uint32_t height,
                                                          int lineHeight, uint32_t flags, const Measure& measure)
{
    std::vector<Line> result;
    if (text.empty())
        return result;
    const int boxW = width > INT_MAX ? INT_MAX : int(width);
    const int boxH = height > INT_MAX ? INT_MAX : int(height);

    std::vector<std::string> lines;
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
            {
                // Text goes on past the box: drop whole words until the dots fit.
                std::string_view kept = trimRight(lines[i]);
                std::string marked = std::string(kept) + std::string(kEllipsisText);
                while (measure(marked) > boxW && kept.rfind(' ') != std::string_view::npos)
                {
                    kept = trimRight(kept.substr(0, kept.rfind(' ')));
                    marked = std::string(kept) + std::string(kEllipsisText);
                }
                lines[i] = Ellipsize(marked, boxW, measure);
            }
            else
                lines[i] = Ellipsize(lines[i], boxW, measure);
        }
    }

    const int blockH = int(lines.size()) * lineHeight;
    int y = (flags & kCenterVertical) ? (boxH - blockH) / 2 : 0;
    for (std::string& lineText : lines)
    {
        Line line;
        const int lineW = measure(lineText);
        if (flags & kCenterHorizontal)
            line.x = (boxW - lineW) / 2;
        else if (flags & kAlignRight)
            line.x = boxW - lineW;
        line.y = y;
        line.text = std::move(lineText);
        result.push_back(std::move(line));
        y += lineHeight;
    }
    return result;
}
