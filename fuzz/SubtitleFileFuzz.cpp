// A subtitle file beside a movie ("Film.en.srt", "Film.ass"), read whole by the
// player's subtitle renderer and drawn at a few moments of the movie.
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
    if (path.empty())
        return 0;

    // One renderer for every input, as the player keeps its own: libass is set up once.
    static PallixSubtitleRenderer renderer;
    if (!renderer.StartFile(path))
        return 0;
    FuzzSubtitleFile::DrawAt(renderer, {0.0, 1.5, 4.0, 62.0, 3599.0});
    renderer.Stop();
    return 0;
}
