#pragma once

#include <string>
#include <vector>

// Subtitle files kept beside a movie: "movie.srt", "movie.LANG.srt" (and
// "movie.LANG.forced.srt"), or the same with ".ass", ".ssa" or ".vtt", where
// "movie" is the movie's file name without its extension; LANG may carry a
// region ("en-US", "pt_BR"), and "sdh" or "cc" may stand beside it. A DVD's
// picture subtitles come as a VobSub pair, "movie.idx" with "movie.sub", whose
// index may hold several languages: each is a track of its own.
class PallixSubtitleFiles
{
public:
    struct Found
    {
        std::string path;
        // The file name without the folder, to show as the track's name.
        std::string name;
        // The ISO 639 code in the name (or, for a VobSub index, in the index),
        // empty when it names none.
        std::string language;
        bool bForced = false;
        // libavcodec's name of the format ("subrip", "webvtt", "dvd_subtitle").
        std::string codec;
        // Pictures rather than text.
        bool bBitmap = false;
        // Which track of a VobSub index: its "index:" number; 0 for other files.
        int nFileTrack = 0;
    };

    // The subtitle files beside moviePath: the ones named like the movie first,
    // then the others by name. Empty when there are none or the folder cannot be read.
    static std::vector<Found> Find(const std::string& moviePath);
};
