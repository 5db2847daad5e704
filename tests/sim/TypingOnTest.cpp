// People type on while an expansion runs: whatever the speed, the field must end with exactly
// what was typed, each abbreviation replaced by its phrase, in order, nothing lost or doubled.
#include "hook/KeyHold.h"
#include "simulation/SimulatedProgram.h"
#include "tests/StuckKeys.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace lumora::sim {
namespace {

class TypingOnTest : public ::testing::TestWithParam<DelimiterMode> {
protected:
    TypingOnTest() : program(Options{GetParam(), 30, {}}) {
        program.AddPhrase(u"qq1", u"Quick brown Fox!");
        program.AddPhrase(u"brb", u"be right back");
        program.AddPhrase(u"sig", u"Best \u2014 Ann");
        sim.ShowWindow(0);
    }
    void TearDown() override { testing::ExpectNoKeyDownThatTheUserDoesNotHold(sim); }

    bool ModeOne() const { return GetParam() == DelimiterMode::BetweenDelimiters; }
    std::u16string Field() { return sim.FocusedField()->Text(); }
    std::u16string Shadow() { return program.CurrentRecord()->Text; }

    // Types `before`, then, at the pending-message pass number `at` of the program (counted
    // from the first key of `before`), does `during`; then lets everything finish.
    void TypeDuring(std::u16string_view before, const std::function<void()>& during, int at) {
        int passes = 0;
        bool done = false;
        sim.Desktop().OnProcessPending = [&] {
            if (!done && ++passes == at) {
                done = true;
                during();
            }
        };
        sim.TypeText(before);
        sim.RunPending();
        sim.Desktop().OnProcessPending = nullptr;
        EXPECT_TRUE(done) << "the expansion was over before pass " << at;
        sim.RunPending();
    }

    SimulatedProgram program;
    SimulatedDesktop& sim = program.Sim;
};

TEST_P(TypingOnTest, NoDelayBetweenKeys_ShouldLeaveExactlyWhatWasTyped) {
    // Every key reaches the hook before the program has handled the first one.
    sim.KeepUp = false;
    sim.TypeText(u"hi qq1 there, brb\rnext sig ok");
    sim.RunPending();
    EXPECT_EQ(Field(), u"hi Quick brown Fox! there, be right back\r\nnext Best \u2014 Ann ok");
    EXPECT_EQ(Shadow(), u"hi Quick brown Fox! there, be right back\rnext Best \u2014 Ann ok");
    EXPECT_FALSE(sim.Hook().Holding());
}

TEST_P(TypingOnTest, KeysTypedAtEveryPointOfTheExpansion_ShouldFollowThePhrase) {
    // At each pass over the pending messages (the hold being confirmed, the target made ready,
    // between the chunks of the phrase) the user types on.
    for (int at = 1; at <= 8; ++at) {
        SimulatedProgram p(program.Options);
        p.AddPhrase(u"qq1", u"Quick brown Fox!");
        p.Sim.ShowWindow(0);
        int passes = 0;
        bool typed = false;
        p.Sim.Desktop().OnProcessPending = [&] {
            if (!typed && ++passes == at) {
                typed = true;
                p.Sim.TypeText(u"there\r");
            }
        };
        p.Sim.TypeText(ModeOne() ? u"hi qq1 " : u"hi qq1");
        p.Sim.Desktop().OnProcessPending = nullptr;
        if (!typed) p.Sim.TypeText(u"there\r");
        p.Sim.TypeText(u"x");
        const std::u16string expected =
            ModeOne() ? u"hi Quick brown Fox! there\r\nx" : u"hi Quick brown Fox!there\r\nx";
        EXPECT_EQ(p.Sim.FocusedField()->Text(), expected) << "typed at pass " << at;
        testing::ExpectNoKeyDownThatTheUserDoesNotHold(p.Sim);
        EXPECT_EQ(p.CurrentRecord()->Text,
                  ModeOne() ? u"hi Quick brown Fox! there\rx" : u"hi Quick brown Fox!there\rx")
            << "typed at pass " << at;
    }
}

TEST_P(TypingOnTest, AbbreviationTypedDuringAnExpansion_ShouldExpandAfterIt) {
    TypeDuring(
        ModeOne() ? u"a brb " : u"a brb", [&] { sim.TypeText(u" sig "); }, 3);
    EXPECT_EQ(Field(), ModeOne() ? u"a be right back  Best \u2014 Ann "
                                 : u"a be right back Best \u2014 Ann ");
    EXPECT_EQ(Shadow(), Field());
    EXPECT_EQ(program.Expansions(), 2);
}

TEST_P(TypingOnTest, EnterRightAfterTheAbbreviation_ShouldNeitherBeLostNorDoubled) {
    sim.KeepUp = false;
    sim.TypeText(u"qq1\rnext");
    sim.RunPending();
    EXPECT_EQ(Field(), u"Quick brown Fox!\r\nnext");
}

TEST_P(TypingOnTest, Escape_ShouldStopThePhrase_AndNotBeReplayed_WhileLaterKeysAre) {
    sim.TypeText(u"so ");
    TypeDuring(
        ModeOne() ? u"qq1 " : u"qq1",
        [&] {
            sim.PressKey(simkey::Escape);
            sim.TypeText(u"ok");
        },
        2);
    const std::u16string field = Field();
    // Stopped somewhere inside the phrase, never after it, and what came after Escape follows.
    EXPECT_TRUE(field.starts_with(u"so ")) << std::string(field.begin(), field.end());
    EXPECT_TRUE(field.ends_with(u"ok")) << std::string(field.begin(), field.end());
    EXPECT_EQ(field.find(u"Fox!"), std::u16string::npos);
    EXPECT_EQ(field.find(u'\x1b'), std::u16string::npos);
    EXPECT_FALSE(sim.Hook().Holding());
}

TEST_P(TypingOnTest, CaretMovedRightAfterTheAbbreviation_ShouldLeaveItAlone) {
    // Left reached the field before the hook held anything: the abbreviation no longer stands
    // before the caret, and nothing may be erased.
    sim.KeepUp = false;
    sim.TypeText(ModeOne() ? u"ab brb " : u"ab brb");
    sim.PressKey(simkey::Left);
    sim.TypeText(u"x");
    sim.RunPending();
    EXPECT_EQ(Field(), ModeOne() ? u"ab brbx " : u"ab brxb");
}

INSTANTIATE_TEST_SUITE_P(Modes, TypingOnTest,
                         ::testing::Values(DelimiterMode::AfterDelimiter,
                                           DelimiterMode::BetweenDelimiters),
                         [](const auto& info) {
                             return info.param == DelimiterMode::AfterDelimiter ? "AtOnce"
                                                                                : "AfterDelimiter";
                         });

TEST(HookHold, ProgramThatNeverAnswers_ShouldGetItsKeysThroughWithinASecond) {
    SimulatedProgram program;
    program.Sim.ShowWindow(0);
    program.Sim.Connect(nullptr, nullptr); // the program hangs: it handles nothing
    program.Sim.TypeText(u"a\rb");
    EXPECT_EQ(program.Sim.FocusedField()->Text(), u"a");
    program.Sim.Desktop().Sleep(HoldWatchdogMs);
    EXPECT_EQ(program.Sim.FocusedField()->Text(), u"a\r\nb");
}

} // namespace
} // namespace lumora::sim
