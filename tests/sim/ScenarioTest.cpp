// What the user sees: keys typed on the simulated desktop, the program running on it, and the
// text the target field holds afterwards. The shadow text must agree with the field, or the
// next expansion goes wrong.
#include "hook/KeyHold.h"
#include "simulation/SimulatedProgram.h"

#include <gtest/gtest.h>

namespace lumora::sim {
namespace {

class ScenarioTest : public ::testing::Test {
protected:
    explicit ScenarioTest(DelimiterMode mode = DelimiterMode::AfterDelimiter)
        : program(Options{mode, 30}) {
        program.AddPhrase(u"brb", u"be right back");
        program.AddPhrase(u"sig", u"Best \u2014 Ann \U0001F600");
        sim.ShowWindow(0);
    }

    void Type(std::u16string_view text) {
        sim.TypeText(text);
        sim.RunPending();
    }
    void Press(std::uint8_t vk) {
        sim.PressKey(vk);
        sim.RunPending();
    }
    std::u16string Field() { return sim.FocusedField()->Text(); }
    std::u16string Shadow() { return program.CurrentRecord()->Text; }
    std::size_t ShadowCaret() { return static_cast<std::size_t>(program.CurrentRecord()->Pos); }
    // Enter presses the program injected (not the user's, which the hook library replays).
    int InjectedEnters() {
        int n = 0;
        for (const KeyEvent& e : sim.Desktop().Injected)
            if (e.Vk == simkey::Return && !(e.Flags & KEYEVENTF_KEYUP) && !IsReplayed(e.ExtraInfo))
                ++n;
        return n;
    }

    SimulatedProgram program;
    SimulatedDesktop& sim = program.Sim;
};

class ScenarioMode1Test : public ScenarioTest {
protected:
    ScenarioMode1Test() : ScenarioTest(DelimiterMode::BetweenDelimiters) {}
};

TEST_F(ScenarioTest, TypingAnAbbreviation_ShouldLeaveThePhrase) {
    Type(u" brb");
    EXPECT_EQ(Field(), u" be right back");
    EXPECT_EQ(Shadow(), Field());
    EXPECT_EQ(ShadowCaret(), sim.FocusedField()->Caret());
    Type(u" and brb");
    EXPECT_EQ(Field(), u" be right back and be right back");
    EXPECT_EQ(program.Expansions(), 2);
}

TEST_F(ScenarioTest, AbbreviationInsideAWord_ShouldStayAsTyped) {
    Type(u"abrb xbrb");
    EXPECT_EQ(Field(), u"abrb xbrb");
    EXPECT_EQ(program.Expansions(), 0);
}

TEST_F(ScenarioTest, APhraseWithAnEmDashAndAnEmoji_ShouldArriveIntact) {
    Type(u"sig");
    EXPECT_EQ(Field(), u"Best \u2014 Ann \U0001F600");
    EXPECT_EQ(Shadow(), Field());
}

TEST_F(ScenarioTest, CapitalAbbreviationWithCapsLock_ShouldTypeThePhraseInItsOwnCase) {
    Press(simkey::Capital);
    Type(u"BRB");
    EXPECT_EQ(Field(), u"be right back");
    EXPECT_TRUE(sim.Keyboard().CapsLockOn());
}

TEST_F(ScenarioTest, HookKeyStates_ShouldFollowTheProgramsCapsLock_ThroughAnExpansion) {
    Press(simkey::Capital);
    // The program turns CapsLock off by injection while it types, and on again after; the
    // hook must follow, or a key the user types meanwhile is reported in the wrong case.
    bool sawOff = false, agreed = true;
    sim.Desktop().OnProcessPending = [&] {
        const bool hookCaps = (sim.Hook().KeyStates()[simkey::Capital] & 0x01) != 0;
        agreed = agreed && hookCaps == sim.Keyboard().CapsLockOn();
        sawOff = sawOff || !hookCaps;
    };
    Type(u" brb");
    EXPECT_TRUE(sawOff);
    EXPECT_TRUE(agreed);
    Press('X');
    EXPECT_EQ(Field(), u" be right backX");
    EXPECT_EQ(Shadow(), Field());
    EXPECT_FALSE(sim.Hook().Holding());
}

TEST_F(ScenarioTest, EnterDuringAnExpansion_ShouldLandOnceAfterThePhrase_WithoutEndingUpHeld) {
    bool pressed = false;
    sim.Desktop().OnProcessPending = [&] {
        if (!pressed && sim.FocusedField()->Text().size() > 4) {
            pressed = true;
            sim.PressKey(simkey::Return);
        }
    };
    Type(u" brb");
    EXPECT_TRUE(pressed);
    EXPECT_EQ(Field(), u" be right back\r\n");
    EXPECT_EQ(Shadow(), u" be right back\r");
    // The hook held it and replayed it: the program sent no Enter of its own.
    EXPECT_EQ(InjectedEnters(), 0);
    EXPECT_FALSE(sim.Keyboard().IsDown(simkey::Return));
    // Outside an expansion the hook withholds Enter until the program's verdict, then lets it
    // go, once.
    sim.Desktop().OnProcessPending = nullptr;
    Type(u"\r");
    EXPECT_EQ(Field(), u" be right back\r\n\r\n");
    EXPECT_EQ(InjectedEnters(), 0);
    EXPECT_FALSE(sim.Keyboard().IsDown(simkey::Return));
    EXPECT_FALSE(sim.Hook().Holding());
}

TEST_F(ScenarioTest, CaretAfterAnExpansion_ShouldFollowTheField) {
    Type(u" brb");
    Press(simkey::Left);
    Type(u"x");
    EXPECT_EQ(Field(), u" be right bacxk");
    EXPECT_EQ(Shadow(), Field());
    EXPECT_EQ(ShadowCaret(), sim.FocusedField()->Caret());
}

TEST_F(ScenarioTest, AbbreviationBeforeExistingText_ShouldBeReplacedInPlace) {
    Type(u"hello");
    Press(simkey::Home);
    Type(u"brb");
    EXPECT_EQ(Field(), u"be right backhello");
    EXPECT_EQ(Shadow(), Field());
    EXPECT_EQ(ShadowCaret(), 13u);
}

TEST_F(ScenarioTest, Enter_ShouldArriveOnce_WhenItCompletesNothing) {
    Type(u"brb\rnext brb");
    EXPECT_EQ(Field(), u"be right back\r\nnext be right back");
}

TEST_F(ScenarioTest, EditorShown_ShouldStopExpansions_ButLetEnterAndTabThrough) {
    sim.SetEditorShown(true);
    Type(u" brb\r\t");
    EXPECT_EQ(Field(), u" brb\r\n\t");
    sim.SetEditorShown(false);
    Type(u" brb");
    EXPECT_EQ(Field(), u" brb\r\n\t be right back");
}

TEST_F(ScenarioTest, PastedTextThenAbbreviation_ShouldExpandAfterThePaste) {
    sim.SetClipboard(u"Hello ");
    Type(u"Re: ");
    sim.UserKeyDown(simkey::LControl);
    sim.PressKey('V');
    sim.UserKeyUp(simkey::LControl);
    Type(u"brb");
    EXPECT_EQ(Field(), u"Re: Hello be right back");
    EXPECT_EQ(Shadow(), Field());
}

TEST_F(ScenarioTest, SecondWindow_ShouldKeepItsOwnShadowText) {
    Type(u"one b");
    sim.ShowWindow(1);
    Type(u"rb");
    EXPECT_EQ(sim.Field(1, 0)->Text(), u"rb");
    sim.ShowWindow(0);
    Type(u"rb");
    EXPECT_EQ(sim.Field(0, 0)->Text(), u"one be right back");
}

TEST_F(ScenarioMode1Test, AbbreviationThenFullStop_ShouldLeaveThePhraseAndTheFullStop) {
    Type(u"brb");
    EXPECT_EQ(Field(), u"brb");
    Type(u".");
    EXPECT_EQ(Field(), u"be right back.");
    EXPECT_EQ(Shadow(), Field());
}

TEST_F(ScenarioMode1Test, AbbreviationThenEnter_ShouldKeepTheTextBeforeIt) {
    Type(u"ok brb\r");
    EXPECT_EQ(Field(), u"ok be right back\r\n");
    Type(u"x");
    EXPECT_EQ(Field(), u"ok be right back\r\nx");
}

} // namespace
} // namespace lumora::sim
