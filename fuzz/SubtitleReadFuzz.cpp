// A subtitle file beside a movie, read whole by the player's subtitle renderer
// and kept to what can be drawn, without drawing it: the reading alone runs
// many times faster than SubtitleFileFuzz, which draws every input too.
#include "FuzzSubtitleFile.h"
#include "PallixSubtitleRenderer.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzSubtitleFile::Initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = FuzzSubtitleFile::Write(data, size);
    static PallixSubtitleRenderer renderer;
    if (!path.empty() && renderer.StartFile(path))
        renderer.Stop();
    return 0;
}
