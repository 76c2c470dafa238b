#include "FuzzSubtitleFile.h"

#include "FuzzConsole.h"
#include "FuzzFile.h"
#include "PallixAVTypes.h"

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
