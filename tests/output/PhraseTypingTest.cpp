#include "output/PhraseTyping.h"

#include "data/Phrase.h"
#include "hook/HookMessages.h"
#include "simulation/SimulatedDesktop.h"
#include "tests/output/KeyEventText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
    TrackingRecords tracking{sim.Desktop(), SimulatedDesktop::MainWindowHandle};
    PhraseTyping typing{sim.AsPlatform(), tracking};
    AbbreviationIndex data;
    Phrase phrase{data};
    PendingExpansion expansion;
    TrackingRecord* rec = nullptr;
};

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

} // namespace
} // namespace lumora
