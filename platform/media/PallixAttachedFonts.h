#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct AVFormatContext;

// The fonts a movie carries for its styled subtitles (Matroska attachments),
// seen in place: they live as long as the movie's open file.
class PallixAttachedFonts
{
public:
    struct Font
    {
        // The attachment's file name.
        std::string name;
        const char* pData = nullptr;
        size_t nSize = 0;
    };

    // The movie's font attachments, by type, MIME type or file name, as many
    // as fit within a bound on their total size. Empty without a movie.
    static std::vector<Font> Find(const AVFormatContext* pMovie);
    // Tells one set of fonts from another cheaply: names, sizes and the bytes
    // at both ends of each.
    static std::string Fingerprint(const std::vector<Font>& fonts);
};
