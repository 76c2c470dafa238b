#pragma once

#include "PallixAVTypes.h"
#include "PallixBitmapSubtitles.h"
#include "PallixTextSubtitles.h"

#include <memory>
#include <mutex>
#include <string>

// The subtitles of one track, decoded by libavcodec and drawn for the
// presenter: a track inside the movie is fed packet by packet as the movie is
// read; a file beside the movie is read whole when it is chosen. Every call is
// thread-safe (the decoder thread feeds, the presenter draws).
class PallixSubtitleRenderer
{
public:
    PallixSubtitleRenderer() = default;
    PallixSubtitleRenderer(const PallixSubtitleRenderer&) = delete;
    PallixSubtitleRenderer& operator=(const PallixSubtitleRenderer&) = delete;

    // A track inside the movie; false when its codec cannot be decoded.
    bool StartStream(const AVStream& stream);
    // A SubRip, ASS or SSA file; false when it cannot be read as one.
    bool StartFile(const std::string& path);
    void Stop();
    bool IsActive();

    // A packet of the track started with StartStream; its times are in timeBase.
    void AddPacket(const AVPacket& packet, AVRational timeBase);
    // After a seek: picture subtitles on screen are forgotten (text lines keep
    // their times and stay).
    void Flush();

    // As PallixTextSubtitles::Render, for a movie time in seconds.
    std::shared_ptr<const PallixBitmap> Render(double time, int width, int height, int videoWidth, int videoHeight,
                                               bool& bChanged, PallixPoint& at);

private:
    bool OpenDecoder(const AVCodecParameters& parameters, const char* charset);
    void Decode(const AVPacket& packet, AVRational timeBase);

    std::mutex mMutex;
    pallix_av::CodecPtr mCodec;
    PallixTextSubtitles mText;
    PallixBitmapSubtitles mBitmaps;
    bool mbWasShowing = false;
};
