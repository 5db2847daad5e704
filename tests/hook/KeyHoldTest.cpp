#include "hook/KeyHold.h"
#include "hook/HookMessages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumora {
namespace {

constexpr std::uint32_t Enter = 0x0D, Esc = 0x1B, LShift = 0xA0;

// Letters type themselves in lower case; nothing else types anything.
class Letters final : public KeyCharSource {
public:
    KeyChar CharOf(std::uint32_t vk, std::uint32_t, const std::uint8_t*) override {
        return {vk >= 'A' && vk <= 'Z' ? static_cast<char16_t>(vk + 32) : u'\0'};
    }
    std::optional<std::u16string> Compose(char16_t, char16_t) override { return std::nullopt; }
};

// The hook thread with a target application behind it: what passes the hook reaches the
// application's text; the replay thread injects each batch at once.
class KeyHoldTest : public ::testing::Test, public HookPort {
protected:
    void Post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override {
        if (msg == WM_HOOK_CHAR) reports += static_cast<char>(wParam);
        if (msg == WM_HOOK_KEY) reports += "<" + std::to_string(wParam) + ">";
        if (msg == WM_HOOK_HOLDING)
            holding.push_back(
                {static_cast<std::uint32_t>(wParam), static_cast<std::uint32_t>(lParam)});
        if (msg == WM_HOOK_CHAR || msg == WM_HOOK_KEY) lastReport = ReportNumber(lParam);
    }
    void Replay(const std::vector<HookKeyEvent>& events) override { batch = events; }

    // The user presses and releases a key.
    void Type(std::uint32_t vk) {
        Event({vk, 0, true});
        Event({vk, 0, false});
    }
    void Event(HookKeyEvent e) {
        if (!hold.OnKey(e, letters, now)) Deliver(e);
    }
    void Deliver(const HookKeyEvent& e) {
        if (e.Vk == LShift) shiftDown = e.Down;
        if (!e.Down) return;
        if (e.Vk >= 'A' && e.Vk <= 'Z') target += static_cast<char>(e.Vk + 32);
        if (e.Vk == Enter) target += '\n';
        if (e.Vk == Esc) target += '^';
    }
    // The replay thread injects the batch; the hook sees each event go by.
    void RunReplay() {
        auto events = std::exchange(batch, {});
        for (std::size_t i = 0; i < events.size(); ++i) {
            HookKeyEvent e = events[i];
            e.Injected = true;
            e.ExtraInfo = ReplayMarker | i;
            if (!hold.OnKey(e, letters, now)) Deliver(e);
        }
        hold.ReplayDone(now);
    }
    void Program(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam = 0) {
        hold.OnProgramMessage(msg, wParam, lParam, now);
    }

    KeyHold hold{*this};
    Letters letters;
    std::string reports, target;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> holding;
    std::vector<HookKeyEvent> batch;
    std::uint32_t lastReport = 0;
    std::uint32_t now = 1000;
    bool shiftDown = false; // in the target
};

TEST_F(KeyHoldTest, Enter_ShouldHoldTheKeysAfterIt_UntilTheProgramDecides) {
    Type('A');
    Type(Enter);
    Type('B');
    EXPECT_EQ(target, "a") << "Enter and the b wait for the program's verdict";
    EXPECT_EQ(reports, "a\r") << "what is held behind the Enter is not reported yet";
    Program(WM_HOOK_RELEASE, lastReport); // no abbreviation: the Enter goes
    RunReplay();
    EXPECT_EQ(target, "a\nb");
    EXPECT_EQ(reports, "a\rb") << "the b is reported when it reaches the target";
    EXPECT_FALSE(hold.Holding());
}

TEST_F(KeyHoldTest, Expansion_ShouldHoldEverythingAfterIt_AndReplayItInOrder) {
    Type('Q');
    const std::uint32_t q = lastReport;
    Type('X'); // slipped past before the program's hold arrived
    Program(WM_HOOK_HOLD, q);
    ASSERT_EQ(holding.size(), 1u);
    EXPECT_EQ(holding[0], (std::pair<std::uint32_t, std::uint32_t>{q, 0}));
    Event({LShift, 0, true});
    Type('Y');
    Type(Enter);
    Type('Z');
    EXPECT_EQ(target, "qx");
    Program(WM_HOOK_RELEASE, q + 1);
    RunReplay();
    EXPECT_EQ(target, "qxy") << "the Enter waits again for its verdict, in its place";
    Program(WM_HOOK_RELEASE, lastReport);
    RunReplay();
    EXPECT_EQ(target, "qxy\nz");
    EXPECT_FALSE(hold.Holding());
}

TEST_F(KeyHoldTest, WithheldTrail_ShouldNotBeReplayed_WhenTheExpansionTypesIt) {
    Type('A');
    Type(Enter);
    Type('B');
    Program(WM_HOOK_HOLD, lastReport, 1); // the Enter completed an abbreviation
    target += "[phrase]\n";               // the program types the phrase and the Enter
    Program(WM_HOOK_RELEASE, lastReport);
    RunReplay();
    EXPECT_EQ(target, "a[phrase]\nb");
}

TEST_F(KeyHoldTest, Escape_ShouldReachTheProgramAtOnce_AndNeverTheTarget_DuringAnExpansion) {
    Type('A');
    Program(WM_HOOK_HOLD, lastReport);
    Type('B');
    Type(Esc);
    Type('C');
    EXPECT_EQ(reports, "a<27>");
    Program(WM_HOOK_RELEASE, lastReport);
    RunReplay();
    EXPECT_EQ(target, "abc");
}

TEST_F(KeyHoldTest, NewExpansionDuringReplay_ShouldHoldTheRestOfTheBatchAgain) {
    Type('A');
    Program(WM_HOOK_HOLD, lastReport);
    Type('B');
    Type('C');
    Type('D');
    Program(WM_HOOK_RELEASE, lastReport);
    // The program decides an expansion at the replayed b, while c and d are in flight.
    auto events = std::exchange(batch, {});
    for (std::size_t i = 0; i < events.size(); ++i) {
        HookKeyEvent e = events[i];
        e.Injected = true;
        e.ExtraInfo = ReplayMarker | i;
        if (!hold.OnKey(e, letters, now)) Deliver(e);
        if (i == 1) Program(WM_HOOK_HOLD, lastReport);
    }
    hold.ReplayDone(now);
    Type('E');
    EXPECT_EQ(target, "ab");
    Program(WM_HOOK_RELEASE, lastReport);
    RunReplay();
    EXPECT_EQ(target, "abcde");
}

TEST_F(KeyHoldTest, KeyPressedBeforeTheHold_ShouldBeReleasedAtOnce) {
    Event({'A', 0, true});
    Program(WM_HOOK_HOLD, lastReport);
    EXPECT_FALSE(hold.OnKey({'A', 0, false}, letters, now)) << "its press reached the target";
    EXPECT_TRUE(hold.OnKey({'B', 0, true}, letters, now));
}

TEST_F(KeyHoldTest, Watchdog_ShouldReplayEverything_WhenTheProgramSaysNothingForASecond) {
    Type('A');
    Program(WM_HOOK_HOLD, lastReport);
    Type('B');
    Type(Enter);
    Type('C');
    now += HoldWatchdogMs - 1;
    hold.OnTick(now);
    EXPECT_TRUE(batch.empty()) << "the program may still be typing";
    // The program types (its keys pass the hook, with its mark): it is alive.
    hold.OnKey({'P', 0, true, false, true, TypingMarker}, letters, now);
    hold.OnKey({'P', 0, false, false, true, TypingMarker}, letters, now);
    now += HoldWatchdogMs - 1;
    // Another program's injected keys say nothing of ours.
    hold.OnKey({'Q', 0, true, false, true, 0}, letters, now);
    hold.OnKey({'Q', 0, false, false, true, 0}, letters, now);
    hold.OnTick(now);
    EXPECT_TRUE(batch.empty());
    now += 1;
    hold.OnTick(now);
    RunReplay();
    EXPECT_EQ(target, "ab\nc") << "nothing held stays stuck, Enter included";
    EXPECT_FALSE(hold.Holding());
}

TEST_F(KeyHoldTest, Watchdog_ShouldCountItsSecondFromTheHold_WhateverOtherProgramsInject) {
    Type('A');
    Type(Enter); // waits for the verdict
    for (int i = 0; i < 10; ++i) {
        now += HoldWatchdogMs / 10;
        hold.OnKey({'Q', 0, true, false, true, 0}, letters, now);
        hold.OnKey({'Q', 0, false, false, true, 0}, letters, now);
        hold.OnTick(now);
    }
    RunReplay();
    EXPECT_EQ(target, "a\n");
    // Let go: the verdict that comes now is refused, and the program is told so.
    holding.clear();
    Program(WM_HOOK_HOLD, lastReport, HoldTakesWithheld);
    ASSERT_EQ(holding.size(), 1u);
    EXPECT_EQ(holding[0].second, 1u) << "refused";
    EXPECT_FALSE(hold.Holding());
}

TEST_F(KeyHoldTest, ReplayedKeys_ShouldLeaveNoMark_AcrossHoldsInARow) {
    // A capital typed during each of three expansions: Shift is held and replayed each time.
    for (int round = 0; round < 3; ++round) {
        Type('A');
        Program(WM_HOOK_HOLD, lastReport);
        Event({LShift, 0, true});
        Type('B');
        Event({LShift, 0, false});
        Program(WM_HOOK_RELEASE, lastReport);
        RunReplay();
        Program(WM_HOOK_RELEASE, lastReport);
        EXPECT_FALSE(hold.UserHolds(LShift));
        EXPECT_FALSE(shiftDown) << "round " << round;
        EXPECT_FALSE(hold.Holding());
    }
}

} // namespace
} // namespace lumora
