#include "PallixVideoDecoder.h"

#include <cmath>

PallixVideoDecoder::PallixVideoDecoder() : mFrame(av_frame_alloc()) {}

bool PallixVideoDecoder::Open(const AVStream& stream)
{
    Close();
    const AVCodec* decoder = avcodec_find_decoder(stream.codecpar->codec_id);
    if (!decoder || !mFrame)
        return false;
    pallix_av::CodecPtr context(avcodec_alloc_context3(decoder));
    if (!context || avcodec_parameters_to_context(context.get(), stream.codecpar) < 0)
        return false;
    context->pkt_timebase = stream.time_base;
    const AVCodecID id = stream.codecpar->codec_id;
    if (id == AV_CODEC_ID_MPEG1VIDEO || id == AV_CODEC_ID_MPEG2VIDEO)
    {
        // A thread of its own already; more would only cost switching.
        context->thread_count = 1;
    }
    else
    {
        context->thread_count = 0;
        context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    }
    if (avcodec_open2(context.get(), decoder, nullptr) < 0)
        return false;
    mCodec = std::move(context);
    mTimeBase = stream.time_base;
    if (stream.avg_frame_rate.num > 0 && stream.avg_frame_rate.den > 0)
        mFrameDuration = av_q2d(av_inv_q(stream.avg_frame_rate));
    mFilter.Restart(PallixRotation::Of(stream));
    mbNeedKey = true;
    mbSkipping = false;
    return true;
}

void PallixVideoDecoder::Close()
{
    mCodec.reset();
    mFilter.Restart();
}

void PallixVideoDecoder::Flush()
{
    if (mCodec)
        avcodec_flush_buffers(mCodec.get());
    mFilter.Reset();
    mbNeedKey = true;
}

void PallixVideoDecoder::SetSkipNonReference(bool bSkip)
{
    if (!mCodec || bSkip == mbSkipping)
        return;
    mbSkipping = bSkip;
    mCodec->skip_frame = bSkip ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
}

bool PallixVideoDecoder::Decode(const AVPacket* packet, const Sink& sink)
{
    if (!mCodec)
        return false;
    // A damaged packet is skipped by the decoder, which finds its feet again.
    const int ret = avcodec_send_packet(mCodec.get(), packet);
    Receive(sink);
    if (!packet)
    {
        mFilter.Process(nullptr, mTimeBase, [&](pallix_av::FramePtr frame, AVRational timeBase) {
            Deliver(std::move(frame), timeBase, sink);
        });
    }
    return ret >= 0 || ret == AVERROR(EAGAIN) || ret == AVERROR_EOF;
}

void PallixVideoDecoder::Receive(const Sink& sink)
{
    auto deliver = [&](pallix_av::FramePtr frame, AVRational timeBase) { Deliver(std::move(frame), timeBase, sink); };
    while (avcodec_receive_frame(mCodec.get(), mFrame.get()) == 0)
    {
        const int64_t ts = mFrame->best_effort_timestamp;
        const double pts = ts != AV_NOPTS_VALUE ? double(ts) * av_q2d(mTimeBase) : mNextPts;
        if (mCodec->framerate.num > 0 && mCodec->framerate.den > 0)
            mFrameDuration = av_q2d(av_inv_q(mCodec->framerate));
        mNextPts = pts + mFrameDuration * (1.0 + mFrame->repeat_pict / 2.0);
        if (mbNeedKey)
        {
            if (!mFrame->key_frame && mFrame->pict_type != AV_PICTURE_TYPE_I)
            {
                av_frame_unref(mFrame.get());
                continue;
            }
            mbNeedKey = false;
            mKeyPts = pts;
        }
        else if (pts < mKeyPts)
        {
            // Pictures of an open GOP that lean on pictures from before the start.
            av_frame_unref(mFrame.get());
            continue;
        }
        mFrame->pts = ts != AV_NOPTS_VALUE ? ts : int64_t(std::llround(pts / av_q2d(mTimeBase)));
        mFilter.Process(mFrame.get(), mTimeBase, deliver);
    }
}

void PallixVideoDecoder::Deliver(pallix_av::FramePtr frame, AVRational timeBase, const Sink& sink)
{
    const double pts = frame->pts != AV_NOPTS_VALUE ? double(frame->pts) * av_q2d(timeBase) : mNextPts;
    sink(std::move(frame), pts);
}
