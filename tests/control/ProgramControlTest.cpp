// Program control as the user meets it: the pause and its shortcut, the search shortcut, the
// commands of a second start and the excluded programs, with the program running on the
// simulated desktop.
#include "control/ProgramControl.h"

#include "simulation/SimulatedProgram.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumora::sim {
namespace {

class ProgramControlTest : public ::testing::Test {
protected:
    explicit ProgramControlTest(DelimiterMode mode = DelimiterMode::AfterDelimiter)
        : program(Options{mode, 30, {}}) {
        program.AddPhrase(u"brb", u"be right back");
        sim.ShowWindow(0);
    }

    void Type(std::u16string_view text) {
        sim.TypeText(text);
        sim.RunPending();
    }
    std::u16string Field() { return sim.FocusedField()->Text(); }
    std::u16string Shadow() { return program.CurrentRecord()->Text; }

    SimulatedProgram program;
    SimulatedDesktop& sim = program.Sim;
};

class ProgramControlMode1Test : public ProgramControlTest {
protected:
    ProgramControlMode1Test() : ProgramControlTest(DelimiterMode::BetweenDelimiters) {}
};

TEST_F(ProgramControlTest, ExcludedProgram_ShouldBeLeftAlone_WhileOthersStillExpand) {
    program.Options.ExcludedPrograms = {u"NOTEPAD.EXE"}; // window 0 is notepad.exe
    Type(u" brb\r\t");
    EXPECT_EQ(Field(), u" brb\r\n\t");
    sim.ShowWindow(1);
    sim.Desktop().Window(sim.WindowHandle(1)).Program = u"C:\\Office\\WINWORD.EXE";
    Type(u" brb");
    EXPECT_EQ(sim.Field(1, 0)->Text(), u" be right back");
    // Taken off the list, the program expands again from the next key on.
    program.Options.ExcludedPrograms.clear();
    sim.ShowWindow(0);
    Type(u" brb");
    EXPECT_EQ(Field(), u" brb\r\n\t be right back");
    EXPECT_EQ(program.Expansions(), 2);
}

TEST_F(ProgramControlTest, PauseShortcut_ShouldPauseAndResume_AndATakenOneBeSaid) {
    std::vector<bool> told;
    program.Main.PauseChanged = [&told](bool paused) { told.push_back(paused); };
    ASSERT_TRUE(program.Main.SetPauseShortcut(*ParseShortcut(u"Ctrl+Alt+P")));
    auto press = [this](std::uint8_t key) {
        const bool registered = sim.Desktop().PressShortcut(SimulatedDesktop::MainWindowHandle,
                                                            modifier::Ctrl | modifier::Alt, key);
        sim.RunPending();
        return registered;
    };
    EXPECT_TRUE(press('P'));
    Type(u" brb");
    EXPECT_EQ(Field(), u" brb");
    EXPECT_TRUE(press('P'));
    Type(u" brb");
    EXPECT_EQ(Field(), u" brb be right back");
    EXPECT_EQ(told, (std::vector<bool>{true, false}));
    // Another program holds Ctrl+Alt+Q: the user is told, and Ctrl+Alt+P is free again.
    sim.Desktop().TakenShortcuts.push_back({modifier::Ctrl | modifier::Alt, 'Q'});
    EXPECT_FALSE(program.Main.SetPauseShortcut(*ParseShortcut(u"Ctrl+Alt+Q")));
    EXPECT_FALSE(press('P'));
    ASSERT_EQ(program.Notices.Notices.size(), 1u);
    EXPECT_NE(program.Notices.Notices[0].Text.find(u"Ctrl+Alt+Q"), std::u16string::npos);
    EXPECT_TRUE(program.Main.SetPauseShortcut({}));
    EXPECT_TRUE(sim.Desktop().Shortcuts.empty());
}

TEST_F(ProgramControlTest, SearchShortcut_ShouldTypeTheChosenPhrase_AlsoWhilePaused) {
    // The search window stands for the callback: it chooses "be right back" for the field.
    program.Main.SearchRequested = [this] {
        program.Main.TypeChosenPhrase(u"be right back", sim.WindowHandle(0));
    };
    ASSERT_TRUE(program.Main.SetSearchShortcut(*ParseShortcut(u"Ctrl+Alt+Space")));
    auto press = [this] {
        sim.Desktop().PressShortcut(SimulatedDesktop::MainWindowHandle,
                                    modifier::Ctrl | modifier::Alt, 0x20);
        sim.RunPending();
    };
    Type(u"ok ");
    press();
    EXPECT_EQ(Field(), u"ok be right back");
    program.Main.SetPaused(true);
    Type(u" ");
    press();
    EXPECT_EQ(Field(), u"ok be right back be right back");
    EXPECT_TRUE(program.Main.SetSearchShortcut({}));
    EXPECT_TRUE(sim.Desktop().Shortcuts.empty());
}

TEST_F(ProgramControlTest, CommandsOfASecondStart_ShouldPauseResumeToggleAndEnd) {
    constexpr unsigned ControlMsg = 0xC100; // as RegisterWindowMessageW gives
    program.Main.SetControlMsg(ControlMsg);
    int exits = 0;
    program.Main.ExitRequested = [&exits] { ++exits; };
    auto send = [this](ControlCommand command) {
        sim.Desktop().PostMessage(SimulatedDesktop::MainWindowHandle, ControlMsg,
                                  static_cast<std::uintptr_t>(command), 0);
        sim.RunPending();
        return program.Main.Paused();
    };
    EXPECT_TRUE(send(ControlCommand::Pause));
    EXPECT_TRUE(send(ControlCommand::Pause));
    Type(u" brb");
    EXPECT_FALSE(send(ControlCommand::Toggle));
    EXPECT_TRUE(send(ControlCommand::Toggle));
    EXPECT_FALSE(send(ControlCommand::Resume));
    Type(u" brb");
    EXPECT_EQ(Field(), u" brb be right back");
    EXPECT_EQ(exits, 0);
    send(ControlCommand::Exit);
    EXPECT_EQ(exits, 1);
}

TEST_F(ProgramControlMode1Test, Paused_ShouldExpandNothing_LetEnterThrough_AndForgetWhatWasTyped) {
    Type(u"ok br");
    program.Main.SetPaused(true);
    Type(u"brb\r\tbrb.");
    EXPECT_EQ(Field(), u"ok brbrb\r\n\tbrb.");
    EXPECT_EQ(program.Expansions(), 0);
    // The shadow text would still end in "br" had the pause not emptied it.
    program.Main.SetPaused(false);
    Type(u"x br");
    program.Main.SetPaused(true);
    Type(u"z");
    program.Main.SetPaused(false);
    Type(u"b. brb.");
    EXPECT_EQ(Field(), u"ok brbrb\r\n\tbrb.x brzb. be right back.");
    EXPECT_EQ(Shadow(), u"b. be right back.");
}

} // namespace
} // namespace lumora::sim
