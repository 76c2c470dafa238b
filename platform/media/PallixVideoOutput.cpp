#include "PallixVideoOutput.h"

#include "PallixScreen.h"

#include <algorithm>

namespace
{
// Maps a span given in a resolution of `from` units onto one of `to` units.
int32_t Map(int64_t value, int64_t from, int64_t to)
{
    return from > 0 ? int32_t(value * to / from) : 0;
}

// The largest rectangle of the picture's display shape centred inside box.
PallixRect Fit(const PallixRect& box, double displayWidth, double displayHeight)
{
    if (displayWidth <= 0 || displayHeight <= 0 || box.IsEmpty())
        return box;
    const double scale = std::min(double(box.w) / displayWidth, double(box.h) / displayHeight);
    const auto w = uint32_t(std::clamp(displayWidth * scale + 0.5, 1.0, double(box.w)));
    const auto h = uint32_t(std::clamp(displayHeight * scale + 0.5, 1.0, double(box.h)));
    return PallixRect(box.x + int32_t((box.w - w) / 2), box.y + int32_t((box.h - h) / 2), w, h);
}
} // namespace

PallixVideoPicture PallixVideoOutput::Place(pallix_av::FramePtr frame, const PallixRect& output,
                                            const PallixRect& scale, bool bKeepAspect)
{
    PallixScreen screen;
    PallixScreen::OutputResolution resolution;
    if (!frame || frame->width <= 0 || frame->height <= 0 || frame->format != AV_PIX_FMT_YUV420P ||
        !screen.GetSupportedOutputResolutionAt(screen.GetCurrentOutputResolution(), resolution))
        return PallixVideoPicture();
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
        return PallixVideoPicture();

    // The part of the picture to show, in picture pixels, on chroma sample bounds.
    const int width = frame->width;
    const int height = frame->height;
    const int sx = std::clamp(Map(part.x, outW, width), 0, width - 1) / 2 * 2;
    const int sy = std::clamp(Map(part.y, outH, height), 0, height - 1) / 2 * 2;
    const int sw = std::clamp(Map(part.w, outW, width), 1, width - sx);
    const int sh = std::clamp(Map(part.h, outH, height), 1, height - sy);
    if (bKeepAspect)
    {
        const AVRational sar = frame->sample_aspect_ratio.num > 0 && frame->sample_aspect_ratio.den > 0
                                   ? frame->sample_aspect_ratio
                                   : AVRational{1, 1};
        dest = Fit(dest, double(sw) * av_q2d(sar), double(sh));
    }

    PallixVideoPicture picture;
    picture.nWidth = width;
    picture.nHeight = height;
    for (int i = 0; i < 3; ++i)
    {
        picture.planes[i] = frame->data[i];
        picture.pitches[i] = frame->linesize[i];
    }
    // High-definition pictures use other colour equations than standard ones;
    // an unlabelled picture is taken by its size.
    picture.bHD =
        frame->colorspace == AVCOL_SPC_BT709 || (frame->colorspace == AVCOL_SPC_UNSPECIFIED && frame->height > 576);
    picture.crop = PallixRect(sx, sy, uint32_t(sw), uint32_t(sh));
    picture.dest = dest;
    picture.owner = std::shared_ptr<const AVFrame>(frame.release(), pallix_av::FrameDeleter());
    return picture;
}
