#pragma once

#include <string>
#include <vector>

// Subtitle files kept beside a movie: "movie.srt", "movie.LANG.srt" (and
// "movie.LANG.forced.srt"), or the same with ".ass" or ".ssa", where "movie" is
// the movie's file name without its extension.
class PallixSubtitleFiles
{
public:
    struct Found
    {
        std::string path;
        // The file name without the folder, to show as the track's name.
        std::string name;
        // The ISO 639 code in the name, empty when it names none.
        std::string language;
        bool bForced = false;
    };

    // The subtitle files beside moviePath: the one named like the movie first,
    // then the others by name. Empty when there are none or the folder cannot be read.
    static std::vector<Found> Find(const std::string& moviePath);
};
