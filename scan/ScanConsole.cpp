#include "ScanConsole.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace
{
constexpr auto PROGRESS_INTERVAL = std::chrono::milliseconds(200);

size_t terminalWidth()
{
    struct winsize size;
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 20)
        return size.ws_col;
    return 80;
}
} // namespace

ScanConsole::ScanConsole(bool bTerminal)
    : mbTerminal(bTerminal), mbProgressShown(false), mStart(std::chrono::steady_clock::now()), mLastProgress()
{
}

void ScanConsole::line(const PallixString& text)
{
    clearProgress();
    std::cout << text << std::endl;
}

void ScanConsole::record(const char* status, const PallixString& what)
{
    if (!mbTerminal)
        std::cout << status << ": " << what << "\n";
}

void ScanConsole::progress(int nDone, int nFound, const PallixString& current)
{
    if (!mbTerminal)
        return;
    auto now = std::chrono::steady_clock::now();
    if (mbProgressShown && now - mLastProgress < PROGRESS_INTERVAL)
        return;
    mLastProgress = now;

    std::string left = "-:--";
    double elapsed = std::chrono::duration<double>(now - mStart).count();
    if (nDone > 0 && nFound >= nDone)
    {
        long nSeconds = static_cast<long>(elapsed / nDone * (nFound - nDone) + 0.5);
        char text[32];
        std::snprintf(text, sizeof(text), "%ld:%02ld", nSeconds / 60, nSeconds % 60);
        left = text;
    }
    std::string text = "Scanning " + std::to_string(nDone) + "/" + std::to_string(nFound) + ", " + left +
                       " left: " + current.str();
    // One line: a long folder name is cut rather than wrapped.
    const size_t nWidth = terminalWidth() - 1;
    if (text.size() > nWidth)
    {
        size_t nCut = nWidth;
        while (nCut > 0 && (static_cast<unsigned char>(text[nCut]) & 0xC0) == 0x80)
            --nCut;
        text.resize(nCut);
    }
    std::cout << "\r" << text << "\033[K" << std::flush;
    mbProgressShown = true;
}

void ScanConsole::clearProgress()
{
    if (!mbProgressShown)
        return;
    std::cout << "\r\033[K" << std::flush;
    mbProgressShown = false;
}
