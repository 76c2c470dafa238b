#include "PallixVideoFilter.h"

#include "PallixScreen.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cstdio>
#include <string>

void PallixVideoFilter::GraphDeleter::operator()(AVFilterGraph* pGraph) const
{
    avfilter_graph_free(&pGraph);
}

bool PallixVideoFilter::Setup::operator==(const Setup& other) const
{
    return nWidth == other.nWidth && nHeight == other.nHeight && nFormat == other.nFormat &&
           av_cmp_q(timeBase, other.timeBase) == 0 && av_cmp_q(aspect, other.aspect) == 0 &&
           bDeinterlace == other.bDeinterlace && colours == other.colours && nOutWidth == other.nOutWidth &&
           nOutHeight == other.nOutHeight;
}

bool PallixVideoFilter::Setup::NeedsGraph(bool bTurn) const
{
    return bDeinterlace || bTurn || nFormat != AV_PIX_FMT_YUV420P || PallixSdrConversion::IsNeeded(colours);
}

PallixVideoFilter::PallixVideoFilter() = default;

PallixVideoFilter::~PallixVideoFilter() = default;

void PallixVideoFilter::Reset()
{
    mGraph.reset();
    mpSource = nullptr;
    mpSink = nullptr;
}

void PallixVideoFilter::Restart(const PallixRotation& rotation)
{
    Reset();
    mRotation = rotation;
    mbSawInterlaced = false;
}

PallixVideoFilter::Setup PallixVideoFilter::SetupFor(const AVFrame& frame, AVRational timeBase) const
{
    Setup setup;
    setup.nWidth = frame.width;
    setup.nHeight = frame.height;
    setup.nFormat = frame.format;
    setup.timeBase = timeBase;
    setup.aspect = frame.sample_aspect_ratio;
    setup.bDeinterlace = mbSawInterlaced;
    setup.colours = PallixSdrConversion::Of(frame);
    // A deinterlaced picture alone is not worth another pass to make it smaller.
    const bool bConverted = !mRotation.filters.empty() || setup.nFormat != AV_PIX_FMT_YUV420P ||
                            PallixSdrConversion::IsNeeded(setup.colours);
    PallixScreen screen;
    PallixScreen::OutputResolution resolution;
    if (!bConverted || !screen.GetSupportedOutputResolutionAt(screen.GetCurrentOutputResolution(), resolution))
        return setup;
    // No zoom mode shows more of the picture, in either direction, than the
    // output resolution holds.
    const int nMaxWidth = int(mRotation.bSideways ? resolution.nHeight : resolution.nWidth);
    const int nMaxHeight = int(mRotation.bSideways ? resolution.nWidth : resolution.nHeight);
    if (frame.width > nMaxWidth || frame.height > nMaxHeight)
    {
        setup.nOutWidth = std::max(2, std::min(frame.width, nMaxWidth) / 2 * 2);
        setup.nOutHeight = std::max(2, std::min(frame.height, nMaxHeight) / 2 * 2);
    }
    return setup;
}

std::string PallixVideoFilter::Chain(const Setup& setup, bool bFull) const
{
    std::string chain;
    auto add = [&](const std::string& filters) {
        if (!filters.empty())
            chain += (chain.empty() ? "" : ",") + filters;
    };
    if (setup.bDeinterlace)
        add("bwdif=mode=send_frame:parity=auto:deint=interlaced");
    if (bFull)
    {
        add(PallixSdrConversion::Filters(setup.colours, setup.nOutWidth, setup.nOutHeight));
        add(mRotation.filters);
    }
    add("format=yuv420p");
    return chain;
}

bool PallixVideoFilter::Configure(const Setup& setup, const std::string& chain)
{
    Reset();
    mGraph.reset(avfilter_graph_alloc());
    if (!mGraph)
        return false;
    // The pictures arrive one at a time from one decoder thread; the filters'
    // own slice threads would only contend with the decoder's.
    mGraph->nb_threads = 1;
    const AVRational aspect = setup.aspect.num > 0 ? setup.aspect : AVRational{1, 1};
    char args[256];
    std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", setup.nWidth,
                  setup.nHeight, setup.nFormat, setup.timeBase.num, setup.timeBase.den > 0 ? setup.timeBase.den : 1,
                  aspect.num, aspect.den);
    if (avfilter_graph_create_filter(&mpSource, avfilter_get_by_name("buffer"), "in", args, nullptr, mGraph.get()) <
            0 ||
        avfilter_graph_create_filter(&mpSink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                     mGraph.get()) < 0)
    {
        Reset();
        return false;
    }
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
    mSetup = setup;
    return true;
}

bool PallixVideoFilter::Drain(const Sink& sink)
{
    for (;;)
    {
        pallix_av::FramePtr out(av_frame_alloc());
        if (!out)
            return false;
        const int ret = av_buffersink_get_frame(mpSink, out.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return true;
        if (ret < 0)
            return false;
        sink(std::move(out), av_buffersink_get_time_base(mpSink));
    }
}

void PallixVideoFilter::Finish(const Sink& sink)
{
    if (mGraph && av_buffersrc_add_frame(mpSource, nullptr) >= 0)
        Drain(sink);
    Reset();
}

void PallixVideoFilter::Process(AVFrame* frame, AVRational timeBase, const Sink& sink)
{
    if (!frame)
    {
        Finish(sink);
        return;
    }
    if (frame->interlaced_frame)
        mbSawInterlaced = true;
    const Setup setup = SetupFor(*frame, timeBase);
    if (!setup.NeedsGraph(!mRotation.filters.empty()))
    {
        // What a graph still holds belongs to the pictures before this one.
        Finish(sink);
        pallix_av::FramePtr out(av_frame_alloc());
        if (out)
        {
            av_frame_move_ref(out.get(), frame);
            sink(std::move(out), timeBase);
        }
        return;
    }
    if (!mGraph || !(setup == mSetup))
    {
        Finish(sink);
        // Should the conversions be refused, the picture is at least shown.
        mbPlain = !Configure(setup, Chain(setup, true));
        if (mbPlain && !Configure(setup, Chain(setup, false)))
        {
            av_frame_unref(frame);
            return;
        }
    }
    const bool bFiltered = av_buffersrc_add_frame_flags(mpSource, frame, AV_BUFFERSRC_FLAG_KEEP_REF) >= 0 && Drain(sink);
    if (!bFiltered && !mbPlain)
    {
        // A conversion that takes the graph but refuses its pictures: this
        // kind of picture is shown without it from now on.
        mbPlain = true;
        if (Configure(setup, Chain(setup, false)) &&
            av_buffersrc_add_frame_flags(mpSource, frame, AV_BUFFERSRC_FLAG_KEEP_REF) >= 0)
            Drain(sink);
    }
    av_frame_unref(frame);
}
