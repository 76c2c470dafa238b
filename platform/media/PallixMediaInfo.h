#pragma once

#include "PallixRGBAImage.h"

#include <string>

// What a movie file holds, as far as a library describes it: running time,
// picture size and shape, container and codecs. Any container libavformat reads.
class PallixMediaInfo
{
public:
    enum ProbeResult
    {
        kProbed,
        // Not a file libavformat can open and analyse.
        kUnreadable,
        // Readable, but without a picture.
        kNoPicture,
    };

    // Analyses the file, replacing what this object described.
    ProbeResult Probe(const std::string& path);
    // Analyses the longest title set of a DVD folder (the folder that holds its
    // VTS_nn_m.VOB files): this object then describes that set, its running time
    // the sum of its parts'. Returns the name of the set's first part, for
    // example "VTS_02_1.VOB", or empty when no part could be analysed.
    std::string ProbeLongestTitleSet(const std::string& folder);

    // Seconds; 0 when unknown.
    double GetDuration() const { return mDuration; }
    int GetWidth() const { return mWidth; }
    int GetHeight() const { return mHeight; }
    // Width over height as the picture is shown; 0 when unknown.
    double GetDisplayAspect() const { return mDisplayAspect; }
    // Short labels: "MKV", "MP4", "AVI", "MPEG", "VOB", "TS", "M2TS", "DVD" ...
    const std::string& GetContainer() const { return mContainer; }
    // "H.264", "HEVC", "MPEG-2" ...
    const std::string& GetVideoCodec() const { return mVideoCodec; }
    // "AAC", "AC-3", "DTS" ...; empty when the file has no sound.
    const std::string& GetAudioCodec() const { return mAudioCodec; }

    // The picture at fraction (0 to 1) of the film's length, with square pixels.
    // False, with the image empty, when no picture could be decoded.
    static bool GrabFrame(const std::string& path, double fraction, PallixRGBAImage& image);

private:
    double mDuration = 0;
    int mWidth = 0;
    int mHeight = 0;
    double mDisplayAspect = 0;
    std::string mContainer;
    std::string mVideoCodec;
    std::string mAudioCodec;
};
