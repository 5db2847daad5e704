// What the user sees: keys typed on the simulated desktop, the program running on it, and the
// text the target field holds afterwards. The shadow text must agree with the field, or the
// next expansion goes wrong.
#include "expansion/PhraseExpansion.h"
#include "hook/HookMessages.h"
#include "hook/KeyHold.h"
#include "platform/Utf.h"
#include "simulation/SimulatedProgram.h"
#include "tests/StuckKeys.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace lumora::sim {
namespace {

class ScenarioTest : public ::testing::Test {
protected:
    explicit ScenarioTest(DelimiterMode mode = DelimiterMode::AfterDelimiter)
        : program(Options{mode, 30, {}}) {
        program.AddPhrase(u"brb", u"be right back");
        program.AddPhrase(u"sig", u"Best \u2014 Ann \U0001F600");
        sim.ShowWindow(0);
    }
    void TearDown() override { testing::ExpectNoKeyDownThatTheUserDoesNotHold(sim); }

    void Type(std::u16string_view text) {
        sim.TypeText(text);
        sim.RunPending();
    }
    void Press(std::uint8_t vk) {
        sim.PressKey(vk);
        sim.RunPending();
    }
    std::u16string Field() { return sim.FocusedField()->Text(); }
    std::u16string Shadow() { return program.CurrentRecord()->Text; }
    std::size_t ShadowCaret() { return static_cast<std::size_t>(program.CurrentRecord()->Pos); }
    // Enter presses the program injected (not the user's, which the hook library replays).
    int InjectedEnters() {
        int n = 0;
        for (const KeyEvent& e : sim.Desktop().Injected)
            if (e.Vk == simkey::Return && !(e.Flags & KEYEVENTF_KEYUP) && !IsReplayed(e.ExtraInfo))
                ++n;
        return n;
    }

    SimulatedProgram program;
    SimulatedDesktop& sim = program.Sim;
};

class ScenarioMode1Test : public ScenarioTest {
protected:
    ScenarioMode1Test() : ScenarioTest(DelimiterMode::BetweenDelimiters) {}
};

TEST_F(ScenarioTest, TypingAnAbbreviation_ShouldLeaveThePhrase) {
    Type(u" brb");
    EXPECT_EQ(Field(), u" be right back");
    EXPECT_EQ(Shadow(), Field());
    EXPECT_EQ(ShadowCaret(), sim.FocusedField()->Caret());
    Type(u" and brb");
    EXPECT_EQ(Field(), u" be right back and be right back");
    EXPECT_EQ(program.Expansions(), 2);
}

TEST_F(ScenarioTest, AbbreviationInsideAWord_ShouldStayAsTyped) {
    Type(u"abrb xbrb");
    EXPECT_EQ(Field(), u"abrb xbrb");
    EXPECT_EQ(program.Expansions(), 0);
}

TEST_F(ScenarioTest, APhraseWithAnEmDashAndAnEmoji_ShouldArriveIntact) {
    Type(u"sig");
    EXPECT_EQ(Field(), u"Best \u2014 Ann \U0001F600");
    EXPECT_EQ(Shadow(), Field());
}

TEST_F(ScenarioTest, CapitalAbbreviationWithCapsLock_ShouldTypeThePhraseInItsOwnCase) {
    Press(simkey::Capital);
    Type(u"BRB");
    EXPECT_EQ(Field(), u"be right back");
    EXPECT_TRUE(sim.Keyboard().CapsLockOn());
}

TEST_F(ScenarioTest, HookKeyStates_ShouldFollowTheProgramsCapsLock_ThroughAnExpansion) {
    Press(simkey::Capital);
    // The program turns CapsLock off by injection while it types, and on again after; the
    // hook must follow, or a key the user types meanwhile is reported in the wrong case.
    bool sawOff = false, agreed = true;
    sim.Desktop().OnProcessPending = [&] {
        const bool hookCaps = (sim.Hook().KeyStates()[simkey::Capital] & 0x01) != 0;
        agreed = agreed && hookCaps == sim.Keyboard().CapsLockOn();
        sawOff = sawOff || !hookCaps;
    };
    Type(u" brb");
    EXPECT_TRUE(sawOff);
    EXPECT_TRUE(agreed);
    Press('X');
    // Typed in capitals (CapsLock), the abbreviation gives its phrase in capitals.
    EXPECT_EQ(Field(), u" BE RIGHT BACKX");
    EXPECT_EQ(Shadow(), Field());
    EXPECT_FALSE(sim.Hook().Holding());
}

TEST_F(ScenarioTest, EnterDuringAnExpansion_ShouldLandOnceAfterThePhrase_WithoutEndingUpHeld) {
    bool pressed = false;
    sim.Desktop().OnProcessPending = [&] {
        if (!pressed && sim.FocusedField()->Text().size() > 4) {
            pressed = true;
            sim.PressKey(simkey::Return);
        }
    };
    Type(u" brb");
    EXPECT_TRUE(pressed);
    EXPECT_EQ(Field(), u" be right back\r\n");
    EXPECT_EQ(Shadow(), u" be right back\r");
    // The hook held it and replayed it: the program sent no Enter of its own.
    EXPECT_EQ(InjectedEnters(), 0);
    EXPECT_FALSE(sim.Keyboard().IsDown(simkey::Return));
    // Outside an expansion the hook withholds Enter until the program's verdict, then lets it
    // go, once.
    sim.Desktop().OnProcessPending = nullptr;
    Type(u"\r");
    EXPECT_EQ(Field(), u" be right back\r\n\r\n");
    EXPECT_EQ(InjectedEnters(), 0);
    EXPECT_FALSE(sim.Keyboard().IsDown(simkey::Return));
    EXPECT_FALSE(sim.Hook().Holding());
}

TEST_F(ScenarioTest, CaretAfterAnExpansion_ShouldFollowTheField) {
    Type(u" brb");
    Press(simkey::Left);
    Type(u"x");
    EXPECT_EQ(Field(), u" be right bacxk");
    EXPECT_EQ(Shadow(), Field());
    EXPECT_EQ(ShadowCaret(), sim.FocusedField()->Caret());
}

TEST_F(ScenarioTest, AbbreviationBeforeExistingText_ShouldBeReplacedInPlace) {
    Type(u"hello");
    Press(simkey::Home);
    Type(u"brb");
    EXPECT_EQ(Field(), u"be right backhello");
    EXPECT_EQ(Shadow(), Field());
    EXPECT_EQ(ShadowCaret(), 13u);
}

// One move of the caret, as the user makes it.
enum class Move { End, CtrlEnd, Right, CtrlRight, Home, Left, ShiftLeft, CtrlA, Click };

void MakeMove(SimulatedDesktop& sim, Move move) {
    auto withKey = [&](std::uint8_t modifier, std::uint8_t key) {
        sim.UserKeyDown(modifier);
        sim.PressKey(key, true);
        sim.UserKeyUp(modifier);
    };
    switch (move) {
    case Move::End:
        return sim.PressKey(simkey::End, true);
    case Move::CtrlEnd:
        return withKey(simkey::LControl, simkey::End);
    case Move::Right:
        return sim.PressKey(simkey::Right, true);
    case Move::CtrlRight:
        return withKey(simkey::LControl, simkey::Right);
    case Move::Home:
        return sim.PressKey(simkey::Home, true);
    case Move::Left:
        return sim.PressKey(simkey::Left, true);
    case Move::ShiftLeft:
        return withKey(simkey::LShift, simkey::Left);
    case Move::CtrlA:
        sim.UserKeyDown(simkey::LControl);
        sim.PressKey('A');
        return sim.UserKeyUp(simkey::LControl);
    case Move::Click:
        return sim.Click();
    }
}

// The field "hello world" gets a click and six Lefts, then " hi br", the moves and "b"; the
// field's text afterwards, on a desktop with or without the phrase.
std::u16string TypeAroundUnseenText(const std::vector<Move>& moves, bool withPhrase,
                                    int* expansions = nullptr) {
    SimulatedProgram program;
    if (withPhrase) program.AddPhrase(u"brb", u"be right back");
    SimulatedDesktop& sim = program.Sim;
    sim.ShowWindow(0);
    sim.FocusedField()->SetText(u"hello world"); // typed before the program saw the field
    sim.Click();
    for (int i = 0; i < 6; ++i)
        sim.PressKey(simkey::Left, true);
    sim.TypeText(u" hi br");
    for (Move move : moves)
        MakeMove(sim, move);
    sim.TypeText(u"b");
    sim.RunPending();
    if (expansions) *expansions = program.Expansions();
    return sim.FocusedField()->Text();
}

TEST_F(ScenarioTest, MovesIntoUnseenText_ShouldNeverLetAnExpansionEraseWhatItDidNotSee) {
    // The field's text around the typing was never seen. Whatever the user presses between
    // " hi br" and "b", in any order, an expansion may only replace a "brb" that stands before
    // the caret in the field itself; otherwise the field keeps what the user typed.
    const std::vector<Move> all = {Move::End,       Move::CtrlEnd, Move::Right,
                                   Move::CtrlRight, Move::Home,    Move::Left,
                                   Move::ShiftLeft, Move::CtrlA,   Move::Click};
    std::vector<std::vector<Move>> sequences = {{}};
    for (std::size_t length = 1; length <= 3; ++length) {
        std::vector<std::vector<Move>> longer;
        for (const auto& seq : sequences)
            if (seq.size() == length - 1)
                for (Move m : all) {
                    longer.push_back(seq);
                    longer.back().push_back(m);
                }
        sequences.insert(sequences.end(), longer.begin(), longer.end());
    }
    int expanded = 0;
    for (const auto& moves : sequences) {
        int expansions = 0;
        const std::u16string plain = TypeAroundUnseenText(moves, false);
        const std::u16string field = TypeAroundUnseenText(moves, true, &expansions);
        std::string order;
        for (Move m : moves)
            order += std::to_string(static_cast<int>(m)) + " ";
        if (expansions == 0) {
            EXPECT_EQ(field, plain) << "moves " << order;
            continue;
        }
        ++expanded;
        const std::size_t at = plain.find(u"brb");
        ASSERT_NE(at, std::u16string::npos) << "moves " << order;
        std::u16string expected = plain;
        expected.replace(at, 3, u"be right back");
        EXPECT_EQ(field, expected) << "moves " << order;
    }
    // Some orders (no move, Left then Right...) still leave "brb" before the caret.
    EXPECT_GT(expanded, 0);
    EXPECT_EQ(TypeAroundUnseenText({Move::End}, true), u"hello hi br worldb");
    EXPECT_EQ(TypeAroundUnseenText({Move::Right}, true), u"hello hi br bworld");
}

TEST_F(ScenarioTest, PasteOverASelection_ShouldLeaveTheShadowAsTheField) {
    Type(u"see you tomorrow");
    sim.SetClipboard(u"later ");
    sim.UserKeyDown(simkey::LShift);
    for (int i = 0; i < 8; ++i)
        sim.PressKey(simkey::Left, true);
    sim.UserKeyUp(simkey::LShift);
    sim.UserKeyDown(simkey::LControl);
    sim.PressKey('V');
    sim.UserKeyUp(simkey::LControl);
    sim.RunPending();
    EXPECT_EQ(Field(), u"see you later ");
    EXPECT_EQ(Shadow(), Field());
    EXPECT_EQ(ShadowCaret(), sim.FocusedField()->Caret());

    sim.UserKeyDown(simkey::LControl);
    sim.PressKey('A');
    sim.PressKey('V');
    sim.UserKeyUp(simkey::LControl);
    Type(u"brb");
    EXPECT_EQ(Field(), u"later be right back");
    EXPECT_EQ(Shadow(), Field());
}

TEST_F(ScenarioTest, PasswordField_ShouldKeepNothingAndExpandNothing_AsTheFocusComesAndGoes) {
    sim.FocusControl(1);
    sim.Desktop().Window(sim.ControlHandle(0, 1)).Password = true;
    sim.FocusControl(0);
    Type(u"see you b"); // mid-word, the focus goes to the password field and back
    sim.FocusControl(1);
    Type(u"brb secret brb");
    Press(simkey::Left);
    sim.SetClipboard(u"hunter2");
    sim.UserKeyDown(simkey::LControl);
    sim.PressKey('V'); // nor is the pasted text
    sim.UserKeyUp(simkey::LControl);
    EXPECT_EQ(sim.Field(0, 1)->Text(), u"brb secret brhunter2b");
    EXPECT_EQ(program.Expansions(), 0);
    for (const auto& rec : program.Main.Tracking().Records())
        EXPECT_TRUE(rec->Text.find(u"secret") == std::u16string::npos &&
                    rec->Text.find(u"hunter2") == std::u16string::npos)
            << Utf16ToUtf8(rec->Text);
    sim.FocusControl(0);
    Type(u"rb");
    EXPECT_EQ(sim.Field(0, 0)->Text(), u"see you be right back");
    EXPECT_EQ(Shadow(), Field());

    // A field that becomes a password field (its "show password" box unticked) loses its
    // record at the next key.
    sim.Desktop().Window(sim.ControlHandle(0, 0)).Password = true;
    Press(simkey::Left);
    sim.Desktop().Window(sim.ControlHandle(0, 0)).Password = false;
    EXPECT_EQ(program.CurrentRecord()->Text, u"");
}

TEST_F(ScenarioTest, FocusMovingToAPasswordFieldBeforeTheExpansion_ShouldTypeNothingThere) {
    sim.FocusControl(1);
    sim.Desktop().Window(sim.ControlHandle(0, 1)).Password = true;
    sim.FocusControl(0);
    Type(u"ok br");
    sim.KeepUp = false;
    sim.TypeText(u"b");
    // The program takes the "b", which leaves the expansion pending; the focus moves on before
    // its turn comes.
    while (sim.Desktop().PostedWith(WM_EXPAND).empty() && sim.Desktop().DeliverNext()) {
    }
    ASSERT_EQ(sim.Desktop().PostedWith(WM_EXPAND).size(), 1u);
    sim.FocusControl(1);
    sim.RunPending();
    EXPECT_EQ(sim.Field(0, 1)->Text(), u"");
    EXPECT_EQ(sim.Field(0, 0)->Text(), u"ok brb");
    EXPECT_EQ(program.Expansions(), 1); // decided, then dropped: no key was sent
    EXPECT_TRUE(std::none_of(sim.Desktop().Injected.begin(), sim.Desktop().Injected.end(),
                             [](const KeyEvent& e) { return e.Vk == simkey::Back; }));
}

TEST_F(ScenarioTest, ElevatedWindow_ShouldGetNoKeys_AndOneNoticePerProgram) {
    // Windows 1 and 2 belong to programs run as administrator; window 0 to an ordinary one.
    const std::u16string programs[] = {
        u"C:\\Windows\\notepad.exe", u"C:\\Windows\\System32\\cmd.exe", u"C:\\Setup\\install.exe"};
    for (int n : {1, 2, 0}) {
        sim.ShowWindow(n);
        sim.Desktop().Window(sim.WindowHandle(n)).Program = programs[n];
        if (n) sim.Desktop().Window(sim.WindowHandle(n)).Integrity = HighIntegrity;
    }
    sim.ShowWindow(1);
    Type(u"brb ok brb");
    sim.ShowWindow(2);
    Type(u"brb");
    EXPECT_EQ(sim.Field(1, 0)->Text(), u"brb ok brb");
    EXPECT_EQ(sim.Field(2, 0)->Text(), u"brb");
    EXPECT_TRUE(sim.Desktop().Injected.empty()); // not even a released modifier
    ASSERT_EQ(program.Notices.Notices.size(), 2u);
    EXPECT_NE(program.Notices.Notices[0].Text.find(u"cmd.exe runs as administrator"),
              std::u16string::npos);
    EXPECT_NE(program.Notices.Notices[1].Text.find(u"install.exe"), std::u16string::npos);

    sim.ShowWindow(0);
    Type(u"brb");
    EXPECT_EQ(sim.Field(0, 0)->Text(), u"be right back");
    // Lumora run as administrator types into them too; a level that cannot be read does not
    // stop it either. (A click first: "brb " would be taken as the abbreviation and its trail.)
    sim.Desktop().OwnIntegrity = HighIntegrity;
    sim.ShowWindow(1);
    sim.Click();
    Type(u" brb");
    EXPECT_EQ(sim.Field(1, 0)->Text(), u"brb ok brb be right back");
    sim.Desktop().OwnIntegrity = std::nullopt;
    sim.ShowWindow(2);
    sim.Click();
    Type(u" brb");
    EXPECT_EQ(sim.Field(2, 0)->Text(), u"brb be right back");
    EXPECT_EQ(program.Notices.Notices.size(), 2u);
}

TEST_F(ScenarioTest, LostHooks_ShouldComeBack_AfterUnseenTypingResumeAndUnlock) {
    auto& desk = sim.Desktop();
    auto tick = [&](int seconds) {
        for (int i = 0; i < seconds; ++i) {
            desk.Now += WatchdogIntervalMs;
            program.Watchdog.Check();
            sim.RunPending();
        }
    };
    auto reinstalls = [&] {
        return std::count_if(sim.Hook().ThreadMessages().begin(), sim.Hook().ThreadMessages().end(),
                             [](const SimulatedHookLibrary::ThreadMessage& m) {
                                 return m.Msg == WM_HOOK_REINSTALL;
                             });
    };
    Type(u"hi b");
    tick(10); // quiet while the hooks see everything
    EXPECT_EQ(reinstalls(), 0);

    sim.Hook().Remove(); // Windows took them away (a slow callback)
    desk.Now += 300;
    Type(u"rb");
    tick(2);
    EXPECT_FALSE(sim.Hook().Installed());
    tick(2); // several seconds of typing unseen
    EXPECT_TRUE(sim.Hook().Installed());
    EXPECT_EQ(Field(), u"hi brb");
    // Keys went by unseen: the record knows nothing now, rather than "hi b".
    EXPECT_EQ(Shadow(), u"");
    Type(u" brb");
    EXPECT_EQ(Field(), u"hi brb be right back");

    // After sleep, and after the session is unlocked, at once; a lock alone changes nothing.
    const std::pair<unsigned, std::uintptr_t> events[] = {
        {power::PowerBroadcastMsg, power::ResumeAutomatic},
        {power::SessionChangeMsg, power::SessionUnlock}};
    for (auto [msg, wParam] : events) {
        sim.Hook().Remove();
        desk.PostMessage(SimulatedDesktop::MainWindowHandle, power::SessionChangeMsg, 7, 0);
        sim.RunPending();
        EXPECT_FALSE(sim.Hook().Installed());
        desk.PostMessage(SimulatedDesktop::MainWindowHandle, msg, wParam, 0);
        sim.RunPending();
        EXPECT_TRUE(sim.Hook().Installed());
    }
    Type(u" brb");
    EXPECT_EQ(Field(), u"hi brb be right back be right back");
    EXPECT_EQ(reinstalls(), 3);
    // Asked inside the process: a thread message could come from any program on the desktop.
    EXPECT_TRUE(desk.ThreadPosts.empty());
    // And one that does is not taken for the program's word.
    sim.Hook().Remove();
    desk.PostThreadMessage(SimulatedDesktop::HookThread, WM_HOOK_REINSTALL, 0, 0);
    sim.RunPending();
    EXPECT_FALSE(sim.Hook().Installed());
}

TEST_F(ScenarioTest, Enter_ShouldArriveOnce_WhenItCompletesNothing) {
    Type(u"brb\rnext brb");
    EXPECT_EQ(Field(), u"be right back\r\nnext be right back");
}

TEST_F(ScenarioTest, EditorShown_ShouldStopExpansions_ButLetEnterAndTabThrough) {
    sim.SetEditorShown(true);
    Type(u" brb\r\t");
    EXPECT_EQ(Field(), u" brb\r\n\t");
    sim.SetEditorShown(false);
    Type(u" brb");
    EXPECT_EQ(Field(), u" brb\r\n\t be right back");
}

TEST_F(ScenarioTest, PastedTextThenAbbreviation_ShouldExpandAfterThePaste) {
    sim.SetClipboard(u"Hello ");
    Type(u"Re: ");
    sim.UserKeyDown(simkey::LControl);
    sim.PressKey('V');
    sim.UserKeyUp(simkey::LControl);
    Type(u"brb");
    EXPECT_EQ(Field(), u"Re: Hello be right back");
    EXPECT_EQ(Shadow(), Field());
}

TEST_F(ScenarioTest, SecondWindow_ShouldKeepItsOwnShadowText) {
    Type(u"one b");
    sim.ShowWindow(1);
    Type(u"rb");
    EXPECT_EQ(sim.Field(1, 0)->Text(), u"rb");
    sim.ShowWindow(0);
    Type(u"rb");
    EXPECT_EQ(sim.Field(0, 0)->Text(), u"one be right back");
}

TEST_F(ScenarioMode1Test, AbbreviationThenFullStop_ShouldLeaveThePhraseAndTheFullStop) {
    Type(u"brb");
    EXPECT_EQ(Field(), u"brb");
    Type(u".");
    EXPECT_EQ(Field(), u"be right back.");
    EXPECT_EQ(Shadow(), Field());
}

TEST_F(ScenarioMode1Test, AbbreviationThenEnter_ShouldKeepTheTextBeforeIt) {
    Type(u"ok brb\r");
    EXPECT_EQ(Field(), u"ok be right back\r\n");
    Type(u"x");
    EXPECT_EQ(Field(), u"ok be right back\r\nx");
}

} // namespace
} // namespace lumora::sim
