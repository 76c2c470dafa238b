#include "ReleaseTags.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace
{
using Table = std::unordered_map<std::string_view, ReleaseTags::Kind>;

const Table& table()
{
    static const Table TAGS = []
    {
        Table tags;
        // What the copy is: picture, source, codecs, sound, HDR, languages that are no words.
        for (std::string_view word :
             {"4k", "8k", "uhd", "fhd", "qhd", "bluray", "blu-ray", "bdrip", "bd-rip", "brrip", "br-rip", "bdremux",
              "bd-remux", "remux", "bd25", "bd50", "dvdrip", "dvd-rip", "dvdr", "dvd-r", "dvd5", "dvd9", "dvdscr",
              "dvdscreener", "screener", "webrip", "web-rip", "web-dl", "webdl", "web-dlrip", "webdlrip", "hdtv",
              "hdtvrip", "pdtv", "sdtv", "hdrip", "hd-rip", "tvrip", "tv-rip", "satrip", "dsrip", "dsr", "dvbrip",
              "vhsrip", "ppvrip", "hdcam", "camrip", "hdts", "telesync", "telecine", "r5", "r6", "uhdrip", "mux",
              "dvdmux", "bdmux", "webmux", "hddvd", "hd-dvd", "hdtc", "workprint", "amzn", "dsnp", "hmax", "atvp",
              "pcok", "pmtp", "itunes", "x264", "x265", "h264", "h265", "h.264", "h.265", "hevc", "avc", "xvid",
              "divx", "vc-1", "vc1", "mpeg2", "mpeg-2", "mpeg4", "av1", "vp9", "10bit", "10-bit", "8bit", "8-bit",
              "12bit", "hi10p", "hi10", "dts", "dts-hd", "dtshd", "dts-hdma", "dtshdma", "dts-ma", "dtsma", "dts-x",
              "dtsx", "dts-es", "truehd", "true-hd", "atmos", "ac3", "ac-3", "eac3", "e-ac3", "e-ac-3", "ddp", "dd+",
              "ddp5.1", "dd5.1", "ddp2.0", "dd2.0", "ddp7.1", "aac", "aac2.0", "aac5.1", "aac-lc", "he-aac", "mp3",
              "flac", "opus", "lpcm", "pcm", "2ch", "6ch", "8ch", "5.1", "7.1", "2.0", "5.1ch", "7.1ch", "ac3d",
              "ac3md", "ac3ld", "dtsd", "dd51", "dd20", "aac20", "aac51", "ddp51", "dd5", "ddp5", "dual-audio",
              "dualaudio", "hdr", "hdr10", "hdr10+", "hdr10plus", "dovi", "dolbyvision", "dolby-vision", "hlg",
              "hdr-dv", "dv-hdr", "vostfr", "vost", "vosta", "truefrench", "subfrench", "vff", "vfq", "vfi", "vf2",
              "multisubs", "multisub", "multi-subs", "pldub", "plsub", "nlsubs", "nlsub", "ita-eng", "eng-ita",
              "engsub", "esub", "esubs", "hardsub", "hardsubs", "korsub", "repack", "rerip", "readnfo", "nfofix",
              "dirfix", "syncfix", "subfix", "hsbs", "h-sbs", "half-sbs", "hou", "h-ou", "half-ou", "ntsc", "secam",
              "proper", "webhd", "hdlight", "bdscr", "xvid-hd"})
            tags.emplace(word, ReleaseTags::TECHNICAL);
        // Languages that a title may hold as words too ("The French Connection").
        for (std::string_view word :
             {"french", "german", "deutsch", "multi", "multi-lang", "multilang", "dual", "italian", "english",
              "spanish", "castellano", "latino", "japanese", "korean", "chinese", "mandarin", "cantonese", "russian",
              "hindi", "tamil", "telugu", "malayalam", "kannada", "bengali", "punjabi", "marathi", "polish", "dutch",
              "flemish", "swedish", "danish", "norwegian", "nordic", "finnish", "portuguese", "brazilian", "turkish",
              "hebrew", "arabic", "czech", "slovak", "hungarian", "greek", "romanian", "bulgarian", "croatian",
              "serbian", "thai", "vietnamese", "persian", "farsi", "ukrainian", "indonesian", "icelandic", "catalan",
              "subbed", "dubbed", "subs", "pt-br", "ptbr"})
            tags.emplace(word, ReleaseTags::LANGUAGE);
        // Short codes and flags: tags only when written as the scenes write them.
        for (std::string_view word :
             {"ita", "eng", "ger", "esp", "spa", "lat", "jap", "jpn", "kor", "rus", "pol", "pl", "nl", "swe", "nor",
              "fin", "por", "tur", "heb", "ara", "cz", "cze", "hun", "gre", "rom", "vie", "chs", "cht", "chi", "dk",
              "fra", "fre", "deu", "dl", "md", "ld", "ts", "tc", "cam", "scr", "dvd", "web", "bd", "dd", "dv", "nf",
              "hc", "ws", "fs", "pal", "sdr", "3d", "sbs", "ma", "hd", "sd", "vo", "vf", "internal", "limited",
              "festival", "stv", "docu", "hybrid", "retail", "complete", "custom", "real", "hulu", "sub", "dubs",
              "uhdtv", "ac", "hq", "mhd", "ppv", "rus", "ukr"})
            tags.emplace(word, ReleaseTags::FLAG);
        for (std::string_view word : {"extended", "unrated", "uncut", "uncensored", "imax", "theatrical", "remastered",
                                      "remaster", "redux", "restored", "criterion", "despecialized", "dc"})
            tags.emplace(word, ReleaseTags::EDITION);
        return tags;
    }();
    return TAGS;
}

bool isDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

size_t digitsAt(std::string_view text, size_t nAt)
{
    size_t n = 0;
    while (nAt + n < text.size() && isDigit(text[nAt + n]))
        ++n;
    return n;
}

// "720p", "1080i", "2160p", "1920x1080", "60fps", "700mb", "s01", "s01e02", "cd1", "part2".
bool isPatternTag(std::string_view word)
{
    const size_t nDigits = digitsAt(word, 0);
    if (nDigits >= 3 && nDigits <= 4 && word.size() == nDigits + 1 && (word.back() == 'p' || word.back() == 'i'))
        return true;
    if (nDigits >= 3 && word.size() > nDigits + 1 && word[nDigits] == 'x' &&
        digitsAt(word, nDigits + 1) == word.size() - nDigits - 1)
        return true;
    if (nDigits >= 1)
    {
        std::string_view unit = word.substr(nDigits);
        if (unit == "fps" || unit == "mb" || unit == "gb" || unit == "kbps" || unit == "ch" || unit == "cd")
            return true;
    }
    // "DVDRip", "WBBRip", "DesiSCR-Rip": whatever a copy was ripped from.
    if (word.size() >= 5 && word.substr(word.size() - 3) == "rip" && word != "strip" && word != "unrip")
        return true;
    for (std::string_view prefix : {"s", "cd", "part", "pt", "disc", "disk"})
    {
        if (word.size() <= prefix.size() || word.substr(0, prefix.size()) != prefix)
            continue;
        const size_t nNumber = digitsAt(word, prefix.size());
        if (nNumber == 0 || nNumber > 2)
            continue;
        std::string_view rest = word.substr(prefix.size() + nNumber);
        if (rest.empty() || (prefix == "s" && rest[0] == 'e' && digitsAt(rest, 1) > 0))
            return true;
    }
    return false;
}

std::string capitalised(const std::string& folded)
{
    std::string text = folded;
    if (!text.empty())
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

bool isOrdinal(std::string_view word)
{
    const size_t nDigits = digitsAt(word, 0);
    std::string_view suffix = word.substr(nDigits);
    return nDigits > 0 && (suffix == "st" || suffix == "nd" || suffix == "rd" || suffix == "th");
}

bool isEditionModifier(std::string_view word)
{
    static const std::unordered_set<std::string_view> MODIFIERS = {
        "director's", "directors", "director", "final", "extended", "theatrical", "special", "collector's",
        "collectors", "anniversary", "ultimate", "deluxe", "limited", "definitive", "diamond", "platinum",
        "alternate", "alternative", "rogue", "international", "uncut", "unrated", "remastered", "imax", "original",
        "restored", "criterion", "signature", "producer's", "producers", "redux", "uncensored", "fan"};
    return MODIFIERS.count(word) > 0 || isOrdinal(word);
}

bool isEditionEnd(std::string_view word)
{
    return word == "cut" || word == "edition" || word == "version" || word == "collection";
}
} // namespace

ReleaseTags::Kind ReleaseTags::kindOf(std::string_view folded)
{
    const Table& tags = table();
    auto found = tags.find(folded);
    if (found != tags.end())
        return found->second;
    if (isPatternTag(folded))
        return TECHNICAL;
    // "x264-GRP", "1080p-GRP", "BluRay-GRP": a tag with the group's name after it.
    const size_t nDash = folded.find('-');
    if (nDash != std::string_view::npos && nDash > 0)
    {
        std::string_view head = folded.substr(0, nDash);
        found = tags.find(head);
        if ((found != tags.end() && found->second == TECHNICAL) || isPatternTag(head))
            return TECHNICAL;
    }
    return NONE;
}

bool ReleaseTags::isSceneCase(const std::string& text)
{
    bool bUpper = false;
    bool bLowerAfterFirst = false;
    bool bLowerFirst = false;
    for (size_t i = 0; i < text.size(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (std::isupper(c))
            bUpper = true;
        else if (std::islower(c))
            (i == 0 ? bLowerFirst : bLowerAfterFirst) = true;
    }
    // "GERMAN" and "MULTi" and "iTALiAN", not "German" or "german".
    if (!bUpper)
        return false;
    if (bLowerFirst)
        return true;
    if (!bLowerAfterFirst)
        return text.size() >= 2;
    return std::islower(static_cast<unsigned char>(text.back())) &&
           std::isupper(static_cast<unsigned char>(text[text.size() >= 2 ? text.size() - 2 : 0]));
}

size_t ReleaseTags::editionPhraseAt(const std::vector<NameWords::Word>& words, size_t nAt)
{
    size_t i = nAt;
    if (i < words.size() && words[i].folded == "the")
        ++i;
    if (i + 1 < words.size() && words[i].folded == "open" && words[i + 1].folded == "matte")
        return i + 2 - nAt;
    const size_t nModifiers = i;
    while (i < words.size() && isEditionModifier(words[i].folded) && words[i].nGroup == words[nAt].nGroup)
        ++i;
    if (i == nModifiers || i >= words.size() || !isEditionEnd(words[i].folded))
        return 0;
    return i + 1 - nAt;
}

std::string ReleaseTags::editionName(const std::vector<NameWords::Word>& words, size_t nAt, size_t nCount)
{
    std::string name;
    for (size_t i = nAt; i < nAt + nCount && i < words.size(); ++i)
    {
        const std::string& word = words[i].folded;
        if (i == nAt && word == "the" && nCount > 1)
            continue;
        std::string shown;
        if (word == "dc")
            shown = "Director's Cut";
        else if (word == "director's" || word == "directors" || word == "director")
            shown = "Director's";
        else if (word == "collector's" || word == "collectors")
            shown = "Collector's";
        else if (word == "producer's" || word == "producers")
            shown = "Producer's";
        else if (word == "imax")
            shown = "IMAX";
        else if (word == "remaster")
            shown = "Remastered";
        else
            shown = isOrdinal(word) ? word : capitalised(word);
        if (!name.empty())
            name += ' ';
        name += shown;
    }
    return name;
}

bool ReleaseTags::isSiteName(std::string_view folded)
{
    static const std::unordered_set<std::string_view> SITES = {
        "rarbg", "ettv", "eztv", "yts", "yify", "tgx", "torrentgalaxy", "1337x", "glodls", "mkvcage", "rartv",
        "pahe", "mkvhub", "kat", "tpb", "torrenting", "publichd", "shaanig", "d3g", "rarbg.to", "yts.mx", "yts.am",
        "yts.ag", "yts.lt", "eztv.re", "eztv.io", "ettv.to"};
    if (SITES.count(folded) > 0 || folded.substr(0, 4) == "www." || folded == "www")
        return true;
    static const std::unordered_set<std::string_view> DOMAINS = {
        "com", "org", "net", "to", "ws", "me", "cc", "io", "tv", "info", "xyz", "ru", "lol", "nz", "se", "li",
        "in", "is", "mx", "ag", "ch", "pl", "biz", "cx", "la", "su", "eu", "club", "site", "one", "fr", "de",
        "it", "es", "uk", "re", "lt", "am", "cd", "ms", "onl", "vip", "top", "pw", "cz", "sk", "nl", "be",
        "at", "hu", "ro", "gr", "ir", "rs", "bz", "tk", "nu", "link", "world", "buzz", "fun", "art", "cam"};
    const size_t nDot = folded.rfind('.');
    return nDot != std::string_view::npos && nDot > 0 && DOMAINS.count(folded.substr(nDot + 1)) > 0 &&
           folded.find(' ') == std::string_view::npos;
}

bool ReleaseTags::isCountry(std::string_view folded)
{
    return folded == "us" || folded == "uk" || folded == "au" || folded == "nz" || folded == "ca" ||
           folded == "ie";
}
