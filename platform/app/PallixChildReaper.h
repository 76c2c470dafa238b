#pragma once

#include <string>
#include <vector>

// Starts child processes and reaps them when they end, so that none is left as
// a zombie. Only the children started here are waited for: waiting for any
// child (waitpid(-1)) would steal the status of processes that other code of
// the process started and waits for itself (system(), pclose()).
//
// Reaping happens in the SIGCHLD handler (installed on the first start, so it
// works whether or not an event loop runs) and in every turn of the loop, which
// catches a child whose signal was missed.
class PallixChildReaper
{
public:
    // Starts words[0] (searched in PATH when it has no slash) with words as its
    // arguments, without a shell. False when it cannot be started.
    static bool Start(const std::vector<std::string>& words);

    // Reaps every tracked child that has ended. Async-signal-safe.
    static void Reap();

    // Children started and not yet reaped.
    static int GetLiveCount();
};
