#pragma once

#include "PallixString.h"

// Hands a movie file to the external player named in the settings.
class MPlay
{
public:
    static void launch(PallixString filename);
    // mplay.path, a space, mplay.args, a space and the file in double quotes:
    // the line as the console shows it.
    static PallixString getCommandLine(PallixString filename);

private:
    // The same line with the quotes and backslashes of the file name escaped, so
    // that the started player receives the name exactly.
    static PallixString getSpawnLine(PallixString filename);
};
