#pragma once

#include "PallixAVTypes.h"
#include "PallixAttachedFonts.h"
#include "PallixBitmapSubtitles.h"
#include "PallixTextSubtitles.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The subtitles of one track, decoded by libavcodec and drawn for the
// presenter: a track inside the movie is fed packet by packet as the movie is
// read; a file beside the movie is read whole when it is chosen, but the
// pictures of a VobSub file are read and decoded one at a time as the movie
// reaches them. Text is drawn with the fonts the movie carries, if any. Every call is
// thread-safe (the decoder thread feeds, the presenter draws).
class PallixSubtitleRenderer
{
public:
    PallixSubtitleRenderer() = default;
    PallixSubtitleRenderer(const PallixSubtitleRenderer&) = delete;
    PallixSubtitleRenderer& operator=(const PallixSubtitleRenderer&) = delete;

    // A track of the movie; false when its codec cannot be decoded.
    bool StartStream(const AVFormatContext& movie, const AVStream& stream);
    // A SubRip, ASS, SSA or WebVTT file, or the track of a VobSub index whose
    // "index:" number is nTrack; pMovie, the open movie, lends its fonts.
    // False when the file cannot be read as one.
    bool StartFile(const std::string& path, int nTrack = 0, const AVFormatContext* pMovie = nullptr);
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
    bool OpenDecoder(const AVCodecParameters& parameters, const char* charset,
                     const std::vector<PallixAttachedFonts::Font>& fonts);
    bool StartWebVtt(const std::string& bytes, const std::vector<PallixAttachedFonts::Font>& fonts);
    void Decode(const AVPacket& packet, AVRational timeBase);
    // Reads and decodes the picture of a VobSub file that is due at the time.
    void FeedPictures(long long timeMs);
    // The next packet of the VobSub track, its times in milliseconds; null at the end.
    pallix_av::PacketPtr ReadPicture();
    void Reset();

    std::mutex mMutex;
    pallix_av::CodecPtr mCodec;
    PallixTextSubtitles mText;
    PallixBitmapSubtitles mBitmaps;
    bool mbWasShowing = false;
    // An open VobSub file, its track, the track's next packet (read ahead),
    // whether the reading stands where the movie is, and when the last
    // picture decoded started.
    pallix_av::FormatPtr mPictureFile;
    int mPictureStream = -1;
    AVRational mPictureTimeBase{1, 1000};
    pallix_av::PacketPtr mNextPicture;
    bool mbPicturesPlaced = false;
    long long mLastPictureMs = -1;
};
