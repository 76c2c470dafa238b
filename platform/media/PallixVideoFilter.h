#pragma once

#include "PallixAVTypes.h"
#include "PallixRotation.h"
#include "PallixSdrConversion.h"

#include <functional>

struct AVFilterGraph;
struct AVFilterContext;

// Turns decoded pictures into what the video plane shows: interlaced pictures
// (DVD, broadcast) are deinterlaced with bwdif, one picture per frame; pictures
// filmed on their side are turned upright; HDR and wide-gamut colours are
// converted for the SDR screen; anything but 8-bit 4:2:0 (10-bit, 4:2:2) is
// converted to it. Where the pixels are converted anyway, pictures larger than
// the screen's output resolution are scaled down to it in the same pass. A
// progressive 8-bit 4:2:0 picture the screen shows as it is passes through
// untouched, without a filter graph.
class PallixVideoFilter
{
public:
    // Each picture comes with the time base of its pts: a deinterlacer's output
    // counts in a time base of its own.
    using Sink = std::function<void(pallix_av::FramePtr frame, AVRational timeBase)>;

    PallixVideoFilter();
    ~PallixVideoFilter();
    PallixVideoFilter(const PallixVideoFilter&) = delete;
    PallixVideoFilter& operator=(const PallixVideoFilter&) = delete;

    // Hands the pictures that come of frame to sink (none, one, or, at the end
    // of a stretch, those held back). frame's pts is in timeBase. Null flushes.
    void Process(AVFrame* frame, AVRational timeBase, const Sink& sink);
    // Forgets the pictures held back, as after a seek.
    void Reset();
    // Reset, for a new stream turned upright by rotation: whether it is
    // interlaced is found out again.
    void Restart(const PallixRotation& rotation = PallixRotation());

private:
    // What a graph is made for: when a picture needs another, a new graph is made.
    struct Setup
    {
        int nWidth = 0;
        int nHeight = 0;
        int nFormat = -1;
        AVRational timeBase{0, 1};
        AVRational aspect{0, 1};
        bool bDeinterlace = false;
        PallixSdrConversion::Colours colours;
        // The size the picture is scaled to; 0 for its own.
        int nOutWidth = 0;
        int nOutHeight = 0;

        bool operator==(const Setup& other) const;
        bool NeedsGraph(bool bTurn) const;
    };

    Setup SetupFor(const AVFrame& frame, AVRational timeBase) const;
    std::string Chain(const Setup& setup, bool bFull) const;
    bool Configure(const Setup& setup, const std::string& chain);
    // Hands out the pictures ready; false when the graph failed on one.
    bool Drain(const Sink& sink);
    // Hands out what the graph still holds and lets it go.
    void Finish(const Sink& sink);

    struct GraphDeleter
    {
        void operator()(AVFilterGraph* pGraph) const;
    };

    std::unique_ptr<AVFilterGraph, GraphDeleter> mGraph;
    AVFilterContext* mpSource = nullptr;
    AVFilterContext* mpSink = nullptr;
    Setup mSetup;
    // The graph for mSetup does without the conversions, which refused it.
    bool mbPlain = false;
    PallixRotation mRotation;
    // Once a stream shows interlaced pictures, its progressive ones go through
    // the same graph, so the deinterlacer keeps its neighbours.
    bool mbSawInterlaced = false;
};
