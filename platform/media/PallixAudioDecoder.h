#pragma once

#include "PallixAVTypes.h"

#include <cstdint>
#include <functional>
#include <vector>

// Decodes one sound stream into 16-bit samples at the output's rate, mixed
// down (or spread) to the output's number of channels.
class PallixAudioDecoder
{
public:
    using Sink = std::function<void(std::vector<int16_t> samples, double pts)>;

    PallixAudioDecoder();
    PallixAudioDecoder(const PallixAudioDecoder&) = delete;
    PallixAudioDecoder& operator=(const PallixAudioDecoder&) = delete;

    // False when the stream's codec cannot be decoded.
    bool Open(const AVStream& stream, int nOutputRate, int nOutputChannels);
    void Close();
    bool IsOpen() const { return mCodec != nullptr; }

    // Decodes packet (null: hands out what the decoder still holds) and gives
    // the samples of each frame, interleaved, with their time in seconds to sink.
    void Decode(const AVPacket* packet, const Sink& sink);
    void Flush();

private:
    bool Configure(const AVFrame& frame);

    pallix_av::CodecPtr mCodec;
    pallix_av::FramePtr mFrame;
    pallix_av::SwrPtr mSwr;
    AVRational mTimeBase{1, 90000};
    int mOutputRate = 48000;
    int mOutputChannels = 2;
    int mSwrRate = 0;
    int mSwrFormat = -1;
    int mSwrChannels = 0;
    double mNextPts = 0.0;
};
