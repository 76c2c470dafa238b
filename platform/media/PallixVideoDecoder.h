#pragma once

#include "PallixAVTypes.h"
#include "PallixVideoFilter.h"

#include <functional>

// Decodes one video stream into pictures ready for the plane. Modern codecs
// (H.264, HEVC, VP9, AV1 and the like) decode on frame and slice threads on
// every core; MPEG-1 and MPEG-2 are cheap enough for one. After a flush nothing
// comes out before a clean picture (a key frame), nor any picture that leans
// on pictures from before it.
class PallixVideoDecoder
{
public:
    using Sink = std::function<void(pallix_av::FramePtr frame, double pts)>;

    PallixVideoDecoder();
    PallixVideoDecoder(const PallixVideoDecoder&) = delete;
    PallixVideoDecoder& operator=(const PallixVideoDecoder&) = delete;

    // False when the stream's codec cannot be decoded.
    bool Open(const AVStream& stream);
    void Close();
    bool IsOpen() const { return mCodec != nullptr; }

    // Decodes packet (null: hands out what the decoder still holds) and gives
    // each picture with its time in seconds to sink. False when the packet was
    // refused as damaged.
    bool Decode(const AVPacket* packet, const Sink& sink);
    // Forgets everything held, as after a jump; the next picture shown is a clean one.
    void Flush();
    // Skips pictures that no other picture needs: for catching up, and for the
    // pictures decoded only to reach a seek's time.
    void SetSkipNonReference(bool bSkip);
    double GetFrameDuration() const { return mFrameDuration; }

private:
    void Receive(const Sink& sink);
    void Deliver(pallix_av::FramePtr frame, AVRational timeBase, const Sink& sink);

    pallix_av::CodecPtr mCodec;
    pallix_av::FramePtr mFrame;
    PallixVideoFilter mFilter;
    AVRational mTimeBase{1, 90000};
    double mNextPts = 0.0;
    double mFrameDuration = 0.04;
    bool mbNeedKey = true;
    double mKeyPts = 0.0;
    bool mbSkipping = false;
};
