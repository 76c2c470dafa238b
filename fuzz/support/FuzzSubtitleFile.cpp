#include "FuzzSubtitleFile.h"

#include "FuzzConsole.h"
#include "FuzzFile.h"
#include "PallixAVTypes.h"
#include "PallixSubtitleRenderer.h"

#include <cstdlib>

void FuzzSubtitleFile::Initialize()
{
    FuzzConsole::silenceStdout();
    pallix_av::InitOnce();
}

std::string FuzzSubtitleFile::Write(const uint8_t* data, size_t size)
{
    if (size < 1)
        return "";
    static FuzzFile file;
    static const char* const names[] = {"movie.srt", "movie.ass", "movie.ssa", "movie.vtt"};
    const char* name = names[data[0] % 4];
    const std::string folder = file.linkAs(name);
    file.write(data + 1, size - 1);
    return folder + "/" + name;
}

void FuzzSubtitleFile::DrawAt(PallixSubtitleRenderer& renderer, std::initializer_list<double> times)
{
    // A small frame: the reading and the layout are the same at any size, and the
    // fuzzer gets through twice as many files when the pictures are a quarter of it.
    constexpr int WIDTH = 320;
    constexpr int HEIGHT = 180;
    for (double time : times)
    {
        bool bChanged = false;
        PallixPoint at;
        auto pBitmap = renderer.Render(time, WIDTH, HEIGHT, WIDTH, HEIGHT, bChanged, at);
        if (pBitmap && (at.x < 0 || at.y < 0 || at.x + int(pBitmap->GetDims().w) > WIDTH ||
                        at.y + int(pBitmap->GetDims().h) > HEIGHT))
            std::abort();
    }
}
