// PallixSpawn: shell-like word splitting without a shell, failure to start, and
// reaping of the children (with and without a running loop).

#include "PallixChildReaper.h"
#include "PallixShellWords.h"
#include "PallixSpawn.h"
#include "PallixTestSupport.h"
#include "TestSupport.h"

#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

using namespace pallixtest;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace
{
using Words = std::vector<std::string>;

Words split(const char* line)
{
    Words words;
    EXPECT_TRUE(PallixShellWords::Split(line, words)) << line;
    return words;
}

// The names in a folder, in no particular order.
std::set<std::string> ListNames(const std::string& path)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(path))
        names.insert(entry.path().filename().string());
    return names;
}

bool waitForNoChildren()
{
    return WaitUntil([] { return PallixChildReaper::GetLiveCount() == 0 && CountZombieChildren() == 0; });
}
} // namespace

TEST(PallixShellWordsTest, SplitsAtBlanksOutsideQuotes)
{
    EXPECT_EQ(split("a b  c\t d\ne"), (Words{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(split("  lead and trail  "), (Words{"lead", "and", "trail"}));
    EXPECT_EQ(split("/usr/bin/mplay  \"/media/Film/a.mpg\""), (Words{"/usr/bin/mplay", "/media/Film/a.mpg"}));
    EXPECT_EQ(split(""), Words{});
}

TEST(PallixShellWordsTest, QuotesAndBackslashesBehaveAsInAShell)
{
    EXPECT_EQ(split("'single $(x) `y` \\n \"q\"'"), (Words{"single $(x) `y` \\n \"q\""}));
    EXPECT_EQ(split("\"double $HOME `y` ; | & 'q'\""), (Words{"double $HOME `y` ; | & 'q'"}));
    // Inside double quotes a backslash escapes only $ ` " \ and newline.
    EXPECT_EQ(split("\"a\\\"b\\\\c\\$d\\`e\\nf\""), (Words{"a\"b\\c$d`e\\nf"}));
    EXPECT_EQ(split("\"line\\\ncontinued\""), (Words{"linecontinued"}));
    // Outside quotes a backslash keeps any character.
    EXPECT_EQ(split("a\\ b c\\'d \\\"e\\\\"), (Words{"a b", "c'd", "\"e\\"}));
    EXPECT_EQ(split("one\\\ntwo"), (Words{"onetwo"}));
    // Quoted parts join the word they touch; empty quotes make an empty word.
    EXPECT_EQ(split("pre'mid'\"post\" x"), (Words{"premidpost", "x"}));
    EXPECT_EQ(split("'' \"\" a''"), (Words{"", "", "a"}));
    // No operators, no comments, no expansion.
    EXPECT_EQ(split("a;b | c > d # e ~ *"), (Words{"a;b", "|", "c", ">", "d", "#", "e", "~", "*"}));
}

TEST(PallixShellWordsTest, UnbalancedQuotesAndATrailingBackslashFail)
{
    Words words;
    EXPECT_FALSE(PallixShellWords::Split("echo 'open", words));
    EXPECT_FALSE(PallixShellWords::Split("echo \"open", words));
    EXPECT_FALSE(PallixShellWords::Split("echo \"esc\\\"", words));
    EXPECT_FALSE(PallixShellWords::Split("echo end\\", words));
    EXPECT_FALSE(PallixShellWords::Split(nullptr, words));
}

TEST(PallixSpawnTest, AWeirdFileNameReachesTheProgramAsOneArgumentAndNothingElseRuns)
{
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    // A file name may not hold a slash, so the commands a shell would run
    // create their files in the working directory, which the child shares: the
    // scratch folder, for the time of the spawn.
    const std::string name = "weird $(touch pwned); name `touch pwned2` & | > < * ? ~ # 'q' $HOME ! ;touch pwned3";
    // The shape MPlay builds: program, two spaces for empty arguments, the path
    // in double quotes, nothing escaped.
    const std::string line = "/usr/bin/touch  \"" + dir.path() + "/" + name + "\"";
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    bool bStarted = PallixSpawn::Spawn(line.c_str());
    ASSERT_TRUE(waitForNoChildren());
    fs::current_path(previous);
    ASSERT_TRUE(bStarted);
    ASSERT_TRUE(WaitUntil([&] { return !ListNames(dir.path()).empty(); }));
    ASSERT_TRUE(waitForNoChildren());
    EXPECT_EQ(ListNames(dir.path()), std::set<std::string>{name});
}

TEST(PallixSpawnTest, SingleQuotesAndBackslashesReachTheProgramLiterally)
{
    TempDir dir;
    const std::string line = "touch '" + dir.path() + "/it''s \"quoted\" \\ $(x)' " + dir.path() +
                             "/back\\ slash\\;";
    ASSERT_TRUE(PallixSpawn::Spawn(line.c_str()));
    ASSERT_TRUE(waitForNoChildren());
    EXPECT_EQ(ListNames(dir.path()), (std::set<std::string>{"its \"quoted\" \\ $(x)", "back slash;"}));
}

TEST(PallixSpawnTest, AProgramThatCannotStartIsReportedAsFalse)
{
    TempDir dir;
    const std::string notExecutable = dir.path() + "/plain.txt";
    std::ofstream(notExecutable) << "#!/bin/sh\n";
    ::chmod(notExecutable.c_str(), 0644);
    EXPECT_FALSE(PallixSpawn::Spawn("/nonexistent/program arg"));
    EXPECT_FALSE(PallixSpawn::Spawn("no-such-program-of-quorva --help"));
    EXPECT_FALSE(PallixSpawn::Spawn(notExecutable.c_str()));
    EXPECT_FALSE(PallixSpawn::Spawn(dir.path().c_str()));
    EXPECT_FALSE(PallixSpawn::Spawn(""));
    EXPECT_FALSE(PallixSpawn::Spawn("   \t "));
    EXPECT_FALSE(PallixSpawn::Spawn("''"));
    EXPECT_FALSE(PallixSpawn::Spawn("touch 'unbalanced"));
    EXPECT_FALSE(PallixSpawn::Spawn(nullptr));
    // Nothing was left behind by the failures.
    EXPECT_EQ(PallixChildReaper::GetLiveCount(), 0);
    EXPECT_EQ(CountZombieChildren(), 0);
}

TEST(PallixSpawnTest, ChildrenAreReapedWithoutARunningLoop)
{
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(PallixSpawn::Spawn(i % 2 ? "/bin/true" : "sh -c 'exit 3'"));
    EXPECT_TRUE(waitForNoChildren());
    EXPECT_EQ(PallixChildReaper::GetLiveCount(), 0);
    EXPECT_EQ(CountZombieChildren(), 0);
}

TEST(PallixSpawnTest, ChildrenAreReapedByTheLoop)
{
    ScopedEnv noControl("PALLIX_ECP_PORT", "0");
    ScriptedApp app;
    FunctionTimer checker;
    bool bSpawned = false;
    int zombiesAtEnd = -1;
    app.onInit = [&](ScriptedApp& self)
    {
        bSpawned = PallixSpawn::Spawn("sh -c 'sleep 0.05'") && PallixSpawn::Spawn("/bin/true");
        checker.SetOnTick(
            [&](uint32_t)
            {
                if (PallixChildReaper::GetLiveCount() == 0)
                {
                    zombiesAtEnd = CountZombieChildren();
                    self.Terminate(0);
                }
            });
        checker.SetTimer(10);
    };
    EXPECT_EQ(app.Run0(), 0);
    EXPECT_TRUE(bSpawned);
    EXPECT_EQ(zombiesAtEnd, 0);
}

TEST(PallixSpawnTest, OtherChildrenOfTheProcessAreNotReaped)
{
    // A child started by other code, which that code waits for itself.
    pid_t own = ::fork();
    ASSERT_GE(own, 0);
    if (own == 0)
        ::_exit(7);
    ASSERT_TRUE(PallixSpawn::Spawn("/bin/true"));
    ASSERT_TRUE(WaitUntil([] { return PallixChildReaper::GetLiveCount() == 0; }));
    std::this_thread::sleep_for(50ms);
    int status = 0;
    ASSERT_EQ(::waitpid(own, &status, 0), own);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
}

TEST(PallixSpawnTest, ChildStartsWithDefaultSignalsEvenWhileTheLoopIgnoresSigpipe)
{
    ScopedEnv noControl("PALLIX_ECP_PORT", "0");
    TempDir dir;
    const std::string out = dir.path() + "/status";
    ScriptedApp app;
    bool bSpawned = false;
    app.onInit = [&](ScriptedApp& self)
    {
        bSpawned = PallixSpawn::Spawn(("sh -c 'grep -E \"^Sig(Ign|Blk)\" /proc/self/status > \"$1\"' sh " + out).c_str());
        self.Terminate(0);
    };
    app.Run0();
    ASSERT_TRUE(bSpawned);
    ASSERT_TRUE(waitForNoChildren());
    std::ifstream file(out);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    auto maskOf = [&](const std::string& field)
    {
        size_t at = text.find(field + ":");
        return at == std::string::npos ? ~0ull : std::stoull(text.substr(at + field.size() + 1), nullptr, 16);
    };
    const unsigned long long sigpipeBit = 1ull << (SIGPIPE - 1);
    EXPECT_EQ(maskOf("SigIgn") & sigpipeBit, 0u) << text;
    EXPECT_EQ(maskOf("SigBlk"), 0u) << text;
}
