// The expansion as the program runs it: begun as the character intake or the search window
// begins it, then WM_EXPAND, the hold, the erasing, the typing and the release on the simulated
// desktop with its hook library.
#include "expansion/PhraseExpansion.h"

#include "hook/HookMessages.h"
#include "hook/KeyHold.h"
#include "simulation/SimulatedProgram.h"
#include "tests/StuckKeys.h"
#include "tests/output/KeyEventText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace lumora {
namespace {

using sim::SimulatedDesktop;
using ::testing::ElementsAre;
using testing::KeyEventTexts;

class PhraseExpansionTest : public ::testing::Test {
protected:
    void SetUp() override {
        program.AddPhrase(u"brb", u"be right back");
        sim.ShowWindow(0);
        text = u"be right back";
        Typed(u" brb", u"brb", u"");
    }
    void TearDown() override { testing::ExpectNoKeyDownThatTheUserDoesNotHold(sim); }

    // The user has typed text into the field and the record, and match (with trail) was
    // decided on the last character.
    void Typed(const std::u16string& typed, const std::u16string& match,
               const std::u16string& trail) {
        sim.FocusedField()->SetText(typed);
        rec = program.Main.Tracking().CurrentRecord();
        rec->Text = typed;
        rec->Pos = static_cast<std::int32_t>(typed.size());
        expansion = {match, trail, text};
        // An Enter or Tab that completes a match was withheld by the hook library.
        expansion.TrailWithheld = trail == u"\r" || trail == u"\t";
    }
    // The one way in, as the program takes it: begun, then everything it posted handled.
    void Expand() {
        program.Main.Expansion().Begin(expansion);
        sim.RunPending();
    }
    // The field holds text, whose last character the program has just seen complete an
    // abbreviation: its expansion is begun, and its WM_EXPAND queued.
    void Pending(const std::u16string& typed) {
        sim.FocusedField()->SetText(typed);
        TrackingRecord* r = program.Main.Tracking().CurrentRecord();
        r->Text = typed.substr(0, typed.size() - 1);
        r->Pos = static_cast<std::int32_t>(r->Text.size());
        program.Main.HandleMessage(WM_HOOK_CHAR, typed.back(), 'A' + (typed.back() - u'a'));
        ASSERT_EQ(sim.Desktop().Queue.size(), 1u);
    }

    std::u16string FieldText() { return sim.FocusedField()->Text(); }
    // The key events the program injected (not the user's keys the hook library replayed).
    std::vector<std::string> Events(std::size_t count = SIZE_MAX) {
        std::vector<KeyEvent> own;
        for (const KeyEvent& e : sim.Desktop().Injected)
            if (!IsReplayed(e.ExtraInfo)) own.push_back(e);
        return KeyEventTexts(own, 0, count);
    }
    PhraseTyping& Typing() { return program.Main.PhraseTyping(); }
    std::size_t HookRequestsOf(unsigned msg) {
        return static_cast<std::size_t>(
            std::count_if(sim.Hook().ThreadMessages().begin(), sim.Hook().ThreadMessages().end(),
                          [msg](const auto& m) { return m.Msg == msg; }));
    }

    sim::SimulatedProgram program;
    SimulatedDesktop& sim = program.Sim;
    std::u16string text;
    PendingExpansion expansion;
    TrackingRecord* rec = nullptr;
};

TEST_F(PhraseExpansionTest, ExpandPhrase_ShouldEraseTheAbbreviationAndTypeThePhrase) {
    Expand();

    EXPECT_EQ(FieldText(), u" be right back");
    EXPECT_THAT(Events(8), ElementsAre("+8", "-8", "+8", "-8", "+8", "-8", "+66", "-66"));
    // The shadow text follows, its caret where the target's is.
    EXPECT_EQ(rec->Text, u" be right back");
    EXPECT_EQ(rec->Pos, 14);
    // The user's keys were held for it, and let go after it.
    EXPECT_EQ(HookRequestsOf(WM_HOOK_HOLD), 1u);
    EXPECT_EQ(HookRequestsOf(WM_HOOK_RELEASE), 1u);
    EXPECT_TRUE(sim.Desktop().ThreadPosts.empty()) << "nothing said by thread messages";
    EXPECT_FALSE(sim.Hook().Holding());
}

TEST_F(PhraseExpansionTest, ExpandPhrase_ShouldEraseAndRetypeTheTrail) {
    Typed(u"brb.", u"brb", u".");
    Expand();
    EXPECT_THAT(Events(8), ElementsAre("+8", "-8", "+8", "-8", "+8", "-8", "+8", "-8"));
    EXPECT_EQ(FieldText(), u"be right back.");
    EXPECT_EQ(rec->Text, u"be right back.");
}

TEST_F(PhraseExpansionTest, ExpandPhrase_ShouldNotEraseAWithheldEnter_ButTypeItAfterThePhrase) {
    // Enter completed the match: the hook kept it from the field and the shadow text.
    Typed(u"x brb", u"brb", u"\r");
    Expand();
    EXPECT_EQ(FieldText(), u"x be right back\r\n");
    EXPECT_EQ(rec->Text, u"x be right back\r");
}

TEST_F(PhraseExpansionTest, ExpandPhrase_ShouldEraseBeforeTheCaret_WhenTextFollowsIt) {
    Typed(u"brb", u"brb", u"");
    rec->Text = u"brbhello";
    sim.FocusedField()->SetText(u"brbhello");
    sim.FocusedField()->KeyDown(sim::simkey::Left, {.Ctrl = true}); // caret to the start
    for (int i = 0; i < 3; ++i)
        sim.FocusedField()->KeyDown(sim::simkey::Right, {});

    Expand();

    EXPECT_EQ(FieldText(), u"be right backhello");
    EXPECT_EQ(rec->Text, u"be right backhello");
    EXPECT_EQ(rec->Pos, 13);
}

TEST_F(PhraseExpansionTest, ExpandPhrase_ShouldLeaveAShortShadowText) {
    rec->Text = u"rb";
    rec->Pos = 2;
    Expand();
    EXPECT_EQ(rec->Text, u"rbbe right back");
}

TEST_F(PhraseExpansionTest, ExpandPhrase_ShouldMarkTypingForItsWholeLength) {
    std::vector<bool> activeAtEvent;
    auto observe = sim.Desktop().InjectObserver;
    sim.Desktop().InjectObserver = [&](const KeyEvent& e) {
        activeAtEvent.push_back(Typing().Active());
        if (observe) observe(e);
    };
    Expand();
    EXPECT_FALSE(activeAtEvent.empty());
    EXPECT_THAT(activeAtEvent, ::testing::Each(true));
    EXPECT_FALSE(Typing().Active());
}

TEST_F(PhraseExpansionTest, ExpandPhrase_ShouldSendBackspacesAndChunksOfThePhrase_InFewInjections) {
    text = std::u16string(3 * TypingChunk + 1, u'x');
    Typed(u" brb", u"brb", u"");
    Expand();
    EXPECT_EQ(FieldText(), u" " + text);
    EXPECT_EQ(sim.Desktop().SendInputCalls, 1 + 4) << "the Backspaces, then four chunks";
}

TEST_F(PhraseExpansionTest, ExpandPhrase_ShouldReleaseHeldModifiers_AndTheHookPressesThemAgain) {
    sim.UserKeyDown(sim::simkey::LControl); // about to type Ctrl+S, say
    sim.Desktop().Injected.clear();
    Expand();
    EXPECT_EQ(FieldText(), u" be right back") << "not Ctrl+B, Ctrl+E ...";
    const auto events = Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), "-162");
    EXPECT_NE(events.back(), "+162") << "the hook library, which sees the hand, presses it";
    EXPECT_EQ(KeyEventTexts(sim.Desktop().Injected).back(), "+162");
    EXPECT_TRUE(sim.Desktop().IsKeyDown(sim::simkey::LControl));
    sim.UserKeyUp(sim::simkey::LControl);
}

TEST_F(PhraseExpansionTest, ExpandPhrase_ShouldBringTheTargetBack_OrLeaveTheAbbreviation) {
    expansion.Target = sim.WindowHandle(0);
    expansion.Control = sim.ControlHandle(0, 0);
    sim.ShowWindow(1); // the user went on to another window
    sim.ShowWindow(0);
    sim.Desktop().SetForeground(sim.WindowHandle(1));
    Expand();
    EXPECT_EQ(sim.Field(0, 0)->Text(), u" be right back");
    EXPECT_THAT(sim.Desktop().ForegroundRequests, ElementsAre(sim.WindowHandle(0)));

    Typed(u" brb", u"brb", u"");
    expansion.Target = sim.WindowHandle(0);
    expansion.Control = sim.ControlHandle(0, 0);
    sim.Desktop().SetForeground(sim.WindowHandle(1));
    sim.Desktop().RefuseForeground = true;
    const std::uint32_t before = sim.Desktop().Now;
    Expand();
    EXPECT_EQ(sim.Field(0, 0)->Text(), u" brb") << "nothing typed into the wrong window";
    EXPECT_LE(sim.Desktop().Now - before, TargetWaitMs + 20);
}

TEST_F(PhraseExpansionTest, ExpandPhrase_ShouldEndTyping_AndSayWhy_WhenSendingFails) {
    int events = 0;
    sim.Desktop().InjectObserver = [&](const KeyEvent&) {
        if (++events == 15) throw std::runtime_error("input refused");
    };
    Expand();
    EXPECT_FALSE(Typing().Active());
    ASSERT_EQ(program.Boxes.Boxes.size(), 1u);
    EXPECT_EQ(program.Boxes.Boxes[0].Text, u"input refused.");
    // The held keys go all the same.
    EXPECT_FALSE(sim.Hook().Holding());
}

TEST_F(PhraseExpansionTest, ExpandPhrase_ShouldDoNothing_WhenAnExpansionIsUnderWay) {
    // Handled inside the first one's injections: a second WM_EXPAND and a phrase chosen in the
    // search window meanwhile.
    bool asked = false;
    sim.Desktop().OnProcessPending = [&] {
        if (asked || !Typing().Active()) return;
        asked = true;
        program.Main.Expansion().ExpandPhrase();
        program.Main.TypeChosenPhrase(u"zz", 0);
    };
    Expand();
    EXPECT_TRUE(asked);
    EXPECT_EQ(FieldText(), u" be right back");
    EXPECT_EQ(program.Expansions(), 1);
}

TEST_F(PhraseExpansionTest, ExpandPhrase_ShouldTypeCapitalsAsCapitals_AndRestoreCapsLock) {
    text = u"Be Right";
    Typed(u" brb", u"brb", u"");
    sim.Keyboard().SetCapsLock(true);
    expansion.CapsLock = true; // as the latest editing key found it
    Expand();
    EXPECT_EQ(FieldText(), u" Be Right");
    EXPECT_TRUE(sim.Keyboard().CapsLockOn());
    EXPECT_THAT(Events(10),
                ElementsAre("+8", "-8", "+8", "-8", "+8", "-8", "+20", "-20", "+16", "+66"));
    EXPECT_EQ(rec->Text, u" Be Right");
    const auto events = Events();
    EXPECT_THAT(std::vector<std::string>(events.end() - 2, events.end()),
                ElementsAre("+20", "-20"));
}

TEST_F(PhraseExpansionTest, Escape_ShouldStopTheTypingBeforeTheNextChunk) {
    sim.Keyboard().SetCapsLock(true);
    expansion.CapsLock = true;
    const std::u16string firstChunk = u" " + text.substr(0, TypingChunk);
    bool escaped = false;
    sim.Desktop().OnProcessPending = [&] {
        if (!escaped && FieldText() == firstChunk) {
            escaped = true;
            sim.PressKey(sim::simkey::Escape); // the hook reports it at once, holding or not
        }
    };
    Expand();

    EXPECT_TRUE(escaped);
    EXPECT_EQ(FieldText(), firstChunk);
    EXPECT_EQ(rec->Text, firstChunk);
    EXPECT_TRUE(sim.Keyboard().CapsLockOn());
    EXPECT_FALSE(Typing().Active());
}

TEST_F(PhraseExpansionTest, Escape_ShouldLeaveTheAbbreviation_WhenHandledBeforeTheErasing) {
    expansion.Target = sim.WindowHandle(0);
    expansion.Control = sim.ControlHandle(0, 0);
    sim.ShowWindow(1);
    sim.Desktop().SetForeground(sim.WindowHandle(1));
    // Pressed while the expansion waits for its target to come back to the front.
    bool escaped = false;
    sim.Desktop().OnProcessPending = [&] {
        if (!escaped && !sim.Desktop().ForegroundRequests.empty()) {
            escaped = true;
            sim.PressKey(sim::simkey::Escape);
        }
    };
    sim.Desktop().RefuseForeground = true;
    sim.Desktop().OnSleep = [&] {
        // The target comes back only after the Escape.
        if (!escaped || !sim.Desktop().RefuseForeground) return;
        sim.Desktop().RefuseForeground = false;
        sim.Desktop().SetForegroundWindow(sim.WindowHandle(0));
    };
    Expand();
    EXPECT_TRUE(escaped);
    EXPECT_EQ(program.Main.Tracking().FindTargetWindow(), sim.WindowHandle(0)) << "it came back";
    EXPECT_EQ(sim.Field(0, 0)->Text(), u" brb");
    EXPECT_EQ(rec->Text, u" brb");
}

// The text as it is typed: brace escapes rewritten, line feeds of the text dropped, the trail
// after it (a line feed among it too).
TEST_F(PhraseExpansionTest, ExpandPhrase_ShouldRewriteBraceEscapes_AndDropLineFeedsOfTheText) {
    const struct {
        std::u16string Text, Trail, Typed;
    } cases[] = {
        {u"a\\\\\\}b", u"", u"a}b"},
        {u"\\\\\\{#x\\\\\\{y", u"", u"{#x\\\\\\{y"},
        {u"\\}\\{#", u"", u"\\}\\{#"},
        {u"1\r\n2\n", u".", u"1\r2."},
        // A line feed that completed the match (Ctrl+Enter) is typed again after the phrase.
        {u"x", u"\n", u"x\n"},
    };
    for (const auto& c : cases) {
        text = c.Text;
        Typed(u" brb" + c.Trail, u"brb", c.Trail);
        Expand();
        EXPECT_EQ(rec->Text, u" " + c.Typed) << "for the text " << ::testing::PrintToString(c.Text);
    }
}

TEST_F(PhraseExpansionTest, UsersEnterAndTab_ShouldFollowThePhrase_WhenTypedDuringAnExpansion) {
    Pending(u" brb");
    bool typed = false;
    sim.Desktop().OnProcessPending = [&] {
        // In the middle of the phrase.
        if (!typed && FieldText().size() > 4) {
            typed = true;
            sim.PressKey(sim::simkey::Return);
            sim.PressKey(sim::simkey::Tab);
            sim.TypeText(u"x");
        }
    };
    sim.RunPending();
    EXPECT_TRUE(typed);
    EXPECT_EQ(FieldText(), u" be right back\r\n\tx");
    // Observed in that order too; the program sent no Enter or Tab of its own.
    EXPECT_EQ(program.CurrentRecord()->Text, u" be right back\r\tx");
    const auto events = Events();
    EXPECT_EQ(std::count(events.begin(), events.end(), "+13"), 0);
    EXPECT_EQ(std::count(events.begin(), events.end(), "+9"), 0);
}

TEST_F(PhraseExpansionTest,
       ExpandPhrase_ShouldTypeTheMatchedText_WhenItsPhraseIsDeletedBeforehand) {
    Pending(u" brb");
    program.Rows.DeleteAt(0); // the phrase list freed it before WM_EXPAND came round
    sim.RunPending();
    EXPECT_EQ(FieldText(), u" be right back");
}

TEST_F(PhraseExpansionTest, ChosenPhrase_ShouldBeTypedIntoTheWindowThatHadTheFocus) {
    Typed(u"", u"", u""); // an empty field
    sim.TypeText(u"Dear ");
    sim.ShowWindow(1); // the search window, say, took the front
    program.Main.TypeChosenPhrase(u"Ann{#cursor}, thanks", sim.WindowHandle(0));
    sim.RunPending();
    EXPECT_EQ(sim.Field(0, 0)->Text(), u"Dear Ann, thanks");
    EXPECT_EQ(sim.Field(0, 0)->Caret(), 8u);
    EXPECT_EQ(program.CurrentRecord()->Text, u"Dear Ann, thanks");
    EXPECT_FALSE(sim.Hook().Holding());
}

TEST_F(PhraseExpansionTest, ExpandPhrase_ShouldTypeThePhraseOnce_WhenTwoAreQueuedForOneMatch) {
    Pending(u" brb");
    sim.Desktop().PostMessage(SimulatedDesktop::MainWindowHandle, WM_EXPAND, 0, 0);
    sim.Desktop().PostMessage(SimulatedDesktop::MainWindowHandle, WM_EXPAND, 0, 0);
    sim.RunPending();
    EXPECT_EQ(FieldText(), u" be right back");
    EXPECT_EQ(program.Expansions(), 1);
    const auto events = Events();
    EXPECT_EQ(std::count(events.begin(), events.end(), "+8"), 3);
}

} // namespace
} // namespace lumora
