#pragma once

#include "PallixString.h"

#include <chrono>

// What quorva-scan prints. On a terminal, one progress line that rewrites
// itself; otherwise one line per record. Either way the lines that matter at the
// end are printed whole, after the progress line is cleared.
class ScanConsole
{
public:
    explicit ScanConsole(bool bTerminal);

    bool isTerminal() { return mbTerminal; }
    // A line of its own.
    void line(const PallixString& text);
    // "Added: Title", "Updated: Title", "Unchanged: Title", "Skipped: path";
    // left out on a terminal, where the progress line stands for them.
    void record(const char* status, const PallixString& what);
    // "Scanning 120/5000, 0:23 left: /films/Heat (1995)", at most a few times a second.
    void progress(int nDone, int nFound, const PallixString& current);
    void clearProgress();

private:
    bool mbTerminal;
    bool mbProgressShown;
    std::chrono::steady_clock::time_point mStart;
    std::chrono::steady_clock::time_point mLastProgress;
};
