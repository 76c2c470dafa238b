// A subtitle file beside a movie ("Film.en.srt", "Film.ass"), read whole by the
// player's subtitle renderer and drawn at a few moments of the movie.
#include "FuzzSubtitleFile.h"
#include "PallixSubtitleRenderer.h"

#include <cstdlib>

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
    // A small frame: the reading and the layout are the same at any size, and the
    // fuzzer gets through twice as many files when the pictures are a quarter of it.
    static PallixSubtitleRenderer renderer;
    if (!renderer.StartFile(path))
        return 0;
    for (double time : {0.0, 1.5, 4.0, 62.0, 3599.0})
    {
        bool bChanged = false;
        PallixPoint at;
        auto pBitmap = renderer.Render(time, 320, 180, 320, 180, bChanged, at);
        if (pBitmap && (at.x < 0 || at.y < 0 || at.x + int(pBitmap->GetDims().w) > 320 ||
                        at.y + int(pBitmap->GetDims().h) > 180))
            std::abort();
    }
    renderer.Stop();
    return 0;
}
