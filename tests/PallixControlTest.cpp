// The external control channel over a real socket: routing to the registered
// command, press, errors, limits, partial lines and misbehaving clients. The
// application's loop runs on the test thread; the clients run on another.

#include "PallixEventLoop.h"
#include "PallixTestSupport.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

using namespace pallixtest;
using namespace std::chrono_literals;

namespace
{
class PallixControlTest : public ::testing::Test
{
protected:
    PallixControlTest()
    {
        mApp.onCommand = [this](ScriptedApp& self, const PallixString& command, PallixString& result)
        {
            mCommands.push_back(command.str());
            result = PallixString("GOT ") + command;
            if (command == "testApp big")
                result = std::string(60000, 'b');
            if (command == "testApp multi")
                result = "first\nsecond\r";
            if (command == "testApp exit")
                self.Terminate(0);
        };
        mApp.onKey = [this](ScriptedApp&, unsigned long nKey)
        {
            mKeys.push_back(nKey);
            return true;
        };
    }

    // Runs the application with client on another thread. The client ends the
    // run with EndRun; the watchdog ends it if a client fails.
    int RunWithClient(std::function<void()> client)
    {
        std::thread clientThread;
        auto previousInit = mApp.onInit;
        mApp.onInit = [&](ScriptedApp& self)
        {
            self.RegisterECPCommand("testApp");
            if (previousInit)
                previousInit(self);
            clientThread = std::thread(client);
        };
        int status = mApp.Run0();
        if (clientThread.joinable())
            clientThread.join();
        return status;
    }

    void EndRun()
    {
        LineClient client;
        ASSERT_TRUE(client.Connect(mPort));
        EXPECT_EQ(client.Ask("testApp exit"), "GOT testApp exit");
        EXPECT_TRUE(client.WaitClosed());
    }

    int mPort = FindFreePort();
    ScopedEnv mEnv{"PALLIX_ECP_PORT", std::to_string(mPort)};
    ScriptedApp mApp;
    std::vector<std::string> mCommands;
    std::vector<unsigned long> mKeys;
};
} // namespace

TEST_F(PallixControlTest, RegisteredCommandGetsTheLineAndItsReplyIsSent)
{
    int status = RunWithClient(
        [&]
        {
            LineClient client;
            ASSERT_TRUE(client.Connect(mPort));
            EXPECT_EQ(client.Ask("testApp hello  world"), "GOT testApp hello  world");
            EXPECT_EQ(client.Ask("testApp"), "GOT testApp");
            EXPECT_EQ(client.Ask("testApp\tverb"), "GOT testApp\tverb");
            // CR LF line ends are stripped.
            EXPECT_EQ(client.Ask("testApp crlf\r"), "GOT testApp crlf");
            // The reply is one line whatever the handler put in it.
            EXPECT_EQ(client.Ask("testApp multi"), "first second ");
            EndRun();
        });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(mCommands, (std::vector<std::string>{"testApp hello  world", "testApp", "testApp\tverb",
                                                   "testApp crlf", "testApp multi", "testApp exit"}));
}

TEST_F(PallixControlTest, FirstWordMustMatchTheRegisteredNameExactly)
{
    RunWithClient(
        [&]
        {
            LineClient client;
            ASSERT_TRUE(client.Connect(mPort));
            EXPECT_EQ(client.Ask("testAppX exit"), "ERROR unknown command");
            EXPECT_EQ(client.Ask("TESTAPP exit"), "ERROR unknown command");
            EXPECT_EQ(client.Ask(" testApp exit"), "ERROR unknown command");
            EXPECT_EQ(client.Ask("hello"), "ERROR unknown command");
            EXPECT_EQ(client.Ask(""), "ERROR unknown command");
            EXPECT_EQ(client.Ask("reboot now"), "ERROR unknown command");
            EXPECT_EQ(client.Ask("PRESS Select"), "ERROR unknown command");
            EndRun();
        });
    EXPECT_EQ(mCommands, std::vector<std::string>{"testApp exit"});
    EXPECT_TRUE(mKeys.empty());
}

TEST_F(PallixControlTest, WithoutARegisteredCommandEveryLineIsUnknownButPress)
{
    mApp.onInit = [](ScriptedApp& self) { self.RegisterECPCommand(nullptr); };
    mApp.onKey = [&](ScriptedApp& self, unsigned long nKey)
    {
        mKeys.push_back(nKey);
        self.Terminate(7);
        return true;
    };
    int status = RunWithClient(
        [&]
        {
            LineClient client;
            ASSERT_TRUE(client.Connect(mPort));
            EXPECT_EQ(client.Ask("testApp exit"), "ERROR unknown command");
            EXPECT_EQ(client.Ask("press Exit"), "OK");
        });
    EXPECT_EQ(status, 7);
    EXPECT_TRUE(mCommands.empty());
    EXPECT_EQ(mKeys, std::vector<unsigned long>{0x10022});
}

TEST_F(PallixControlTest, PressDeliversNamedAndNumberedKeys)
{
    RunWithClient(
        [&]
        {
            LineClient client;
            ASSERT_TRUE(client.Connect(mPort));
            EXPECT_EQ(client.Ask("press Down"), "OK");
            EXPECT_EQ(client.Ask("press 0x1000B"), "OK");
            EXPECT_EQ(client.Ask("press pageup"), "OK");
            EXPECT_EQ(client.Ask("press   Play  "), "OK");
            EXPECT_EQ(client.Ask("press 65570"), "OK");
            EXPECT_EQ(client.Ask("press Bogus"), "ERROR unknown key");
            EXPECT_EQ(client.Ask("press"), "ERROR unknown key");
            EXPECT_EQ(client.Ask("press Down Up"), "ERROR unknown key");
            EXPECT_EQ(client.Ask("press 0x"), "ERROR unknown key");
            EndRun();
        });
    EXPECT_EQ(mKeys, (std::vector<unsigned long>{0x1000D, 0x1000B, 0x1001D, 0x10018, 0x10022}));
}

TEST_F(PallixControlTest, TypeDeliversEachCharacterOfItsTextInTurn)
{
    std::u32string typed;
    auto previous = PallixEventLoop::SetCharRouter([&](char32_t nChar) { typed += nChar; });
    RunWithClient(
        [&]
        {
            LineClient client;
            ASSERT_TRUE(client.Connect(mPort));
            EXPECT_EQ(client.Ask("type Am\xC3\xA9lie 2"), "OK");
            EXPECT_EQ(client.Ask("type"), "OK");
            EXPECT_EQ(client.Ask("type \xF0\x9F\x8E\xAC"), "OK");
            EndRun();
        });
    PallixEventLoop::SetCharRouter(previous);
    EXPECT_EQ(typed, U"Am\u00E9lie 2\U0001F3AC");
    EXPECT_TRUE(mKeys.empty());
}

TEST_F(PallixControlTest, ReplyIsSentAfterTheLoopPaintedWhatTheCommandCaused)
{
    std::mutex mutex;
    std::vector<std::string> log;
    bool bDirty = false;
    mApp.onKey = [&](ScriptedApp&, unsigned long)
    {
        std::lock_guard<std::mutex> lock(mutex);
        log.push_back("key");
        bDirty = true;
        return true;
    };
    auto previousPainter = PallixEventLoop::SetPainter(
        [&]
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (bDirty)
                log.push_back("paint");
            bDirty = false;
        });
    RunWithClient(
        [&]
        {
            LineClient client;
            ASSERT_TRUE(client.Connect(mPort));
            // Pipelined: the second command runs only after the first one's paint.
            ASSERT_TRUE(client.Send("press Up\npress Down\n"));
            EXPECT_EQ(client.ReadLine(), "OK");
            {
                std::lock_guard<std::mutex> lock(mutex);
                EXPECT_GE(log.size(), 2u);
                if (log.size() >= 2)
                {
                    EXPECT_EQ(log[1], "paint");
                }
            }
            EXPECT_EQ(client.ReadLine(), "OK");
            {
                std::lock_guard<std::mutex> lock(mutex);
                EXPECT_EQ(log, (std::vector<std::string>{"key", "paint", "key", "paint"}));
            }
            EndRun();
        });
    PallixEventLoop::SetPainter(previousPainter);
}

TEST_F(PallixControlTest, PipelinedCommandsAreAnsweredInOrder)
{
    RunWithClient(
        [&]
        {
            LineClient client;
            ASSERT_TRUE(client.Connect(mPort));
            ASSERT_TRUE(client.Send("testApp a\npress Up\nnonsense\ntestApp b\r\npress Nope\n"));
            EXPECT_EQ(client.ReadLine(), "GOT testApp a");
            EXPECT_EQ(client.ReadLine(), "OK");
            EXPECT_EQ(client.ReadLine(), "ERROR unknown command");
            EXPECT_EQ(client.ReadLine(), "GOT testApp b");
            EXPECT_EQ(client.ReadLine(), "ERROR unknown key");
            EndRun();
        });
}

TEST_F(PallixControlTest, PartialLinesAreJoinedAndDisconnectsMidLineAreHarmless)
{
    RunWithClient(
        [&]
        {
            LineClient client;
            ASSERT_TRUE(client.Connect(mPort));
            for (const char* piece : {"test", "App pi", "ng", "\r", "\n"})
            {
                ASSERT_TRUE(client.Send(piece));
                std::this_thread::sleep_for(20ms);
            }
            EXPECT_EQ(client.ReadLine(), "GOT testApp ping");

            // One byte at a time.
            for (char c : std::string("press Left\n"))
                ASSERT_TRUE(client.Send(std::string(1, c)));
            EXPECT_EQ(client.ReadLine(), "OK");

            // A client that leaves in the middle of a line: the half line is never run.
            {
                LineClient leaver;
                ASSERT_TRUE(leaver.Connect(mPort));
                ASSERT_TRUE(leaver.Send("testApp exi"));
                std::this_thread::sleep_for(50ms);
            }
            // A client that sends a whole line and shuts its side still gets its reply.
            {
                LineClient halfClosed;
                ASSERT_TRUE(halfClosed.Connect(mPort));
                ASSERT_TRUE(halfClosed.Send("testApp half\npress Right\ntestApp cut"));
                ::shutdown(halfClosed.GetFd(), SHUT_WR);
                EXPECT_EQ(halfClosed.ReadLine(), "GOT testApp half");
                EXPECT_EQ(halfClosed.ReadLine(), "OK");
                EXPECT_TRUE(halfClosed.WaitClosed());
            }
            EXPECT_EQ(client.Ask("testApp still"), "GOT testApp still");
            EndRun();
        });
    EXPECT_EQ(mCommands, (std::vector<std::string>{"testApp ping", "testApp half", "testApp still", "testApp exit"}));
    EXPECT_EQ(mKeys, (std::vector<unsigned long>{0x1000E, 0x1000F}));
}

TEST_F(PallixControlTest, OverLongLinesAreRefusedAndTheConnectionClosed)
{
    RunWithClient(
        [&]
        {
            {
                // 4096 bytes is the longest line served.
                LineClient client;
                ASSERT_TRUE(client.Connect(mPort));
                std::string longest = "testApp " + std::string(4096 - 8, 'x');
                EXPECT_EQ(client.Ask(longest + "\r"), "GOT " + longest);
                EXPECT_EQ(client.Ask(std::string(4096, 'y')), "ERROR unknown command");
                EXPECT_EQ(client.Ask(std::string(4097, 'z')), "ERROR line too long");
                EXPECT_TRUE(client.WaitClosed());
            }
            {
                // Too long without any line break yet, and still sending.
                LineClient client;
                ASSERT_TRUE(client.Connect(mPort));
                ASSERT_TRUE(client.Send("testApp " + std::string(20000, 'q')));
                EXPECT_EQ(client.ReadLine(), "ERROR line too long");
                client.Send(std::string(20000, 'q') + "\ntestApp after\n");
                EXPECT_TRUE(client.WaitClosed());
            }
            LineClient client;
            ASSERT_TRUE(client.Connect(mPort));
            EXPECT_EQ(client.Ask("testApp fine"), "GOT testApp fine");
            EndRun();
        });
    ASSERT_EQ(mCommands.size(), 3u);
    EXPECT_EQ(mCommands[1], "testApp fine");
}

TEST_F(PallixControlTest, InvalidUTF8IsRefusedAndTheConnectionClosed)
{
    RunWithClient(
        [&]
        {
            LineClient client;
            ASSERT_TRUE(client.Connect(mPort));
            EXPECT_EQ(client.Ask("testApp h\xC3\xA9llo \xE2\x9C\x93 \xF0\x9F\x8E\xAC"),
                      "GOT testApp h\xC3\xA9llo \xE2\x9C\x93 \xF0\x9F\x8E\xAC");
            const std::vector<std::string> bad = {
                "testApp \xFF",                // never in UTF-8
                "testApp \xC3",                // cut short
                "testApp \xC0\xAF",            // overlong '/'
                "testApp \xED\xA0\x80",        // UTF-16 surrogate
                "testApp \xF4\x90\x80\x80",    // past U+10FFFF
                "testApp \x80",                // lone continuation byte
                std::string("testApp a\0b", 11), // NUL
            };
            for (const std::string& line : bad)
            {
                LineClient badClient;
                ASSERT_TRUE(badClient.Connect(mPort));
                EXPECT_EQ(badClient.Ask(line + "\ntestApp after"), "ERROR not UTF-8");
                EXPECT_TRUE(badClient.WaitClosed());
            }
            EXPECT_EQ(client.Ask("testApp fine"), "GOT testApp fine");
            EndRun();
        });
    EXPECT_EQ(mCommands.size(), 3u);
}

TEST_F(PallixControlTest, AtMostSixteenConnectionsAreServed)
{
    RunWithClient(
        [&]
        {
            std::vector<std::unique_ptr<LineClient>> clients;
            for (int i = 0; i < 20; ++i)
            {
                clients.push_back(std::make_unique<LineClient>());
                ASSERT_TRUE(clients.back()->Connect(mPort));
                // Let the loop accept them in order.
                std::this_thread::sleep_for(5ms);
            }
            int served = 0;
            int refused = 0;
            for (size_t i = 0; i < clients.size(); ++i)
            {
                auto reply = clients[i]->Ask("testApp ping " + std::to_string(i), 2000ms);
                if (reply == "GOT testApp ping " + std::to_string(i))
                    served++;
                else if (!reply || reply == "ERROR too many connections")
                    refused++;
            }
            EXPECT_EQ(served, 16);
            EXPECT_EQ(refused, 4);
            // A closed connection frees its place.
            clients[0]->Close();
            std::this_thread::sleep_for(50ms);
            LineClient late;
            ASSERT_TRUE(late.Connect(mPort));
            EXPECT_EQ(late.Ask("testApp late"), "GOT testApp late");
            late.Close();
            clients.clear();
            EndRun();
        });
    EXPECT_EQ(mCommands.size(), 18u);
}

TEST_F(PallixControlTest, AClientThatNeverReadsDoesNotBlockTheLoop)
{
    int bigCommands = 0;
    std::atomic<int> bigServed{0};
    auto onCommand = mApp.onCommand;
    mApp.onCommand = [&](ScriptedApp& self, const PallixString& command, PallixString& result)
    {
        bigServed += command == "testApp big";
        onCommand(self, command, result);
    };
    mApp.watchdog = 30000ms;
    RunWithClient(
        [&]
        {
            LineClient stuck;
            ASSERT_TRUE(stuck.Connect(mPort, 5000ms, 4096));
            // Each reply is 60000 bytes; this client never reads them.
            std::thread flooder(
                [&]
                {
                    for (int i = 0; i < 300; ++i)
                    {
                        if (!stuck.Send("testApp big\n"))
                            break;
                    }
                });
            LineClient other;
            ASSERT_TRUE(other.Connect(mPort));
            for (int i = 0; i < 20; ++i)
            {
                EXPECT_EQ(other.Ask("testApp ping", 2000ms), "GOT testApp ping");
                std::this_thread::sleep_for(10ms);
            }
            flooder.join();
            // Wait, still without reading, until the loop stops serving the
            // stuck client: all 300 commands served means it was never dropped.
            int last = -1;
            auto deadline = Clock::now() + 15s;
            while (bigServed != last && bigServed < 300 && Clock::now() < deadline)
            {
                last = bigServed;
                std::this_thread::sleep_for(300ms);
            }
            EXPECT_LT(bigServed, 300);
            // Dropped: reading now finds the end of the stream after what the
            // kernel still held.
            EXPECT_TRUE(stuck.WaitClosed(5000ms));
            EndRun();
        });
    for (const std::string& command : mCommands)
        bigCommands += command == "testApp big";
    EXPECT_LT(bigCommands, 300);
    EXPECT_EQ(std::count(mCommands.begin(), mCommands.end(), "testApp ping"), 20);
}

TEST_F(PallixControlTest, ExitIsAnsweredBeforeTheChannelCloses)
{
    int status = RunWithClient(
        [&]
        {
            LineClient client;
            ASSERT_TRUE(client.Connect(mPort));
            // Lines after the one that ends the run are not served.
            ASSERT_TRUE(client.Send("testApp exit\ntestApp late\n"));
            EXPECT_EQ(client.ReadLine(), "GOT testApp exit");
            EXPECT_TRUE(client.WaitClosed());
        });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(mCommands, std::vector<std::string>{"testApp exit"});
    // The port is free again once Run returned.
    LineClient after;
    EXPECT_FALSE(after.Connect(mPort, 100ms));
}

TEST_F(PallixControlTest, VerbsAreData)
{
    PallixEventLoop::RegisterControlVerb("echo", [](std::string_view args) { return "ECHO [" + std::string(args) + "]"; });
    RunWithClient(
        [&]
        {
            LineClient client;
            ASSERT_TRUE(client.Connect(mPort));
            EXPECT_EQ(client.Ask("echo  a b  "), "ECHO [a b]");
            EndRun();
        });
    PallixEventLoop::RegisterControlVerb("echo", nullptr);
}

TEST_F(PallixControlTest, ChannelTalksOnlyOnLoopback)
{
    RunWithClient(
        [&]
        {
            LineClient client;
            ASSERT_TRUE(client.Connect(mPort));
            sockaddr_in local = {};
            socklen_t length = sizeof local;
            ASSERT_EQ(::getpeername(client.GetFd(), reinterpret_cast<sockaddr*>(&local), &length), 0);
            EXPECT_EQ(ntohl(local.sin_addr.s_addr), INADDR_LOOPBACK);
            EndRun();
        });
}

TEST_F(PallixControlTest, NothingIsPrintedOnTheConsole)
{
    ::testing::internal::CaptureStdout();
    RunWithClient(
        [&]
        {
            LineClient client;
            ASSERT_TRUE(client.Connect(mPort));
            client.Ask("nonsense");
            client.Ask("press Nope");
            client.Ask("testApp \xFF");
            EndRun();
        });
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

namespace
{
// Runs an application that ends by itself and returns what it printed.
std::string runAndCapture(const std::string& portValue)
{
    ScopedEnv env("PALLIX_ECP_PORT", portValue);
    ScriptedApp app;
    FunctionTimer ender;
    app.onInit = [&](ScriptedApp& self)
    {
        ender.SetOnTick([&](uint32_t) { self.Terminate(0); });
        ender.SetTimer(20);
    };
    ::testing::internal::CaptureStdout();
    app.Run0();
    return ::testing::internal::GetCapturedStdout();
}
} // namespace

TEST(PallixControlPortTest, BusyPortPrintsOneLineAndTheApplicationRuns)
{
    int busy = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(busy, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(busy, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(busy, 1), 0);
    ASSERT_EQ(::getsockname(busy, reinterpret_cast<sockaddr*>(&address), &length), 0);
    int port = ntohs(address.sin_port);
    EXPECT_EQ(runAndCapture(std::to_string(port)), "ECP: cannot listen on port " + std::to_string(port) + "\n");
    ::close(busy);
}

TEST(PallixControlPortTest, PortZeroDisablesTheChannelSilently)
{
    EXPECT_EQ(runAndCapture("0"), "");
}

TEST(PallixControlPortTest, AValueThatIsNotAPortIsReportedLikeABusyPort)
{
    EXPECT_EQ(runAndCapture("eighty"), "ECP: cannot listen on port eighty\n");
    EXPECT_EQ(runAndCapture("70000"), "ECP: cannot listen on port 70000\n");
}

TEST(PallixControlUTF8Test, ValidatesStrictly)
{
    EXPECT_TRUE(PallixControlServer::IsValidUTF8(""));
    EXPECT_TRUE(PallixControlServer::IsValidUTF8("plain ascii ~"));
    EXPECT_TRUE(PallixControlServer::IsValidUTF8("\xC2\x80 \xDF\xBF \xE0\xA0\x80 \xEF\xBF\xBF \xF0\x90\x80\x80 \xF4\x8F\xBF\xBF"));
    for (const char* bad : {"\xC1\xBF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF", "\xF8\x88\x80\x80\x80", "\xFE", "\xE2\x9C",
                            "\xED\xBF\xBF", "a\xC3(b"})
        EXPECT_FALSE(PallixControlServer::IsValidUTF8(bad)) << bad;
}
