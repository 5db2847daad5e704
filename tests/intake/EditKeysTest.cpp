#include "intake/EditKeys.h"
#include "hook/HookMessages.h"
#include "output/ClipboardText.h"
#include "tests/DesktopFixture.h"

#include <string>
#include <utility>
#include <vector>

namespace lumora::testing {
namespace {

constexpr std::uint16_t Left = 37, Up = 38, Right = 39, Down = 40, Home = 36, End = 35;
constexpr std::uint16_t PageUp = 33, PageDown = 34, Insert = 45;
constexpr std::uint16_t Back = 8, Del = 46, Esc = 27;

class EditKeysTest : public DesktopFixture {
protected:
    // The record of the editor's field holding text, caret at pos.
    TrackingRecord& Rec(const std::u16string& text, std::int32_t pos) {
        TrackingRecord& r = FieldRec();
        r.Text = text;
        r.Pos = pos;
        r.SelStart = 0;
        r.SelCount = 0;
        return r;
    }
    void Key(std::uint16_t code, bool fromChar = false) { keys.HandleEditKey(code, fromChar); }
    void Hold(int vk, bool down = true) { desk.SetKeyDown(vk, down); }

    PhraseTyping typing{desk.AsPlatform(), tracking};
    EditKeys keys{desk.AsPlatform(), link, tracking, typing};
};

#define EXPECT_REC(r, text, pos, selStart, selCount)                                               \
    do {                                                                                           \
        EXPECT_EQ((r).Text, text);                                                                 \
        EXPECT_EQ((r).Pos, pos);                                                                   \
        EXPECT_EQ((r).SelStart, selStart);                                                         \
        EXPECT_EQ((r).SelCount, selCount);                                                         \
    } while (0)

TEST_F(EditKeysTest,
       ReadKeyState_ShouldSetOneFlagPerModifierGroup_AndCapsLockOnlyWhenToggledAndUp) {
    EXPECT_EQ(keys.ReadKeyState(), KeyFlags{});
    desk.SetToggled(0x14, true);
    EXPECT_EQ(keys.ReadKeyState(), (KeyFlags{.CapsLock = true}));
    Hold(0x14);
    EXPECT_EQ(keys.ReadKeyState(), KeyFlags{}); // held down: the low byte is no longer 1
    Hold(0x14, false);
    Hold(0xA1);
    Hold(0xA5);
    Hold(0xA2);
    const KeyFlags all{.Shift = true, .Alt = true, .Ctrl = true, .CapsLock = true};
    EXPECT_EQ(keys.ReadKeyState(), all);
    EXPECT_EQ(keys.LatestKeys(), all);
}

TEST_F(EditKeysTest, ShiftLeftAndHome_ShouldSelectTowardsTheStart_AndCtrlXCutTheSelection) {
    TrackingRecord& r = Rec(u"abcdef", 4);
    Hold(0xA0);
    Key(Left);
    EXPECT_REC(r, u"abcdef", 3, 3, 1);
    Key(Left);
    EXPECT_REC(r, u"abcdef", 2, 2, 2);
    Key(Home); // from the anchor at 4
    EXPECT_REC(r, u"abcdef", 0, 0, 4);
    Hold(0xA0, false);
    Hold(0x11);
    Key(88); // Ctrl+X
    EXPECT_REC(r, u"ef", 0, 0, 0);

    Rec(u"abc", 0);
    Hold(0x11, false);
    Hold(0xA0);
    Key(Left); // nothing to the left: the clamp brings it back
    EXPECT_REC(r, u"abc", 0, 0, 1);

    Hold(0xA0, false);
    Rec(u"abc", 2);
    Key(Left);
    EXPECT_REC(r, u"abc", 1, 0, 0);
    Hold(0x11); // Ctrl+Home, like Home: nothing is claimed before the caret
    Key(Home);
    EXPECT_REC(r, u"abc", 0, 0, 0);
}

TEST_F(EditKeysTest, Clamp_ShouldBringCaretAndSelectionWithinTheText_AfterAnyKey) {
    // A typed-out phrase may leave the caret past the end, and a shortened text a selection
    // reaching beyond it; the next key, even one that does nothing, mends both.
    TrackingRecord& r = Rec(u"abc", 9);
    r.SelStart = 1;
    r.SelCount = 9;
    Key(Up, true);
    EXPECT_REC(r, u"abc", 3, 1, 3); // may reach one place past the end
    r.SelStart = -2;
    r.SelCount = -1;
    r.Pos = -5;
    Key(0xE7); // a key of no row
    EXPECT_REC(r, u"abc", 0, 0, 0);
    r.Text.clear();
    r.Pos = 4;
    r.SelStart = 2;
    r.SelCount = 2;
    Key(0xE7);
    EXPECT_REC(r, u"", 0, 0, 0);
}

TEST_F(EditKeysTest, Backspace_ShouldEraseOnlyALoneDelimiterAfterAWord) {
    TrackingRecord& r = Rec(u"ab.", 3);
    Key(Back);
    EXPECT_REC(r, u"ab", 2, 0, 0);
    Rec(u"abc", 3);
    Key(Back);
    EXPECT_REC(r, u"abc", 2, 0, 0); // the letter stays, after the caret
    Rec(u"a..", 3);
    Key(Back);
    EXPECT_REC(r, u"a..", 2, 0, 0);
    Rec(u" ", 1);
    Key(Back);
    EXPECT_REC(r, u"", 0, 0, 0);
    Rec(u"abc", 0);
    Key(Back);
    EXPECT_REC(r, u"abc", 0, 0, 0);

    Rec(u"abcd", 3);
    r.SelStart = 1;
    r.SelCount = 2;
    Key(Back);
    EXPECT_REC(r, u"ad", 1, 0, 0);
}

TEST_F(EditKeysTest, Delete_ShouldEraseOnlyALastDelimiterAfterAWord) {
    TrackingRecord& r = Rec(u"ab.", 2);
    Key(Del);
    EXPECT_REC(r, u"ab", 2, 0, 0);
    Rec(u"ab.", 1);
    Key(Del);
    EXPECT_REC(r, u"ab.", 1, 0, 0);
    Rec(u"ab.c", 2);
    Key(Del);
    EXPECT_REC(r, u"ab.c", 2, 0, 0);
    Rec(u".", 0); // at the start: not after a word
    Key(Del);
    EXPECT_REC(r, u".", 0, 0, 0);
}

TEST_F(EditKeysTest, ResetKeys_ShouldForgetTextAndCaret) {
    // Keys that take the caret where the record cannot follow, or change the text in ways it
    // cannot imitate: Right and End move into text it does not vouch for, also at its end.
    const std::uint16_t ctrlA = 65, ctrlY = 89, ctrlZ = 90;
    const std::pair<int, std::vector<std::uint16_t>> groups[] = {
        {0x11, {Back, Del, Left, Right, End, ctrlA, ctrlY, ctrlZ, 1, 25, 26}},
        {0, {Up, Down, Right, End, PageUp, PageDown}},
        {0x10, {Right, End}},
    };
    for (const auto& [modifier, codes] : groups) {
        if (modifier) Hold(modifier);
        for (std::uint16_t code : codes) {
            for (std::int32_t pos : {4, 9}) {
                SCOPED_TRACE("code " + std::to_string(code) + " modifier " +
                             std::to_string(modifier) + " caret " + std::to_string(pos));
                TrackingRecord& r = Rec(u"some text", pos);
                Key(code);
                EXPECT_REC(r, u"", 0, 0, 0);
            }
        }
        if (modifier) Hold(modifier, false);
    }
    Hold(0x11);
    Hold(0x10); // Ctrl+Shift+Z redoes; Ctrl+Shift+V and X are no plain paste and cut
    for (std::uint16_t code : {ctrlZ, std::uint16_t(86), std::uint16_t(88)}) {
        SCOPED_TRACE("code " + std::to_string(code));
        TrackingRecord& r = Rec(u"some text", 4);
        Key(code);
        EXPECT_REC(r, u"", 0, 0, 0);
    }
    Hold(0x11, false);
    Hold(0x10, false);

    TrackingRecord& r = Rec(u"some text", 4);
    r.SelStart = 2;
    r.SelCount = 2;
    Key(Left); // a selection collapses to an end the record cannot tell
    EXPECT_REC(r, u"", 0, 0, 0);

    Rec(u"some text", 4);
    Key(Up, true); // an ampersand typed is not Up
    Key(u'!', true);
    Key(u'"', true);
    EXPECT_REC(r, u"some text", 4, 0, 0);
}

TEST_F(EditKeysTest, ControlCodes_ShouldActLikeTheirShortcutsOnlyWithCtrl) {
    TrackingRecord& r = Rec(u"hello", 2);
    for (std::uint16_t code : {1, 22, 24, 25, 26})
        Key(code, true); // without Ctrl: nothing
    EXPECT_REC(r, u"hello", 2, 0, 0);
    Hold(0xA3);
    r.SelStart = 1;
    r.SelCount = 1;
    Key(24, true); // Ctrl+X as its character
    EXPECT_REC(r, u"hllo", 1, 0, 0);
    Key(1, true); // Ctrl+A
    EXPECT_REC(r, u"", 0, 0, 0);
}

TEST_F(EditKeysTest, PrintableCharacters_ShouldNotActAsTheKeysOfTheirCodes) {
    // % is 37 (Left), $ 36 (Home), ( 40 (Down), ' 39 (Right), # 35 (End), . 46 (Delete).
    Hold(0x10); // the Shift these characters are typed with
    TrackingRecord& r = Rec(u"50", 2);
    Key(u'%', true);
    EXPECT_REC(r, u"50", 2, 0, 0);
    Key(u'$', true);
    Key(u'#', true);
    EXPECT_REC(r, u"50", 2, 0, 0);
    Hold(0x10, false);
    Key(u'(', true);
    Key(u'\'', true);
    EXPECT_REC(r, u"50", 2, 0, 0);
    Rec(u"ab.", 2);
    Key(u'.', true);
    EXPECT_REC(r, u"ab.", 2, 0, 0);
    Rec(u"ab.", 3);
    Key(Back, true); // Backspace comes as character 8 and still acts
    EXPECT_REC(r, u"ab", 2, 0, 0);
}

TEST_F(EditKeysTest, Keys_ShouldChangeNothing_WhenAltIsHeldOrTypingRunsOrTheEditorIsShown) {
    TrackingRecord& r = Rec(u"abc", 3);
    Hold(0xA4);
    Key(Back);
    Key(Home);
    EXPECT_REC(r, u"abc", 3, 0, 0);
    Hold(0xA4, false);

    {
        PhraseTyping::ActiveScope expanding(typing);
        Key(Home);
        EXPECT_EQ(r.Pos, 3);
    }

    desk.Window(OwnWindow).Visible = true;
    Key(Home);
    EXPECT_EQ(r.Pos, 3);
    desk.Window(OwnWindow).Visible = false;
    Key(Home);
    EXPECT_EQ(r.Pos, 0);
}

TEST_F(EditKeysTest, Keys_ShouldChangeNothing_WhenTheControlHasNoRecordOrAnExcelRecord) {
    Key(Home);
    EXPECT_TRUE(tracking.Records().empty()); // editing keys never create records

    desk.AddControl(Control(500, EditorThread, u"Excel7"));
    desk.FocusControl(EditorThread, 500);
    TrackingRecord& excel = Rec(u"abc", 3);
    ASSERT_EQ(excel.EditControl, ExcelControlKey);
    Key(Home);
    EXPECT_EQ(excel.Pos, 3);
}

TEST_F(EditKeysTest, Escape_ShouldCancelTyping_InEveryState) {
    PhraseTyping::ActiveScope expanding(typing);
    desk.Window(OwnWindow).Visible = true;
    Hold(0xA4);
    Key(Esc);
    EXPECT_TRUE(typing.Canceled());
}

TEST_F(EditKeysTest, Paste_ShouldReplaceTheSelectionWithTheClipboardText_WithCrLfAsCr) {
    TrackingRecord& r = Rec(u"abc", 3);
    r.SelStart = 1;
    r.SelCount = 2;
    desk.SetClipboardText(u"x\r\ny");
    Hold(0x11);
    Key(86);
    EXPECT_REC(r, u"ax\ry", 4, 0, 0);
    EXPECT_EQ(desk.ClipboardOpens, 1);
    EXPECT_EQ(desk.ClipboardCloses, 1);
    EXPECT_FALSE(desk.ClipboardOpenByUs());

    desk.SetClipboardAnsiText(u"zz"); // only 8-bit text
    Rec(u"ab", 1);
    Key(22, true);
    EXPECT_REC(r, u"azzb", 3, 0, 0);

    Hold(0x11, false);
    Hold(0xA1);
    Key(Insert); // Shift+Insert pastes too
    EXPECT_REC(r, u"azzzzb", 5, 0, 0);
}

TEST_F(EditKeysTest, Paste_ShouldEmptyTheRecord_WhenTheClipboardHasNoTextOrCannotBeOpened) {
    // The control may have pasted what we could not read: nothing of the record is sure.
    Hold(0x11);
    desk.ClearClipboard();
    TrackingRecord& r = Rec(u"ab", 2);
    Key(86);
    EXPECT_REC(r, u"", 0, 0, 0);

    desk.SetClipboardText(u"text");
    desk.ClipboardDataHandleMissing = true;
    Rec(u"ab", 2);
    Key(86);
    EXPECT_REC(r, u"", 0, 0, 0);
    desk.ClipboardDataHandleMissing = false;

    desk.ClipboardOpenFails = true;
    Rec(u"ab", 2);
    Key(86);
    EXPECT_REC(r, u"", 0, 0, 0);
    EXPECT_EQ(desk.ClipboardOpens, desk.ClipboardCloses);
}

TEST_F(EditKeysTest, Paste_ShouldGiveUpAfterFourSeconds_WhenAnotherWindowKeepsTheClipboardOpen) {
    Hold(0x11);
    TrackingRecord& r = Rec(u"ab", 2);
    desk.SetClipboardText(u"late");
    desk.Now = 0xFFFFF000u; // the tick count wraps during the wait
    desk.HoldClipboardOpen(999);
    Key(86);
    EXPECT_REC(r, u"", 0, 0, 0);
    EXPECT_EQ(desk.SleptMs, ClipboardWaitMs);
    EXPECT_EQ(desk.ProcessPendingCalls, static_cast<int>(ClipboardWaitMs));
    EXPECT_EQ(desk.ClipboardOpens, 0);

    // Let go at 2.5 s: the paste goes through.
    Rec(u"ab", 2);
    desk.SleptMs = 0;
    desk.HoldClipboardOpen(999, desk.Now + 2500);
    Key(86);
    EXPECT_REC(r, u"ablate", 6, 0, 0);
    EXPECT_EQ(desk.SleptMs, 2500u);
}

TEST_F(EditKeysTest, Paste_ShouldInsertAtTheCaretAsItStandsAfterTheWait_WhenKeysArriveMeanwhile) {
    Hold(0x11);
    TrackingRecord& r = Rec(u"abcd", 4);
    desk.SetClipboardText(u"XY");
    desk.HoldClipboardOpen(999, desk.Now + 10);
    // While we wait, the user presses Home (queued by the hook) and types in another control,
    // which creates records: the record held by the paste must survive.
    desk.PostMessage(OwnWindow, WM_HOOK_KEY, Home, 0);
    desk.MessageHandler = [&](const sim::PostedMessage& m) {
        if (m.Msg != WM_HOOK_KEY) return;
        Hold(0x11, false);
        keys.HandleEditKey(static_cast<std::uint16_t>(m.WParam), false);
        for (HWindow c = 3000; c < 3100; ++c)
            tracking.AddRecord(Editor, c);
        Hold(0x11);
    };
    Key(86);
    EXPECT_REC(r, u"XYabcd", 2, 0, 0);
    EXPECT_EQ(tracking.Records().size(), 101u);
}

} // namespace
} // namespace lumora::testing
