#include "ViewingState.h"

double ViewingState::getFraction() const
{
    if (mFileSize == 0)
        return 0.0;
    double fraction = static_cast<double>(mPosition) / static_cast<double>(mFileSize);
    return fraction > 1.0 ? 1.0 : fraction;
}
