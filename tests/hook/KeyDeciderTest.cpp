#include "hook/KeyDecider.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumora {
namespace {

using Report = HookDecision::Report;

constexpr std::uint32_t A = 0x41, Back = 0x08, Tab = 0x09, Enter = 0x0D, Esc = 0x1B, LShift = 0xA0,
                        LCtrl = 0xA2, LAlt = 0xA4, RAlt = 0xA5, LWin = 0x5B, Caps = 0x14,
                        Quote = 0xDE, Space = 0x20, Left = 0x25;

// A US-International layout in miniature: letters (Shift and CapsLock make capitals, Ctrl
// control codes, AltGr+E a euro sign), a space bar, and a dead apostrophe key that types
// nothing by itself and makes an a into á.
class FakeChars final : public KeyCharSource {
public:
    int Calls = 0;
    KeyChar CharOf(std::uint32_t vk, std::uint32_t, const std::uint8_t keys[256]) override {
        ++Calls;
        const bool shift = keys[0x10] & 0x80, ctrl = keys[0x11] & 0x80, alt = keys[0x12] & 0x80;
        const bool caps = keys[Caps] & 0x01;
        if (vk >= 'A' && vk <= 'Z') {
            if (ctrl && !alt) return {static_cast<char16_t>(vk - 'A' + 1)};
            if (ctrl && alt) return {vk == 'E' ? u'€' : u'\0'}; // AltGr
            return {static_cast<char16_t>((shift != caps) ? vk : vk + 32)};
        }
        if (vk == Quote) return {shift ? u'"' : u'\'', true};
        if (vk == Space) return {u' '};
        if (vk == Back) return {u'\b'};
        return {};
    }
    std::optional<std::u16string> Compose(char16_t accent, char16_t ch) override {
        if (ch == u' ') return std::u16string(1, accent);
        if (accent == u'\'' && ch == u'a') return u"\u00e1";
        if (accent == u'\'' && ch == u'A') return u"\u00c1";
        if (ch == u't') return std::u16string{accent, ch};
        return std::nullopt;
    }
};

class KeyDeciderTest : public ::testing::Test {
protected:
    KeyDecider decider;
    FakeChars chars;

    HookDecision Press(std::uint32_t vk, bool extended = false, bool injected = false) {
        return decider.Decide({vk, 0, true, extended, injected}, chars);
    }
    HookDecision Release(std::uint32_t vk, bool injected = false) {
        return decider.Decide({vk, 0, false, false, injected}, chars);
    }
    static HookDecision Char(std::uint16_t ch, std::uint16_t vkExt, bool withhold = false) {
        return {Report::Char, ch, vkExt, withhold};
    }
    static HookDecision Key(std::uint16_t vk) { return {Report::Key, vk, 0, false}; }
};

TEST_F(KeyDeciderTest, Typing_ShouldReportCharacters_WithVkAndExtendedFlag) {
    EXPECT_EQ(Press(A), Char(u'a', A));
    EXPECT_EQ(Release(A), HookDecision{});
    EXPECT_EQ(Press(LShift), Key(LShift));
    EXPECT_EQ(Press(A), Char(u'A', A));
    EXPECT_EQ(Release(LShift), HookDecision{});
    Press(Caps);
    Release(Caps);
    EXPECT_EQ(Press(A), Char(u'A', A)) << "CapsLock toggled on";
    Press(LShift);
    EXPECT_EQ(Press(A), Char(u'a', A)) << "Shift with CapsLock";
}

TEST_F(KeyDeciderTest, EditingKeys_ShouldFollowTheInterface_WhenPressed) {
    EXPECT_EQ(Press(Back), Char(8, 8));
    EXPECT_EQ(Press(Esc), Key(27));
    EXPECT_EQ(Press(0x25, true), Key(0x25)) << "Left arrow";
    EXPECT_EQ(Press(Quote), Key(Quote)) << "a dead key types nothing by itself";
}

TEST_F(KeyDeciderTest, KeyAfterADeadKey_ShouldReportWhatTheApplicationGot_OrForgetTheText) {
    auto forgotten = [](HookDecision d) {
        d.Forget = true;
        return d;
    };
    auto before = [](HookDecision d, char16_t accent) {
        d.Before = accent;
        return d;
    };
    struct Case {
        const char* What;
        std::vector<std::uint32_t> Keys; // pressed and released, Shift held over the next key
        HookDecision Last;
    };
    const std::vector<Case> cases = {
        {"composed", {Quote, A}, Char(u'\u00e1', A)},
        {"composed capital", {Quote, LShift, A}, Char(u'\u00c1', A)},
        {"accent alone before a space", {Quote, Space}, Char(u'\'', Space)},
        {"both when they do not combine", {Quote, 'T'}, before(Char(u't', 'T'), u'\'')},
        {"not known: forgotten, the letter not claimed", {Quote, 'E'}, forgotten(Key('E'))},
        {"two accents", {Quote, Quote}, forgotten(Key(Quote))},
        {"and the key after them", {Quote, Quote, A}, forgotten(Key(A))},
        {"Backspace", {Quote, Back}, forgotten(Char(8, Back))},
        {"Enter", {Quote, Enter}, forgotten(Char(13, Enter, true))},
        {"an arrow", {Quote, Left}, forgotten(Key(Left))},
        {"the letter after it: the accent may still wait", {Quote, Left, A}, forgotten(Key(A))},
        {"and the letter after that", {Quote, Left, A, A}, Char(u'a', A)},
        {"the accent is used up", {Quote, A, A}, Char(u'a', A)},
        {"composed by an input method", {0xFC}, forgotten(Key(0xFC))},
        {"an input method's key", {0xE5}, forgotten(Key(0xE5))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        KeyDecider fresh;
        decider = fresh;
        HookDecision last;
        bool shift = false;
        for (std::uint32_t k : c.Keys) {
            last = Press(k);
            if (k == LShift) {
                shift = true;
                continue;
            }
            Release(k);
            if (shift) Release(LShift);
            shift = false;
        }
        EXPECT_EQ(last, c.Last);
    }
}

TEST_F(KeyDeciderTest, EnterAndTab_ShouldBeWithheldWithTheirRelease_WhenNoModifierHeld) {
    EXPECT_EQ(Press(Enter), Char(13, Enter, true));
    EXPECT_EQ(Press(Enter), Char(13, Enter, true)) << "auto-repeat";
    EXPECT_TRUE(Release(Enter).Withhold);
    EXPECT_FALSE(Release(Enter).Withhold) << "only one release per withheld key";
    EXPECT_EQ(Press(Enter, true), Char(13, Enter | 0x100, true)) << "keypad Enter";
    EXPECT_TRUE(Release(Enter).Withhold);
    EXPECT_EQ(Press(Tab), Char(9, Tab, true));
    EXPECT_TRUE(Release(Tab).Withhold);
    Press(LShift);
    EXPECT_EQ(Press(Tab), Char(9, Tab, true)) << "Shift+Tab is still the program's Tab";
}

TEST_F(KeyDeciderTest, EnterAndTab_ShouldReachTheSystem_WhenCtrlAltOrWinHeld) {
    Press(LAlt);
    EXPECT_EQ(Press(Tab), Key(Tab)) << "Alt+Tab";
    EXPECT_FALSE(Release(Tab).Withhold);
    EXPECT_EQ(Press(Enter), Key(Enter)) << "Alt+Enter";
    Release(LAlt);
    Press(LWin);
    EXPECT_EQ(Press(Tab), Key(Tab)) << "Win+Tab";
    Release(LWin);
    Press(LCtrl);
    EXPECT_EQ(Press(Tab), Key(Tab)) << "Ctrl+Tab";
    EXPECT_EQ(Press(Enter), Char(10, Enter)) << "Ctrl+Enter: a line feed that passes";
    EXPECT_FALSE(Release(Enter).Withhold);
    Release(LCtrl);
    EXPECT_EQ(Press(Enter), Char(13, Enter, true)) << "modifiers released again";
}

TEST_F(KeyDeciderTest, ModifiedLetters_ShouldBeControlCodesOrCommands) {
    Press(LCtrl);
    EXPECT_EQ(Press(A), Char(1, A)) << "Ctrl+A";
    Press(RAlt);
    EXPECT_EQ(Press('E'), Char(u'€', 'E')) << "AltGr (Ctrl+Alt) types";
    Release(LCtrl);
    EXPECT_EQ(Press(A), Key(A)) << "Alt+A is a menu command";
    Release(RAlt);
    Press(LWin);
    const int before = chars.Calls;
    EXPECT_EQ(Press('E'), Key('E')) << "Win+E";
    EXPECT_EQ(chars.Calls, before) << "no character asked for a command";
}

TEST_F(KeyDeciderTest, InjectedInput_ShouldNeitherBeReportedNorWithheld_ButTracked) {
    EXPECT_EQ(Press(A, false, true), HookDecision{});
    EXPECT_EQ(Press(Enter, false, true), HookDecision{});
    EXPECT_EQ(Release(Enter, true), HookDecision{});
    // The program releases a held Ctrl by injection before typing: the user's next Enter is
    // a plain Enter again.
    Press(LCtrl);
    Release(LCtrl, true);
    EXPECT_EQ(Press(Enter), Char(13, Enter, true));
    // An injected release does not use up the withheld release of the user's key.
    EXPECT_EQ(Release(Enter, true), HookDecision{});
}

TEST_F(KeyDeciderTest, Seed_ShouldStartFromKeysAlreadyHeld) {
    std::uint8_t keys[256] = {};
    keys[LCtrl] = 0x80;
    keys[0x11] = 0x80;
    keys[Caps] = 0x01;
    decider.Seed(keys);
    EXPECT_EQ(Press(Enter), Char(10, Enter)) << "Ctrl was down when the hook started";
    Release(LCtrl);
    EXPECT_EQ(Press(A), Char(u'A', A)) << "CapsLock was on";
}

TEST_F(KeyDeciderTest, Seed_ShouldForgetWithheldPresses_WhenTheHooksStartAgain) {
    // The hooks were taken away after an Enter press was withheld; its release went by unseen.
    EXPECT_TRUE(Press(Enter).Withhold);
    std::uint8_t keys[256] = {};
    keys[LCtrl] = 0x80;
    keys[0x11] = 0x80;
    decider.Seed(keys);
    EXPECT_FALSE(Press(Enter).Withhold) << "Ctrl+Enter passes";
    EXPECT_FALSE(Release(Enter).Withhold) << "the press went through: so must its release";
}

} // namespace
} // namespace lumora
