#include "TestSupport.h"

#include "LoopList.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>
#include <unistd.h>

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quorva-test-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    mPath = made ? made : "";
}

TempDir::~TempDir()
{
    std::error_code ec;
    if (!mPath.empty())
        std::filesystem::remove_all(mPath, ec);
}

void TempDir::write(const std::string& name, const std::string& text) const
{
    std::filesystem::path target = std::filesystem::path(mPath) / name;
    std::filesystem::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary);
    out << text;
}

std::string TempDir::read(const std::string& name) const
{
    std::ifstream in(std::filesystem::path(mPath) / name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string captureStdout(void (*fn)(void*), void* context)
{
    std::cout.flush();
    std::fflush(stdout);
    char name[] = "/tmp/quorva-stdout-XXXXXX";
    int fd = mkstemp(name);
    int saved = dup(STDOUT_FILENO);
    dup2(fd, STDOUT_FILENO);
    fn(context);
    std::cout.flush();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    close(fd);
    std::ifstream in(name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    unlink(name);
    return text.str();
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition())
    {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

std::string binaryDir()
{
    return std::filesystem::path(QUORVA_BINARY).parent_path().string();
}

void execBuiltProgram(const char* binary, std::vector<std::string> words)
{
    const std::string emulator = QUORVA_TEST_EMULATOR;
    if (!emulator.empty())
    {
        // The emulator hands the program the argv[0] it would have had.
        words.insert(words.begin() + 1, binary);
        words.insert(words.begin(), {emulator, "-0"});
        binary = emulator.c_str();
    }
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    execv(binary, argv.data());
}

void linkArtwork(const TempDir& dir)
{
    for (const char* folder : {"images", "graphics"})
        std::filesystem::create_directory_symlink(binaryDir() + "/" + folder, dir.file(folder));
}

std::vector<std::string> listItems(LoopList& list)
{
    std::vector<std::string> text;
    for (int i = 0; i < list.getItemCount(); ++i)
        text.push_back(list.getItemText(i).str());
    return text;
}
