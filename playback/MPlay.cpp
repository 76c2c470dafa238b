#include "MPlay.h"

#include "ClientProperties.h"
#include "PallixSpawn.h"

#include <iostream>

PallixString MPlay::getCommandLine(PallixString filename)
{
    return ClientProperties::getMPlayPath() + " " + ClientProperties::getMPlayArgs() + " \"" + filename + "\"";
}

PallixString MPlay::getSpawnLine(PallixString filename)
{
    PallixString escaped;
    for (int i = 0; i < filename.GetLength(); ++i)
    {
        if (filename[i] == '"' || filename[i] == '\\')
            escaped += '\\';
        escaped += filename[i];
    }
    return getCommandLine(escaped);
}

// The line is split into words and the player executed directly, never through
// a shell, so nothing in a file name is interpreted.
void MPlay::launch(PallixString filename)
{
    std::cout << "MPlay cmd: " << getCommandLine(filename) << std::endl;
    if (!PallixSpawn::Spawn(getSpawnLine(filename)))
        std::cout << "Failed to spawn MPLAY" << std::endl;
}
