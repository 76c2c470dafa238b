// A movie file's first bytes, analysed by PallixMPEGFile::SetStream through a
// PallixFileStream, then printed by Dump. The first byte of the input is where
// the stream stands when the analysis starts (it must be put back there); the
// rest is the file.
#include "FuzzConsole.h"
#include "FuzzFile.h"
#include "PallixFile.h"
#include "PallixFileStream.h"
#include "PallixMPEGFile.h"

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
    if (size == 0)
        return 0;
    file.write(data + 1, size - 1);
    PallixFile movie(file.path().c_str());
    PallixFileStream stream;
    if (!stream.Open(movie))
        std::abort();
    stream.SeekToPosition(data[0]);
    const uint64_t start = stream.GetPosition();

    PallixMPEGFile analysis;
    const bool bFound = analysis.SetStream(stream);
    if (stream.GetPosition() != start || (!bFound && analysis.GetNumPrograms() != 0))
    {
        std::fprintf(stderr, "stream fuzz: found %d, %d programs, position %llu instead of %llu\n", bFound,
                     analysis.GetNumPrograms(), static_cast<unsigned long long>(stream.GetPosition()),
                     static_cast<unsigned long long>(start));
        std::abort();
    }
    analysis.Dump();
    return 0;
}
