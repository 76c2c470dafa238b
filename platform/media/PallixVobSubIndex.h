#pragma once

#include <string>
#include <vector>

// The text index of a VobSub pair ("movie.idx" beside "movie.sub"): which
// language tracks it holds. libavformat reads the pictures themselves.
class PallixVobSubIndex
{
public:
    struct Track
    {
        // The number after "index:", which libavformat gives the track as its id.
        int nIndex = 0;
        // The two-letter code after "id:", empty for none ("--", "und").
        std::string language;
    };

    // The tracks of the index that have at least one picture, in the order of
    // the index. Empty when the file cannot be read or is no VobSub index.
    static std::vector<Track> ReadTracks(const std::string& path);
    // The same, from the index's text.
    static std::vector<Track> ParseTracks(const std::string& text);
    // True when the text starts as an index does.
    static bool IsIndex(const std::string& text);
    // The pictures' file beside the index ("movie.sub", in any letter case);
    // empty when there is none.
    static std::string PicturesPath(const std::string& indexPath);
};
