#include "PallixTextBreaks.h"

#include "PallixUTF8.h"

#include <linebreak.h>
#include <unicode/ubrk.h>
#include <unicode/utext.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>

namespace
{
struct BreakIteratorCloser
{
    void operator()(UBreakIterator* pIterator) const { ubrk_close(pIterator); }
};
struct TextCloser
{
    void operator()(UText* pText) const { utext_close(pText); }
};

// Opening an iterator loads its rules; each thread keeps the one it opened.
UBreakIterator* characterIterator()
{
    thread_local std::unique_ptr<UBreakIterator, BreakIteratorCloser> iterator;
    if (!iterator)
    {
        UErrorCode status = U_ZERO_ERROR;
        iterator.reset(ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status));
        if (U_FAILURE(status))
            iterator.reset();
    }
    return iterator.get();
}

// What libunibreak can read: it takes U+FFFF for the end of the text, and the
// noncharacters U+FFFE and U+FFFF break its bookkeeping, so they become U+FFFD,
// as long in bytes, and the marks stay at the text's own offsets.
std::string forLineBreaking(std::string_view text)
{
    std::string safe(text);
    if (safe.find('\xEF') == std::string::npos)
        return safe;
    for (const PallixUTF8::Char& c : PallixUTF8::Chars(text))
        if (c.code == 0xFFFE || c.code == 0xFFFF)
            safe[c.end - 1] = char(0xBD);
    return safe;
}

// Every character boundary: the answer when no iterator can be had.
std::vector<size_t> characterEnds(std::string_view text)
{
    std::vector<size_t> ends;
    for (const PallixUTF8::Char& c : PallixUTF8::Chars(text))
        ends.push_back(c.end);
    return ends;
}
} // namespace

std::vector<size_t> PallixTextBreaks::GraphemeEnds(std::string_view text)
{
    if (text.empty())
        return {};
    if (PallixUTF8::IsAscii(text))
    {
        // Only a carriage return before a line feed joins two ASCII characters.
        std::vector<size_t> ends;
        ends.reserve(text.size());
        for (size_t i = 1; i <= text.size(); ++i)
        {
            if (i == text.size() || !(text[i - 1] == '\r' && text[i] == '\n'))
                ends.push_back(i);
        }
        return ends;
    }
    UBreakIterator* pIterator = characterIterator();
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UText, TextCloser> utext(
        utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status));
    if (!pIterator || U_FAILURE(status))
        return characterEnds(text);
    ubrk_setUText(pIterator, utext.get(), &status);
    if (U_FAILURE(status))
        return characterEnds(text);
    std::vector<size_t> ends;
    for (int32_t at = ubrk_next(pIterator); at != UBRK_DONE; at = ubrk_next(pIterator))
        ends.push_back(static_cast<size_t>(at));
    // The iterator must not keep pointing at text that goes away.
    ubrk_setText(pIterator, nullptr, 0, &status);
    if (ends.empty() || ends.back() != text.size())
        ends.push_back(text.size());
    return ends;
}

std::vector<size_t> PallixTextBreaks::LineBreaks(std::string_view text)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { init_linebreak(); });
    std::vector<size_t> breaks;
    if (text.size() < 2)
        return breaks;
    std::vector<char> marks(text.size(), LINEBREAK_NOBREAK);
    const std::string safe = forLineBreaking(text);
    set_linebreaks_utf8(reinterpret_cast<const utf8_t*>(safe.data()), safe.size(), nullptr, marks.data());
    const std::vector<size_t> clusters = GraphemeEnds(text);
    // marks[i] says whether a line may end after byte i.
    for (size_t cluster : clusters)
    {
        if (cluster < text.size() && marks[cluster - 1] <= LINEBREAK_ALLOWBREAK)
            breaks.push_back(cluster);
    }
    return breaks;
}
