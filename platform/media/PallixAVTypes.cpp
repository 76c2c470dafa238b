#include "PallixAVTypes.h"

#include <mutex>

void pallix_av::InitOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}
