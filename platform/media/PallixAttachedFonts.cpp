#include "PallixAttachedFonts.h"

#include "PallixAVTypes.h"
#include "PallixString.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

namespace
{
// Films of styled subtitles carry a few fonts, some of them large (a CJK face
// is 10 to 20 MB); libass keeps a copy of each.
constexpr size_t MAX_TOTAL_BYTES = 64 * 1024 * 1024;
constexpr size_t MAX_FONTS = 100;
// Bytes hashed at each end of a font for its fingerprint.
constexpr size_t EDGE_BYTES = 4096;

std::string lower(const char* text)
{
    return PallixString::LowerAscii(text ? text : "");
}

bool endsWith(const std::string& text, const char* suffix)
{
    const size_t n = std::strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

bool isFont(const AVStream& stream)
{
    const AVCodecID id = stream.codecpar->codec_id;
    if (id == AV_CODEC_ID_TTF || id == AV_CODEC_ID_OTF)
        return true;
    const AVDictionaryEntry* mime = av_dict_get(stream.metadata, "mimetype", nullptr, 0);
    const std::string type = lower(mime ? mime->value : nullptr);
    if (type.find("font") != std::string::npos || type == "application/vnd.ms-opentype")
        return true;
    const AVDictionaryEntry* file = av_dict_get(stream.metadata, "filename", nullptr, 0);
    const std::string name = lower(file ? file->value : nullptr);
    return endsWith(name, ".ttf") || endsWith(name, ".otf") || endsWith(name, ".ttc") || endsWith(name, ".otc");
}

uint64_t hash(uint64_t h, const char* data, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        h = (h ^ static_cast<unsigned char>(data[i])) * 1099511628211ULL;
    return h;
}
} // namespace

std::vector<PallixAttachedFonts::Font> PallixAttachedFonts::Find(const AVFormatContext* pMovie)
{
    std::vector<Font> fonts;
    size_t nTotal = 0;
    for (unsigned i = 0; pMovie && i < pMovie->nb_streams && fonts.size() < MAX_FONTS; ++i)
    {
        const AVStream& stream = *pMovie->streams[i];
        const AVCodecParameters& par = *stream.codecpar;
        if (par.codec_type != AVMEDIA_TYPE_ATTACHMENT || !par.extradata || par.extradata_size <= 0 || !isFont(stream))
            continue;
        const size_t nSize = size_t(par.extradata_size);
        if (nTotal + nSize > MAX_TOTAL_BYTES)
            continue;
        nTotal += nSize;
        const AVDictionaryEntry* file = av_dict_get(stream.metadata, "filename", nullptr, 0);
        fonts.push_back(Font{file ? file->value : "font", reinterpret_cast<const char*>(par.extradata), nSize});
    }
    return fonts;
}

std::string PallixAttachedFonts::Fingerprint(const std::vector<Font>& fonts)
{
    std::string text;
    for (const Font& font : fonts)
    {
        const size_t nEdge = std::min(font.nSize, EDGE_BYTES);
        uint64_t h = hash(14695981039346656037ULL, font.pData, nEdge);
        h = hash(h, font.pData + font.nSize - nEdge, nEdge);
        text += font.name + "/" + std::to_string(font.nSize) + "/" + std::to_string(h) + "\n";
    }
    return text;
}
