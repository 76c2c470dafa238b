#pragma once

#include <string>
#include <vector>

// A WebVTT file's cues in ASS markup, for libass. Blocks that are no cue
// (NOTE, STYLE, REGION, or a damaged one) are passed over rather than ending
// the file; bold, italic and underline are kept, other tags (classes, voices,
// ruby, karaoke times) leave their text plain; a cue's "align" and "line"
// settings place it left, centred or right, at the top, middle or bottom.
class PallixWebVtt
{
public:
    struct Cue
    {
        long long startMs = 0;
        long long endMs = 0;
        // ASS text: "{\an8}First line\NSecond {\i1}line{\i0}".
        std::string text;
    };

    // True when the text starts as a WebVTT file does ("WEBVTT").
    static bool IsWebVtt(const std::string& bytes);
    // The cues of the file's text, in the file's order; false when it is no WebVTT file.
    static bool Read(const std::string& bytes, std::vector<Cue>& cues);
    // "00:01:02.500" or "01:02.500": milliseconds, or -1 when it is no time.
    // Reads from pos and leaves pos after the time.
    static long long ReadTime(const std::string& text, size_t& pos);
    // A cue's text in ASS markup, without its placement.
    static std::string ToAss(const std::string& payload);
    // The ASS alignment (1 to 9, as on a numeric keypad) for a cue's settings.
    static int Alignment(const std::string& settings);
};
