#include "PallixAudioDecoder.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <algorithm>

PallixAudioDecoder::PallixAudioDecoder() : mFrame(av_frame_alloc()) {}

bool PallixAudioDecoder::Open(const AVStream& stream, int nOutputRate, int nOutputChannels)
{
    Close();
    const AVCodec* decoder = avcodec_find_decoder(stream.codecpar->codec_id);
    if (!decoder || !mFrame)
        return false;
    pallix_av::CodecPtr context(avcodec_alloc_context3(decoder));
    if (!context || avcodec_parameters_to_context(context.get(), stream.codecpar) < 0)
        return false;
    context->pkt_timebase = stream.time_base;
    context->thread_count = 1;
    if (avcodec_open2(context.get(), decoder, nullptr) < 0)
        return false;
    mCodec = std::move(context);
    mTimeBase = stream.time_base;
    mOutputRate = nOutputRate;
    mOutputChannels = nOutputChannels;
    return true;
}

void PallixAudioDecoder::Close()
{
    mCodec.reset();
    mSwr.reset();
    mSwrFormat = -1;
}

void PallixAudioDecoder::Flush()
{
    if (mCodec)
        avcodec_flush_buffers(mCodec.get());
    // The resampler's history belongs to the sound before the jump.
    mSwr.reset();
    mSwrFormat = -1;
}

bool PallixAudioDecoder::Configure(const AVFrame& frame)
{
    const int nChannels = frame.ch_layout.nb_channels;
    if (mSwr && frame.sample_rate == mSwrRate && frame.format == mSwrFormat && nChannels == mSwrChannels)
        return true;
    AVChannelLayout in = {};
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&in, nChannels);
    else
        av_channel_layout_copy(&in, &frame.ch_layout);
    AVChannelLayout out = {};
    av_channel_layout_default(&out, mOutputChannels);
    SwrContext* swr = nullptr;
    const bool bReady = swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_S16, mOutputRate, &in,
                                            AVSampleFormat(frame.format), frame.sample_rate, 0, nullptr) >= 0 &&
                        swr_init(swr) >= 0;
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    mSwr.reset(swr);
    if (!bReady)
    {
        mSwr.reset();
        return false;
    }
    mSwrRate = frame.sample_rate;
    mSwrFormat = frame.format;
    mSwrChannels = nChannels;
    return true;
}

void PallixAudioDecoder::Decode(const AVPacket* packet, const Sink& sink)
{
    if (!mCodec)
        return;
    avcodec_send_packet(mCodec.get(), packet);
    while (avcodec_receive_frame(mCodec.get(), mFrame.get()) == 0)
    {
        AVFrame& frame = *mFrame;
        const int64_t ts = frame.best_effort_timestamp;
        const double pts = ts != AV_NOPTS_VALUE ? double(ts) * av_q2d(mTimeBase) : mNextPts;
        if (frame.sample_rate > 0)
            mNextPts = pts + double(frame.nb_samples) / frame.sample_rate;
        if (frame.sample_rate <= 0 || frame.ch_layout.nb_channels <= 0 || !Configure(frame))
        {
            av_frame_unref(mFrame.get());
            continue;
        }
        const int nMax = swr_get_out_samples(mSwr.get(), frame.nb_samples);
        std::vector<int16_t> samples(size_t(std::max(nMax, 0)) * size_t(mOutputChannels));
        auto* outData = reinterpret_cast<uint8_t*>(samples.data());
        const int nOut = swr_convert(mSwr.get(), &outData, nMax, const_cast<const uint8_t**>(frame.extended_data),
                                     frame.nb_samples);
        av_frame_unref(mFrame.get());
        if (nOut <= 0)
            continue;
        samples.resize(size_t(nOut) * size_t(mOutputChannels));
        sink(std::move(samples), pts);
    }
}
