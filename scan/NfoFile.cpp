#include "NfoFile.h"

#include "FileHandle.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
std::string trimmed(const std::string& text)
{
    size_t nStart = text.find_first_not_of(" \t\r\n");
    if (nStart == std::string::npos)
        return std::string();
    size_t nEnd = text.find_last_not_of(" \t\r\n");
    return text.substr(nStart, nEnd - nStart + 1);
}

std::string textOf(const pugi::xml_node& node, const char* name)
{
    return trimmed(node.child(name).text().as_string());
}

void addUnique(std::vector<std::string>& list, const std::string& value)
{
    if (value.empty())
        return;
    for (const std::string& item : list)
        if (item == value)
            return;
    list.push_back(value);
}

std::string joined(const std::vector<std::string>& list)
{
    std::string result;
    for (const std::string& item : list)
    {
        if (!result.empty())
            result += ", ";
        result += item;
    }
    return result;
}

// Managers write one genre per element, or several in one separated by "/", "|" or ",".
void addGenres(std::vector<std::string>& list, const std::string& text)
{
    size_t nStart = 0;
    while (nStart <= text.size())
    {
        size_t nEnd = text.find_first_of("/|,", nStart);
        if (nEnd == std::string::npos)
            nEnd = text.size();
        addUnique(list, trimmed(text.substr(nStart, nEnd - nStart)));
        nStart = nEnd + 1;
    }
}

std::string withoutRatingPrefix(std::string text)
{
    if (text.size() > 6 && (text.compare(0, 6, "Rated ") == 0 || text.compare(0, 6, "rated ") == 0))
        text = trimmed(text.substr(6));
    // "US:PG-13", "USA:R"
    size_t nColon = text.find(':');
    if (nColon != std::string::npos && nColon >= 2 && nColon <= 3)
    {
        bool bCountry = true;
        for (size_t i = 0; i < nColon; ++i)
            bCountry = bCountry && std::isupper(static_cast<unsigned char>(text[i]));
        if (bCountry)
            text = trimmed(text.substr(nColon + 1));
    }
    return text;
}

// What is read of a file to tell a link from XML, and the whole of most.
constexpr size_t MAX_READ_BYTES = 1 << 20;

bool isDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The id a link or a bare "tt0113277" in text gives: IMDb's first, then TMDb's and TheTVDB's.
std::string filmIdIn(const std::string& text)
{
    for (size_t nAt = text.find("tt"); nAt != std::string::npos; nAt = text.find("tt", nAt + 1))
    {
        size_t nEnd = nAt + 2;
        while (nEnd < text.size() && isDigit(text[nEnd]))
            ++nEnd;
        const bool bWordStart = nAt == 0 || !std::isalnum(static_cast<unsigned char>(text[nAt - 1]));
        if (bWordStart && nEnd - nAt >= 9 && nEnd - nAt <= 10 &&
            (nEnd >= text.size() || !std::isalnum(static_cast<unsigned char>(text[nEnd]))))
            return text.substr(nAt, nEnd - nAt);
    }
    const std::pair<const char*, const char*> SITES[] = {{"themoviedb.org/movie/", "tmdb:"},
                                                         {"themoviedb.org/tv/", "tmdb:"},
                                                         {"thetvdb.com/?tab=series&id=", "tvdb:"},
                                                         {"thetvdb.com/series/", "tvdb:"},
                                                         {"thetvdb.com/dereferrer/series/", "tvdb:"}};
    for (const auto& [site, prefix] : SITES)
    {
        size_t nAt = text.find(site);
        if (nAt == std::string::npos)
            continue;
        nAt += std::string(site).size();
        size_t nEnd = nAt;
        while (nEnd < text.size() && isDigit(text[nEnd]))
            ++nEnd;
        if (nEnd > nAt)
            return prefix + text.substr(nAt, nEnd - nAt);
    }
    return std::string();
}

std::string yearOf(const std::string& text)
{
    std::string digits = trimmed(text).substr(0, 4);
    if (digits.size() != 4)
        return std::string();
    for (char c : digits)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::string();
    return digits;
}
} // namespace

NfoFile::NfoFile() : mRuntime(0), mbPlainText(false) {}

void NfoFile::readFilmId(const pugi::xml_node& root, const std::string& content)
{
    for (pugi::xml_node id : root.children("uniqueid"))
        if (mFilmId.IsEmpty() || std::string(id.attribute("type").as_string()) == "imdb")
        {
            std::string value = trimmed(id.text().as_string());
            std::string type = id.attribute("type").as_string();
            if (value.compare(0, 2, "tt") == 0 || type == "imdb")
                mFilmId = PallixString(value);
            else if (!value.empty() && (type == "tmdb" || type == "tvdb"))
                mFilmId = PallixString(type + ":" + value);
        }
    for (const char* name : {"imdbid", "imdb_id", "id"})
        if (mFilmId.IsEmpty())
            mFilmId = PallixString(filmIdIn(textOf(root, name)));
    // The link some managers write after the XML.
    if (mFilmId.IsEmpty())
        mFilmId = PallixString(filmIdIn(content));
}

bool NfoFile::load(const PallixString& path)
{
    *this = NfoFile();
    std::string content;
    bool bWhole = false;
    if (FileHandle file{std::fopen(path.c_str(), "rb")})
    {
        char buffer[8192];
        // Metadata is small; the first pieces are enough to tell a link or XML.
        size_t n = 0;
        while (content.size() < MAX_READ_BYTES && (n = std::fread(buffer, 1, sizeof(buffer), file.get())) > 0)
            content.append(buffer, n);
        bWhole = n == 0 && !std::ferror(file.get());
    }
    const size_t nFirst = content.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    if (nFirst != std::string::npos && content[nFirst] != '<')
    {
        // A link to the film's page, or a release group's notes.
        mFilmId = PallixString(filmIdIn(content));
        if (!mFilmId.IsEmpty())
            return true;
        mbPlainText = true;
        mError = "not film metadata: no <movie> element";
        return false;
    }
    pugi::xml_document document;
    pugi::xml_parse_result result = bWhole ? document.load_buffer(content.data(), content.size())
                                           : document.load_file(path.c_str());
    if (!result)
    {
        mError = PallixString("broken .nfo: ") + result.description() + " at byte " +
                 PallixString(std::to_string(result.offset));
        return false;
    }
    pugi::xml_node root = document.child("movie");
    if (!root)
        root = document.child("tvshow");
    if (!root)
        root = document.child("episodedetails");
    if (!root)
    {
        mError = "not film metadata: no <movie> element";
        return false;
    }

    mTitle = PallixString(textOf(root, "title"));
    mOriginalTitle = PallixString(textOf(root, "originaltitle"));
    mYear = PallixString(yearOf(textOf(root, "year")));
    if (mYear.IsEmpty())
        mYear = PallixString(yearOf(textOf(root, "premiered")));
    if (mYear.IsEmpty())
        mYear = PallixString(yearOf(textOf(root, "aired")));

    std::vector<std::string> genres;
    for (pugi::xml_node genre : root.children("genre"))
        addGenres(genres, genre.text().as_string());
    mGenre = PallixString(joined(genres));

    std::vector<std::string> directors;
    for (pugi::xml_node director : root.children("director"))
        addUnique(directors, trimmed(director.text().as_string()));
    mDirector = PallixString(joined(directors));

    std::vector<std::string> actors;
    for (pugi::xml_node actor : root.children("actor"))
        addUnique(actors, textOf(actor, "name"));
    mActors = PallixString(joined(actors));

    mPlot = PallixString(textOf(root, "plot"));
    if (mPlot.IsEmpty())
        mPlot = PallixString(textOf(root, "outline"));
    mMPAA = PallixString(withoutRatingPrefix(textOf(root, "mpaa")));
    mRuntime = std::max(0, std::atoi(textOf(root, "runtime").c_str()));

    readFilmId(root, content);
    return true;
}
