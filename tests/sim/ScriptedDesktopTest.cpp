// The scripted desktop is what every other test stands on: check the parts that imitate
// the system's behaviour rather than merely store values.
#include "tests/DesktopFixture.h"

namespace lumora::testing {
namespace {

using ScriptedDesktopTest = DesktopFixture;

TEST_F(ScriptedDesktopTest, KeyState_ShouldReportGenericModifiersForEitherSide_AndInjectedKeys) {
    desk.SetKeyDown(0xA1, true);
    EXPECT_LT(desk.KeyState(0x10), 0);
    EXPECT_GE(desk.KeyState(0xA0), 0);

    // CapsLock pressed by injection toggles; the low byte is 1 only while it is up.
    desk.SendInput(KeyEvent{0x14, 0, 0, 0, 0});
    EXPECT_EQ(desk.KeyState(0x14) & 0xFF, 0x81);
    desk.SendInput(KeyEvent{0x14, 0, KEYEVENTF_KEYUP, 0, 0});
    EXPECT_EQ(desk.KeyState(0x14), 1);
    desk.SendInput(KeyEvent{0xA1, 0, KEYEVENTF_KEYUP, 0, 0});
    EXPECT_GE(desk.KeyState(0x10), 0);
}

TEST_F(ScriptedDesktopTest, Clipboard_ShouldStayHeldUntilItsTick_AndGiveDataOnlyWhileOpen) {
    desk.SetClipboardText(u"t");
    EXPECT_EQ(desk.UnicodeText(), std::nullopt); // not opened
    desk.HoldClipboardOpen(55, desk.Now + 3);
    EXPECT_EQ(desk.OpenClipboardWindow(), 55u);
    EXPECT_FALSE(desk.Open(OwnWindow));
    desk.Sleep(3);
    EXPECT_EQ(desk.OpenClipboardWindow(), 0u);
    ASSERT_TRUE(desk.Open(OwnWindow));
    EXPECT_EQ(desk.OpenClipboardWindow(), OwnWindow);
    EXPECT_EQ(desk.UnicodeText(), u"t");
    desk.Close();
    EXPECT_FALSE(desk.ClipboardOpenByUs());
}

TEST_F(ScriptedDesktopTest, Messages_ShouldQueueOnlyForTheMainWindow_AndWaitForAHandler) {
    desk.PostMessage(Editor, 5, 0, 0);
    desk.PostMessage(OwnWindow, 6, 1, 2);
    desk.PostThreadMessage(HookThread, 7, 0, 0);
    EXPECT_EQ(desk.Posted.size(), 2u);
    EXPECT_EQ(desk.ThreadPostsWith(7).size(), 1u);
    desk.ProcessPendingMessages(); // no handler yet: the message stays queued
    ASSERT_EQ(desk.Queue.size(), 1u);
    std::vector<unsigned> got;
    desk.MessageHandler = [&](const sim::PostedMessage& m) { got.push_back(m.Msg); };
    desk.ProcessPendingMessages();
    EXPECT_EQ(got, (std::vector<unsigned>{6}));
}

TEST_F(ScriptedDesktopTest, WindowAt_ShouldFindTheTopmostVisibleWindowUnderThePoint) {
    EXPECT_EQ(desk.WindowAt(10, 10), Editor); // the editor lies above our (hidden) window
    desk.Window(Editor).Visible = false;
    EXPECT_EQ(desk.WindowAt(10, 10), 0u);
    desk.Window(OwnWindow).Visible = true;
    EXPECT_EQ(desk.WindowAt(10, 10), OwnWindow);
    EXPECT_EQ(desk.WindowAt(500, 500), 0u);
}

} // namespace
} // namespace lumora::testing
