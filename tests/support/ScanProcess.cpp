#include "ScanProcess.h"

#include "HTMLDBParser.h"
#include "MediaEntry.h"
#include "MediaStore.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

ScanProcess::ScanProcess(const std::string& dir, const std::vector<std::string>& args)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return;
    pid_t pid = fork();
    if (pid == 0)
    {
        dup2(pipeFds[1], STDOUT_FILENO);
        dup2(pipeFds[1], STDERR_FILENO);
        if (chdir(dir.c_str()) != 0)
            _exit(126);
        std::vector<std::string> words = {"quorva-scan"};
        words.insert(words.end(), args.begin(), args.end());
        execBuiltProgram(QUORVA_SCAN_BINARY, words);
        _exit(127);
    }
    close(pipeFds[1]);
    std::string output;
    char buffer[4096];
    for (;;)
    {
        ssize_t n = read(pipeFds[0], buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        output.append(buffer, static_cast<size_t>(n));
    }
    close(pipeFds[0]);
    int status = 0;
    while (pid > 0 && waitpid(pid, &status, 0) < 0 && errno == EINTR)
    {
    }
    mStatus = pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    size_t start = 0;
    for (size_t newline = output.find('\n'); newline != std::string::npos; newline = output.find('\n', start))
    {
        mLines.push_back(output.substr(start, newline - start));
        start = newline + 1;
    }
    if (start < output.size())
        mLines.push_back(output.substr(start));
}

std::unique_ptr<MediaStore> ScanProcess::readDatabase(const std::string& path)
{
    auto pStore = std::make_unique<MediaStore>();
    captureOutput([&] { HTMLDBParser().parse(path.c_str(), 0, *pStore, true); });
    return pStore;
}

MediaEntry& ScanProcess::entryOf(MediaStore& store, const std::string& title)
{
    MediaEntry* pEntry = store.getEntryForTitle(title.c_str());
    EXPECT_NE(pEntry, nullptr) << title;
    static MediaEntry none;
    return pEntry ? *pEntry : none;
}
