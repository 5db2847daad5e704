// Typing that must stop, or never start: a field that cannot be filled leaves the abbreviation
// alone, a phrase does not follow the user into another window, Escape stops the text within a
// chunk even when the target is slow, and the program's end stops the typing and hands the
// user's keys on.
#include "output/PhraseTyping.h"
#include "simulation/SimulatedProgram.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace lumora::sim {
namespace {

std::string Narrow(const std::u16string& s) {
    return std::string(s.begin(), s.end());
}

class TypingStopTest : public ::testing::Test {
protected:
    TypingStopTest() {
        // These are about typing: a long phrase would be pasted otherwise.
        program.Options.PasteAbove = 0;
        for (int i = 0; i < 30; ++i)
            longPhrase += u"abcdefghij";
        program.AddPhrase(u"lng", longPhrase);
        program.AddPhrase(u"cl1", u"[{#clipboard}]");
        sim.ShowWindow(0);
        sim.SetClipboard(u"CLIP");
    }

    // Types text; at the program's pending-message pass number `at` (counted from its first
    // key) does `during`; then lets everything finish.
    void TypeDuring(std::u16string_view text, const std::function<void()>& during, int at) {
        int passes = 0;
        bool done = false;
        sim.Desktop().OnProcessPending = [&] {
            if (!done && ++passes == at) {
                done = true;
                during();
            }
        };
        sim.TypeText(text);
        sim.RunPending();
        sim.Desktop().OnProcessPending = nullptr;
        ASSERT_TRUE(done) << "the expansion was over before pass " << at;
        sim.RunPending();
    }
    std::u16string Field(int window = 0) { return sim.Field(window, 0)->Text(); }

    SimulatedProgram program;
    SimulatedDesktop& sim = program.Sim;
    std::u16string longPhrase;
};

TEST_F(TypingStopTest, ClipboardField_ShouldBeFilledBeforeAnythingIsErased_OrLeaveTheAbbreviation) {
    // Another program holds the clipboard for a while, and the user types on meanwhile.
    struct Case {
        const char* name;
        std::uint32_t heldMs;
        std::u16string field;
        std::size_t notices;
    };
    for (const Case& c : {Case{"let go soon", 150, u"x [CLIP] ok", 0},
                          Case{"held for seconds", 3000, u"x cl1 ok", 1}}) {
        SimulatedProgram p;
        p.AddPhrase(u"cl1", u"[{#clipboard}]");
        p.Sim.ShowWindow(0);
        p.Sim.SetClipboard(u"CLIP");
        ScriptedDesktop& desk = p.Sim.Desktop();
        desk.HoldClipboardOpen(0x999, desk.Now + c.heldMs);
        const std::uint32_t start = desk.Now;
        bool typed = false;
        desk.OnSleep = [&] {
            if (!typed && desk.Now - start >= 50) {
                typed = true;
                p.Sim.TypeText(u" ok");
            }
        };
        p.Sim.TypeText(u"x cl1");
        p.Sim.RunPending();
        desk.OnSleep = nullptr;
        EXPECT_TRUE(typed) << c.name;
        // Never the keys first and the phrase after them, never a phrase half typed. (Held for
        // seconds, the space typed after the abbreviation tries it again, and the user is not
        // told twice.)
        EXPECT_EQ(p.Sim.FocusedField()->Text(), c.field) << c.name;
        EXPECT_EQ(p.CurrentRecord()->Text, c.field) << c.name;
        ASSERT_EQ(p.Notices.Notices.size(), c.notices) << c.name;
        if (c.notices) {
            EXPECT_NE(p.Notices.Notices[0].Text.find(u"clipboard"), std::u16string::npos);
        }
        EXPECT_FALSE(p.Sim.Hook().Holding()) << c.name;
    }
}

TEST_F(TypingStopTest, FocusLeavingDuringAPhrase_ShouldStopIt_AndTypeNothingIntoTheOtherWindow) {
    TypeDuring(
        u"x lng", [&] { sim.ShowWindow(1); }, 4);
    // What was typed of the phrase stays where it began; the other window got none of it.
    const std::u16string first = Field(0);
    EXPECT_TRUE(first.starts_with(u"x abcdefgh")) << Narrow(first);
    EXPECT_LT(first.size(), 2 + longPhrase.size());
    EXPECT_EQ(Field(1), u"");
    ASSERT_EQ(program.Notices.Notices.size(), 1u);
    EXPECT_NE(program.Notices.Notices[0].Text.find(u"focus"), std::u16string::npos);
    // The user types on where they are now.
    sim.TypeText(u"hi");
    sim.RunPending();
    EXPECT_EQ(Field(1), u"hi");
    EXPECT_EQ(Field(0), first);
}

TEST_F(TypingStopTest, Escape_ShouldStopTheTextWithinAChunk_WhenTheTargetTakesKeysSlowly) {
    // The target takes its input late, as Notepad under Wine does: whatever was sent and not
    // yet taken still arrives after Escape.
    sim.TargetLags = true;
    std::size_t atEscape = 0;
    TypeDuring(
        u"x lng",
        [&] {
            atEscape = Field().size();
            sim.PressKey(simkey::Escape);
        },
        6);
    sim.CatchUp();
    const std::u16string field = Field();
    ASSERT_TRUE(field.starts_with(u"x abc")) << Narrow(field);
    EXPECT_LE(field.size() - atEscape, TypingChunk) << Narrow(field);
    EXPECT_LT(field.size(), 2 + longPhrase.size());
}

TEST_F(TypingStopTest,
       ProgramEndDuringAPhrase_ShouldStopTheTyping_AndLetTheKeysTypedMeanwhileArrive) {
    std::size_t atEnd = 0;
    TypeDuring(
        u"x lng",
        [&] {
            sim.TypeText(u"xyz");
            atEnd = Field().size();
            // Exit, close or the session's end, as the main window hands it on.
            EXPECT_TRUE(program.Main.Expansion().StopForExit());
        },
        4);
    const std::u16string field = Field();
    EXPECT_TRUE(field.ends_with(u"xyz")) << Narrow(field);
    EXPECT_EQ(field.size(), atEnd + 3) << Narrow(field);
    EXPECT_FALSE(sim.Hook().Holding());
    EXPECT_FALSE(program.Main.Expansion().Running());
    // Nothing expands any more on the way out.
    sim.TypeText(u" lng");
    sim.RunPending();
    EXPECT_TRUE(Field().ends_with(u"xyz lng")) << Narrow(Field());
}

} // namespace
} // namespace lumora::sim
