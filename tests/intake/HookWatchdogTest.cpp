#include "intake/HookWatchdog.h"

#include "hook/HookMessages.h"
#include "tests/DesktopFixture.h"

#include <vector>

namespace lumora::testing {
namespace {

// The hook library's clock of its last event, as the test sets it.
class ScriptedHookActivity : public HookActivity {
public:
    std::optional<std::uint32_t> LastEventTick() override { return Tick; }
    std::optional<std::uint32_t> Tick = 0;
};

// What the program asks of the hook library inside the process.
class RecordedRequests : public HookRequests {
public:
    void Hold(std::uint32_t, std::intptr_t) override {}
    void Release(std::uint32_t) override {}
    void Reinstall() override { ++Reinstalls; }
    std::size_t Reinstalls = 0;
};

class HookWatchdogTest : public DesktopFixture {
protected:
    HookWatchdogTest() { link.Requests = &requests; }

    // Runs the clock on in steps of stepMs for totalMs, with input at every step (seen by the
    // hooks at that tick plus offsetMs by their clock, or never), the timer firing every
    // second; the ticks of the re-installs.
    std::vector<std::uint32_t> Run(std::uint32_t totalMs, std::uint32_t stepMs,
                                   std::optional<std::int32_t> offsetMs) {
        std::vector<std::uint32_t> reinstalls;
        std::uint32_t nextTimer = desk.Now + WatchdogIntervalMs;
        for (std::uint32_t t = 0; t < totalMs; t += stepMs) {
            desk.Now += stepMs;
            desk.LastInput = desk.Now - stepMs / 2;
            if (offsetMs) hook.Tick = desk.LastInput + static_cast<std::uint32_t>(*offsetMs);
            if (static_cast<std::int32_t>(desk.Now - nextTimer) >= 0) {
                nextTimer += WatchdogIntervalMs;
                const std::size_t before = requests.Reinstalls;
                watchdog.Check();
                if (requests.Reinstalls > before) reinstalls.push_back(desk.Now);
            }
        }
        return reinstalls;
    }

    ScriptedHookActivity hook;
    RecordedRequests requests;
    HookWatchdog watchdog{desk.AsPlatform(), link, hook, tracking};
};

TEST_F(HookWatchdogTest, Typing_ShouldNeverReinstall_WhileTheHooksSeeIt) {
    desk.Now = 0xFFFF0000u; // and across the wrap of the tick count
    EXPECT_TRUE(Run(600000, 70, 15).empty());
    EXPECT_TRUE(Run(60000, 35, -900).empty()); // the hooks' clock a little behind the session's
    EXPECT_EQ(requests.Reinstalls, 0u);
    EXPECT_TRUE(desk.ThreadPosts.empty());
}

TEST_F(HookWatchdogTest, InputTheHooksNeverSee_ShouldReinstallAfterSeconds_ThenEverMoreRarely) {
    // Typing into an elevated window, or on another desktop: the hooks never see it, and
    // installing them again does not help. Three seconds at first, then twice as long each
    // time, up to a minute.
    const std::uint32_t start = desk.Now;
    const std::vector<std::uint32_t> reinstalls = Run(300000, 100, std::nullopt);
    ASSERT_GE(reinstalls.size(), 7u);
    EXPECT_LE(reinstalls.size(), 10u);
    EXPECT_GE(reinstalls[0] - start, HookSilenceMs);
    EXPECT_LE(reinstalls[0] - start, HookSilenceMs + 2 * WatchdogIntervalMs);
    EXPECT_GE(reinstalls[3] - reinstalls[2], 4 * HookSilenceMs);
    EXPECT_LE(reinstalls.back() - reinstalls[reinstalls.size() - 2],
              HookSilenceMaxMs + 2 * WatchdogIntervalMs);

    // Once the hooks see input again, a later loss is met within seconds.
    Run(5000, 100, 0);
    const std::uint32_t lost = desk.Now;
    const std::vector<std::uint32_t> again = Run(10000, 100, std::nullopt);
    ASSERT_FALSE(again.empty());
    EXPECT_LE(again[0] - lost, HookSilenceMs + 2 * WatchdogIntervalMs);
}

// With no input the program is woken every few seconds only; the first input after a loss
// brings the watchdog back to its quick pace, and the hooks back within seconds.
TEST_F(HookWatchdogTest, Idle_ShouldBeCheckedRarely_AndALossAtTheNextInputMetWithinSeconds) {
    desk.LastInput = desk.Now;
    hook.Tick = desk.Now;
    const std::uint32_t end = desk.Now + 60000;
    int checks = 0;
    while (static_cast<std::int32_t>(desk.Now - end) < 0) {
        desk.Now += watchdog.NextCheckDelayMs();
        watchdog.Check();
        ++checks;
    }
    EXPECT_LE(checks, static_cast<int>(60000 / WatchdogIdleMs) + 2);
    EXPECT_EQ(requests.Reinstalls, 0u);

    const std::uint32_t typed = desk.Now;
    std::optional<std::uint32_t> reinstalled;
    while (!reinstalled && desk.Now - typed < 30000) {
        const std::uint32_t next = desk.Now + watchdog.NextCheckDelayMs();
        while (static_cast<std::int32_t>(desk.Now - next) < 0) {
            desk.Now += 100;
            desk.LastInput = desk.Now; // typing the hooks no longer see
        }
        watchdog.Check();
        if (requests.Reinstalls > 0) reinstalled = desk.Now;
    }
    ASSERT_TRUE(reinstalled);
    EXPECT_LE(*reinstalled - typed, WatchdogIdleMs + HookSilenceMs + 2 * WatchdogIntervalMs);
}

} // namespace
} // namespace lumora::testing
