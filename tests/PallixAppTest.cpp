// The application object and its event loop: start and end of a run, wormhole
// messages, posted work, signals, input hooks and the key table.

#include "PallixApp.h"
#include "PallixEventLoop.h"
#include "PallixInput.h"
#include "PallixKeyMap.h"
#include "PallixTestSupport.h"
#include "PallixWormhole.h"

#include <atomic>
#include <csignal>
#include <cctype>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using namespace pallixtest;

namespace
{
// Runs without a control channel unless a test asks for one.
class PallixAppTest : public ::testing::Test
{
protected:
    ScopedEnv mNoControl{"PALLIX_ECP_PORT", "0"};
};

// An endpoint built before main, as the player's is.
PallixWormhole& staticEndpoint()
{
    static PallixWormhole endpoint;
    return endpoint;
}
const bool gStaticEndpointCreated = staticEndpoint().Create("wormhole://localhost/pallix-test-static");
} // namespace

TEST_F(PallixAppTest, GetAppIsTheOneApplicationWhileItExists)
{
    EXPECT_EQ(PallixApp::GetApp(), nullptr);
    {
        ScriptedApp app;
        EXPECT_EQ(PallixApp::GetApp(), &app);
        PallixApp* seenInside = nullptr;
        app.onInit = [&](ScriptedApp& self)
        {
            seenInside = PallixApp::GetApp();
            self.Terminate(0);
        };
        app.Run0();
        EXPECT_EQ(seenInside, &app);
        EXPECT_EQ(PallixApp::GetApp(), &app);
    }
    EXPECT_EQ(PallixApp::GetApp(), nullptr);
}

TEST_F(PallixAppTest, RunStoresArgumentsCallsInitThenExitAndReturnsTheStatus)
{
    ScriptedApp app;
    char arg0[] = "/opt/quorva/quorva";
    char arg1[] = "-export";
    char* argv[] = {arg0, arg1, nullptr};
    std::vector<std::string> order;
    app.onInit = [&](ScriptedApp& self)
    {
        order.push_back("init");
        EXPECT_EQ(self.GetArgc(), 2);
        EXPECT_EQ(self.GetArgv(), argv);
        EXPECT_TRUE(PallixEventLoop::IsLoopThread());
        auto* pTimer = new FunctionTimer();
        pTimer->SetOnTick(
            [&, pTimer](uint32_t)
            {
                order.push_back("tick");
                self.Terminate(42);
                delete pTimer;
            });
        pTimer->SetTimer(5);
    };
    app.onExit = [&](ScriptedApp& self)
    {
        order.push_back("exit");
        EXPECT_TRUE(self.IsTerminating());
    };
    EXPECT_EQ(app.Run(2, argv), 42);
    EXPECT_EQ(order, (std::vector<std::string>{"init", "tick", "exit"}));
    EXPECT_FALSE(PallixEventLoop::IsLoopThread());
}

TEST_F(PallixAppTest, TerminateInsideOnAppInitReturnsAtOnceAndDispatchesNothing)
{
    ScriptedApp app;
    int ticks = 0;
    int messages = 0;
    int posted = 0;
    FunctionTimer timer([&](uint32_t) { ticks++; });
    app.onMessage = [&](ScriptedApp&, const PallixMessage&) { messages++; };
    app.onInit = [&](ScriptedApp& self)
    {
        timer.SetTimer(1);
        PallixWormhole sender;
        EXPECT_TRUE(sender.PostMessage(self.GetAppWormholeURL(), 7, nullptr, 0));
        PallixEventLoop::Post([&] { posted++; });
        // Everything above is due at once; none of it may run.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        self.Terminate(5);
    };
    auto start = Clock::now();
    EXPECT_EQ(app.Run0(), 5);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(ticks, 0);
    EXPECT_EQ(messages, 0);
    EXPECT_EQ(posted, 0);
    EXPECT_EQ(app.exitCalls, 1);
}

TEST_F(PallixAppTest, FirstTerminateDecidesTheStatus)
{
    ScriptedApp app;
    FunctionTimer timer;
    app.onInit = [&](ScriptedApp& self)
    {
        timer.SetOnTick(
            [&](uint32_t)
            {
                self.Terminate(3);
                self.Terminate(4);
            });
        timer.SetTimer(1);
    };
    EXPECT_EQ(app.Run0(), 3);
}

TEST_F(PallixAppTest, AnApplicationCanRunAgainAfterItsLoopEnded)
{
    ScriptedApp app;
    FunctionTimer timer;
    app.onInit = [&](ScriptedApp& self)
    {
        timer.SetOnTick([&](uint32_t id) { timer.KillTimer(id), self.Terminate(self.initCalls); });
        timer.SetTimer(1);
    };
    EXPECT_EQ(app.Run0(), 1);
    EXPECT_EQ(app.Run0(), 2);
}

TEST_F(PallixAppTest, NestedRunIsRefused)
{
    ScriptedApp app;
    int nested = 0;
    app.onInit = [&](ScriptedApp& self)
    {
        nested = self.Run0();
        self.Terminate(0);
    };
    EXPECT_EQ(app.Run0(), 0);
    EXPECT_EQ(nested, -1);
    EXPECT_EQ(app.initCalls, 1);
}

TEST_F(PallixAppTest, MessagesFromAnotherThreadArriveInOrderOnTheLoopThread)
{
    constexpr uint32_t kCount = 2000;
    ScriptedApp app;
    std::vector<uint32_t> ids;
    std::vector<uint32_t> payloads;
    bool bAllOnLoopThread = true;
    std::thread poster;
    app.onMessage = [&](ScriptedApp& self, const PallixMessage& message)
    {
        bAllOnLoopThread = bAllOnLoopThread && PallixEventLoop::IsLoopThread();
        ids.push_back(message.GetMessageID());
        uint32_t value = 0;
        if (message.GetDataLength() == sizeof value)
            std::memcpy(&value, message.GetData(), sizeof value);
        payloads.push_back(value);
        if (ids.size() == kCount)
            self.Terminate(0);
    };
    app.onInit = [&](ScriptedApp& self)
    {
        std::string url = self.GetAppWormholeURL().str();
        poster = std::thread(
            [url]
            {
                PallixWormhole sender;
                for (uint32_t i = 1; i <= kCount; ++i)
                {
                    uint32_t data = i * 3;
                    sender.PostMessage(url.c_str(), i, &data, sizeof data);
                }
            });
    };
    EXPECT_EQ(app.Run0(), 0);
    poster.join();
    ASSERT_EQ(ids.size(), kCount);
    for (uint32_t i = 0; i < kCount; ++i)
    {
        ASSERT_EQ(ids[i], i + 1);
        ASSERT_EQ(payloads[i], (i + 1) * 3);
    }
    EXPECT_TRUE(bAllOnLoopThread);
}

TEST_F(PallixAppTest, MessagesPostedBeforeRunArriveOnceTheLoopRuns)
{
    ScriptedApp app;
    std::vector<uint32_t> ids;
    PallixWormhole sender;
    EXPECT_TRUE(sender.PostMessage(app.GetAppWormholeURL(), 0xEEEEEEEE, nullptr, 0));
    EXPECT_TRUE(sender.PostMessage(app.GetAppWormholeURL(), 2, "ab", 2));
    app.onMessage = [&](ScriptedApp& self, const PallixMessage& message)
    {
        ids.push_back(message.GetMessageID());
        if (ids.size() == 2)
            self.Terminate(0);
    };
    EXPECT_EQ(app.Run0(), 0);
    EXPECT_EQ(ids, (std::vector<uint32_t>{0xEEEEEEEE, 2}));
}

TEST_F(PallixAppTest, MessagesOfADestroyedApplicationDoNotReachTheNextOne)
{
    {
        ScriptedApp first;
        PallixWormhole sender;
        EXPECT_TRUE(sender.PostMessage(first.GetAppWormholeURL(), 1, nullptr, 0));
    }
    ScriptedApp second;
    std::vector<uint32_t> ids;
    second.onMessage = [&](ScriptedApp& self, const PallixMessage& message)
    {
        ids.push_back(message.GetMessageID());
        self.Terminate(0);
    };
    PallixWormhole sender;
    EXPECT_TRUE(sender.PostMessage(second.GetAppWormholeURL(), 2, nullptr, 0));
    EXPECT_EQ(second.Run0(), 0);
    EXPECT_EQ(ids, (std::vector<uint32_t>{2}));
}

TEST_F(PallixAppTest, AppWormholeURLIsFixed)
{
    ScriptedApp app;
    EXPECT_STREQ(app.GetAppWormholeURL(), "wormhole://localhost/app");
}

TEST_F(PallixAppTest, WormholeEndpointsAreKeyedByURL)
{
    PallixWormhole sender;
    EXPECT_FALSE(sender.PostMessage("wormhole://localhost/nobody", 1, nullptr, 0));
    EXPECT_FALSE(sender.PostMessage(nullptr, 1, nullptr, 0));
    {
        PallixWormhole endpoint;
        EXPECT_FALSE(endpoint.Create(""));
        EXPECT_FALSE(endpoint.Create(nullptr));
        EXPECT_TRUE(endpoint.Create("wormhole://localhost/test-endpoint"));
        EXPECT_STREQ(endpoint.GetURL(), "wormhole://localhost/test-endpoint");
        EXPECT_TRUE(endpoint.Create("wormhole://localhost/test-endpoint"));
        PallixWormhole rival;
        EXPECT_FALSE(rival.Create("wormhole://localhost/test-endpoint"));
        EXPECT_TRUE(sender.PostMessage("wormhole://localhost/test-endpoint", 1, "x", 1));
        endpoint.Destroy();
        EXPECT_FALSE(sender.PostMessage("wormhole://localhost/test-endpoint", 1, nullptr, 0));
        EXPECT_TRUE(rival.Create("wormhole://localhost/test-endpoint"));
        // Moving an endpoint to another URL frees the old one.
        EXPECT_TRUE(rival.Create("wormhole://localhost/test-endpoint-2"));
        EXPECT_FALSE(sender.PostMessage("wormhole://localhost/test-endpoint", 1, nullptr, 0));
        EXPECT_TRUE(sender.PostMessage("wormhole://localhost/test-endpoint-2", 1, nullptr, 0));
    }
    // Destruction unregisters.
    EXPECT_FALSE(sender.PostMessage("wormhole://localhost/test-endpoint-2", 1, nullptr, 0));
    // The application's URL is taken while an application exists.
    {
        ScriptedApp app;
        PallixWormhole impostor;
        EXPECT_FALSE(impostor.Create(app.GetAppWormholeURL()));
    }
    EXPECT_FALSE(sender.PostMessage("wormhole://localhost/app", 1, nullptr, 0));
}

TEST_F(PallixAppTest, EndpointsCanBeCreatedBeforeMain)
{
    EXPECT_TRUE(gStaticEndpointCreated);
    PallixWormhole sender;
    EXPECT_TRUE(sender.PostMessage("wormhole://localhost/pallix-test-static", 1, nullptr, 0));
}

TEST_F(PallixAppTest, PostedWorkRunsOnTheLoopThreadInOrder)
{
    ScriptedApp app;
    std::vector<int> order;
    bool bOnLoop = true;
    std::thread poster;
    app.onInit = [&](ScriptedApp& self)
    {
        poster = std::thread(
            [&]
            {
                for (int i = 0; i < 100; ++i)
                    PallixEventLoop::Post(
                        [&, i]
                        {
                            bOnLoop = bOnLoop && PallixEventLoop::IsLoopThread();
                            order.push_back(i);
                            if (i == 99)
                                self.Terminate(0);
                        });
            });
    };
    EXPECT_EQ(app.Run0(), 0);
    poster.join();
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(order[static_cast<size_t>(i)], i);
    EXPECT_TRUE(bOnLoop);
}

TEST_F(PallixAppTest, SigtermEndsTheLoopThroughOnSignal)
{
    struct sigaction before = {};
    sigaction(SIGTERM, nullptr, &before);
    ScriptedApp app;
    std::vector<int> signals;
    FunctionTimer timer;
    app.onSignal = [&](ScriptedApp&, int nSignal) { signals.push_back(nSignal); };
    app.onInit = [&](ScriptedApp&)
    {
        timer.SetOnTick([&](uint32_t id) { timer.KillTimer(id), ::kill(::getpid(), SIGTERM); });
        timer.SetTimer(5);
    };
    EXPECT_EQ(app.Run0(), 0);
    EXPECT_EQ(signals, std::vector<int>{SIGTERM});
    // Outside the run, the signal is handled as it was before.
    struct sigaction after = {};
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

TEST_F(PallixAppTest, SigintEndsTheLoopWithTheStatusOnSignalChose)
{
    ScriptedApp app;
    FunctionTimer timer;
    app.onSignal = [&](ScriptedApp& self, int nSignal)
    {
        EXPECT_EQ(nSignal, SIGINT);
        self.Terminate(130);
    };
    app.onInit = [&](ScriptedApp&)
    {
        timer.SetOnTick([&](uint32_t id) { timer.KillTimer(id), ::raise(SIGINT); });
        timer.SetTimer(5);
    };
    EXPECT_EQ(app.Run0(), 130);
}

TEST_F(PallixAppTest, SigpipeIsIgnoredDuringTheRun)
{
    ScriptedApp app;
    bool bSurvived = false;
    app.onInit = [&](ScriptedApp& self)
    {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        ::close(fds[0]);
        EXPECT_EQ(::write(fds[1], "x", 1), -1);
        EXPECT_EQ(errno, EPIPE);
        ::close(fds[1]);
        bSurvived = true;
        self.Terminate(0);
    };
    EXPECT_EQ(app.Run0(), 0);
    EXPECT_TRUE(bSurvived);
}

TEST_F(PallixAppTest, KeysGoToTheApplicationUnlessARouterTakesThemOver)
{
    ScriptedApp app;
    std::vector<unsigned long> appKeys;
    std::vector<uint32_t> routed;
    app.onKey = [&](ScriptedApp&, unsigned long nKey)
    {
        appKeys.push_back(nKey);
        return true;
    };
    // Another layer's router (the window system's) is put back at the end.
    auto previousRouter = PallixEventLoop::SetKeyRouter(nullptr);
    PallixEventLoop::DeliverKey(0x1000D);
    PallixEventLoop::SetKeyRouter(
        [&](uint32_t nKey)
        {
            routed.push_back(nKey);
            // A key no window handles ends at the application.
            if (nKey == 0x10022)
                PallixEventLoop::DeliverKeyToApp(nKey);
        });
    PallixEventLoop::DeliverKey(0x1000B);
    PallixEventLoop::DeliverKey(0x10022);
    PallixEventLoop::SetKeyRouter(nullptr);
    PallixEventLoop::DeliverKey(0x1000C);
    PallixEventLoop::SetKeyRouter(previousRouter);
    EXPECT_EQ(appKeys, (std::vector<unsigned long>{0x1000D, 0x10022, 0x1000C}));
    EXPECT_EQ(routed, (std::vector<uint32_t>{0x1000B, 0x10022}));
}

TEST_F(PallixAppTest, DeliveredKeyCountsAsScreenActivity)
{
    ScriptedApp app;
    auto nowMs = []
    {
        return static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
    };
    uint64_t before = nowMs();
    PallixEventLoop::DeliverKey(0x1000B);
    uint64_t after = nowMs();
    EXPECT_GE(PallixInput::GetLastActivityMs(), before);
    EXPECT_LE(PallixInput::GetLastActivityMs(), after);
}

TEST(PallixInputTest, NotifyScreenActivityRecordsTheMonotonicTime)
{
    auto nowMs = []
    {
        return static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
    };
    uint64_t before = nowMs();
    PallixInput::NotifyScreenActivity();
    uint64_t first = PallixInput::GetLastActivityMs();
    EXPECT_GE(first, before);
    EXPECT_LE(first, nowMs());
    EXPECT_GT(first, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    PallixInput::NotifyScreenActivity();
    EXPECT_GT(PallixInput::GetLastActivityMs(), first);
}

namespace
{
// An input back-end that reads key codes from a pipe, as a display back-end
// would read its events.
class PipeInputSource : public PallixEventLoop::InputSource
{
public:
    PipeInputSource()
    {
        if (::pipe2(mFds, O_CLOEXEC | O_NONBLOCK) != 0)
            mFds[0] = mFds[1] = -1;
    }
    ~PipeInputSource() override
    {
        ::close(mFds[0]);
        ::close(mFds[1]);
    }
    void Press(uint32_t nKey) { EXPECT_EQ(::write(mFds[1], &nKey, sizeof nKey), ssize_t(sizeof nKey)); }
    void AddPollFds(std::vector<pollfd>& fds) override { fds.push_back(pollfd{mFds[0], POLLIN, 0}); }
    int GetMaxWaitMs() override { return 20; }
    void DeliverEvents(std::span<const pollfd> fds) override
    {
        mCalls++;
        if (fds.size() != 1 || !(fds[0].revents & POLLIN))
            return;
        uint32_t nKey = 0;
        while (::read(mFds[0], &nKey, sizeof nKey) == ssize_t(sizeof nKey))
            PallixEventLoop::DeliverKey(nKey);
    }
    std::atomic<int> mCalls{0};

private:
    int mFds[2];
};
} // namespace

TEST_F(PallixAppTest, AnInputSourceDeliversKeysAndCapsTheWait)
{
    ScriptedApp app;
    PipeInputSource source;
    std::vector<unsigned long> keys;
    std::thread presser;
    bool bTurnedWithoutEvents = false;
    app.onKey = [&](ScriptedApp& self, unsigned long nKey)
    {
        keys.push_back(nKey);
        if (keys.size() == 2)
            self.Terminate(0);
        return true;
    };
    app.onInit = [&](ScriptedApp&)
    {
        presser = std::thread(
            [&]
            {
                // With no timer due for seconds, only the source's cap of 20 ms
                // makes the loop turn while nothing happens.
                bTurnedWithoutEvents = WaitUntil([&] { return source.mCalls >= 5; }, std::chrono::milliseconds(3000));
                source.Press(0x1000E);
                source.Press(0x1000F);
            });
    };
    auto* pPreviousSource = PallixEventLoop::SetInputSource(&source);
    EXPECT_EQ(app.Run0(), 0);
    PallixEventLoop::SetInputSource(pPreviousSource);
    presser.join();
    EXPECT_EQ(keys, (std::vector<unsigned long>{0x1000E, 0x1000F}));
    EXPECT_TRUE(bTurnedWithoutEvents);
}

TEST_F(PallixAppTest, PainterRunsOnceATurnAfterTheEvents)
{
    ScriptedApp app;
    std::vector<std::string> log;
    FunctionTimer timer;
    app.onInit = [&](ScriptedApp& self)
    {
        timer.SetOnTick(
            [&](uint32_t)
            {
                log.push_back("tick");
                if (log.size() >= 6)
                    self.Terminate(0);
            });
        timer.SetTimer(5);
    };
    auto previousPainter = PallixEventLoop::SetPainter([&] { log.push_back("paint"); });
    EXPECT_EQ(app.Run0(), 0);
    PallixEventLoop::SetPainter(previousPainter);
    // Every tick is followed by a paint, and the turn that terminates paints nothing.
    ASSERT_GE(log.size(), 6u);
    size_t lastTick = 0;
    for (size_t i = 0; i < log.size(); ++i)
    {
        if (log[i] == "tick")
            lastTick = i;
    }
    EXPECT_EQ(lastTick, log.size() - 1);
    for (size_t i = 0; i + 1 < lastTick; ++i)
    {
        if (log[i] == "tick")
        {
            EXPECT_EQ(log[i + 1], "paint");
        }
    }
}

TEST(PallixKeyMapTest, NamesMapToRemoteCodesIgnoringCase)
{
    const std::vector<std::pair<const char*, uint32_t>> expected = {
        {"Select", 0x1000B}, {"Up", 0x1000C},     {"Down", 0x1000D},     {"Left", 0x1000E}, {"Right", 0x1000F},
        {"Play", 0x10018},   {"Next", 0x1001B},   {"Back", 0x1001C},     {"PageUp", 0x1001D},
        {"PageDown", 0x1001E}, {"Zoom", 0x1001F}, {"Info", 0x10021},     {"Exit", 0x10022},
        {"Subtitle", 0x10023}, {"Audio", 0x10024},
    };
    EXPECT_EQ(PallixKeyMap::GetBindings().size(), expected.size());
    for (const auto& [name, code] : expected)
    {
        uint32_t found = 0;
        EXPECT_TRUE(PallixKeyMap::CodeForName(name, found)) << name;
        EXPECT_EQ(found, code) << name;
        std::string lower(name);
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        found = 0;
        EXPECT_TRUE(PallixKeyMap::ParseKey(lower, found)) << lower;
        EXPECT_EQ(found, code) << lower;
    }
    uint32_t code = 0;
    EXPECT_TRUE(PallixKeyMap::ParseKey("PAGEDOWN", code));
    EXPECT_EQ(code, 0x1001Eu);
}

TEST(PallixKeyMapTest, CodesAreHexadecimalOrDecimal)
{
    uint32_t code = 0;
    EXPECT_TRUE(PallixKeyMap::ParseKey("0x1000D", code));
    EXPECT_EQ(code, 0x1000Du);
    EXPECT_TRUE(PallixKeyMap::ParseKey("0X1000b", code));
    EXPECT_EQ(code, 0x1000Bu);
    EXPECT_TRUE(PallixKeyMap::ParseKey("65549", code));
    EXPECT_EQ(code, 65549u);
    for (const char* bad : {"", "0", "0x", "0x0", "0xZZ", "-1", "12ab", "0x1000D ", "Selectx", "Sel",
                            "0x1FFFFFFFF", "99999999999"})
    {
        code = 123;
        EXPECT_FALSE(PallixKeyMap::ParseKey(bad, code)) << "'" << bad << "'";
        EXPECT_EQ(code, 123u);
    }
}

TEST(PallixKeyMapTest, EveryKeyHasAKeyboardKey)
{
    std::set<std::string> keyboard;
    for (const PallixKeyBinding& binding : PallixKeyMap::GetBindings())
    {
        ASSERT_NE(binding.keyboardKey, nullptr);
        keyboard.insert(binding.keyboardKey);
    }
    EXPECT_EQ(keyboard.size(), PallixKeyMap::GetBindings().size());
    EXPECT_TRUE(keyboard.count("Return"));
    EXPECT_TRUE(keyboard.count("Escape"));
}
