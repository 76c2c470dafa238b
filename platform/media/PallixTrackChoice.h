#pragma once

#include "PallixMPEGFile.h"

#include <string>

// Which sound track and which subtitles a movie starts with, by the viewer's
// languages, and how a track is named on the screen. Languages are ISO 639
// codes in any of their forms ("de", "deu", "ger"), letter case ignored.
class PallixTrackChoice
{
public:
    // True when both codes name the same language; never for an empty code.
    static bool SameLanguage(const char* a, const char* b);
    // The language's English name ("German"), the code in capitals when it is
    // not one of the common ones, empty for none.
    static std::string LanguageName(const char* code);

    // The first sound track in the language, else the container's default
    // track, else the first.
    static int ChooseAudio(const PallixMPEGFile& file, const char* language);
    // The first subtitle track in the language; without one (or without a
    // language), a forced track, preferably in the sound's language; else -1 for
    // no subtitles.
    static int ChooseSubtitle(const PallixMPEGFile& file, const char* language, const char* audioLanguage);

    // "German, E-AC-3, 5.1", with the track's name after it when it has one.
    static std::string DescribeAudio(const PallixMPEGFile::AudioStream& audio);
    // "English", "English, forced", with the track's or the file's name after it.
    static std::string DescribeSubtitle(const PallixMPEGFile::SubtitleStream& subtitle);
};
