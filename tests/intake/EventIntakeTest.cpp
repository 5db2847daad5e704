#include "intake/EventIntake.h"

#include "hook/HookMessages.h"
#include "hook/KeyHold.h"
#include "intake/ProgramMessages.h"
#include "platform/Error.h"
#include "simulation/SimulatedProgram.h"
#include "tests/StuckKeys.h"
#include "tests/output/KeyEventText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace lumora {
namespace {

using sim::SimulatedDesktop;
using ::testing::ElementsAre;
using testing::KeyEventTexts;

class EventIntakeTest : public ::testing::Test {
protected:
    void SetUp() override {
        program.AddPhrase(u"brb", u"be right back");
        sim.ShowWindow(0);
    }
    void TearDown() override { testing::ExpectNoKeyDownThatTheUserDoesNotHold(sim); }

    bool Send(unsigned msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
        return program.Main.HandleMessage(msg, wParam, lParam);
    }
    // A character as the hook reports it, then everything it caused.
    void Char(char16_t ch, std::uint8_t vk, std::intptr_t extendedByte = 0) {
        Send(WM_HOOK_CHAR, ch, vk | (extendedByte << 8));
        sim.RunPending();
    }
    // The key events the program injected (not the user's keys the hook library replayed).
    std::vector<std::string> Events() {
        std::vector<KeyEvent> own;
        for (const KeyEvent& e : sim.Desktop().Injected)
            if (!IsReplayed(e.ExtraInfo)) own.push_back(e);
        return KeyEventTexts(own);
    }
    // The field holds text, whose last character the program has just seen complete an
    // abbreviation: its expansion is pending, and its WM_EXPAND queued.
    void Pending(const std::u16string& text) {
        sim.FocusedField()->SetText(text);
        TrackingRecord* rec = program.Main.Tracking().CurrentRecord();
        rec->Text = text.substr(0, text.size() - 1);
        rec->Pos = static_cast<std::int32_t>(rec->Text.size());
        Send(WM_HOOK_CHAR, text.back(), 'A' + (text.back() - u'a'));
        ASSERT_EQ(sim.Desktop().Queue.size(), 1u);
    }

    std::size_t HookRequestsOf(unsigned msg) {
        sim.RunPending();
        return static_cast<std::size_t>(
            std::count_if(sim.Hook().ThreadMessages().begin(), sim.Hook().ThreadMessages().end(),
                          [msg](const auto& m) { return m.Msg == msg; }));
    }

    sim::SimulatedProgram program;
    SimulatedDesktop& sim = program.Sim;
};

TEST_F(EventIntakeTest, HookChar_ShouldObserveTypingAndExpand_WhenIdleAndHidden) {
    sim.FocusedField()->SetText(u" brb"); // the field got the keys; the program sees them here
    for (char16_t c : std::u16string(u" brb"))
        Char(c, static_cast<std::uint8_t>(c));
    EXPECT_EQ(program.Expansions(), 1);
    EXPECT_EQ(sim.FocusedField()->Text(), u" be right back");
    EXPECT_EQ(program.CurrentRecord()->Text, u" be right back");
}

TEST_F(EventIntakeTest, Typing_ShouldNeitherBeObservedNorExpanded_WhenTheEditorIsShown) {
    sim.SetEditorShown(true);
    sim.TypeText(u" brb");
    sim.PressKey(sim::simkey::Return);
    sim.PressKey(sim::simkey::Return, true); // keypad Enter
    sim.TypeText(u"\tx");
    EXPECT_TRUE(sim.Desktop().PostedWith(WM_EXPAND).empty());
    EXPECT_EQ(program.CurrentRecord(), nullptr);
    // Each Enter and Tab the hook held for the program's verdict went on, in its place.
    EXPECT_EQ(sim.FocusedField()->Text(), u" brb\r\n\r\n\tx");
    EXPECT_EQ(HookRequestsOf(WM_HOOK_RELEASE), 3u);
}

TEST_F(EventIntakeTest, HookChar_ShouldStopControlCodesAfterTheEditingKeys) {
    Char(u'a', 'A');
    Char(u'b', 'B');
    Char(3, 'C');   // Ctrl+C: nothing to type
    Char(27, 0xDB); // Escape as a character still cancels, through the editing keys
    EXPECT_EQ(program.CurrentRecord()->Text, u"ab");
    EXPECT_TRUE(program.Main.PhraseTyping().Canceled());
    Char(127, 8); // Ctrl+Backspace goes on to the intake, which forgets the text
    EXPECT_EQ(program.CurrentRecord()->Text, u"");
}

TEST_F(EventIntakeTest, HookKey_ShouldReachTheEditingKeys_WhileTyping) {
    PhraseTyping::ActiveScope expanding(program.Main.PhraseTyping());
    EXPECT_TRUE(Send(WM_HOOK_KEY, 27));
    EXPECT_TRUE(program.Main.PhraseTyping().Canceled());
}

TEST_F(EventIntakeTest, HookMouse_ShouldEmptyTheCurrentRecord) {
    Char(u'a', 'A');
    EXPECT_TRUE(Send(WM_HOOK_MOUSE, static_cast<std::uint32_t>(-3), 200));
    EXPECT_EQ(program.CurrentRecord()->Text, u"");
}

TEST_F(EventIntakeTest, OwnMessages_ShouldCallTheirCallbacks_AndOthersGetDefaultProcessing) {
    int newItems = 0;
    int trayReAdds = 0;
    EXPECT_TRUE(Send(WM_NEW_PHRASE)); // unset: nothing happens
    program.Main.NewPhrase = [&] { ++newItems; };
    program.Main.ReAddTrayIcon = [&] { ++trayReAdds; };
    program.Main.SetTaskbarCreatedMsg(0xC123);
    EXPECT_TRUE(Send(WM_NEW_PHRASE));
    EXPECT_FALSE(Send(0xC123));
    EXPECT_FALSE(Send(WM_USER_BASE + 3));
    EXPECT_EQ(newItems, 1);
    EXPECT_EQ(trayReAdds, 1);
}

TEST_F(EventIntakeTest, Exception_ShouldBeShownInTheErrorBox_AndTheProgramGoesOn) {
    program.Main.NewPhrase = [] { throw Error(u"The phrase list is full"); };
    EXPECT_TRUE(Send(WM_NEW_PHRASE));
    program.Main.NewPhrase = [] { throw std::runtime_error("Disk error!"); };
    EXPECT_TRUE(Send(WM_NEW_PHRASE));
    ASSERT_EQ(program.Boxes.Boxes.size(), 2u);
    EXPECT_EQ(program.Boxes.Boxes[0].Text, u"The phrase list is full.");
    EXPECT_EQ(program.Boxes.Boxes[0].Caption, u"Lumora");
    EXPECT_EQ(program.Boxes.Boxes[0].Icon, MessageBoxIcon::Error);
    EXPECT_EQ(program.Boxes.Boxes[1].Text, u"Disk error!");
    Char(u'a', 'A');
    EXPECT_EQ(program.CurrentRecord()->Text, u"a");
}

TEST(ErrorBoxText, ShouldAppendAFullStop_UnlessTheMessageEndsAtOrBelowOne) {
    EXPECT_EQ(ErrorBoxText(u"Cannot open file"), u"Cannot open file.");
    EXPECT_EQ(ErrorBoxText(u"Done."), u"Done.");
    EXPECT_EQ(ErrorBoxText(u"Really?"), u"Really?.");
    EXPECT_EQ(ErrorBoxText(u"Stop!"), u"Stop!");
    EXPECT_EQ(ErrorBoxText(u"line 3 "), u"line 3 ");
    EXPECT_EQ(ErrorBoxText(u"x/"), u"x/.");
    EXPECT_EQ(ErrorBoxText(u""), u"");
}

TEST_F(EventIntakeTest, Idle_ShouldDropTheRecordsOfClosedWindows) {
    Char(u'a', 'A');
    ASSERT_EQ(program.Main.Tracking().Records().size(), 1u);
    sim.Desktop().DestroyWindow(sim.WindowHandle(0));
    program.Main.OnIdle();
    EXPECT_TRUE(program.Main.Tracking().Records().empty());
}

} // namespace
} // namespace lumora
