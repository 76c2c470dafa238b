#include "PallixTrackChoice.h"

#include "PallixString.h"

#include <cctype>
#include <cstring>
#include <iterator>

namespace
{
struct Language
{
    const char* twoLetter;
    const char* terminology;
    const char* bibliographic;
    const char* name;
};

const Language LANGUAGES[] = {
    {"ar", "ara", "ara", "Arabic"},     {"bg", "bul", "bul", "Bulgarian"},  {"bn", "ben", "ben", "Bengali"},
    {"ca", "cat", "cat", "Catalan"},    {"cs", "ces", "cze", "Czech"},      {"cy", "cym", "wel", "Welsh"},
    {"da", "dan", "dan", "Danish"},     {"de", "deu", "ger", "German"},     {"el", "ell", "gre", "Greek"},
    {"en", "eng", "eng", "English"},    {"es", "spa", "spa", "Spanish"},    {"et", "est", "est", "Estonian"},
    {"eu", "eus", "baq", "Basque"},     {"fa", "fas", "per", "Persian"},    {"fi", "fin", "fin", "Finnish"},
    {"fr", "fra", "fre", "French"},     {"ga", "gle", "gle", "Irish"},      {"gl", "glg", "glg", "Galician"},
    {"he", "heb", "heb", "Hebrew"},     {"hi", "hin", "hin", "Hindi"},      {"hr", "hrv", "hrv", "Croatian"},
    {"hu", "hun", "hun", "Hungarian"},  {"id", "ind", "ind", "Indonesian"}, {"is", "isl", "ice", "Icelandic"},
    {"it", "ita", "ita", "Italian"},    {"ja", "jpn", "jpn", "Japanese"},   {"ko", "kor", "kor", "Korean"},
    {"la", "lat", "lat", "Latin"},      {"lt", "lit", "lit", "Lithuanian"}, {"lv", "lav", "lav", "Latvian"},
    {"ms", "msa", "may", "Malay"},      {"nl", "nld", "dut", "Dutch"},      {"no", "nor", "nor", "Norwegian"},
    {"nb", "nob", "nob", "Norwegian"},  {"pl", "pol", "pol", "Polish"},     {"pt", "por", "por", "Portuguese"},
    {"ro", "ron", "rum", "Romanian"},   {"ru", "rus", "rus", "Russian"},    {"sk", "slk", "slo", "Slovak"},
    {"sl", "slv", "slv", "Slovenian"},  {"sr", "srp", "srp", "Serbian"},    {"sv", "swe", "swe", "Swedish"},
    {"ta", "tam", "tam", "Tamil"},      {"th", "tha", "tha", "Thai"},       {"tl", "tgl", "tgl", "Tagalog"},
    {"tr", "tur", "tur", "Turkish"},    {"uk", "ukr", "ukr", "Ukrainian"},  {"vi", "vie", "vie", "Vietnamese"},
    {"zh", "zho", "chi", "Chinese"},
};

bool equalFolded(const char* a, const char* b)
{
    return PallixString::CompareFolded(a, b) == 0;
}

// "und", "mul" and the like say that no one language is meant.
bool isNoLanguage(const char* code)
{
    return !code || !*code || equalFolded(code, "und") || equalFolded(code, "mul") || equalFolded(code, "mis") ||
           equalFolded(code, "zxx");
}

const Language* find(const char* code)
{
    if (isNoLanguage(code))
        return nullptr;
    for (const Language& language : LANGUAGES)
        if (equalFolded(code, language.twoLetter) || equalFolded(code, language.terminology) ||
            equalFolded(code, language.bibliographic))
            return &language;
    return nullptr;
}

std::string codecName(const char* codec)
{
    static const struct
    {
        const char* codec;
        const char* name;
    } NAMES[] = {{"aac", "AAC"},     {"ac3", "AC-3"},         {"eac3", "E-AC-3"},  {"dts", "DTS"},
                 {"truehd", "TrueHD"}, {"opus", "Opus"},      {"vorbis", "Vorbis"}, {"mp3", "MP3"},
                 {"mp2", "MP2"},     {"mp1", "MP1"},          {"flac", "FLAC"},    {"alac", "ALAC"},
                 {"pcm_dvd", "LPCM"}, {"pcm_bluray", "LPCM"}, {"subrip", "SubRip"}, {"ass", "ASS"},
                 {"ssa", "SSA"},     {"mov_text", "MP4 text"}, {"hdmv_pgs_subtitle", "PGS"},
                 {"dvd_subtitle", "DVD"}, {"dvb_subtitle", "DVB"}};
    for (const auto& entry : NAMES)
        if (std::strcmp(codec, entry.codec) == 0)
            return entry.name;
    if (std::strncmp(codec, "pcm_", 4) == 0)
        return "PCM";
    return PallixString::UpperAscii(codec);
}

std::string channelsName(int nChannels)
{
    switch (nChannels)
    {
    case 1:
        return "mono";
    case 2:
        return "stereo";
    case 6:
        return "5.1";
    case 8:
        return "7.1";
    default:
        return std::to_string(nChannels) + " channels";
    }
}
} // namespace

bool PallixTrackChoice::SameLanguage(const char* a, const char* b)
{
    if (isNoLanguage(a) || isNoLanguage(b))
        return false;
    const Language* pA = find(a);
    return pA ? pA == find(b) : equalFolded(a, b);
}

std::string PallixTrackChoice::LanguageName(const char* code)
{
    if (isNoLanguage(code))
        return std::string();
    if (const Language* pLanguage = find(code))
        return pLanguage->name;
    return PallixString::UpperAscii(code);
}

int PallixTrackChoice::ChooseAudio(const PallixMPEGFile& file, const char* language)
{
    for (int i = 0; i < file.GetNumAudioStreams(0); ++i)
        if (SameLanguage(file.GetAudioStreamAt(0, i)->m_language, language))
            return i;
    for (int i = 0; i < file.GetNumAudioStreams(0); ++i)
        if (file.GetAudioStreamAt(0, i)->m_bDefault)
            return i;
    return 0;
}

int PallixTrackChoice::ChooseSubtitle(const PallixMPEGFile& file, const char* language, const char* audioLanguage)
{
    const int nTracks = file.GetNumSubtitleStreams(0);
    for (int i = 0; i < nTracks; ++i)
        if (SameLanguage(file.GetSubtitleStreamAt(0, i)->m_language, language))
            return i;
    int nForced = -1;
    for (int i = 0; i < nTracks; ++i)
    {
        const PallixMPEGFile::SubtitleStream* pTrack = file.GetSubtitleStreamAt(0, i);
        if (!pTrack->m_bForced)
            continue;
        if (SameLanguage(pTrack->m_language, audioLanguage))
            return i;
        if (nForced < 0)
            nForced = i;
    }
    return nForced;
}

std::string PallixTrackChoice::DescribeAudio(const PallixMPEGFile::AudioStream& audio)
{
    std::string text = LanguageName(audio.m_language);
    auto add = [&](const std::string& part) {
        if (part.empty())
            return;
        if (!text.empty())
            text += ", ";
        text += part;
    };
    add(audio.m_codec[0] ? codecName(audio.m_codec) : std::string());
    add(audio.m_nChannels > 0 ? channelsName(audio.m_nChannels) : std::string());
    if (!audio.m_title.empty())
        text += text.empty() ? audio.m_title : " (" + audio.m_title + ")";
    return text;
}

std::string PallixTrackChoice::DescribeSubtitle(const PallixMPEGFile::SubtitleStream& subtitle)
{
    std::string text = LanguageName(subtitle.m_language);
    if (subtitle.m_bForced)
        text += text.empty() ? "forced" : ", forced";
    if (!subtitle.m_title.empty())
        text += text.empty() ? subtitle.m_title : " (" + subtitle.m_title + ")";
    if (text.empty())
        text = codecName(subtitle.m_codec);
    return text;
}
