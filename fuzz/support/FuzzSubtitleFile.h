#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

class PallixSubtitleRenderer;

// The input of the subtitle targets: the first byte picks the kind of file the
// name claims (".srt", ".ass", ".ssa" or ".vtt"), and the rest is the file.
class FuzzSubtitleFile
{
public:
    // What the readers need, set up once.
    static void Initialize();
    // The input written as a subtitle file; its path, or nothing for an empty input.
    static std::string Write(const uint8_t* data, size_t size);
    // Draws the renderer's subtitles at each time (seconds) on a small frame,
    // and aborts when what it draws lies outside the picture.
    static void DrawAt(PallixSubtitleRenderer& renderer, std::initializer_list<double> times);
};
