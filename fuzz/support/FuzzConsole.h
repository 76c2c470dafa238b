#pragma once

// The readers echo what they read on standard output. The fuzzer's own reports
// go to standard error, so standard output is sent to /dev/null once at start,
// and the fuzzer's time is spent in the readers rather than on a terminal.
class FuzzConsole
{
public:
    static void silenceStdout();
};
