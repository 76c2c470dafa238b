#pragma once

#include "PallixString.h"

#include <string>

namespace pugi
{
class xml_node;
}

// A film's metadata as home media managers write it beside the film: an XML
// file whose root is <movie> (or <tvshow> for a series, <episodedetails> for
// one episode) with title, originaltitle, year, genre (several), director,
// actor/name, plot, mpaa, runtime and the film's id on a film database. Values
// are kept as the file gives them; several genres, directors or actors are
// joined with ", ". Managers also write .nfo files holding nothing but a link to
// the film's page on a film database: those give the id alone.
class NfoFile
{
public:
    NfoFile();

    // False when the file is not valid XML or not such metadata; getError says why.
    bool load(const PallixString& path);
    // After a failed load: the file is plain text with no link in it (a release
    // group's notes), which is nobody's metadata and no fault either.
    bool isPlainText() { return mbPlainText; }

    PallixString& getTitle() { return mTitle; }
    PallixString& getOriginalTitle() { return mOriginalTitle; }
    PallixString& getYear() { return mYear; }
    PallixString& getGenre() { return mGenre; }
    PallixString& getDirector() { return mDirector; }
    PallixString& getActors() { return mActors; }
    PallixString& getPlot() { return mPlot; }
    // The rating text without the "Rated " or "US:" in front that some managers add.
    PallixString& getMPAA() { return mMPAA; }
    // Minutes; 0 when not given.
    int getRuntime() { return mRuntime; }
    // "tt0113277" for the film's page on IMDb, "tmdb:949" or "tvdb:81189" for the others; may be empty.
    PallixString& getFilmId() { return mFilmId; }
    PallixString& getError() { return mError; }

private:
    // <uniqueid>, <imdbid> or <id>, else a link anywhere in the file.
    void readFilmId(const pugi::xml_node& root, const std::string& content);

    PallixString mTitle;
    PallixString mOriginalTitle;
    PallixString mYear;
    PallixString mGenre;
    PallixString mDirector;
    PallixString mActors;
    PallixString mPlot;
    PallixString mMPAA;
    int mRuntime;
    PallixString mFilmId;
    bool mbPlainText;
    PallixString mError;
};
