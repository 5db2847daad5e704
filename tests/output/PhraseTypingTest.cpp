#include "output/PhraseTyping.h"

#include "data/Phrase.h"
#include "hook/HookMessages.h"
#include "intake/EditKeys.h"
#include "simulation/SimulatedDesktop.h"
#include "tests/output/KeyEventText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

namespace lumora {
namespace {

using sim::SimulatedDesktop;
using ::testing::ElementsAre;
using testing::KeyEventTexts;

// The target field holds what the user typed; the shadow record agrees with it; the match is
// pending, as the character intake leaves it.
class PhraseTypingTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim.ShowWindow(0);
        phrase.SetText(u"be right back");
        Typed(u" brb", u"brb", u"");
    }

    // The user has typed text into the field and the record, and match (with trail) is
    // pending.
    void Typed(const std::u16string& text, const std::u16string& match,
               const std::u16string& trail) {
        sim.FocusedField()->SetText(text);
        rec = tracking.CurrentRecord();
        rec->Text = text;
        rec->Pos = static_cast<std::int32_t>(text.size());
        expansion = {match, trail, phrase.Text()};
        // An Enter or Tab that completes a match was withheld by the hook library.
        expansion.TrailWithheld = trail == u"\r" || trail == u"\t";
    }

    std::u16string FieldText() { return sim.FocusedField()->Text(); }
    // The events injected so far (with no modifier held, there is nothing before them).
    std::vector<std::string> EventsAfterActivation(std::size_t count = SIZE_MAX) {
        return KeyEventTexts(sim.Desktop().Injected, 0, count);
    }

    SimulatedDesktop sim;
    HookLink link{SimulatedDesktop::MainWindowHandle, SimulatedDesktop::HookThread};
    TrackingRecords tracking{sim.Desktop(), SimulatedDesktop::MainWindowHandle};
    PhraseTyping typing{sim.AsPlatform(), tracking};
    EditKeys editKeys{sim.AsPlatform(), link, tracking, typing};
    AbbreviationIndex data;
    Phrase phrase{data};
    PendingExpansion expansion;
    TrackingRecord* rec = nullptr;
};

TEST_F(PhraseTypingTest, ExpandPhrase_ShouldEraseTheAbbreviationAndTypeThePhrase) {
    typing.ExpandPhrase(expansion);

    EXPECT_EQ(FieldText(), u" be right back");
    EXPECT_THAT(EventsAfterActivation(8),
                ElementsAre("+8", "-8", "+8", "-8", "+8", "-8", "+66", "-66"));
    // The shadow text follows, its caret where the target's is.
    EXPECT_EQ(rec->Text, u" be right back");
    EXPECT_EQ(rec->Pos, 14);
}

TEST_F(PhraseTypingTest, ExpandPhrase_ShouldEraseAndRetypeTheTrail) {
    Typed(u"brb.", u"brb", u".");
    typing.ExpandPhrase(expansion);
    EXPECT_THAT(EventsAfterActivation(8),
                ElementsAre("+8", "-8", "+8", "-8", "+8", "-8", "+8", "-8"));
    EXPECT_EQ(FieldText(), u"be right back.");
    EXPECT_EQ(rec->Text, u"be right back.");
}

TEST_F(PhraseTypingTest, ExpandPhrase_ShouldNotEraseAWithheldEnter_ButTypeItAfterThePhrase) {
    // Enter completed the match: the hook kept it from the field and the shadow text.
    Typed(u"x brb", u"brb", u"\r");
    typing.ExpandPhrase(expansion);
    EXPECT_EQ(FieldText(), u"x be right back\r\n");
    EXPECT_EQ(rec->Text, u"x be right back\r");
}

TEST_F(PhraseTypingTest, ExpandPhrase_ShouldEraseBeforeTheCaret_WhenTextFollowsIt) {
    Typed(u"brb", u"brb", u"");
    rec->Text = u"brbhello";
    sim.FocusedField()->SetText(u"brbhello");
    sim.FocusedField()->KeyDown(sim::simkey::Left, {.Ctrl = true}); // caret to the start
    for (int i = 0; i < 3; ++i)
        sim.FocusedField()->KeyDown(sim::simkey::Right, {});

    typing.ExpandPhrase(expansion);

    EXPECT_EQ(FieldText(), u"be right backhello");
    EXPECT_EQ(rec->Text, u"be right backhello");
    EXPECT_EQ(rec->Pos, 13);
}

TEST_F(PhraseTypingTest, ExpandPhrase_ShouldLeaveAShortShadowText) {
    rec->Text = u"rb";
    rec->Pos = 2;
    typing.ExpandPhrase(expansion);
    EXPECT_EQ(rec->Text, u"rbbe right back");
}

TEST_F(PhraseTypingTest, ExpandPhrase_ShouldMarkTypingForItsWholeLength) {
    std::vector<bool> activeAtEvent;
    auto observe = sim.Desktop().InjectObserver;
    sim.Desktop().InjectObserver = [&](const KeyEvent& e) {
        activeAtEvent.push_back(typing.Active());
        observe(e);
    };
    typing.ExpandPhrase(expansion);
    EXPECT_THAT(activeAtEvent, ::testing::Each(true));
    EXPECT_FALSE(typing.Active());
}

TEST_F(PhraseTypingTest, ExpandPhrase_ShouldSendBackspacesAndChunksOfThePhrase_InFewInjections) {
    phrase.SetText(std::u16string(3 * TypingChunk + 1, u'x'));
    Typed(u" brb", u"brb", u"");
    typing.ExpandPhrase(expansion);
    EXPECT_EQ(FieldText(), u" " + phrase.Text());
    EXPECT_EQ(sim.Desktop().SendInputCalls, 1 + 4) << "the Backspaces, then four chunks";
}

TEST_F(PhraseTypingTest, ExpandPhrase_ShouldReleaseHeldModifiers_AndPressThemAgainAfter) {
    sim.UserKeyDown(sim::simkey::LControl); // about to type Ctrl+S, say
    sim.Desktop().Injected.clear();
    typing.ExpandPhrase(expansion);
    EXPECT_EQ(FieldText(), u" be right back") << "not Ctrl+B, Ctrl+E ...";
    EXPECT_THAT(KeyEventTexts(sim.Desktop().Injected, 0, 1), ElementsAre("-162"));
    EXPECT_THAT(KeyEventTexts(sim.Desktop().Injected, sim.Desktop().Injected.size() - 1),
                ElementsAre("+162"));
    EXPECT_TRUE(sim.Desktop().IsKeyDown(sim::simkey::LControl));
}

TEST_F(PhraseTypingTest, ExpandPhrase_ShouldBringTheTargetBack_OrLeaveTheAbbreviation) {
    expansion.Target = sim.WindowHandle(0);
    expansion.Control = sim.ControlHandle(0, 0);
    sim.ShowWindow(1); // the user went on to another window
    sim.ShowWindow(0);
    sim.Desktop().SetForeground(sim.WindowHandle(1));
    typing.ExpandPhrase(expansion);
    EXPECT_EQ(sim.Field(0, 0)->Text(), u" be right back");
    EXPECT_THAT(sim.Desktop().ForegroundRequests, ElementsAre(sim.WindowHandle(0)));

    Typed(u" brb", u"brb", u"");
    expansion.Target = sim.WindowHandle(0);
    expansion.Control = sim.ControlHandle(0, 0);
    sim.Desktop().SetForeground(sim.WindowHandle(1));
    sim.Desktop().RefuseForeground = true;
    const std::uint32_t before = sim.Desktop().Now;
    typing.ExpandPhrase(expansion);
    EXPECT_EQ(sim.Field(0, 0)->Text(), u" brb") << "nothing typed into the wrong window";
    EXPECT_LE(sim.Desktop().Now - before, TargetWaitMs + 10);
}

TEST_F(PhraseTypingTest, ExpandPhrase_ShouldEndTyping_WhenSendingFails) {
    int events = 0;
    sim.Desktop().InjectObserver = [&](const KeyEvent&) {
        if (++events == 15) throw std::runtime_error("input refused");
    };
    EXPECT_THROW(typing.ExpandPhrase(expansion), std::runtime_error);
    EXPECT_FALSE(typing.Active());
}

TEST_F(PhraseTypingTest, ExpandPhrase_ShouldDoNothing_WhenAnExpansionIsUnderWay) {
    PhraseTyping::ActiveScope underWay(typing);
    typing.ExpandPhrase(expansion);
    EXPECT_TRUE(sim.Desktop().Injected.empty());
    EXPECT_EQ(FieldText(), u" brb");
    EXPECT_TRUE(typing.Active());
}

TEST_F(PhraseTypingTest, ExpandPhrase_ShouldTypeCapitalsAsCapitals_AndRestoreCapsLock) {
    phrase.SetText(u"Be Right");
    Typed(u" brb", u"brb", u"");
    sim.Keyboard().SetCapsLock(true);
    expansion.CapsLock = true; // as the latest editing key found it
    typing.ExpandPhrase(expansion);
    EXPECT_EQ(FieldText(), u" Be Right");
    EXPECT_TRUE(sim.Keyboard().CapsLockOn());
    EXPECT_THAT(EventsAfterActivation(10),
                ElementsAre("+8", "-8", "+8", "-8", "+8", "-8", "+20", "-20", "+16", "+66"));
    EXPECT_EQ(rec->Text, u" Be Right");
    EXPECT_THAT(KeyEventTexts(sim.Desktop().Injected, sim.Desktop().Injected.size() - 2),
                ElementsAre("+20", "-20"));
}

TEST_F(PhraseTypingTest, Escape_ShouldStopTheTypingBeforeTheNextChunk) {
    sim.Keyboard().SetCapsLock(true);
    expansion.CapsLock = true;
    const std::u16string firstChunk = u" " + phrase.Text().substr(0, TypingChunk);
    sim.Desktop().OnProcessPending = [&] {
        if (!typing.Canceled() && FieldText() == firstChunk) editKeys.HandleEditKey(27, false);
    };
    typing.ExpandPhrase(expansion);

    EXPECT_EQ(FieldText(), firstChunk);
    EXPECT_EQ(rec->Text, firstChunk);
    EXPECT_TRUE(sim.Keyboard().CapsLockOn());
    EXPECT_FALSE(typing.Active());
}

TEST_F(PhraseTypingTest, Escape_ShouldLeaveTheAbbreviation_WhenHandledBeforeTheErasing) {
    expansion.Target = sim.WindowHandle(0);
    expansion.Control = sim.ControlHandle(0, 0);
    sim.ShowWindow(1);
    sim.Desktop().SetForeground(sim.WindowHandle(1));
    bool escaped = false;
    sim.Desktop().OnProcessPending = [&] {
        if (!escaped) {
            escaped = true;
            editKeys.HandleEditKey(27, false);
        }
    };
    sim.Desktop().RefuseForeground = true;
    sim.Desktop().OnSleep = [&] { sim.Desktop().SetForeground(sim.WindowHandle(0)); };
    typing.ExpandPhrase(expansion);
    EXPECT_TRUE(escaped);
    EXPECT_EQ(sim.Field(0, 0)->Text(), u" brb");
}

TEST_F(PhraseTypingTest, TypeText_ShouldSendCharactersOffTheLayoutAsTheyAre_LatinOneIncluded) {
    typing.TypeText(u"\u00e9\u2014\U0001F600", u"");
    EXPECT_THAT(KeyEventTexts(sim.Desktop().Injected),
                ElementsAre("+u00e9", "-u00e9", "+u2014", "-u2014", "+ud83d", "-ud83d", "+ude00",
                            "-ude00"));
    EXPECT_EQ(FieldText(), u" brb\u00e9\u2014\U0001F600");
    EXPECT_EQ(rec->Text, u" brb\u00e9\u2014\U0001F600");
}

TEST_F(PhraseTypingTest, TypeText_ShouldHoldShiftForShiftedCharacters) {
    typing.TypeText(u"A{", u"");
    EXPECT_THAT(KeyEventTexts(sim.Desktop().Injected),
                ElementsAre("+16", "+65", "-65", "-16", "+16", "+219", "-219", "-16"));
}

TEST_F(PhraseTypingTest, TypeText_ShouldTypeOneEnterPerStoredLineBreak) {
    typing.TypeText(u"a\r\nb\nc", u" ");
    EXPECT_THAT(KeyEventTexts(sim.Desktop().Injected),
                ElementsAre("+65", "-65", "+13", "-13", "+66", "-66", "+67", "-67", "+32", "-32"));
    EXPECT_EQ(FieldText(), u" brba\r\nbc ");
}

TEST_F(PhraseTypingTest, TypeText_ShouldLeaveTheShadowCaretAfterTheTypedText_WhenItStoodOutside) {
    // A caret past the end (or before the start) mirrors each character at the clamped place;
    // the caret must follow what was inserted, not its own old value.
    rec->Pos = 10;
    typing.TypeText(u"xy", u"");
    EXPECT_EQ(rec->Text, u" brbxy");
    EXPECT_EQ(rec->Pos, 6);

    rec->Text = u"ab";
    rec->Pos = -3;
    typing.TypeText(u"c", u"");
    EXPECT_EQ(rec->Text, u"cab");
    EXPECT_EQ(rec->Pos, 1);
}

TEST(PrepareText, ShouldRewriteBraceEscapes_AndDropLineFeedsOfTheText) {
    EXPECT_EQ(PhraseTyping::PrepareText(u"a\\\\\\}b", u""), u"a}b");
    EXPECT_EQ(PhraseTyping::PrepareText(u"\\\\\\{#x\\\\\\{y", u""), u"{#x\\\\\\{y");
    EXPECT_EQ(PhraseTyping::PrepareText(u"\\}\\{#", u""), u"\\}\\{#");
    EXPECT_EQ(PhraseTyping::PrepareText(u"1\r\n2\n", u"."), u"1\r2.");
    // A line feed that completed the match (Ctrl+Enter) is typed again after the phrase.
    EXPECT_EQ(PhraseTyping::PrepareText(u"x", u"\n"), u"x\n");
}

} // namespace
} // namespace lumora
