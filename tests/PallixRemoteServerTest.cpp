#include "PallixRemoteServer.h"
#include "PallixTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

// A second server on a port in use must say so, not share the port's connections.
TEST(PallixRemoteServerTest, APortInUseIsReportedAndLeavesThatServerClosed)
{
    TempDir dir;
    const int port = pallixtest::FindFreePort();
    PallixRemoteServer first, second;
    std::string printed = captureOutput([&] { EXPECT_TRUE(first.Open(port, dir.file("remote-tokens"))); });
    EXPECT_EQ(printed, "Remote: listening on port " + std::to_string(port) + "\n");
    printed = captureOutput([&] { EXPECT_FALSE(second.Open(port, dir.file("remote-tokens"))); });
    EXPECT_EQ(printed, "Remote: cannot listen on port " + std::to_string(port) + "\n");
    EXPECT_TRUE(first.IsOpen());
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    EXPECT_FALSE(first.IsOpen());
    printed = captureOutput([&] { EXPECT_FALSE(second.Open(0, dir.file("remote-tokens"))); });
    EXPECT_EQ(printed, "Remote: cannot listen on port 0\n");
}
