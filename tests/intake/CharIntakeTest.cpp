#include "intake/CharIntake.h"
#include "data/Phrase.h"
#include "data/PhraseList.h"
#include "hook/HookMessages.h"
#include "intake/EditKeys.h"
#include "intake/ProgramMessages.h"
#include "tests/DesktopFixture.h"

namespace lumora::testing {
namespace {

class CharIntakeTest : public DesktopFixture {
protected:
    CharIntakeTest() { brb = AddPhrase(u"brb", u"be right back"); }

    Phrase* AddPhrase(const std::u16string& abbreviation, const std::u16string& text) {
        return &phrases.AppendPhrase(data, abbreviation, text);
    }

    // As the event intake does: the editing rules first, then the intake. Pending holds the
    // match this character raised, if any.
    void TypeChar(char16_t ch, std::uint8_t vk = 0) {
        pending.reset();
        editKeys.HandleEditKey(ch, true);
        if (ch >= 32 || ch == 8 || ch == 9 || ch == 10 || ch == 13)
            intake.HandleTypedChar(ch, vk ? vk : VkOf(ch), ++report);
        if (pending) ++expansions;
    }
    void Type(const std::u16string& s) {
        for (char16_t c : s)
            TypeChar(c);
    }
    static std::uint8_t VkOf(char16_t c) {
        if (c == 8 || c == 9 || c == 13) return static_cast<std::uint8_t>(c);
        if (c >= u'a' && c <= u'z') return static_cast<std::uint8_t>(c - u'a' + 'A');
        return 0x20;
    }
    std::size_t Expansions() const { return expansions; }
    void ClearPending() { pending.reset(); }
    // The expansion raised last (throws when there is none).
    const PendingExpansion& Pending() const { return pending.value(); }
    void SetMode(std::int32_t number) { options.Mode = DelimiterModeOf(number); }

    AbbreviationIndex data;
    PhraseList phrases;
    Phrase* brb = nullptr;
    Options options;
    CandidateSearch search{data, options.Mode};
    PhraseTyping typing{desk.AsPlatform(), tracking};
    EditKeys editKeys{desk.AsPlatform(), link, tracking, typing};
    std::optional<PendingExpansion> pending;
    CharIntake intake{tracking, search, editKeys, pending};
    std::uint32_t report = 0;
    std::size_t expansions = 0;
};

TEST_F(CharIntakeTest, NoTarget_ShouldTrackNothing) {
    desk.SetForeground(0);
    intake.HandleTypedChar(u'\r', 13); // keypad Enter
    intake.HandleTypedChar(u'a', 'A');
    EXPECT_TRUE(tracking.Records().empty());
    EXPECT_FALSE(pending);
}

TEST_F(CharIntakeTest, Characters_ShouldGoInAtTheCaret_ReplacingASelection) {
    Type(u"hello");
    TrackingRecord& r = FieldRec();
    EXPECT_EQ(r.Text, u"hello");
    EXPECT_EQ(r.Pos, 5);

    r.Pos = 1;
    Type(u"X");
    EXPECT_EQ(r.Text, u"hXello");
    EXPECT_EQ(r.Pos, 2);

    r.SelStart = 2;
    r.SelCount = 3;
    Type(u"Y");
    EXPECT_EQ(r.Text, u"hXYo");
    EXPECT_EQ(r.Pos, 3);
    EXPECT_EQ(r.SelCount, 0);

    // A caret left past the end (after a typed-out phrase) is brought back first.
    r.Text = u"ab";
    r.Pos = 9;
    intake.HandleTypedChar(u'c', 'C');
    EXPECT_EQ(r.Text, u"abc");
    EXPECT_EQ(r.Pos, 3);
}

TEST_F(CharIntakeTest, Del_ShouldEmptyTheRecord_WithoutSearching) {
    AddPhrase(u"x", u"never");
    Type(u"abc");
    intake.HandleTypedChar(127, 0x08); // Ctrl+Backspace
    TrackingRecord& r = FieldRec();
    EXPECT_TRUE(r.Text.empty());
    EXPECT_EQ(r.Pos, 0);
    EXPECT_EQ(Expansions(), 0u);
}

TEST_F(CharIntakeTest, ModeZero_ShouldRaiseTheExpansion_WhenTheLastLetterIsTyped) {
    Type(u"I'll br");
    EXPECT_EQ(Expansions(), 0u);
    Type(u"b");
    ASSERT_EQ(Expansions(), 1u);
    EXPECT_EQ(Pending().Target, Editor);
    EXPECT_EQ(Pending().Control, EditorField);
    EXPECT_EQ(Pending().Abbreviation, u"brb");
    EXPECT_EQ(Pending().Trail, u"");
    EXPECT_EQ(Pending().Text, brb->Text());
    EXPECT_EQ(FieldRec().Text, u"I'll brb"); // the abbreviation stays until it is expanded

    // Not inside a word.
    ClearPending();
    TrackingRecords::ResetRecord(&FieldRec());
    Type(u"xbrb");
    EXPECT_EQ(Expansions(), 1u);
}

TEST_F(CharIntakeTest, ModeOne_ShouldRaiseTheExpansion_WhenADelimiterFollows_WithItAsTrail) {
    SetMode(1);
    Type(u"so brb");
    EXPECT_EQ(Expansions(), 0u);
    Type(u",");
    ASSERT_EQ(Expansions(), 1u);
    EXPECT_EQ(Pending().Abbreviation, u"brb");
    EXPECT_EQ(Pending().Trail, u",");
    EXPECT_EQ(FieldRec().Text, u"so brb,");
}

TEST_F(CharIntakeTest, WithheldEnterAndTab_ShouldBeTheTrail_WhenTheyCompleteAMatch) {
    SetMode(1);
    Type(u"brb");
    TypeChar(u'\r');
    ASSERT_EQ(Expansions(), 1u);
    EXPECT_EQ(Pending().Trail, u"\r");
    EXPECT_TRUE(Pending().TrailWithheld) << "the hook kept it from the target";
    EXPECT_EQ(Pending().Report, report);
    EXPECT_EQ(FieldRec().Text, u"brb") << "typed after the phrase, and observed then";

    TrackingRecords::ResetRecord(&FieldRec());
    Type(u"ok");
    TypeChar(u'\r');
    EXPECT_EQ(Expansions(), 1u);
    EXPECT_EQ(FieldRec().Text, u"ok\r");

    // Tab likewise, in mode 0 through the second pass.
    SetMode(0);
    FieldRec().Text = u" brb";
    FieldRec().Pos = 4;
    TypeChar(u'\t');
    EXPECT_EQ(Expansions(), 2u);
    EXPECT_EQ(Pending().Trail, u"\t");
    EXPECT_TRUE(Pending().TrailWithheld);
    EXPECT_EQ(FieldRec().Text, u" brb");
    // The intake itself sends nothing: the hook library keeps the keys until the verdict.
    EXPECT_TRUE(desk.Injected.empty());
}

TEST_F(CharIntakeTest, CtrlIAndCtrlM_ShouldBeErasedWithTheAbbreviation_SinceTheyReachedTheTarget) {
    Type(u"ok");
    intake.HandleTypedChar(u'\t', 'I');
    intake.HandleTypedChar(u'\r', 'M');
    EXPECT_EQ(FieldRec().Text, u"ok\t\r");
    FieldRec().Text = u" brb";
    FieldRec().Pos = 4;
    intake.HandleTypedChar(u'\t', 'I');
    ASSERT_TRUE(pending);
    EXPECT_EQ(Pending().Trail, u"\t");
    EXPECT_FALSE(Pending().TrailWithheld);
}

TEST_F(CharIntakeTest, Backspace_ShouldSearchTheTextBeforeTheCaret_WithItsLastCharacterAsTrail) {
    SetMode(1);
    Type(u"brb x");
    EXPECT_EQ(Expansions(), 1u); // at the space
    ClearPending();
    TypeChar(8); // the x goes: "brb " stands before the caret
    ASSERT_EQ(Expansions(), 2u);
    EXPECT_EQ(Pending().Trail, u" ");
    EXPECT_EQ(FieldRec().Text, u"brb x"); // Backspace inserts nothing, the x stays after the caret
    EXPECT_EQ(FieldRec().Pos, 4);

    SetMode(0);
    FieldRec().Text = u"brbq";
    FieldRec().Pos = 4;
    ClearPending();
    TypeChar(8);
    ASSERT_EQ(Expansions(), 3u);
    EXPECT_EQ(Pending().Abbreviation, u"brb");
    EXPECT_EQ(Pending().Trail, u""); // it now ends the text: nothing after it to erase
}

TEST_F(CharIntakeTest, Trail_ShouldFollowThePassThatFoundTheMatch_InEveryMode) {
    // Mode 0, followed by one more character (the second pass): the character is erased and
    // typed again.
    FieldRec().Text = u" brb";
    FieldRec().Pos = 4;
    TypeChar(u'x');
    EXPECT_EQ(Pending().Trail, u"x");
    // Mode 2, ending with the typed character: nothing to retype.
    SetMode(2);
    ClearPending();
    Type(u" abrb");
    EXPECT_EQ(Pending().Trail, u"");
    // Mode -1, followed by a character.
    SetMode(-1);
    ClearPending();
    FieldRec().Text = u"abrb";
    FieldRec().Pos = 4;
    TypeChar(u'q');
    EXPECT_EQ(Pending().Abbreviation, u"brb");
    EXPECT_EQ(Pending().Trail, u"q");
}

TEST_F(CharIntakeTest, SentenceEnd_ShouldTrimALongText_UnlessItCompletesAMatch) {
    TrackingRecord& r = FieldRec();
    r.Text = std::u16string(127, u'a');
    r.Pos = 127;
    TypeChar(u'.');
    EXPECT_TRUE(r.Text.empty());
    EXPECT_EQ(r.Pos, 0);

    r.Text = std::u16string(126, u'a');
    r.Pos = 126;
    TypeChar(u'!');
    EXPECT_EQ(r.Text.size(), 127u);

    r.Text = std::u16string(200, u'a');
    r.Pos = 200;
    TypeChar(u' ');
    EXPECT_EQ(r.Text.size(), 201u); // a space never trims

    SetMode(1);
    r.Text = std::u16string(130, u'a') + u" brb";
    r.Pos = 134;
    TypeChar(u'.');
    EXPECT_EQ(r.Text.size(), 135u); // the full stop completed a match
    EXPECT_EQ(Expansions(), 1u);
}

TEST_F(CharIntakeTest, SentenceEnd_ShouldKeepTheTextAfterTheCaret_WithTheCaretBeforeIt) {
    TrackingRecord& r = FieldRec();
    r.Text = std::u16string(130, u'a') + u"tail";
    r.Pos = 130;
    TypeChar(u';');
    EXPECT_EQ(r.Text, u"tail");
    EXPECT_EQ(r.Pos, 0);
    EXPECT_EQ(r.SelStart, 0);
    EXPECT_EQ(r.SelCount, 0);
}

TEST_F(CharIntakeTest, Lookup_ShouldIgnoreCase_AndSeeOnlyTheLastFortyEightCharacters) {
    Type(std::u16string(300, u'z') + u" BrB");
    EXPECT_EQ(Expansions(), 1u);
    EXPECT_EQ(Pending().Abbreviation, u"brb");
}

} // namespace
} // namespace lumora::testing
