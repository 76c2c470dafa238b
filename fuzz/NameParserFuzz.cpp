// The names of film folders and files ("Heat (1995)", "Heat.1995.1080p.BluRay",
// "Lantern.Street.S01E02.The.Lamp"), read by quorva-scan's NameParser.
#include "NameParser.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{
bool isTidy(const std::string& text)
{
    return text.empty() || (text.front() != ' ' && text.back() != ' ' && text.find("  ") == std::string::npos);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const PallixString name(reinterpret_cast<const char*>(data), size);
    NameParser::TitleName title = NameParser::parseTitleName(name);
    const std::string& year = title.year.str();
    // A year is four digits or nothing; titles and cleaned names have no stray blanks.
    bool bBad = !(year.empty() || (year.size() == 4 && year.find_first_not_of("0123456789") == std::string::npos));
    bBad = bBad || !isTidy(title.title.str()) || !isTidy(NameParser::cleanName(name).str());
    NameParser::EpisodeMark mark = NameParser::parseEpisodeMark(name);
    bBad = bBad || (mark.bFound && (mark.nEpisode < 0 || mark.label.IsEmpty())) || !isTidy(mark.name.str());
    // Episode order is a strict order: nothing comes before itself.
    bBad = bBad || NameParser::isEarlierEpisode(mark, mark);
    if (bBad)
    {
        std::fprintf(stderr, "name fuzz: title \"%s\", year \"%s\", label \"%s\", episode name \"%s\"\n",
                     title.title.str().c_str(), year.c_str(), mark.label.str().c_str(), mark.name.str().c_str());
        std::abort();
    }
    return 0;
}
