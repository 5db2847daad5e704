#include "expansion/PhraseExpansion.h"
#include "output/KeySynthesis.h"
#include "tests/DesktopFixture.h"

namespace lumora::testing {
namespace {

using SendKeysTest = DesktopFixture;

TEST_F(SendKeysTest, SendKeys_ShouldInjectOneFilledEventPerKeyInOrder_AndNothingForNoKeys) {
    SendKeys(desk.AsPlatform(), {}, true, false);
    EXPECT_TRUE(desk.Injected.empty());
    EXPECT_EQ(desk.ProcessPendingCalls, 0);

    desk.ExtraInfo = 0xABCD; // the system's extra information is not the program's mark
    SendKeys(desk.AsPlatform(), {16, 65}, true, false);
    SendKeys(desk.AsPlatform(), {16, 65}, false, false);
    SendKeys(desk.AsPlatform(), {0x10000 + 13}, false, true); // only the low 16 bits count
    ASSERT_EQ(desk.Injected.size(), 5u);
    constexpr auto M = static_cast<std::uintptr_t>(TypingMarker);
    EXPECT_EQ(desk.Injected[0], (KeyEvent{16, 0x2A, 0, 0, M}));
    EXPECT_EQ(desk.Injected[1], (KeyEvent{65, 0x1E, 0, 0, M}));
    EXPECT_EQ(desk.Injected[2], (KeyEvent{16, 0x2A, KEYEVENTF_KEYUP, 0, M}));
    EXPECT_EQ(desk.Injected[3], (KeyEvent{65, 0x1E, KEYEVENTF_KEYUP, 0, M}));
    EXPECT_EQ(desk.Injected[4],
              (KeyEvent{13, 0x1C, KEYEVENTF_KEYUP | KEYEVENTF_EXTENDEDKEY, 0, M}));
    EXPECT_EQ(desk.ProcessPendingCalls, 5);
}

TEST_F(SendKeysTest, SendKeys_ShouldHandleMessagesPostedBeforeIt_BeforeReturning) {
    std::vector<unsigned> handled;
    std::vector<std::size_t> injectedWhenHandled;
    desk.MessageHandler = [&](const sim::PostedMessage& m) {
        handled.push_back(m.Msg);
        injectedWhenHandled.push_back(desk.Injected.size());
        if (m.Msg == WM_HOOK_KEY) desk.PostMessage(OwnWindow, WM_EXPAND, 0, 0);
    };
    desk.PostMessage(OwnWindow, WM_HOOK_KEY, 27, 0);
    SendKeys(desk.AsPlatform(), {13}, true, false);
    EXPECT_EQ(handled, (std::vector<unsigned>{WM_HOOK_KEY, WM_EXPAND}));
    EXPECT_EQ(injectedWhenHandled, (std::vector<std::size_t>{1, 1})); // after the event
    EXPECT_TRUE(desk.Queue.empty());
}

} // namespace
} // namespace lumora::testing
