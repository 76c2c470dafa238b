#include "PallixVideoOutput.h"

#include "PallixScreen.h"
#include "PallixVideoPlane.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>

namespace
{
// Maps a span given in a resolution of `from` units onto one of `to` units.
int32_t Map(int64_t value, int64_t from, int64_t to)
{
    return from > 0 ? int32_t(value * to / from) : 0;
}
} // namespace

void PallixVideoOutput::Present(const AVFrame& frame, const PallixRect& output, const PallixRect& scale)
{
    PallixScreen screen;
    PallixScreen::OutputResolution resolution;
    if (!screen.GetSupportedOutputResolutionAt(screen.GetCurrentOutputResolution(), resolution))
        return;
    const int64_t outW = resolution.nWidth;
    const int64_t outH = resolution.nHeight;
    const PallixRect whole(0, 0, resolution.nWidth, resolution.nHeight);
    const PallixRect out = output.IsEmpty() ? whole : output;
    const PallixRect part = scale.IsEmpty() ? whole : scale;

    // The part of the picture to show, in picture pixels, on chroma sample bounds.
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(frame.format));
    if (!desc || frame.width <= 0 || frame.height <= 0)
        return;
    const bool bCroppable = (desc->flags & AV_PIX_FMT_FLAG_PLANAR) && desc->comp[0].depth == 8 &&
                            !(desc->flags & AV_PIX_FMT_FLAG_RGB);
    int sx = 0, sy = 0, sw = frame.width, sh = frame.height;
    if (bCroppable)
    {
        const int xAlign = 1 << desc->log2_chroma_w;
        const int yAlign = 1 << desc->log2_chroma_h;
        sx = std::clamp(Map(part.x, outW, frame.width), 0, frame.width - 1) / xAlign * xAlign;
        sy = std::clamp(Map(part.y, outH, frame.height), 0, frame.height - 1) / yAlign * yAlign;
        sw = std::clamp(Map(part.w, outW, frame.width), 1, frame.width - sx);
        sh = std::clamp(Map(part.h, outH, frame.height), 1, frame.height - sy);
    }

    const uint8_t* src[4] = {};
    int srcStride[4] = {};
    for (int i = 0; i < 4 && frame.data[i]; ++i)
    {
        const bool bChroma = i == 1 || i == 2;
        const int x = bChroma ? sx >> desc->log2_chroma_w : sx;
        const int y = bChroma ? sy >> desc->log2_chroma_h : sy;
        src[i] = frame.data[i] + ptrdiff_t(y) * frame.linesize[i] + x;
        srcStride[i] = frame.linesize[i];
    }

    PallixVideoPlane::Get().Update([&](PallixBitmap& plane) {
        const PallixRect planeRect = plane.GetRect();
        PallixRect dest(Map(out.x, outW, planeRect.w), Map(out.y, outH, planeRect.h),
                        uint32_t(Map(out.w, outW, planeRect.w)), uint32_t(Map(out.h, outH, planeRect.h)));
        dest.MakeIntersectRect(dest, planeRect);
        if (dest.IsEmpty())
            return;
        if (!(dest == mLastDest))
        {
            plane.FillRect(planeRect, PallixColor(0, 0, 0, 255));
            mLastDest = dest;
        }
        const SwsContext* before = mSws.get();
        mSws.reset(sws_getCachedContext(mSws.release(), sw, sh, AVPixelFormat(frame.format), int(dest.w),
                                        int(dest.h), AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!mSws)
            return;
        // High-definition pictures use other colour equations than standard ones;
        // an unlabelled picture is taken by its size.
        const bool bHD = frame.colorspace == AVCOL_SPC_BT709 ||
                         (frame.colorspace == AVCOL_SPC_UNSPECIFIED && frame.height > 576);
        const int space = bHD ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
        if (mSws.get() != before || space != mLastColorspace)
        {
            const int* coefficients = sws_getCoefficients(space);
            sws_setColorspaceDetails(mSws.get(), coefficients, 0, coefficients, 1, 0, 1 << 16, 1 << 16);
            mLastColorspace = space;
        }
        uint8_t* dst[4] = {plane.GetPixels() + ptrdiff_t(dest.y) * plane.GetPitch() + ptrdiff_t(dest.x) * 4};
        const int dstStride[4] = {plane.GetPitch()};
        sws_scale(mSws.get(), src, srcStride, 0, sh, dst, dstStride);
    });
}
