#include "output/KeySynthesis.h"

#include "hook/HookMessages.h"

#include "simulation/ScriptedDesktop.h"
#include "tests/output/KeyEventText.h"
#include "tracking/TrackingRecords.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace lumora {
namespace {

using sim::ScriptedDesktop;
using ::testing::ElementsAre;
using testing::KeyEventTexts;

constexpr HWindow OwnWindow = 0x10;

class KeySynthesisTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::ScriptedWindow own;
        own.Handle = OwnWindow;
        own.Thread = 1;
        own.Visible = false;
        desk.AddTopWindow(own);
        desk.ScriptTarget(0x100, 7, 0x101);
    }

    ScriptedDesktop desk;
    Platform& platform = desk.AsPlatform();
    TrackingRecords tracking{desk, OwnWindow};
};

TEST_F(KeySynthesisTest, SendBackspaces_ShouldPressAndReleaseBackspaceCountTimes_InOneInjection) {
    SendBackspaces(platform, 3);
    EXPECT_THAT(KeyEventTexts(desk.Injected), ElementsAre("+8", "-8", "+8", "-8", "+8", "-8"));
    EXPECT_EQ(desk.Injected[0].Scan, 0x0E);
    EXPECT_EQ(desk.SendInputCalls, 1);
    SendBackspaces(platform, 0);
    SendBackspaces(platform, -1);
    EXPECT_EQ(desk.Injected.size(), 6u);
}

TEST_F(KeySynthesisTest, ReleasedModifiers_ShouldReleaseOnlyWhatIsHeld_AndLeaveTheRestToTheHook) {
    desk.SetKeyDown(vk::LShift, true);
    desk.SetKeyDown(vk::RControl, true);
    {
        ReleasedModifiers released(platform, false);
        EXPECT_THAT(KeyEventTexts(desk.Injected), ElementsAre("-160", "-163e"));
        EXPECT_FALSE(desk.IsKeyDown(vk::LShift));
    }
    // Without the hook library nothing knows better: pressed again as they were.
    EXPECT_THAT(KeyEventTexts(desk.Injected, 2), ElementsAre("+160", "+163e"));
    desk.Injected.clear();
    desk.ReleaseAllKeys();
    desk.SetKeyDown(vk::LShift, true);
    // With it, the hook presses again what the user's hand still holds, when the keys go.
    { ReleasedModifiers released(platform, true); }
    EXPECT_THAT(KeyEventTexts(desk.Injected), ElementsAre("-160"));
    desk.Injected.clear();
    desk.ReleaseAllKeys();
    { ReleasedModifiers nothingHeld(platform, true); }
    EXPECT_TRUE(desk.Injected.empty());
}

TEST_F(KeySynthesisTest, AppendCharEvents_ShouldUseTheLayoutsKey_OrAUnicodeEvent) {
    desk.VkKeyScanHandler = [](char16_t ch, HLayout) -> std::int16_t {
        if (ch == u'a') return 0x41;
        if (ch == u'A') return 0x141;
        if (ch == u'\u00e9') return 0x600 | 0x45; // AltGr+E on some layouts
        if (ch == u'\u00b1') return 0x900 | 0x31; // a shift state no key event gives
        if (ch == u'\'') return 0xDE;             // a dead key on US-International
        if (ch == u'^') return 0x136;             // dead only with Shift there
        if (ch == u'6') return 0x36;
        return -1;
    };
    desk.DeadKeyHandler = [](std::uint8_t vk, std::uint8_t shiftState, HLayout) {
        return vk == 0xDE || (vk == 0x36 && shiftState == 1);
    };
    std::vector<KeyEvent> events;
    for (char16_t c : std::u16string(u"aA\u00e9\u00b1('^6"))
        AppendCharEvents(platform, events, c, 0);
    // AltGr (Ctrl+Alt) and dead keys are never pressed: Unicode events instead.
    EXPECT_THAT(KeyEventTexts(events),
                ElementsAre("+65", "-65", "+16", "+65", "-65", "-16", "+u00e9", "-u00e9", "+u00b1",
                            "-u00b1", "+u0028", "-u0028", "+u0027", "-u0027", "+u005e", "-u005e",
                            "+54", "-54"));
    EXPECT_EQ(events.back().ExtraInfo, TypingMarker) << "the hook knows the program's typing";
}

TEST_F(KeySynthesisTest, TargetKeyboardLayout_ShouldAskForTheTargetsThread) {
    desk.ThreadLayouts[7] = 0x04070407;
    desk.ThreadLayouts[0] = 0x04090409;
    EXPECT_EQ(TargetKeyboardLayout(platform, 0x100), 0x04070407u);
    EXPECT_EQ(TargetKeyboardLayout(platform, 0), 0x04090409u);
}

} // namespace
} // namespace lumora
