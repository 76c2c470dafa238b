#pragma once

#include "PallixAVTypes.h"

#include <functional>

struct AVFilterGraph;
struct AVFilterContext;

// Turns decoded pictures into what the video plane shows: interlaced pictures
// (DVD, broadcast) are deinterlaced with bwdif, and anything but 8-bit 4:2:0
// (10-bit, 4:2:2) is converted to it. A progressive 8-bit 4:2:0 picture passes
// through untouched, without a filter graph.
class PallixVideoFilter
{
public:
    using Sink = std::function<void(pallix_av::FramePtr frame)>;

    PallixVideoFilter();
    ~PallixVideoFilter();
    PallixVideoFilter(const PallixVideoFilter&) = delete;
    PallixVideoFilter& operator=(const PallixVideoFilter&) = delete;

    // Hands the pictures that come of frame to sink (none, one, or, at the end
    // of a stretch, those held back). frame's pts is in timeBase. Null flushes.
    void Process(AVFrame* frame, AVRational timeBase, const Sink& sink);
    // Forgets the pictures held back, as after a seek.
    void Reset();
    // Reset, for a new stream: whether it is interlaced is found out again.
    void Restart();

private:
    bool Configure(const AVFrame& frame, AVRational timeBase, bool bDeinterlace);
    void Drain(const Sink& sink);

    struct GraphDeleter
    {
        void operator()(AVFilterGraph* pGraph) const;
    };

    std::unique_ptr<AVFilterGraph, GraphDeleter> mGraph;
    AVFilterContext* mpSource = nullptr;
    AVFilterContext* mpSink = nullptr;
    int mWidth = 0;
    int mHeight = 0;
    int mFormat = -1;
    AVRational mTimeBase{0, 1};
    AVRational mAspect{0, 1};
    bool mbDeinterlace = false;
    // Once a stream shows interlaced pictures, its progressive ones go through
    // the same graph, so the deinterlacer keeps its neighbours.
    bool mbSawInterlaced = false;
};
