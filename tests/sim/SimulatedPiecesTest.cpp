// The pieces of the simulated desktop must behave like Windows, or the scenarios built on them
// prove nothing: the US layout's answers, the edit control's editing, Alt codes, the hook's
// reports.
#include "app/HookMessages.h"
#include "tests/fakes/FakeHookLibrary.h"
#include "tests/fakes/FakeKeyboard.h"
#include "tests/fakes/FakeTextField.h"
#include "tests/fakes/FakeUsLayout.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumora::fakes {
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
    FakeTextField field{
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
    FakeKeyboard kb;
    FakeTextField field;
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
    FakeKeyboard kb;
    FakeTextField field;
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
    FakeKeyboard kb;
    FakeTextField field;
    for (char16_t unit : std::u16string(u"\u2014\U0001F600")) {
        kb.Inject({.Scan = unit, .Flags = KEYEVENTF_UNICODE}, &field);
        kb.Inject({.Scan = unit, .Flags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP}, &field);
    }
    EXPECT_EQ(field.Text(), u"\u2014\U0001F600");
    EXPECT_EQ(kb.KeyState(0), 0);
    field.Char(8); // the pair goes as one
    EXPECT_EQ(field.Text(), u"\u2014");
}

TEST(HookLibrary, KeyPressed_ShouldReportOnce_AndWithholdOnlyEnterAndTab) {
    struct Post {
        unsigned Msg;
        std::uintptr_t W;
        std::intptr_t L;
    };
    std::vector<Post> posts;
    FakeHookLibrary hook([&](unsigned m, std::uintptr_t w, std::intptr_t l) {
        posts.push_back({m, w, l});
    });
    EXPECT_FALSE(hook.KeyPressed('B', false, {.Shift = true}));
    EXPECT_FALSE(hook.KeyPressed(simkey::Left, true, {}));
    EXPECT_FALSE(hook.KeyPressed(simkey::Escape, false, {}));
    EXPECT_TRUE(hook.KeyPressed(simkey::Return, true, {}));
    EXPECT_TRUE(hook.KeyPressed(simkey::Tab, false, {}));
    EXPECT_FALSE(hook.KeyPressed(simkey::Return, false, {.Ctrl = true})); // a line feed
    EXPECT_FALSE(hook.KeyPressed('M', false, {.Ctrl = true})); // CR, but not the Enter key
    EXPECT_FALSE(hook.KeyPressed(simkey::Back, false, {}));
    hook.MousePressed(-5, 7);
    ASSERT_EQ(posts.size(), 9u);
    EXPECT_EQ(posts[0].Msg, WM_HOOK_CHAR);
    EXPECT_EQ(posts[0].W, u'B');
    EXPECT_EQ(posts[0].L, 'B');
    EXPECT_EQ(posts[1].Msg, WM_HOOK_KEY);
    EXPECT_EQ(posts[1].W, simkey::Left);
    EXPECT_EQ(posts[2].Msg, WM_HOOK_KEY);
    EXPECT_EQ(posts[2].W, 27u);
    EXPECT_EQ(posts[3].Msg, WM_HOOK_CHAR);
    EXPECT_EQ(posts[3].W, 13u);
    EXPECT_EQ(posts[3].L, 13 | 0x100);
    EXPECT_EQ(posts[5].W, 10u);
    EXPECT_EQ(posts[6].W, 13u);
    EXPECT_EQ(posts[7].Msg, WM_HOOK_CHAR);
    EXPECT_EQ(posts[7].W, 8u);
    EXPECT_EQ(posts[7].L, 8);
    EXPECT_EQ(posts[8].Msg, WM_HOOK_MOUSE);
    EXPECT_EQ(static_cast<std::int32_t>(posts[8].W), -5);
    EXPECT_EQ(posts[8].L, 7);
}

} // namespace
} // namespace lumora::fakes
