// The keys the user holds while a phrase is typed: whatever the user presses or lets go, and
// whenever, the keys down at the end are the ones the hand holds, CapsLock is as it was, and
// the next letter comes out in the case the user meant.
#include "hook/KeyHold.h"
#include "simulation/SimulatedProgram.h"
#include "tests/StuckKeys.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace lumora::sim {
namespace {

std::u16string Lower(std::u16string s) {
    for (char16_t& c : s)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    return s;
}

std::u16string Upper(std::u16string s) {
    for (char16_t& c : s)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    return s;
}

std::string Narrow(const std::u16string& s) {
    return std::string(s.begin(), s.end());
}

struct Hand {
    const char* Name;
    std::vector<std::pair<std::uint8_t, bool>> Keys; // pressed in order, let go in reverse
    bool BeforeTheTrigger = false; // pressed before the abbreviation's last key, not during it
    bool CapsLock = false;
};

const Hand Hands[] = {
    {"Shift for the last letter", {{simkey::LShift, false}}, true},
    {"Shift", {{simkey::LShift, false}}},
    {"right Shift", {{simkey::RShift, false}}},
    {"Ctrl", {{simkey::LControl, false}}},
    {"right Ctrl", {{simkey::RControl, true}}},
    {"AltGr", {{simkey::LControl, false}, {simkey::RMenu, true}}},
    {"Shift with CapsLock on", {{simkey::LShift, false}}, false, true},
};

// Runs the program's pending work, doing `during` at its pass number `at` over the pending
// messages (never when at is 0). True when it was done.
bool RunWith(SimulatedDesktop& sim, int at, const std::function<void()>& during) {
    int passes = 0;
    bool done = false;
    sim.Desktop().OnProcessPending = [&] {
        if (!done && ++passes == at) {
            done = true;
            during();
        }
    };
    sim.KeepUp = true;
    sim.RunPending();
    sim.Desktop().OnProcessPending = nullptr;
    return done;
}

TEST(KeysHeldTest, ModifierHeldAcrossTheTrigger_ShouldBeDownAfterwardsOnlyWhileTheUserHoldsIt) {
    for (const Hand& hand : Hands) {
        // At every point of the expansion, and never (still held when it is over).
        for (int at = 0; at <= 16; ++at) {
            SCOPED_TRACE(std::string(hand.Name) + ", let go at pass " + std::to_string(at));
            SimulatedProgram p;
            p.AddPhrase(u"brb", u"be right back");
            SimulatedDesktop& sim = p.Sim;
            sim.ShowWindow(0);
            if (hand.CapsLock) sim.PressKey(simkey::Capital);
            sim.TypeText(hand.CapsLock ? u" BR" : u" br");
            sim.KeepUp = false;
            auto press = [&] {
                for (const auto& [vk, ext] : hand.Keys)
                    sim.UserKeyDown(vk, ext);
            };
            auto letGo = [&] {
                for (auto it = hand.Keys.rbegin(); it != hand.Keys.rend(); ++it)
                    sim.UserKeyUp(it->first, it->second);
            };
            if (hand.BeforeTheTrigger) press();
            sim.UserKeyDown('B');
            if (!hand.BeforeTheTrigger) press();
            sim.UserKeyUp('B');
            const bool letGoDuring = RunWith(sim, at, letGo);
            if (at > 0 && !letGoDuring) break; // the expansion was over before this pass
            EXPECT_EQ(p.Expansions(), 1);
            if (!letGoDuring) {
                for (const auto& [vk, ext] : hand.Keys)
                    EXPECT_TRUE(sim.Keyboard().IsDown(vk)) << "still held: " << int(vk);
                letGo();
            }
            sim.TypeText(u"x");
            const std::u16string field = sim.FocusedField()->Text();
            EXPECT_EQ(Lower(field), u" be right backx") << Narrow(field);
            EXPECT_EQ(field.back(), hand.CapsLock ? u'X' : u'x')
                << "a modifier let go stays down: " << Narrow(field);
            EXPECT_EQ(sim.Keyboard().CapsLockOn(), hand.CapsLock);
            testing::ExpectNoKeyDownThatTheUserDoesNotHold(sim);
        }
    }
}

TEST(KeysHeldTest, CapitalsTypedDuringExpansionsInARow_ShouldLeaveNoShiftDown) {
    for (int rounds : {2, 3}) {
        for (int at = 1; at <= 6; ++at) {
            SCOPED_TRACE(std::to_string(rounds) + " expansions, capital at pass " +
                         std::to_string(at));
            SimulatedProgram p;
            p.AddPhrase(u"brb", u"be right back");
            SimulatedDesktop& sim = p.Sim;
            sim.ShowWindow(0);
            std::u16string expected;
            for (int i = 0; i < rounds; ++i) {
                const std::u16string capital(1, static_cast<char16_t>(u'X' + i));
                sim.TypeText(u" br");
                sim.KeepUp = false;
                sim.TypeText(u"b");
                if (!RunWith(sim, at, [&] { sim.TypeText(capital); })) sim.TypeText(capital);
                expected += u" be right back" + capital;
            }
            sim.TypeText(u"q");
            expected += u"q";
            EXPECT_EQ(sim.FocusedField()->Text(), expected);
            EXPECT_EQ(p.CurrentRecord()->Text, expected);
            EXPECT_EQ(p.Expansions(), rounds);
            testing::ExpectNoKeyDownThatTheUserDoesNotHold(sim);
        }
    }
}

TEST(KeysHeldTest, AbbreviationTypedDuringAPhraseWithCapitals_ShouldBeReadInTheUsersCase) {
    // The phrase presses and lets go of Shift for its own capitals (and turns CapsLock off)
    // while the user types on, a stroke at each of its passes: what the user typed is read with
    // the user's Shift and CapsLock, as the keys reach the field once the phrase is done.
    struct Row {
        const char* Name;
        bool CapsLock;
        int ShiftFor; // the letters of "brb" typed with Shift held: 0 none, 1 the first, 3 all
        std::u16string_view Then;
    };
    const Row rows[] = {
        {"Shift held for all", false, 3, u" BE RIGHT BACK"},
        {"Shift for the first", false, 1, u" Be right back"},
        {"no Shift", false, 0, u" be right back"},
        {"CapsLock on", true, 0, u" BE RIGHT BACK"},
        {"CapsLock on, Shift held for all", true, 3, u" be right back"},
    };
    const std::u16string phrase = u"Thank You Very Much, See You Soon";
    for (const Row& row : rows) {
        int points = 0;
        for (int at = 1;; ++at) {
            SCOPED_TRACE(std::string(row.Name) + ", from pass " + std::to_string(at));
            SimulatedProgram p;
            p.AddPhrase(u"ty", phrase);
            p.AddPhrase(u"brb", u"be right back");
            SimulatedDesktop& sim = p.Sim;
            sim.ShowWindow(0);
            if (row.CapsLock) sim.PressKey(simkey::Capital);
            sim.PressKey(simkey::Space);
            sim.PressKey('T');
            sim.KeepUp = false;
            sim.PressKey('Y');
            // " brb": Shift goes down with the space, one letter at each pass after it.
            const std::vector<std::function<void()>> strokes = {
                [&] {
                    sim.PressKey(simkey::Space);
                    if (row.ShiftFor > 0) sim.UserKeyDown(simkey::LShift);
                },
                [&] {
                    sim.PressKey('B');
                    if (row.ShiftFor == 1) sim.UserKeyUp(simkey::LShift);
                },
                [&] { sim.PressKey('R'); },
                [&] {
                    sim.PressKey('B');
                    if (row.ShiftFor == 3) sim.UserKeyUp(simkey::LShift);
                },
            };
            std::size_t done = 0;
            int passes = 0;
            sim.Desktop().OnProcessPending = [&] {
                if (++passes >= at && done < strokes.size()) strokes[done++]();
            };
            sim.KeepUp = true;
            sim.RunPending();
            sim.Desktop().OnProcessPending = nullptr;
            if (done == 0) break; // the expansion was over before this pass
            ++points;
            while (done < strokes.size())
                strokes[done++]();
            sim.RunPending();
            const std::u16string field = sim.FocusedField()->Text();
            const std::u16string expected =
                u" " + (row.CapsLock ? Upper(phrase) : phrase) + std::u16string(row.Then);
            EXPECT_EQ(field, expected) << Narrow(field);
            EXPECT_EQ(p.CurrentRecord()->Text, field) << Narrow(p.CurrentRecord()->Text);
            EXPECT_EQ(p.Expansions(), 2);
            EXPECT_EQ(sim.Keyboard().CapsLockOn(), row.CapsLock);
            testing::ExpectNoKeyDownThatTheUserDoesNotHold(sim);
        }
        // The phrase's own capitals came between the user's keys at several points.
        EXPECT_GT(points, 3) << row.Name;
    }
}

TEST(KeysHeldTest, VerdictAfterTheWatchdogLetTheKeysGo_ShouldBeAbandoned_AndEraseNothing) {
    for (DelimiterMode mode : {DelimiterMode::AfterDelimiter, DelimiterMode::BetweenDelimiters}) {
        SCOPED_TRACE(mode == DelimiterMode::AfterDelimiter ? "at once" : "after a delimiter");
        SimulatedProgram p(Options{mode, 30, {}});
        p.AddPhrase(u"brb", u"be right back");
        SimulatedDesktop& sim = p.Sim;
        sim.ShowWindow(0);
        // The program is busy (a disk, an error box) while "hi brb" and Enter are typed, for
        // longer than the hook library waits for it.
        sim.KeepUp = false;
        sim.TypeText(u"hi brb\r");
        sim.Desktop().Sleep(HoldWatchdogMs);
        EXPECT_EQ(sim.FocusedField()->Text(), u"hi brb\r\n") << "the Enter went on its own";
        sim.RunPending();
        EXPECT_EQ(sim.FocusedField()->Text(), u"hi brb\r\n") << "nothing erased, nothing typed";
        EXPECT_EQ(p.CurrentRecord()->Text, u"hi brb\r");
        EXPECT_EQ(p.Main.Expansion().HoldsLetGo(), 1);
        // At once, the Enter after "brb" decides it again (an abbreviation followed by one
        // character): as late.
        EXPECT_GE(p.Main.Expansion().AbandonedLate(), 1);
        // The program goes on from what the field holds.
        sim.KeepUp = true;
        sim.TypeText(u"ok brb");
        EXPECT_EQ(sim.FocusedField()->Text(), mode == DelimiterMode::AfterDelimiter
                                                  ? u"hi brb\r\nok be right back"
                                                  : u"hi brb\r\nok brb");
        EXPECT_EQ(p.CurrentRecord()->Text, mode == DelimiterMode::AfterDelimiter
                                               ? u"hi brb\rok be right back"
                                               : u"hi brb\rok brb");
        testing::ExpectNoKeyDownThatTheUserDoesNotHold(sim);
    }
}

TEST(KeysHeldTest, InjectionTheSystemTakesInPart_ShouldStopThePhrase_AndLetTheHeldKeysGo) {
    SimulatedProgram p;
    p.AddPhrase(u"brb", u"Be Right Back, as I said.");
    SimulatedDesktop& sim = p.Sim;
    sim.ShowWindow(0);
    // While the phrase is typed, the user types on and another desktop takes over for one
    // injection: it arrives in part.
    sim.TypeText(u" br");
    sim.KeepUp = false;
    sim.TypeText(u"b");
    ASSERT_TRUE(RunWith(sim, 2, [&] {
        sim.TypeText(u"xY");
        sim.Desktop().RefusedInjections = 1;
    }));
    const std::u16string field = sim.FocusedField()->Text();
    EXPECT_TRUE(field.starts_with(u" B")) << Narrow(field);
    EXPECT_TRUE(field.ends_with(u"xY")) << "the held keys went: " << Narrow(field);
    EXPECT_EQ(field.find(u"said"), std::u16string::npos) << "the phrase stopped";
    ASSERT_EQ(p.Notices.Notices.size(), 1u);
    EXPECT_TRUE(p.Notices.Notices[0].Text.starts_with(u"Windows did not take all the keys"));
    EXPECT_FALSE(sim.Hook().Holding());
    testing::ExpectNoKeyDownThatTheUserDoesNotHold(sim);
    // Refused again, at the Backspaces: told once is enough.
    sim.Desktop().RefusedInjections = 1;
    sim.TypeText(u" brb");
    EXPECT_EQ(p.Notices.Notices.size(), 1u);
    // And once the system takes keys again, phrases are typed again, and the keys are read as
    // typed: a Shift the refused phrase left down and the hook set back up is up for the hook
    // too (else "brb" would be read as capitals, and the phrase would follow that case).
    sim.FocusedField()->SetText(u"");
    sim.PressKey(simkey::Return); // the program forgets what it knew of the field
    sim.TypeText(u"brb");
    EXPECT_TRUE(sim.FocusedField()->Text().ends_with(u"Be Right Back, as I said."))
        << Narrow(sim.FocusedField()->Text());
    testing::ExpectNoKeyDownThatTheUserDoesNotHold(sim);
}

} // namespace
} // namespace lumora::sim
