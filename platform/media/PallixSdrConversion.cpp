#include "PallixSdrConversion.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <cmath>
#include <cstdio>

namespace
{
// The luminance of the screen's white; zscale's linear 1.0 in both directions.
constexpr double WHITE_NITS = 100.0;
// PQ highlights are rolled off from here up, toward the screen's white.
constexpr double KNEE_NITS = 80.0;

// The PQ signal (0 to 1) of a luminance in cd/m2.
double PQ(double nits)
{
    const double m1 = 2610.0 / 16384.0;
    const double m2 = 2523.0 / 4096.0 * 128.0;
    const double c1 = 3424.0 / 4096.0;
    const double c2 = 2413.0 / 4096.0 * 32.0;
    const double c3 = 2392.0 / 4096.0 * 32.0;
    const double y = std::pow(nits / 10000.0, m1);
    return std::pow((c1 + c2 * y) / (1.0 + c3 * y), m2);
}

bool IsFullRange(const PallixSdrConversion::Colours& colours)
{
    return colours.nRange == AVCOL_RANGE_JPEG;
}

const char* TransferName(int nTransfer)
{
    switch (nTransfer)
    {
    case AVCOL_TRC_SMPTE2084:
        return "smpte2084";
    case AVCOL_TRC_ARIB_STD_B67:
        return "arib-std-b67";
    case AVCOL_TRC_BT2020_10:
        return "2020_10";
    case AVCOL_TRC_BT2020_12:
        return "2020_12";
    case AVCOL_TRC_SMPTE170M:
        return "601";
    default:
        return "709";
    }
}

// The matrix of a wide-gamut picture; an unlabelled one is BT.2020's.
const char* MatrixName(int nMatrix)
{
    switch (nMatrix)
    {
    case AVCOL_SPC_BT2020_NCL:
        return "2020_ncl";
    case AVCOL_SPC_BT2020_CL:
        return "2020_cl";
    case AVCOL_SPC_BT709:
        return "709";
    case AVCOL_SPC_BT470BG:
        return "470bg";
    case AVCOL_SPC_SMPTE170M:
        return "170m";
    default:
        return "2020_ncl";
    }
}

// Luma codes from the knee up are pressed toward the code of the screen's
// white, never reaching it: highlights keep their shading, a white of 100
// cd/m2 comes out at 94, and the picture below the knee stays as it was.
std::string RollOff(const PallixSdrConversion::Colours& colours)
{
    const double top = double((1 << colours.nBits) - 1);
    const double low = IsFullRange(colours) ? 0.0 : 16.0 * top / 255.0;
    const double high = IsFullRange(colours) ? top : 235.0 * top / 255.0;
    const double knee = low + PQ(KNEE_NITS) * (high - low);
    const double room = (PQ(WHITE_NITS) - PQ(KNEE_NITS)) * (high - low);
    char expression[160];
    std::snprintf(expression, sizeof expression, "lutyuv=y='if(lt(val,%.3f),val,%.3f+(val-%.3f)/sqrt(1+pow((val-%.3f)/%.3f,2)))'",
                  knee, knee, knee, knee, room);
    return expression;
}
} // namespace

PallixSdrConversion::Colours PallixSdrConversion::Of(const AVFrame& frame)
{
    Colours colours;
    colours.nTransfer = frame.color_trc;
    colours.nPrimaries = frame.color_primaries;
    colours.nMatrix = frame.colorspace;
    colours.nRange = frame.color_range;
    if (frame.format == AV_PIX_FMT_YUVJ420P || frame.format == AV_PIX_FMT_YUVJ422P ||
        frame.format == AV_PIX_FMT_YUVJ444P)
        colours.nRange = AVCOL_RANGE_JPEG;
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(AVPixelFormat(frame.format));
    if (descriptor)
        colours.nBits = descriptor->comp[0].depth;
    // RGB pictures (some VP9 and PNG films) become the plane's YUV in the
    // format conversion, which knows their range.
    if (!descriptor || (descriptor->flags & AV_PIX_FMT_FLAG_RGB))
        colours = Colours();
    return colours;
}

bool PallixSdrConversion::IsNeeded(const Colours& colours)
{
    return colours.nTransfer == AVCOL_TRC_SMPTE2084 || colours.nTransfer == AVCOL_TRC_ARIB_STD_B67 ||
           colours.nPrimaries == AVCOL_PRI_BT2020 || IsFullRange(colours);
}

std::string PallixSdrConversion::Filters(const Colours& colours, int nWidth, int nHeight)
{
    const std::string size = nWidth > 0 && nHeight > 0
                                 ? "w=" + std::to_string(nWidth) + ":h=" + std::to_string(nHeight) + ":f=bilinear"
                                 : "";
    const bool bWide = colours.nTransfer == AVCOL_TRC_SMPTE2084 || colours.nTransfer == AVCOL_TRC_ARIB_STD_B67 ||
                       colours.nPrimaries == AVCOL_PRI_BT2020;
    if (!bWide)
    {
        if (IsFullRange(colours))
            return "zscale=" + size + (size.empty() ? "" : ":") + "rin=full:r=limited";
        return size.empty() ? "" : "zscale=" + size;
    }
    // Scaled down first: the colours cost far less on the smaller picture,
    // and so does the curve.
    std::string chain = size.empty() ? "" : "zscale=" + size + ",";
    if (colours.nTransfer == AVCOL_TRC_SMPTE2084)
        chain += RollOff(colours) + ",";
    const char* primaries = colours.nPrimaries == AVCOL_PRI_BT709 ? "709" : "2020";
    return chain + "zscale=tin=" + TransferName(colours.nTransfer) + ":pin=" + primaries +
           ":min=" + MatrixName(colours.nMatrix) + ":rin=" + (IsFullRange(colours) ? "full" : "limited") +
           ":t=709:p=709:m=709:r=limited:npl=" + std::to_string(int(WHITE_NITS));
}
