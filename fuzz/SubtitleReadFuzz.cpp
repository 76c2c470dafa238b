// A subtitle file beside a movie, read whole by the player's subtitle renderer
// and kept to what can be drawn, without drawing it: the reading alone runs
// many times faster than SubtitleFileFuzz, which draws every input too.
#include "FuzzConsole.h"
#include "FuzzFile.h"
#include "PallixAVTypes.h"
#include "PallixSubtitleRenderer.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzConsole::silenceStdout();
    pallix_av::InitOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte picks the kind the name claims; the file is the rest.
    if (size < 1)
        return 0;
    static FuzzFile file;
    static const char* const names[] = {"movie.srt", "movie.ass", "movie.ssa"};
    const char* name = names[data[0] % 3];
    const std::string folder = file.linkAs(name);
    file.write(data + 1, size - 1);

    static PallixSubtitleRenderer renderer;
    if (renderer.StartFile(folder + "/" + name))
        renderer.Stop();
    return 0;
}
