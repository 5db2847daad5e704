// People who write more than one language type on layouts with dead keys and AltGr. On each
// of them a phrase must arrive exactly, the user's own accents must still combine in the field,
// and the shadow text must hold what the field holds (or nothing, where it cannot know).
#include "simulation/SimulatedProgram.h"
#include "tests/StuckKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace lumora::sim {
namespace {

// Every character that sits on a dead key or behind AltGr on one of the layouts.
constexpr char16_t Everything[] =
    u"it's \"quoted\" 'a' ^e ~n `o 5\u20ac mail@x.org {y} [z] \\ | \u00e7a \u00df \u00e9 "
    u"\u00b4 \u00a8 \u00b0 \u00b5 \u00b2 \u00a7 \u00e4\u00f6\u00fc \u00c4\u00d6\u00dc";

// Keys the user presses (with the shift state of VkKeyScan) and what the field holds then.
struct Keys {
    std::vector<SimulatedLayout::Stroke> Strokes;
    std::u16string Typed;
};

struct LayoutCase {
    const SimulatedLayout* Layout;
    // Accents the user types with dead keys.
    std::vector<Keys> Accents;
    // An abbreviation typed with a dead key, and one with the layout's own letters or digits.
    std::u16string AccentedAbbreviation;
    std::u16string LayoutAbbreviation;
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << c.Layout->Name();
}

constexpr std::uint8_t Oem3 = 0xC0, Oem5 = 0xDC, Oem6 = 0xDD, Oem7 = 0xDE;
constexpr std::uint8_t Shift = 1;

std::vector<LayoutCase> Cases() {
    return {
        {&SimulatedLayout::UsInternational(),
         {{{{Oem7, 0}, {'E', 0}}, u"\u00e9"},
          {{{Oem7, Shift}, {'U', Shift}}, u"\u00dc"},
          {{{Oem3, 0}, {'A', 0}}, u"\u00e0"},
          {{{Oem3, Shift}, {'N', 0}}, u"\u00f1"},
          {{{'6', Shift}, {'O', 0}}, u"\u00f4"},
          {{{'6', Shift}, {simkey::Space, 0}}, u"^"},
          {{{Oem7, 0}, {'C', 0}}, u"\u00e7"},
          {{{Oem7, 0}, {'T', 0}}, u"'t"}},
         u"na\u00efve",
         u"q1@"},
        {&SimulatedLayout::German(),
         {{{{Oem5, 0}, {'E', 0}}, u"\u00ea"},
          {{{Oem5, 0}, {simkey::Space, 0}}, u"^"},
          {{{Oem6, 0}, {'E', Shift}}, u"\u00c9"},
          {{{Oem6, Shift}, {'A', 0}}, u"\u00e0"},
          {{{Oem6, 0}, {simkey::Space, 0}}, u"\u00b4"}},
         u"caf\u00e9",
         u"zyq"},
        {&SimulatedLayout::French(),
         {{{{Oem6, 0}, {'E', 0}}, u"\u00ea"},
          {{{Oem6, Shift}, {'I', 0}}, u"\u00ef"},
          {{{'2', 6}, {'N', 0}}, u"\u00f1"},
          {{{'7', 6}, {'A', 0}}, u"\u00e0"},
          {{{Oem6, 0}, {simkey::Space, 0}}, u"^"}},
         u"na\u00efve",
         u"a1z2"},
    };
}

class LayoutScenarioTest : public ::testing::TestWithParam<LayoutCase> {
protected:
    LayoutScenarioTest() {
        sim.SetLayout(*GetParam().Layout);
        sim.ShowWindow(0);
    }
    void TearDown() override { testing::ExpectNoKeyDownThatTheUserDoesNotHold(sim); }

    void Type(std::u16string_view text) {
        sim.TypeText(text);
        sim.RunPending();
    }
    void Strokes(const std::vector<SimulatedLayout::Stroke>& strokes) {
        for (const SimulatedLayout::Stroke& s : strokes)
            sim.TypeStroke(s.Vk, s.ShiftState);
        sim.RunPending();
    }
    std::u16string Field() { return sim.FocusedField()->Text(); }
    std::u16string Shadow() { return program.CurrentRecord()->Text; }
    // The program pressed Ctrl or Alt while typing (AltGr is both).
    bool InjectedCtrlOrAlt() {
        for (const KeyEvent& e : sim.Desktop().Injected) {
            const bool up = (e.Flags & KEYEVENTF_KEYUP) != 0;
            if (!up && (e.Vk == simkey::Control || e.Vk == simkey::Menu ||
                        e.Vk == simkey::LControl || e.Vk == simkey::RMenu))
                return true;
        }
        return false;
    }

    SimulatedProgram program;
    SimulatedDesktop& sim = program.Sim;
};

TEST_P(LayoutScenarioTest, PhraseWithEveryDeadKeyAndAltGrCharacter_ShouldArriveExactly) {
    program.AddPhrase(u"qq", Everything);
    // Typed, however long: this is about the keys of the layout (pasted, it arrives too).
    program.Options.PasteAbove = 0;
    for (bool capsLock : {false, true}) {
        SCOPED_TRACE(capsLock ? "CapsLock on" : "CapsLock off");
        sim.FocusedField()->SetText(u"");
        sim.Click();
        if (capsLock) sim.PressKey(simkey::Capital);
        Type(capsLock ? u" QQ" : u" qq");
        EXPECT_EQ(Field(), std::u16string(u" ") + Everything);
        EXPECT_EQ(Shadow(), Field());
        EXPECT_FALSE(InjectedCtrlOrAlt());
        // The next key is no accent's prey: nothing of the phrase waits in the keyboard.
        EXPECT_EQ(sim.Keyboard().PendingAccent(), u'\0');
        if (capsLock) sim.PressKey(simkey::Capital);
    }
}

TEST_P(LayoutScenarioTest, UsersDeadKeys_ShouldComposeInTheField_AndInTheShadowText) {
    program.AddPhrase(u"brb", u"be right back");
    Type(u"x ");
    std::u16string expected = u"x ";
    for (const Keys& k : GetParam().Accents) {
        Strokes(k.Strokes);
        expected += k.Typed;
        EXPECT_EQ(Field(), expected);
        EXPECT_EQ(Shadow(), Field()) << "after " << expected.size() << " characters";
    }
    // The shadow text agrees, so an expansion right after erases exactly its abbreviation.
    Type(u" brb");
    EXPECT_EQ(Field(), expected + u" be right back");
    EXPECT_EQ(Shadow(), Field());
}

TEST_P(LayoutScenarioTest, TwoDeadKeysInARow_ShouldLeaveTheShadowTextEmpty_NeverWrong) {
    program.AddPhrase(u"brb", u"be right back");
    const SimulatedLayout::Stroke accent = GetParam().Accents.front().Strokes.front();
    Type(u"ab ");
    Strokes({accent, accent, {'E', 0}});
    // Layouts differ on what two accents make: the hook library does not guess.
    EXPECT_EQ(Shadow(), u"");
    Type(u" brb");
    EXPECT_EQ(Field().substr(Field().size() - 14), u" be right back");
    EXPECT_EQ(Field().substr(0, 3), u"ab ");
}

TEST_P(LayoutScenarioTest, AbbreviationsTypedOnTheLayout_ShouldExpand) {
    program.AddPhrase(GetParam().AccentedAbbreviation, u"accented");
    program.AddPhrase(GetParam().LayoutAbbreviation, u"layout");
    Type(u"1 " + GetParam().AccentedAbbreviation + u" 2 " + GetParam().LayoutAbbreviation);
    EXPECT_EQ(Field(), u"1 accented 2 layout");
    EXPECT_EQ(Shadow(), Field());
    EXPECT_EQ(program.Expansions(), 2);
}

INSTANTIATE_TEST_SUITE_P(Layouts, LayoutScenarioTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) {
                             std::string name = info.param.Layout->Name();
                             std::erase(name, '-');
                             return name;
                         });

TEST(LayoutSwitchTest, ALayoutSwitchBetweenExpansions_ShouldBeFollowed) {
    SimulatedProgram program;
    SimulatedDesktop& sim = program.Sim;
    program.AddPhrase(u"mail", u"ann@x.org ~{ok}");
    sim.ShowWindow(0);
    sim.TypeText(u"mail");
    sim.RunPending();
    // On the US layout @ ~ { } are keys with Shift.
    EXPECT_TRUE(std::any_of(sim.Desktop().Injected.begin(), sim.Desktop().Injected.end(),
                            [](const KeyEvent& e) { return e.Vk == '2'; }));
    // Alt+Shift: the next expansion types on German, where they need AltGr.
    sim.SetLayout(SimulatedLayout::German());
    sim.Desktop().Injected.clear();
    sim.TypeText(u" mail");
    sim.RunPending();
    EXPECT_EQ(sim.FocusedField()->Text(), u"ann@x.org ~{ok} ann@x.org ~{ok}");
    for (const KeyEvent& e : sim.Desktop().Injected)
        EXPECT_NE(e.Vk, simkey::RMenu) << "AltGr pressed by the program";
}

} // namespace
} // namespace lumora::sim
