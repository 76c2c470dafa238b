// A DVD rip's VobSub pair beside a movie: the index read for its languages
// (PallixSubtitleFiles), then each track read by the player's subtitle
// renderer and its pictures decoded and drawn at moments of the movie, going
// forwards and back as seeks do.
#include "FuzzFile.h"
#include "FuzzSubtitleFile.h"
#include "PallixSubtitleFiles.h"
#include "PallixSubtitleRenderer.h"

#include <algorithm>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzSubtitleFile::Initialize();
    return 0;
}

// The input: two bytes (big-endian) giving the length of the index, the index,
// then the pictures' file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t indexSize = std::min(size - 2, size_t(data[0]) << 8 | data[1]);
    static FuzzFile index;
    static FuzzFile pictures;
    static const std::string folder = [] {
        const std::string dir = index.linkAs("movie.idx");
        if (::symlink(pictures.path().c_str(), (dir + "/movie.sub").c_str()) != 0)
            std::abort();
        return dir;
    }();
    index.write(data + 2, indexSize);
    pictures.write(data + 2 + indexSize, size - 2 - indexSize);

    static PallixSubtitleRenderer renderer;
    for (const PallixSubtitleFiles::Found& found : PallixSubtitleFiles::Find(folder + "/movie.mkv"))
    {
        if (!renderer.StartFile(found.path, found.nFileTrack))
            continue;
        FuzzSubtitleFile::DrawAt(renderer, {0.5, 1.5, 4.0, 62.0, 1.0, 3599.0});
        renderer.Stop();
    }
    return 0;
}
