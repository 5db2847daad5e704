// Phrases that follow the user, in both delimiter modes: the letter case of the typed
// abbreviation carries over to the phrase, and one Backspace right after an expansion takes it
// back, but only then.
#include "expansion/ExpansionUndo.h"
#include "simulation/SimulatedProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

namespace lumora::sim {
namespace {

class CaseUndoTest : public ::testing::TestWithParam<DelimiterMode> {
protected:
    // A program with the phrases below, its window 0 in front; phrases are typed unless
    // pasteAbove asks for pasting.
    static std::unique_ptr<SimulatedProgram> Start(bool followCase = true, bool undo = true,
                                                   std::int32_t pasteAbove = 0) {
        Options options{GetParam(), 30, {}};
        options.FollowCase = followCase;
        options.UndoWithBackspace = undo;
        options.PasteAbove = pasteAbove;
        auto p = std::make_unique<SimulatedProgram>(options);
        p->AddPhrase(u"brb", u"be right back");
        p->AddPhrase(u"Sig", u"best wishes");
        p->AddPhrase(u"pr", u"(private)");
        p->AddPhrase(u"nt", u"note: {#clipboard}");
        p->AddPhrase(u"kc", u"{#keepcase}keep me");
        p->AddPhrase(u"ml", u"line one\r\nline two");
        p->AddPhrase(u"ete", u"\u00e9t\u00e9 stra\u00dfe");
        p->AddPhrase(u"cu", u"Dear {#cursor},");
        p->AddPhrase(u"em", u"smile \U0001F600.");
        p->AddPhrase(u"lng", std::u16string(UndoMaxLength + 1, u'x'));
        p->Sim.SetClipboard(u"aBc");
        p->Sim.ShowWindow(0);
        return p;
    }
    // The abbreviation as the mode expands it: at once, or when a space follows.
    static std::u16string Trigger(std::u16string_view abbreviation) {
        std::u16string typed(abbreviation);
        if (GetParam() == DelimiterMode::BetweenDelimiters) typed += u' ';
        return typed;
    }
    static std::u16string Trail() {
        return GetParam() == DelimiterMode::BetweenDelimiters ? u" " : u"";
    }
    static void Type(SimulatedProgram& p, std::u16string_view text) {
        p.Sim.TypeText(text);
        p.Sim.RunPending();
    }
    static void Press(SimulatedProgram& p, std::uint8_t key) {
        p.Sim.PressKey(key);
        p.Sim.RunPending();
    }
    static void PressWith(SimulatedProgram& p, std::uint8_t modifier, std::uint8_t key) {
        p.Sim.UserKeyDown(modifier);
        p.Sim.PressKey(key);
        p.Sim.UserKeyUp(modifier);
        p.Sim.RunPending();
    }
    static std::u16string Field(SimulatedProgram& p) { return p.Sim.FocusedField()->Text(); }
    // The shadow text before the caret as the field would hold it (a line break as CR LF).
    static std::u16string ShadowAsField(SimulatedProgram& p) {
        std::u16string out;
        for (char16_t c : TrackingRecords::TextBeforeCaret(p.CurrentRecord())) {
            out += c;
            if (c == u'\r') out += u'\n';
        }
        return out;
    }
};

TEST_P(CaseUndoTest, EachCaseRule_ShouldGiveThePhraseInTheCaseTheAbbreviationWasTypedIn) {
    struct Row {
        std::u16string_view Typed;
        std::u16string_view Phrase;
        bool FollowCase = true;
    };
    const Row rows[] = {
        {u"brb", u"be right back"},             // typed as stored
        {u"Brb", u"Be right back"},             // first letter a capital
        {u"BRB", u"BE RIGHT BACK"},             // all in capitals
        {u"bRB", u"be right back"},             // otherwise: as stored
        {u"BRb", u"Be right back"},             // the first letter decides
        {u"SIG", u"best wishes"},               // the stored abbreviation has a capital of its own
        {u"sig", u"best wishes"},               //
        {u"PR", u"(private)"},                  // the phrase does not begin with a letter
        {u"NT", u"NOTE: aBc"},                  // a field is filled as it is
        {u"Nt", u"Note: aBc"},                  //
        {u"KC", u"keep me"},                    // the phrase opts out
        {u"ML", u"LINE ONE\r\nLINE TWO"},       // every line
        {u"ETE", u"\u00c9T\u00c9 STRA\u00dfE"}, // a letter without a single capital stays
        {u"Ete", u"\u00c9t\u00e9 stra\u00dfe"},
        {u"BRB", u"be right back", false}, // case-following switched off
        {u"Brb", u"be right back", false},
    };
    for (const Row& row : rows) {
        auto p = Start(row.FollowCase);
        Type(*p, u"x " + Trigger(row.Typed));
        const std::u16string expected = u"x " + std::u16string(row.Phrase) + Trail();
        EXPECT_EQ(Field(*p), expected)
            << "typed " << std::string(row.Typed.begin(), row.Typed.end());
        EXPECT_EQ(ShadowAsField(*p), expected);
        EXPECT_EQ(p->Expansions(), 1);
    }
}

TEST_P(CaseUndoTest, BackspaceRightAfterAnExpansion_ShouldGiveBackTheAbbreviationAsTyped) {
    struct Row {
        std::u16string_view Typed;
        std::u16string_view Expanded;
    };
    const Row rows[] = {
        {u"Brb", u"Be right back"},
        {u"ml", u"line one\r\nline two"}, // a phrase of several lines
        {u"NT", u"NOTE: aBc"},            // with a field
    };
    for (const Row& row : rows) {
        auto p = Start();
        Type(*p, u"hi " + Trigger(row.Typed));
        ASSERT_EQ(Field(*p), u"hi " + std::u16string(row.Expanded) + Trail());
        Press(*p, vk::Back);
        const std::u16string undone = u"hi " + Trigger(row.Typed);
        EXPECT_EQ(Field(*p), undone);
        EXPECT_EQ(ShadowAsField(*p), undone) << "the shadow text follows the undo";
        EXPECT_EQ(p->Sim.FocusedField()->Caret(), undone.size());
        EXPECT_FALSE(p->Sim.Hook().Holding());
        // A second Backspace deletes one character, as ever.
        Press(*p, vk::Back);
        EXPECT_EQ(Field(*p), undone.substr(0, undone.size() - 1));
        EXPECT_EQ(ShadowAsField(*p), Field(*p));
    }
}

TEST_P(CaseUndoTest, TypingOnAfterAnUndo_ShouldNotExpandTheAbbreviationAgain) {
    auto p = Start();
    Type(*p, u"hi " + Trigger(u"brb"));
    Press(*p, vk::Back);
    Type(*p, u"x");
    EXPECT_EQ(Field(*p), u"hi " + Trigger(u"brb") + u"x");
    Type(*p, u" and " + Trigger(u"brb"));
    const std::u16string expected = u"hi " + Trigger(u"brb") + u"x and be right back" + Trail();
    EXPECT_EQ(Field(*p), expected) << "a later abbreviation expands as ever";
    EXPECT_EQ(ShadowAsField(*p), expected);
    EXPECT_EQ(p->Expansions(), 3) << "the expansion, its undo, the later one";
}

TEST_P(CaseUndoTest, AnythingBetweenTheExpansionAndTheBackspace_ShouldLeaveAnOrdinaryBackspace) {
    // Whatever comes between, the Backspace does what it does without undo.
    struct Row {
        const char* Name;
        std::function<void(SimulatedProgram&)> Between;
        std::function<void(SimulatedProgram&)> Backspace;
    };
    const auto backspace = [](SimulatedProgram& p) { Press(p, vk::Back); };
    const auto nothing = [](SimulatedProgram&) {};
    const Row rows[] = {
        {"another key", [](SimulatedProgram& p) { Type(p, u"x"); }, backspace},
        {"an arrow key", [](SimulatedProgram& p) { Press(p, vk::Left); }, backspace},
        {"a click",
         [](SimulatedProgram& p) {
             p.Sim.Click();
             p.Sim.RunPending();
         },
         backspace},
        // The Backspace goes where the focus went.
        {"a focus change", [](SimulatedProgram& p) { p.Sim.FocusControl(1); }, backspace},
        {"another window", [](SimulatedProgram& p) { p.Sim.ShowWindow(1); }, backspace},
        {"a pause", [](SimulatedProgram& p) { p.Sim.Desktop().Now += UndoWaitMs + 1; }, backspace},
        {"Ctrl+Backspace", nothing,
         [](SimulatedProgram& p) { PressWith(p, vk::LControl, vk::Back); }},
        {"Shift+Backspace", nothing,
         [](SimulatedProgram& p) { PressWith(p, vk::LShift, vk::Back); }},
    };
    for (const Row& row : rows) {
        std::u16string fields[2];
        for (bool undo : {true, false}) {
            auto p = Start(true, undo);
            Type(*p, u"hi " + Trigger(u"brb"));
            row.Between(*p);
            row.Backspace(*p);
            fields[undo ? 0 : 1] = p->Sim.Field(0, 0)->Text() + u"|" + Field(*p);
            EXPECT_EQ(p->Expansions(), 1) << row.Name;
        }
        EXPECT_EQ(fields[0], fields[1]) << row.Name;
        EXPECT_EQ(fields[0].find(u"brb"), std::u16string::npos) << row.Name;
    }
    // Without anything between, the same Backspace undoes; switched off, it never does.
    auto on = Start(true, true), off = Start(true, false);
    for (auto* p : {on.get(), off.get()}) {
        Type(*p, u"hi " + Trigger(u"brb"));
        Press(*p, vk::Back);
    }
    EXPECT_EQ(Field(*on), u"hi " + Trigger(u"brb"));
    EXPECT_EQ(Field(*off),
              u"hi be right bac" +
                  std::u16string(GetParam() == DelimiterMode::BetweenDelimiters ? u"k" : u""));
}

TEST_P(CaseUndoTest, APhraseTheUndoCannotEraseSafely_ShouldNotBeUndone) {
    // A phrase that moved the caret back, one with a character of two code units, one longer
    // than the limit: the Backspace erases one character (the field's own rule) either way.
    for (std::u16string_view abbreviation : {u"cu", u"em", u"lng"}) {
        std::u16string fields[2];
        for (bool undo : {true, false}) {
            auto p = Start(true, undo);
            Type(*p, u"hi " + Trigger(abbreviation));
            Press(*p, vk::Back);
            fields[undo ? 0 : 1] = Field(*p);
            EXPECT_EQ(p->Expansions(), 1);
        }
        EXPECT_EQ(fields[0], fields[1]);
        EXPECT_TRUE(fields[0].starts_with(abbreviation == u"cu"   ? u"hi Dear,"
                                          : abbreviation == u"em" ? u"hi smile "
                                                                  : u"hi xxx"));
    }
}

TEST_P(CaseUndoTest, PastedPhrase_ShouldFollowTheCase_AndNotBeUndone) {
    struct Row {
        std::u16string_view Typed;
        std::u16string_view Expanded;
    };
    const Row rows[] = {{u"Brb", u"Be right back"}, {u"BRB", u"BE RIGHT BACK"}};
    for (const Row& row : rows) {
        // "(private)" is short enough to be typed, the phrase after it is pasted.
        auto p = Start(true, true, 10);
        Type(*p, u"hi " + Trigger(u"pr") + u" " + Trigger(row.Typed));
        const std::u16string expanded =
            u"hi (private)" + Trail() + u" " + std::u16string(row.Expanded) + Trail();
        ASSERT_EQ(Field(*p), expanded);
        const auto& injected = p->Sim.Desktop().Injected;
        EXPECT_TRUE(std::any_of(injected.begin(), injected.end(), [](const auto& key) {
            return key.Vk == 'V';
        })) << "pasted with Ctrl+V";
        EXPECT_EQ(p->Sim.Desktop().ClipUnicode, u"aBc") << "the user's clipboard is back";
        // The Backspace erases one character, as in any field.
        Press(*p, vk::Back);
        EXPECT_EQ(Field(*p), expanded.substr(0, expanded.size() - 1));
        EXPECT_EQ(ShadowAsField(*p), Field(*p));
        EXPECT_EQ(p->Expansions(), 2);
    }
}

INSTANTIATE_TEST_SUITE_P(BothModes, CaseUndoTest,
                         ::testing::Values(DelimiterMode::AfterDelimiter,
                                           DelimiterMode::BetweenDelimiters));

} // namespace
} // namespace lumora::sim
