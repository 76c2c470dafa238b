// PallixTimer: ids, repetition, killing (also from inside a tick of the same
// turn), ownership and the behaviour of a late loop.

#include "PallixEventLoop.h"
#include "PallixTestSupport.h"
#include "PallixTimer.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <thread>
#include <vector>

using namespace pallixtest;
using namespace std::chrono_literals;

namespace
{
class PallixTimerTest : public ::testing::Test
{
protected:
    ScopedEnv mNoControl{"PALLIX_ECP_PORT", "0"};
};

// Records the ticks it receives, by id.
class CountingTimer : public PallixTimer
{
public:
    void OnTimer(uint32_t nTimerID) override
    {
        ticks[nTimerID]++;
        times[nTimerID].push_back(Clock::now());
        if (onTick)
            onTick(nTimerID);
    }
    std::map<uint32_t, int> ticks;
    std::map<uint32_t, std::vector<Clock::time_point>> times;
    std::function<void(uint32_t)> onTick;
};
} // namespace

TEST_F(PallixTimerTest, IdsAreNonZeroAndNeverReused)
{
    CountingTimer a;
    CountingTimer b;
    std::set<uint32_t> ids;
    for (int i = 0; i < 50; ++i)
    {
        uint32_t id = (i % 2 ? a : b).SetTimer(1000);
        EXPECT_NE(id, 0u);
        ids.insert(id);
        // Killing does not free the id for a later timer.
        (i % 2 ? a : b).KillTimer(id);
    }
    EXPECT_EQ(ids.size(), 50u);
}

TEST_F(PallixTimerTest, TimersSetBeforeRunRepeatUntilKilled)
{
    ScriptedApp app;
    CountingTimer timer;
    const auto setAt = Clock::now();
    uint32_t id = timer.SetTimer(10);
    timer.onTick = [&](uint32_t nID)
    {
        if (timer.ticks[nID] == 4)
            timer.KillTimer(nID);
    };
    FunctionTimer ender;
    app.onInit = [&](ScriptedApp& self)
    {
        ender.SetOnTick(
            [&](uint32_t)
            {
                if (timer.ticks[id] >= 4)
                    self.Terminate(0);
            });
        ender.SetTimer(60);
    };
    EXPECT_EQ(app.Run0(), 0);
    EXPECT_EQ(timer.ticks[id], 4);
    auto& times = timer.times[id];
    ASSERT_EQ(times.size(), 4u);
    // Tick n comes no earlier than n periods after the timer was set.
    for (size_t i = 0; i < times.size(); ++i)
        EXPECT_GE(times[i] - setAt, std::chrono::milliseconds(10 * (i + 1))) << i;
}

TEST_F(PallixTimerTest, KillingAnotherTimerDueInTheSameTurnDropsItsTick)
{
    ScriptedApp app;
    CountingTimer first;
    CountingTimer second;
    uint32_t firstID = 0;
    uint32_t secondID = 0;
    uint32_t sameObjectID = 0;
    FunctionTimer ender;
    app.onInit = [&](ScriptedApp& self)
    {
        firstID = first.SetTimer(5);
        secondID = second.SetTimer(5);
        sameObjectID = first.SetTimer(5);
        first.onTick = [&](uint32_t nID)
        {
            if (nID != firstID)
                return;
            second.KillTimer(secondID);
            first.KillTimer(sameObjectID);
        };
        ender.SetOnTick([&](uint32_t) { self.Terminate(0); });
        ender.SetTimer(60);
        // All three are overdue when the first turn runs, so all three ticks are
        // in that turn; the first runs first because it was due first.
        std::this_thread::sleep_for(30ms);
    };
    EXPECT_EQ(app.Run0(), 0);
    EXPECT_GE(first.ticks[firstID], 1);
    EXPECT_EQ(second.ticks[secondID], 0);
    EXPECT_EQ(first.ticks[sameObjectID], 0);
}

TEST_F(PallixTimerTest, KillTimerOfAnotherObjectsIdIsIgnored)
{
    ScriptedApp app;
    CountingTimer owner;
    CountingTimer stranger;
    FunctionTimer ender;
    uint32_t id = owner.SetTimer(5);
    stranger.KillTimer(id);
    stranger.KillTimer(0);
    stranger.KillTimer(0xFFFFFFFF);
    owner.onTick = [&](uint32_t nID)
    {
        if (owner.ticks[nID] == 3)
            app.Terminate(0);
    };
    EXPECT_EQ(app.Run0(), 0);
    EXPECT_EQ(owner.ticks[id], 3);
    EXPECT_TRUE(stranger.ticks.empty());
}

TEST_F(PallixTimerTest, DestroyingTheObjectKillsItsTimers)
{
    ScriptedApp app;
    auto* pGone = new CountingTimer();
    pGone->SetTimer(1);
    pGone->SetTimer(2);
    delete pGone;

    // An object that deletes itself inside its own tick, and another object
    // deleted by a tick of the same turn.
    auto* pSelfDeleting = new CountingTimer();
    auto* pVictim = new CountingTimer();
    int selfTicks = 0;
    pSelfDeleting->onTick = [&, pSelfDeleting](uint32_t)
    {
        selfTicks++;
        delete pVictim;
        delete pSelfDeleting;
    };
    FunctionTimer ender;
    app.onInit = [&](ScriptedApp& self)
    {
        pSelfDeleting->SetTimer(5);
        pVictim->SetTimer(5);
        ender.SetOnTick([&](uint32_t) { self.Terminate(0); });
        ender.SetTimer(80);
        std::this_thread::sleep_for(20ms);
    };
    // AddressSanitizer reports any tick delivered to a deleted object.
    EXPECT_EQ(app.Run0(), 0);
    EXPECT_EQ(selfTicks, 1);
}

TEST_F(PallixTimerTest, CopyingDoesNotCopyTimers)
{
    ScriptedApp app;
    CountingTimer original;
    uint32_t id = original.SetTimer(5);
    CountingTimer copy(original);
    CountingTimer assigned;
    uint32_t assignedID = assigned.SetTimer(5);
    assigned = original;
    FunctionTimer ender;
    app.onInit = [&](ScriptedApp& self)
    {
        ender.SetOnTick(
            [&](uint32_t)
            {
                if (original.ticks[id] >= 3 && assigned.ticks[assignedID] >= 3)
                    self.Terminate(0);
            });
        ender.SetTimer(5);
    };
    EXPECT_EQ(app.Run0(), 0);
    EXPECT_GE(original.ticks[id], 3);
    EXPECT_TRUE(copy.ticks.empty());
    // The assigned object keeps its own timer and gets none of the original's.
    EXPECT_GE(assigned.ticks[assignedID], 3);
    EXPECT_EQ(assigned.ticks.count(id), 0u);
}

TEST_F(PallixTimerTest, ALateLoopSkipsMissedPeriodsInsteadOfBursting)
{
    ScriptedApp app;
    CountingTimer timer;
    uint32_t id = 0;
    timer.onTick = [&](uint32_t nID)
    {
        if (timer.ticks[nID] == 3)
            app.Terminate(0);
    };
    app.onInit = [&](ScriptedApp&)
    {
        id = timer.SetTimer(20);
        // Ten periods pass before the loop runs.
        std::this_thread::sleep_for(200ms);
    };
    EXPECT_EQ(app.Run0(), 0);
    auto& times = timer.times[id];
    ASSERT_EQ(times.size(), 3u);
    // A burst would deliver the missed ticks back to back, microseconds apart.
    EXPECT_GE(times[1] - times[0], 10ms);
    EXPECT_GE(times[2] - times[0], 30ms);
}

TEST_F(PallixTimerTest, ATimerSetFromAnotherThreadWakesAWaitingLoop)
{
    ScriptedApp app;
    CountingTimer timer;
    std::thread setter;
    Clock::time_point setAt;
    Clock::time_point tickAt;
    timer.onTick = [&](uint32_t)
    {
        tickAt = Clock::now();
        app.Terminate(0);
    };
    app.watchdog = 5000ms;
    app.onInit = [&](ScriptedApp&)
    {
        setter = std::thread(
            [&]
            {
                std::this_thread::sleep_for(50ms);
                setAt = Clock::now();
                timer.SetTimer(10);
            });
    };
    EXPECT_EQ(app.Run0(), 0);
    setter.join();
    // Without the wake the loop would sleep until the watchdog's 5 seconds.
    EXPECT_LT(tickAt - setAt, 1000ms);
}

TEST_F(PallixTimerTest, TimersSetInsideATickGetFreshIds)
{
    ScriptedApp app;
    CountingTimer timer;
    std::vector<uint32_t> ids;
    timer.onTick = [&](uint32_t nID)
    {
        timer.KillTimer(nID);
        if (ids.size() == 10)
        {
            app.Terminate(0);
            return;
        }
        ids.push_back(timer.SetTimer(1));
    };
    ids.push_back(timer.SetTimer(1));
    EXPECT_EQ(app.Run0(), 0);
    EXPECT_EQ(std::set<uint32_t>(ids.begin(), ids.end()).size(), ids.size());
    for (uint32_t id : ids)
        EXPECT_EQ(timer.ticks[id], 1);
}

TEST_F(PallixTimerTest, AZeroPeriodDoesNotSpin)
{
    ScriptedApp app;
    CountingTimer timer;
    uint32_t id = timer.SetTimer(0);
    FunctionTimer ender;
    app.onInit = [&](ScriptedApp& self)
    {
        ender.SetOnTick([&](uint32_t) { self.Terminate(0); });
        ender.SetTimer(50);
    };
    EXPECT_EQ(app.Run0(), 0);
    // At most one tick a millisecond.
    EXPECT_GE(timer.ticks[id], 1);
    EXPECT_LE(timer.ticks[id], 60);
}
