// The pieces of the simulated desktop must behave like Windows, or the scenarios built on them
// prove nothing: the US layout's answers, the edit control's editing, Alt codes, the hook's
// reports.
#include "hook/HookMessages.h"
#include "simulation/SimulatedHookLibrary.h"
#include "simulation/SimulatedKeyboard.h"
#include "simulation/SimulatedTextField.h"
#include "simulation/UsLayout.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumora::sim {
namespace {

TEST(UsLayout, VkKeyScan_ShouldAnswerAsWindows_ForLayoutCharacters) {
    EXPECT_EQ(uslayout::VkKeyScan(u'a'), 0x41);
    EXPECT_EQ(uslayout::VkKeyScan(u'A'), 0x141);
    EXPECT_EQ(uslayout::VkKeyScan(u'{'), 0x1DB);
    EXPECT_EQ(uslayout::VkKeyScan(u'('), 0x139);
    EXPECT_EQ(uslayout::VkKeyScan(u'"'), 0x1DE);
    EXPECT_EQ(uslayout::VkKeyScan(u' '), 0x20);
    EXPECT_EQ(uslayout::VkKeyScan(u'\r'), 13);
    EXPECT_EQ(uslayout::VkKeyScan(u'\t'), 9);
}

TEST(UsLayout, VkKeyScan_ShouldGiveMinusOne_WhenNoKeyGivesTheCharacter) {
    EXPECT_EQ(uslayout::VkKeyScan(u'\u00e9'), -1);
    EXPECT_EQ(uslayout::VkKeyScan(u'\u20ac'), -1);
    EXPECT_EQ(uslayout::VkKeyScan(u'\u2014'), -1);
    EXPECT_EQ(uslayout::VkKeyScan(u'\n'), -1);
}

TEST(UsLayout, CharOf_ShouldFollowModifiers) {
    EXPECT_EQ(uslayout::CharOf('A', {}), u'a');
    EXPECT_EQ(uslayout::CharOf('A', {.Shift = true}), u'A');
    EXPECT_EQ(uslayout::CharOf('A', {.CapsLock = true}), u'A');
    EXPECT_EQ(uslayout::CharOf('A', {.Shift = true, .CapsLock = true}), u'a');
    EXPECT_EQ(uslayout::CharOf('1', {.CapsLock = true}), u'1'); // CapsLock shifts letters only
    EXPECT_EQ(uslayout::CharOf('9', {.Shift = true}), u'(');
    EXPECT_EQ(uslayout::CharOf('V', {.Ctrl = true}), char16_t{22});
    EXPECT_EQ(uslayout::CharOf(simkey::Back, {.Ctrl = true}), char16_t{127});
    EXPECT_EQ(uslayout::CharOf(simkey::Return, {.Ctrl = true}), char16_t{10});
    EXPECT_EQ(uslayout::CharOf(simkey::Return, {}), char16_t{13});
    EXPECT_EQ(uslayout::CharOf(simkey::Left, {}), std::nullopt);
    EXPECT_EQ(uslayout::CharOf('A', {.Alt = true}), std::nullopt);
}

TEST(UsLayout, AltCodeChar_ShouldReadTheCodePageOfTheLeadingZero) {
    EXPECT_EQ(uslayout::AltCodeChar(233, true), u'\u00e9');
    EXPECT_EQ(uslayout::AltCodeChar(128, true), u'\u20ac');
    EXPECT_EQ(uslayout::AltCodeChar(130, false), u'\u00e9');
    // Only the low byte counts: 8212 (an em dash's code) is 20 in the code page.
    EXPECT_EQ(uslayout::AltCodeChar(8212, true), char16_t{20});
}

class TextFieldTest : public ::testing::Test {
protected:
    std::u16string clip;
    SimulatedTextField field{
        FieldClipboard{[this] { return clip; }, [this](const std::u16string& s) { clip = s; }}};

    void Type(std::u16string_view s) {
        for (char16_t c : s)
            field.Char(c);
    }
};

TEST_F(TextFieldTest, Typing_ShouldReplaceSelection_AndEnterInsertsCrLf) {
    Type(u"hello");
    field.KeyDown(simkey::Left, {.Shift = true});
    field.KeyDown(simkey::Left, {.Shift = true});
    EXPECT_EQ(field.SelectedText(), u"lo");
    Type(u"p\r");
    EXPECT_EQ(field.Text(), u"help\r\n");
    EXPECT_EQ(field.Caret(), 6u);
    field.Char(8); // one Backspace takes the whole line break
    EXPECT_EQ(field.Text(), u"help");
}

TEST_F(TextFieldTest, Navigation_ShouldMoveLikeAnEditControl) {
    Type(u"ab\rcd");
    field.KeyDown(simkey::Home, {});
    EXPECT_EQ(field.Caret(), 4u);
    field.KeyDown(simkey::Up, {});
    EXPECT_EQ(field.Caret(), 0u);
    field.KeyDown(simkey::End, {.Shift = true});
    EXPECT_EQ(field.SelectedText(), u"ab");
    field.KeyDown(simkey::Right, {}); // collapses to the selection's end
    EXPECT_EQ(field.Caret(), 2u);
    field.KeyDown(simkey::Right, {}); // steps over CR LF at once
    EXPECT_EQ(field.Caret(), 4u);
    field.KeyDown(simkey::Delete, {});
    EXPECT_EQ(field.Text(), u"ab\r\nd");
    field.KeyDown(simkey::End, {.Ctrl = true});
    EXPECT_EQ(field.Caret(), 5u);
}

TEST_F(TextFieldTest, ClipboardKeys_ShouldCopyCutAndPaste) {
    Type(u"one two");
    field.Char(1); // Ctrl+A
    field.Char(3); // Ctrl+C
    EXPECT_EQ(clip, u"one two");
    field.KeyDown(simkey::End, {});
    field.KeyDown(simkey::Left, {.Shift = true, .Ctrl = true});
    field.Char(24); // Ctrl+X
    EXPECT_EQ(field.Text(), u"one ");
    EXPECT_EQ(clip, u"two");
    field.Char(22);
    field.Char(22);
    EXPECT_EQ(field.Text(), u"one twotwo");
    field.Char(127); // Ctrl+Backspace takes the word
    EXPECT_EQ(field.Text(), u"one ");
}

TEST(Keyboard, Keys_ShouldTypeThroughTheLayout_WithShiftAndCapsLock) {
    SimulatedKeyboard kb;
    SimulatedTextField field;
    auto tap = [&](std::uint8_t k) {
        kb.Key(k, true, false, &field);
        kb.Key(k, false, false, &field);
    };
    tap('A');
    kb.Key(simkey::Shift, true, false, &field);
    tap('B');
    tap('1');
    kb.Key(simkey::Shift, false, false, &field);
    tap(simkey::Capital);
    tap('C');
    EXPECT_EQ(field.Text(), u"aB!C");
    EXPECT_EQ(kb.KeyState(simkey::Capital) & 0xFF, 1);
    tap(simkey::Capital);
    EXPECT_EQ(kb.KeyState(simkey::Capital), 0);
    kb.Key(simkey::Shift, true, true, &field); // extended: the right-hand Shift
    EXPECT_TRUE(kb.IsDown(simkey::RShift));
    EXPECT_LT(kb.KeyState(simkey::Shift), 0);
}

TEST(Keyboard, AltCode_ShouldTypeTheCodePageCharacter_WhenAltIsReleased) {
    SimulatedKeyboard kb;
    SimulatedTextField field;
    auto altCode = [&](std::initializer_list<int> digits) {
        const std::u16string before = field.Text();
        kb.Inject({.Vk = simkey::RMenu}, &field);
        for (int d : digits) {
            kb.Inject({.Vk = static_cast<std::uint16_t>(simkey::Numpad0 + d)}, &field);
            kb.Inject(
                {.Vk = static_cast<std::uint16_t>(simkey::Numpad0 + d), .Flags = KEYEVENTF_KEYUP},
                &field);
        }
        EXPECT_EQ(field.Text(), before); // nothing arrives while Alt is held
        kb.Inject({.Vk = simkey::RMenu, .Flags = KEYEVENTF_KEYUP}, &field);
    };
    altCode({0, 2, 3, 3});
    EXPECT_EQ(field.Text(), u"\u00e9");
    altCode({0, 1, 2, 8});
    EXPECT_EQ(field.Text(), u"\u00e9\u20ac");
    // An em dash typed by its code comes out as a control code, which the field drops.
    altCode({0, 8, 2, 1, 2});
    EXPECT_EQ(field.Text(), u"\u00e9\u20ac");
}

TEST(Keyboard, UnicodeEvents_ShouldTypeTheirCodeUnits_AndLeaveKeyStatesAlone) {
    SimulatedKeyboard kb;
    SimulatedTextField field;
    for (char16_t unit : std::u16string(u"\u2014\U0001F600")) {
        kb.Inject({.Scan = unit, .Flags = KEYEVENTF_UNICODE}, &field);
        kb.Inject({.Scan = unit, .Flags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP}, &field);
    }
    EXPECT_EQ(field.Text(), u"\u2014\U0001F600");
    EXPECT_EQ(kb.KeyState(0), 0);
    field.Char(8); // the pair goes as one
    EXPECT_EQ(field.Text(), u"\u2014");
}

// What the hook library posted to the main window (the report numbers left out).
struct HookPost {
    unsigned Msg;
    std::uintptr_t W;
    std::intptr_t L;
    bool operator==(const HookPost&) const = default;
};

class HookLibraryTest : public ::testing::Test {
protected:
    std::vector<HookPost> posts;
    std::uint32_t lastReport = 0;
    SimulatedHookLibrary hook{[this](unsigned m, std::uintptr_t w, std::intptr_t l) {
        if (m == WM_HOOK_CHAR || m == WM_HOOK_KEY) {
            lastReport = ReportNumber(l);
            l &= 0xFFFF;
        }
        posts.push_back({m, w, l});
    }};

    // A press and release of one key; true when either was withheld. A withheld Enter or Tab
    // gets the program's verdict at once (no abbreviation), and the replay is done.
    bool Tap(std::uint8_t vk, bool extended = false) {
        const bool press = hook.KeyPressed(vk, extended);
        const bool release = hook.KeyReleased(vk, extended);
        EXPECT_EQ(press, release) << "vk " << int(vk) << ": a release goes as its press went";
        if (press) {
            hook.ThreadMessageReceived(WM_HOOK_RELEASE, lastReport, 0);
            for (std::size_t i = 0, n = hook.TakeReplay().size(); i < n; ++i)
                hook.KeyEvent(vk, i == 0, extended, true, ReplayMarker | i);
            hook.ReplayDone(0);
        }
        return press;
    }
    static HookPost Char(char16_t ch, std::intptr_t vkExt) { return {WM_HOOK_CHAR, ch, vkExt}; }
    static HookPost Key(std::uintptr_t vk) { return {WM_HOOK_KEY, vk, 0}; }
};

TEST_F(HookLibraryTest, KeyEvents_ShouldReportPressesOnce_AndWithholdEnterAndTabWithRelease) {
    EXPECT_FALSE(hook.KeyPressed(simkey::LShift, false));
    EXPECT_FALSE(Tap('B'));
    EXPECT_FALSE(hook.KeyReleased(simkey::LShift, false));
    EXPECT_FALSE(Tap(simkey::Left, true));
    EXPECT_FALSE(Tap(simkey::Escape));
    EXPECT_TRUE(Tap(simkey::Return, true)); // keypad Enter
    EXPECT_TRUE(Tap(simkey::Tab));
    EXPECT_FALSE(Tap(simkey::Back));
    hook.MousePressed(-5, 7);
    EXPECT_EQ(posts, (std::vector<HookPost>{Key(simkey::LShift),
                                            Char(u'B', 'B'),
                                            Key(simkey::Left),
                                            Key(27),
                                            Char(13, 13 | 0x100),
                                            Char(9, 9),
                                            Char(8, 8),
                                            {WM_HOOK_MOUSE, static_cast<std::uint32_t>(-5), 7}}));
}

TEST_F(HookLibraryTest, ModifiedKeys_ShouldFollowTheRealHooksRules) {
    hook.KeyPressed(simkey::LControl, false);
    EXPECT_FALSE(Tap(simkey::Return)); // a line feed that reaches the field
    EXPECT_FALSE(Tap('M'));            // CR, but not the Enter key
    EXPECT_FALSE(Tap(simkey::Tab));    // a command
    hook.KeyPressed(simkey::RMenu, true);
    EXPECT_FALSE(Tap('E')); // AltGr: the US layout has no character there
    hook.KeyReleased(simkey::LControl, false);
    EXPECT_FALSE(Tap(simkey::Tab)); // Alt+Tab belongs to the system
    EXPECT_FALSE(Tap('A'));         // Alt+A is a menu command
    hook.KeyReleased(simkey::RMenu, true);
    EXPECT_TRUE(Tap(simkey::Return));
    hook.KeyPressed(simkey::LWin, true);
    EXPECT_FALSE(Tap('E'));
    EXPECT_EQ(posts, (std::vector<HookPost>{Key(simkey::LControl), Char(10, 13), Char(13, 'M'),
                                            Key(simkey::Tab), Key(simkey::RMenu), Key('E'),
                                            Key(simkey::Tab), Key('A'), Char(13, 13),
                                            Key(simkey::LWin), Key('E')}));
}

TEST_F(HookLibraryTest, Hold_ShouldKeepTheUsersKeys_UntilReleased_ThenHandThemBack) {
    Tap('A');
    hook.ThreadMessageReceived(WM_HOOK_HOLD, lastReport, 0);
    EXPECT_EQ(posts.back().Msg, WM_HOOK_HOLDING);
    EXPECT_TRUE(hook.Holding());
    EXPECT_TRUE(hook.KeyPressed('B', false));
    EXPECT_TRUE(hook.KeyPressed(simkey::Escape, false)); // reported at once, never replayed
    EXPECT_TRUE(hook.KeyReleased('B', false));
    EXPECT_EQ(posts.back(), Key(27));
    hook.ThreadMessageReceived(WM_HOOK_RELEASE, lastReport, 0);
    const auto batch = hook.TakeReplay();
    ASSERT_EQ(batch.size(), 2u);
    EXPECT_EQ(batch[0].Vk, 'B');
    EXPECT_TRUE(batch[0].Down);
    EXPECT_FALSE(batch[1].Down);
    EXPECT_EQ(hook.ThreadMessages().size(), 2u);
}

TEST_F(HookLibraryTest, InjectedEvents_ShouldPassUnreported_ButCountForTheKeyStates) {
    EXPECT_FALSE(hook.KeyEvent(simkey::Return, true, false, true));
    EXPECT_FALSE(hook.KeyEvent(simkey::Return, false, false, true));
    EXPECT_FALSE(hook.PacketEvent(u'\u00e9', true, true));
    EXPECT_TRUE(posts.empty());
    hook.KeyEvent(simkey::LShift, true, false, true);
    Tap('A');
    hook.KeyEvent(simkey::LShift, false, false, true);
    Tap(simkey::Capital);
    Tap('A');
    EXPECT_FALSE(hook.PacketEvent(u'\u00e9', true)); // the user's own, from the layout's gaps
    EXPECT_EQ(posts, (std::vector<HookPost>{Char(u'A', 'A'), Key(simkey::Capital), Char(u'A', 'A'),
                                            Char(u'\u00e9', simkey::Packet)}));
}

TEST_F(HookLibraryTest, Start_ShouldTakeTheKeysHeldAndLocksOnWhenTheHookStarts) {
    std::uint8_t keys[256] = {};
    keys[simkey::Capital] = 0x01;
    hook.Start(keys);
    EXPECT_TRUE(hook.Started());
    Tap('A');
    EXPECT_EQ(posts, (std::vector<HookPost>{Char(u'A', 'A')}));
}

} // namespace
} // namespace lumora::sim
