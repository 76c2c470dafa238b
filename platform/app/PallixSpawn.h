#pragma once

class PallixSpawn
{
public:
    // Starts commandLine as a separate process, split into words as a shell does
    // for quotes and backslashes but executed directly: nothing in it is ever
    // interpreted by a shell. False when the program cannot be started. The child
    // is reaped when it ends, whether or not the event loop runs.
    static bool Spawn(const char* commandLine);
};
