#include "PallixVideoOutput.h"

#include "PallixScreen.h"
#include "PallixVideoPlane.h"

#include <algorithm>

namespace
{
// Maps a span given in a resolution of `from` units onto one of `to` units.
int32_t Map(int64_t value, int64_t from, int64_t to)
{
    return from > 0 ? int32_t(value * to / from) : 0;
}
} // namespace

void PallixVideoOutput::Present(pallix_av::FramePtr frame, const PallixRect& output, const PallixRect& scale)
{
    PallixScreen screen;
    PallixScreen::OutputResolution resolution;
    if (!frame || frame->width <= 0 || frame->height <= 0 ||
        !screen.GetSupportedOutputResolutionAt(screen.GetCurrentOutputResolution(), resolution))
        return;
    const int64_t outW = resolution.nWidth;
    const int64_t outH = resolution.nHeight;
    const PallixRect whole(0, 0, resolution.nWidth, resolution.nHeight);
    const PallixRect out = output.IsEmpty() ? whole : output;
    const PallixRect part = scale.IsEmpty() ? whole : scale;

    const PallixRect planeRect = screen.GetRect();
    PallixRect dest(Map(out.x, outW, planeRect.w), Map(out.y, outH, planeRect.h),
                    uint32_t(Map(out.w, outW, planeRect.w)), uint32_t(Map(out.h, outH, planeRect.h)));
    dest.MakeIntersectRect(dest, planeRect);
    if (dest.IsEmpty())
        return;

    // High-definition pictures use other colour equations than standard ones;
    // an unlabelled picture is taken by its size.
    const bool bHD =
        frame->colorspace == AVCOL_SPC_BT709 || (frame->colorspace == AVCOL_SPC_UNSPECIFIED && frame->height > 576);
    if (frame->format != AV_PIX_FMT_YUV420P)
    {
        frame = ToPlanar420(*frame);
        if (!frame)
            return;
    }

    // The part of the picture to show, in picture pixels, on chroma sample bounds.
    const int width = frame->width;
    const int height = frame->height;
    const int sx = std::clamp(Map(part.x, outW, width), 0, width - 1) / 2 * 2;
    const int sy = std::clamp(Map(part.y, outH, height), 0, height - 1) / 2 * 2;
    const int sw = std::clamp(Map(part.w, outW, width), 1, width - sx);
    const int sh = std::clamp(Map(part.h, outH, height), 1, height - sy);

    PallixVideoPicture picture;
    picture.nWidth = width;
    picture.nHeight = height;
    for (int i = 0; i < 3; ++i)
    {
        picture.planes[i] = frame->data[i];
        picture.pitches[i] = frame->linesize[i];
    }
    picture.bHD = bHD;
    picture.crop = PallixRect(sx, sy, uint32_t(sw), uint32_t(sh));
    picture.dest = dest;
    picture.owner = std::shared_ptr<const AVFrame>(frame.release(), pallix_av::FrameDeleter());
    PallixVideoPlane::Get().Show(std::move(picture));
}

pallix_av::FramePtr PallixVideoOutput::ToPlanar420(const AVFrame& frame)
{
    mSws.reset(sws_getCachedContext(mSws.release(), frame.width, frame.height, AVPixelFormat(frame.format),
                                    frame.width, frame.height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr,
                                    nullptr));
    pallix_av::FramePtr converted(av_frame_alloc());
    if (!mSws || !converted)
        return nullptr;
    converted->format = AV_PIX_FMT_YUV420P;
    converted->width = frame.width;
    converted->height = frame.height;
    if (av_frame_get_buffer(converted.get(), 0) < 0 ||
        sws_scale(mSws.get(), frame.data, frame.linesize, 0, frame.height, converted->data, converted->linesize) <= 0)
        return nullptr;
    return converted;
}
