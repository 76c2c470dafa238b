#include "PallixWebVtt.h"

#include "PallixUTF8.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace
{
// Longer than any film: a time past it is damage.
constexpr long long MAX_TIME_MS = 100LL * 3600 * 1000;

bool startsWith(const std::string& text, size_t pos, const char* prefix)
{
    return text.compare(pos, std::strlen(prefix), prefix) == 0;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// A block keyword ("NOTE", "STYLE") alone on the line or followed by a blank.
bool isKeywordLine(const std::string& line, const char* keyword)
{
    const size_t n = std::strlen(keyword);
    return startsWith(line, 0, keyword) && (line.size() == n || isBlank(line[n]));
}

void appendUtf8(std::string& out, unsigned long code)
{
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    PallixUTF8::Append(out, uint32_t(code));
}

// "&amp;" and the like at pos: appends what it stands for and moves past it;
// false (nothing moved) when it is a plain ampersand.
bool readEntity(const std::string& text, size_t& pos, std::string& out)
{
    static const struct
    {
        const char* name;
        const char* text;
    } NAMED[] = {{"&amp;", "&"},   {"&lt;", "<"},    {"&gt;", ">"},           {"&quot;", "\""},
                 {"&apos;", "'"},  {"&nbsp;", "\\h"}, {"&lrm;", "\u200E"}, {"&rlm;", "\u200F"}};
    for (const auto& entity : NAMED)
        if (startsWith(text, pos, entity.name))
        {
            out += entity.text;
            pos += std::strlen(entity.name);
            return true;
        }
    if (!startsWith(text, pos, "&#"))
        return false;
    const bool bHex = pos + 2 < text.size() && (text[pos + 2] == 'x' || text[pos + 2] == 'X');
    const size_t digits = pos + (bHex ? 3 : 2);
    size_t end = digits;
    while (end < text.size() && end - digits < 8 &&
           (bHex ? std::isxdigit(static_cast<unsigned char>(text[end])) : std::isdigit(static_cast<unsigned char>(text[end]))))
        ++end;
    if (end == digits || end >= text.size() || text[end] != ';')
        return false;
    appendUtf8(out, std::strtoul(text.substr(digits, end - digits).c_str(), nullptr, bHex ? 16 : 10));
    pos = end + 1;
    return true;
}

// The ASS override for the tags that have one: bold, italic, underline.
const char* overrideFor(const std::string& tag)
{
    static const struct
    {
        const char* tag;
        const char* ass;
    } TAGS[] = {{"b", "{\\b1}"}, {"/b", "{\\b0}"}, {"i", "{\\i1}"}, {"/i", "{\\i0}"}, {"u", "{\\u1}"}, {"/u", "{\\u0}"}};
    for (const auto& entry : TAGS)
        if (tag == entry.tag)
            return entry.ass;
    return "";
}

// The file's lines, whatever ends them (LF, CR LF or CR), after the byte order mark.
std::vector<std::string> splitLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    size_t pos = startsWith(bytes, 0, "\xEF\xBB\xBF") ? 3 : 0;
    std::string line;
    while (pos < bytes.size())
    {
        const char c = bytes[pos++];
        if (c == '\r' || c == '\n')
        {
            if (c == '\r' && pos < bytes.size() && bytes[pos] == '\n')
                ++pos;
            lines.push_back(std::move(line));
            line.clear();
        }
        else
            line += c;
    }
    lines.push_back(std::move(line));
    return lines;
}

// One block's cue: its timing line is the first line or, after an identifier,
// the second. False when the block holds no cue.
bool readCue(const std::vector<std::string>& lines, size_t first, size_t end, PallixWebVtt::Cue& cue)
{
    size_t timing = first;
    if (lines[timing].find("-->") == std::string::npos)
        ++timing;
    if (timing >= end || lines[timing].find("-->") == std::string::npos)
        return false;
    const std::string& line = lines[timing];
    size_t pos = 0;
    while (pos < line.size() && isBlank(line[pos]))
        ++pos;
    cue.startMs = PallixWebVtt::ReadTime(line, pos);
    while (pos < line.size() && isBlank(line[pos]))
        ++pos;
    if (cue.startMs < 0 || !startsWith(line, pos, "-->"))
        return false;
    pos += 3;
    while (pos < line.size() && isBlank(line[pos]))
        ++pos;
    cue.endMs = PallixWebVtt::ReadTime(line, pos);
    if (cue.endMs <= cue.startMs)
        return false;
    std::string payload;
    for (size_t i = timing + 1; i < end; ++i)
        payload += (i > timing + 1 ? "\n" : "") + lines[i];
    cue.text = PallixWebVtt::ToAss(payload);
    if (cue.text.empty())
        return false;
    const int nAlignment = PallixWebVtt::Alignment(line.substr(pos));
    if (nAlignment != 2)
        cue.text = "{\\an" + std::to_string(nAlignment) + "}" + cue.text;
    return true;
}
} // namespace

bool PallixWebVtt::IsWebVtt(const std::string& bytes)
{
    const size_t start = startsWith(bytes, 0, "\xEF\xBB\xBF") ? 3 : 0;
    if (!startsWith(bytes, start, "WEBVTT"))
        return false;
    const size_t after = start + 6;
    return after == bytes.size() || isBlank(bytes[after]) || bytes[after] == '\n' || bytes[after] == '\r';
}

bool PallixWebVtt::Read(const std::string& bytes, std::vector<Cue>& cues)
{
    cues.clear();
    if (!IsWebVtt(bytes))
        return false;
    const std::vector<std::string> lines = splitLines(bytes);
    size_t i = 0;
    // The header block runs to the first blank line.
    while (i < lines.size() && !lines[i].empty())
        ++i;
    while (i < lines.size())
    {
        if (lines[i].empty())
        {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < lines.size() && !lines[end].empty())
            ++end;
        Cue cue;
        const bool bOther =
            isKeywordLine(lines[i], "NOTE") || isKeywordLine(lines[i], "STYLE") || isKeywordLine(lines[i], "REGION");
        if (!bOther && readCue(lines, i, end, cue))
            cues.push_back(std::move(cue));
        i = end;
    }
    return true;
}

long long PallixWebVtt::ReadTime(const std::string& text, size_t& pos)
{
    long long fields[3] = {};
    int nFields = 0;
    size_t at = pos;
    for (;;)
    {
        const size_t start = at;
        long long value = 0;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && at - start < 9)
            value = value * 10 + (text[at++] - '0');
        if (at == start || nFields == 3)
            return -1;
        fields[nFields++] = value;
        if (at < text.size() && text[at] == ':')
        {
            ++at;
            continue;
        }
        break;
    }
    // Some files write the milliseconds after a comma, as SubRip does.
    if (nFields < 2 || at >= text.size() || (text[at] != '.' && text[at] != ','))
        return -1;
    const size_t start = ++at;
    long long ms = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && at - start < 3)
        ms = ms * 10 + (text[at++] - '0');
    if (at == start)
        return -1;
    for (size_t digits = at - start; digits < 3; ++digits)
        ms *= 10;
    const long long hours = nFields == 3 ? fields[0] : 0;
    const long long minutes = fields[nFields - 2];
    const long long seconds = fields[nFields - 1];
    if (minutes > 59 || seconds > 59)
        return -1;
    const long long time = ((hours * 60 + minutes) * 60 + seconds) * 1000 + ms;
    if (time > MAX_TIME_MS)
        return -1;
    pos = at;
    return time;
}

std::string PallixWebVtt::ToAss(const std::string& payload)
{
    std::string out;
    bool bVisible = false;
    size_t pos = 0;
    while (pos < payload.size())
    {
        const char c = payload[pos];
        if (c == '<')
        {
            // A tag runs to its '>'; its name ends at a class, an annotation or the '>'.
            const size_t close = payload.find('>', pos);
            const std::string tag = payload.substr(pos + 1, close == std::string::npos ? std::string::npos : close - pos - 1);
            out += overrideFor(tag.substr(0, tag.find_first_of(". \t")));
            pos = close == std::string::npos ? payload.size() : close + 1;
            continue;
        }
        if (c == '&' && readEntity(payload, pos, out))
        {
            bVisible = true;
            continue;
        }
        ++pos;
        if (c == '\n')
            out += "\\N";
        else if (c == '{')
            out += "\\{";
        else if (c == '\\')
            // A word joiner after it, so that "\N" in the text stays those two characters.
            out += "\\\u2060";
        else
        {
            out += c;
            bVisible = bVisible || !isBlank(c);
        }
    }
    return bVisible ? out : std::string();
}

int PallixWebVtt::Alignment(const std::string& settings)
{
    int column = 2;
    int row = 0;
    size_t pos = 0;
    while (pos < settings.size())
    {
        while (pos < settings.size() && isBlank(settings[pos]))
            ++pos;
        size_t end = pos;
        while (end < settings.size() && !isBlank(settings[end]))
            ++end;
        const std::string setting = settings.substr(pos, end - pos);
        pos = end;
        if (setting == "align:start" || setting == "align:left")
            column = 1;
        else if (setting == "align:end" || setting == "align:right")
            column = 3;
        else if (setting == "align:center" || setting == "align:middle")
            column = 2;
        else if (startsWith(setting, 0, "line:"))
        {
            // A line number counts from the top when positive, from the bottom
            // when negative; a percentage is how far down the picture.
            const std::string value = setting.substr(5, setting.find(',') - 5);
            const double number = std::strtod(value.c_str(), nullptr);
            if (value.empty())
                continue;
            if (value.back() == '%')
                row = number < 33.0 ? 2 : number <= 66.0 ? 1 : 0;
            else
                row = value[0] == '-' ? 0 : 2;
        }
    }
    return column + 3 * row;
}
