#include "FailingCalls.h"
#include "LibraryScanner.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(ScanWriteFault, ADatabaseThatCannotBeWrittenStaysWholeAndTheRunFails)
{
    TempDir dir;
    dir.write("films/Heat (1995)/heat.mkv", "not really a film");
    dir.write("movies.html", "old database");
    const std::string db = dir.file("movies.html");
    for (const AtomicFile::SystemCalls& calls : FailingCalls::each())
    {
        FailingCalls failing(calls);
        std::vector<std::string> words = {"quorva-scan", "--force", "--jobs", "1", "--db", db, dir.file("films")};
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        int status = 0;
        std::string printed = captureOutput([&] { status = LibraryScanner().run(int(argv.size()), argv.data()); });
        EXPECT_EQ(status, 1) << failing.reason();
        EXPECT_NE(printed.find("quorva-scan: " + db + " cannot be written (" + failing.reason() +
                               "); the old one is unchanged\n"),
                  std::string::npos)
            << printed;
        EXPECT_EQ(dir.read("movies.html"), "old database");
    }
}
