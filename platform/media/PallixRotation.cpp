#include "PallixRotation.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

#include <cmath>

PallixRotation PallixRotation::Of(const AVStream& stream)
{
    PallixRotation rotation;
    size_t nSize = 0;
    const auto* matrix =
        reinterpret_cast<const int32_t*>(av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, &nSize));
    if (!matrix || nSize < 9 * sizeof(int32_t))
        return rotation;
    const double counterClockwise = av_display_rotation_get(matrix);
    if (std::isnan(counterClockwise))
        return rotation;
    // The turn that shows the picture upright, clockwise, to the nearest quarter.
    const long quarters = (std::lround(-counterClockwise / 90.0) % 4 + 4) % 4;
    // A mirrored matrix (the front camera) flips the picture as well; the sign
    // of its second row tells which way.
    switch (quarters)
    {
    case 1:
        rotation.filters = matrix[3] > 0 ? "transpose=cclock_flip" : "transpose=clock";
        rotation.bSideways = true;
        break;
    case 2:
        if (matrix[0] < 0)
            rotation.filters = "hflip";
        if (matrix[4] < 0)
            rotation.filters += std::string(rotation.filters.empty() ? "" : ",") + "vflip";
        break;
    case 3:
        rotation.filters = matrix[3] < 0 ? "transpose=clock_flip" : "transpose=cclock";
        rotation.bSideways = true;
        break;
    default:
        break;
    }
    return rotation;
}
