#include "PallixSpawn.h"

#include "PallixChildReaper.h"
#include "PallixShellWords.h"

bool PallixSpawn::Spawn(const char* commandLine)
{
    std::vector<std::string> words;
    if (!PallixShellWords::Split(commandLine, words) || words.empty())
        return false;
    return PallixChildReaper::Start(words);
}
