#include "PallixVideoFilter.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
}

#include <cstdio>
#include <string>

void PallixVideoFilter::GraphDeleter::operator()(AVFilterGraph* pGraph) const
{
    avfilter_graph_free(&pGraph);
}

PallixVideoFilter::PallixVideoFilter() = default;

PallixVideoFilter::~PallixVideoFilter() = default;

void PallixVideoFilter::Reset()
{
    mGraph.reset();
    mpSource = nullptr;
    mpSink = nullptr;
}

void PallixVideoFilter::Restart()
{
    Reset();
    mbSawInterlaced = false;
}

bool PallixVideoFilter::Configure(const AVFrame& frame, AVRational timeBase, bool bDeinterlace)
{
    Reset();
    mGraph.reset(avfilter_graph_alloc());
    if (!mGraph)
        return false;
    // The pictures arrive one at a time from one decoder thread; the filters'
    // own slice threads would only contend with the decoder's.
    mGraph->nb_threads = 1;
    const AVRational aspect =
        frame.sample_aspect_ratio.num > 0 ? frame.sample_aspect_ratio : AVRational{1, 1};
    char args[256];
    std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", frame.width,
                  frame.height, frame.format, timeBase.num, timeBase.den > 0 ? timeBase.den : 1, aspect.num,
                  aspect.den);
    if (avfilter_graph_create_filter(&mpSource, avfilter_get_by_name("buffer"), "in", args, nullptr, mGraph.get()) <
            0 ||
        avfilter_graph_create_filter(&mpSink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                     mGraph.get()) < 0)
    {
        Reset();
        return false;
    }
    const std::string chain =
        std::string(bDeinterlace ? "bwdif=mode=send_frame:parity=auto:deint=interlaced," : "") + "format=yuv420p";
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    bool bOk = outputs && inputs;
    if (bOk)
    {
        outputs->name = av_strdup("in");
        outputs->filter_ctx = mpSource;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = mpSink;
        bOk = avfilter_graph_parse_ptr(mGraph.get(), chain.c_str(), &inputs, &outputs, nullptr) >= 0 &&
              avfilter_graph_config(mGraph.get(), nullptr) >= 0;
    }
    avfilter_inout_free(&outputs);
    avfilter_inout_free(&inputs);
    if (!bOk)
    {
        Reset();
        return false;
    }
    mWidth = frame.width;
    mHeight = frame.height;
    mFormat = frame.format;
    mTimeBase = timeBase;
    mAspect = frame.sample_aspect_ratio;
    mbDeinterlace = bDeinterlace;
    return true;
}

void PallixVideoFilter::Drain(const Sink& sink)
{
    for (;;)
    {
        pallix_av::FramePtr out(av_frame_alloc());
        if (!out || av_buffersink_get_frame(mpSink, out.get()) < 0)
            return;
        sink(std::move(out));
    }
}

void PallixVideoFilter::Process(AVFrame* frame, AVRational timeBase, const Sink& sink)
{
    if (!frame)
    {
        if (mGraph && av_buffersrc_add_frame(mpSource, nullptr) >= 0)
            Drain(sink);
        Reset();
        return;
    }
    if (frame->interlaced_frame)
        mbSawInterlaced = true;
    const bool bPlain = frame->format == AV_PIX_FMT_YUV420P && !mbSawInterlaced;
    if (bPlain && !mGraph)
    {
        pallix_av::FramePtr out(av_frame_alloc());
        if (out)
        {
            av_frame_move_ref(out.get(), frame);
            sink(std::move(out));
        }
        return;
    }
    const bool bChanged = !mGraph || frame->width != mWidth || frame->height != mHeight || frame->format != mFormat ||
                          av_cmp_q(timeBase, mTimeBase) != 0 || mbDeinterlace != mbSawInterlaced ||
                          av_cmp_q(frame->sample_aspect_ratio, mAspect) != 0;
    if (bChanged)
    {
        // What the old graph still holds belongs to the pictures before the change.
        if (mGraph && av_buffersrc_add_frame(mpSource, nullptr) >= 0)
            Drain(sink);
        if (!Configure(*frame, timeBase, mbSawInterlaced))
        {
            av_frame_unref(frame);
            return;
        }
    }
    if (av_buffersrc_add_frame_flags(mpSource, frame, AV_BUFFERSRC_FLAG_KEEP_REF) < 0)
    {
        av_frame_unref(frame);
        return;
    }
    av_frame_unref(frame);
    Drain(sink);
}
