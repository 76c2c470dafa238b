#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class LoopList;

// A fresh folder for one test, removed with everything in it when the test ends.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return mPath; }
    std::string file(const std::string& name) const { return mPath + "/" + name; }
    // Writes text to name (relative to the folder), creating parent folders.
    void write(const std::string& name, const std::string& text) const;
    std::string read(const std::string& name) const;

private:
    std::string mPath;
};

// Runs fn with standard output captured, returns what it printed.
std::string captureStdout(void (*fn)(void*), void* context);

template <typename F> std::string captureOutput(F&& fn)
{
    return captureStdout([](void* p) { (*static_cast<F*>(p))(); }, &fn);
}

// Asks twenty times a second until condition holds; false once the limit has passed.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(20));

// The folder of the quorva binary under test, with its images/ and graphics/.
std::string binaryDir();
// Links the binary's artwork into a library folder, as the demo has it beside the executable.
void linkArtwork(const TempDir& dir);

// In a child process: runs one of the programs built with the tests (words[0] is its
// argv[0]); a cross build's programs go through the emulator. Returns only on failure.
void execBuiltProgram(const char* binary, std::vector<std::string> words);

// The texts of a list's items, in order.
std::vector<std::string> listItems(LoopList& list);
