#include "output/KeySynthesis.h"

#include "simulation/ScriptedDesktop.h"
#include "tests/output/KeyEventText.h"
#include "tracking/TrackingRecords.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

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

TEST_F(KeySynthesisTest, SendBackspaces_ShouldPressAndReleaseBackspaceCountTimes) {
    SendBackspaces(platform, 0x100, 3);
    EXPECT_THAT(KeyEventTexts(desk.Injected), ElementsAre("+8", "-8", "+8", "-8", "+8", "-8"));
    EXPECT_EQ(desk.Injected[0].Scan, 0x0E);
    SendBackspaces(platform, 0x100, 0);
    SendBackspaces(platform, 0x100, -1);
    EXPECT_EQ(desk.Injected.size(), 6u);
}

TEST_F(KeySynthesisTest, ActivateTarget_ShouldReleaseElevenModifiers_WithInputBlockedMeanwhile) {
    std::vector<bool> blockedAtEvent;
    desk.InjectObserver = [&](const KeyEvent&) { blockedAtEvent.push_back(desk.InputBlocked); };
    const std::uint32_t before = desk.Now;

    EXPECT_EQ(ActivateTarget(platform, tracking), 0x100u);

    EXPECT_THAT(desk.ForegroundRequests, ElementsAre(0x100u));
    EXPECT_EQ(desk.Now - before, 100u);
    EXPECT_THAT(KeyEventTexts(desk.Injected),
                ElementsAre("-160", "-16", "-17", "-162", "-18", "-164", "-91", "-92", "-161e",
                            "-163e", "-165e"));
    EXPECT_THAT(blockedAtEvent, ::testing::Each(true));
    EXPECT_THAT(desk.BlockInputCalls, ElementsAre(true, false));
    EXPECT_FALSE(desk.InputBlocked);
}

TEST_F(KeySynthesisTest, ActivateTarget_ShouldUnblockInput_WhenSendingFails) {
    desk.InjectObserver = [](const KeyEvent&) { throw std::runtime_error("no input"); };
    EXPECT_THROW(ActivateTarget(platform, tracking), std::runtime_error);
    EXPECT_THAT(desk.BlockInputCalls, ElementsAre(true, false));
}

TEST_F(KeySynthesisTest, ActivateTarget_ShouldStillReleaseModifiers_WhenThereIsNoTarget) {
    desk.Window(0x100).Status = 0; // nothing qualifies
    EXPECT_EQ(ActivateTarget(platform, tracking), 0u);
    EXPECT_EQ(desk.Injected.size(), 11u);
}

TEST_F(KeySynthesisTest, SendUnicodeUnit_ShouldSendPressAndReleaseWithTheUnitAsScanCode) {
    SendUnicodeUnit(platform, u'\u2014');
    ASSERT_EQ(desk.Injected.size(), 2u);
    EXPECT_EQ(desk.Injected[0].Vk, 0);
    EXPECT_EQ(desk.Injected[0].Scan, 0x2014);
    EXPECT_EQ(desk.Injected[0].Flags, KEYEVENTF_UNICODE);
    EXPECT_EQ(desk.Injected[1].Flags, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP);
    EXPECT_EQ(desk.Injected[1].ExtraInfo, desk.ExtraInfo);
    EXPECT_EQ(desk.ProcessPendingCalls, 2);
}

TEST_F(KeySynthesisTest, TargetKeyboardLayout_ShouldAskForTheTargetsThread) {
    desk.ThreadLayouts[7] = 0x04070407;
    desk.ThreadLayouts[0] = 0x04090409;
    EXPECT_EQ(TargetKeyboardLayout(platform, 0x100), 0x04070407u);
    EXPECT_EQ(TargetKeyboardLayout(platform, 0), 0x04090409u);
}

} // namespace
} // namespace lumora
