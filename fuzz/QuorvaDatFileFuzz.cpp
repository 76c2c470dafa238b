// A title's stats file ("<movie>.quorva"), of any length, read by QuorvaDatFile.
#include "FuzzConsole.h"
#include "FuzzFile.h"
#include "QuorvaDatFile.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzConsole::silenceStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FuzzFile file;
    static const std::string movie = file.linkAs("movie.mpg.quorva") + "/movie.mpg";
    file.write(data, size);

    QuorvaDatFile stats(movie.c_str());
    // A file cut short keeps the defaults of the fields it does not hold whole.
    const bool bBad = (size < 8 && stats.getLastPosition() != 0) || (size < 12 && stats.getZoomMode() != -1) ||
                      (size < 16 && stats.getLastViewedTime() != 0) || stats.getLastViewedTime() < 0;
    if (bBad)
    {
        std::fprintf(stderr, "stats fuzz: %zu bytes gave position %llu, zoom %d, time %lld\n", size,
                     stats.getLastPosition(), stats.getZoomMode(), static_cast<long long>(stats.getLastViewedTime()));
        std::abort();
    }
    return 0;
}
