// Phrases pasted through the clipboard: the method chosen per program and length, the
// clipboard given back whole, and the keys the user typed meanwhile after the phrase.
#include "output/PhrasePaste.h"
#include "simulation/SimulatedProgram.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumora::sim {
namespace {

constexpr unsigned CfDib = 8;
constexpr unsigned CfBitmap = 2;

class PasteScenarioTest : public ::testing::Test {
protected:
    PasteScenarioTest() : program(PasteOptions()) {
        program.AddPhrase(u"brb", u"be right back");
        program.AddPhrase(u"lng", Long());
        program.AddPhrase(u"adr", u"Dear {#cursor},\r\nthanks for the long letter of yours.");
        sim.ShowWindow(0);
    }
    static Options PasteOptions() {
        Options options;
        options.PasteAbove = 20;
        return options;
    }
    static std::u16string Long() {
        std::u16string text;
        for (int i = 0; i < 60; ++i)
            text += u"word" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) + u' ';
        return text;
    }
    void Type(std::u16string_view text) {
        sim.TypeText(text);
        sim.RunPending();
    }
    std::u16string Field() { return sim.FocusedField()->Text(); }
    std::u16string Shadow() { return program.CurrentRecord()->Text; }
    // Paste keys the program sent: V or Insert pressed right after Ctrl or Shift.
    int PasteKeys() {
        int n = 0;
        const auto& injected = sim.Desktop().Injected;
        for (std::size_t i = 1; i < injected.size(); ++i)
            if (!(injected[i].Flags & KEYEVENTF_KEYUP) &&
                ((injected[i].Vk == 'V' && injected[i - 1].Vk == 0x11) ||
                 (injected[i].Vk == 0x2D && injected[i - 1].Vk == 0x10)))
                ++n;
        return n;
    }
    int TypedKeys() {
        int n = 0;
        for (const KeyEvent& e : sim.Desktop().Injected)
            if (!(e.Flags & KEYEVENTF_KEYUP) && e.Vk >= 'A' && e.Vk <= 'Z' && e.Vk != 'V') ++n;
        return n;
    }
    // The user's clipboard: text, an image, a private format, and a bitmap handle that no
    // program can copy as bytes.
    void FillClipboard() {
        auto& d = sim.Desktop();
        d.SetClipboardText(u"what the user copied");
        d.ClipFormats[CfDib] = {40, 0, 0, 0, 1, 2, 3, 4, 5};
        d.ClipFormats[d.RegisterFormat(u"Rich Text Format")] = {'{', '\\', 'r', 't', 'f', '}'};
        d.ClipUnreadable.push_back(CfBitmap);
    }

    SimulatedProgram program;
    SimulatedDesktop& sim = program.Sim;
};

TEST_F(PasteScenarioTest, MethodTable_ShouldFollowTheProgramThenTheConsoleThenTheLength) {
    Options options;
    options.PasteAbove = 100;
    options.ProgramMethods = {{u"putty.exe", OutputMethod::PasteShiftInsert},
                              {u"C:\\Apps\\Slack.EXE", OutputMethod::Type},
                              {u"remote.exe", OutputMethod::TypeSlowly},
                              {std::u16string(ConsoleWindows), OutputMethod::Paste}};
    Options never = options;
    never.PasteAbove = 0;
    Options noConsoleEntry;
    noConsoleEntry.ProgramMethods.clear();
    struct Case {
        const Options& With;
        std::u16string Program;
        bool Console;
        std::size_t Length;
        OutputMethod Expected;
    } cases[] = {
        {options, u"C:\\Windows\\notepad.exe", false, 13, OutputMethod::Type},
        {options, u"C:\\Windows\\notepad.exe", false, 100, OutputMethod::Type},
        {options, u"C:\\Windows\\notepad.exe", false, 101, OutputMethod::Paste},
        {never, u"C:\\Windows\\notepad.exe", false, 5000, OutputMethod::Type},
        {options, u"D:\\bin\\PuTTY.exe", false, 3, OutputMethod::PasteShiftInsert},
        {options, u"slack.exe", false, 5000, OutputMethod::Type},
        {options, u"remote.exe", true, 5, OutputMethod::TypeSlowly},
        {options, u"C:\\Windows\\conhost.exe", true, 5, OutputMethod::Paste},
        {options, u"", true, 5, OutputMethod::Paste},
        {noConsoleEntry, u"cmd.exe", true, 500, OutputMethod::Paste},
        {Options{}, u"cmd.exe", true, 5000, OutputMethod::Type}, // the built-in console entry
        {Options{}, u"notepad.exe", false, 5000, OutputMethod::Paste},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseOutputMethod(c.With, c.Program, c.Console, c.Length), c.Expected)
            << std::string(c.Program.begin(), c.Program.end()) << " " << c.Length;
}

TEST_F(PasteScenarioTest, LongPhrase_ShouldBePasted_AndTheClipboardGivenBackWhole) {
    // A target that reads the paste with a window of its own, and a rich-text control that
    // reads it through OLE: without a window, and keeping the clipboard open a while after.
    for (std::uint32_t heldAfter : {0u, 40u}) {
        SCOPED_TRACE(heldAfter);
        sim.ShowWindow(heldAfter ? 1 : 0);
        sim.PasteHoldsClipboardMs = heldAfter;
        FillClipboard();
        auto before = sim.Desktop().AllFormats();
        sim.Desktop().Injected.clear();
        const int injections = sim.Desktop().SendInputCalls;
        Type(u" lng ");
        EXPECT_EQ(Field(), u" " + Long() + u" ");
        EXPECT_EQ(Shadow(), Field());
        EXPECT_EQ(PasteKeys(), 1);
        EXPECT_EQ(TypedKeys(), 0);
        // The Backspaces and the paste keys went in one injection: nothing waits between them.
        EXPECT_EQ(sim.Desktop().SendInputCalls - injections, 1);
        // Everything that could be read is back, and nothing of ours is left; the bitmap
        // handle could not be kept.
        EXPECT_EQ(sim.Desktop().AllFormats(), before);
        EXPECT_TRUE(sim.Desktop().ClipUnreadable.empty());
        EXPECT_FALSE(sim.Desktop().ClipboardOpenByUs());
        // The next copy and paste by the user gets what they copied.
        sim.UserKeyDown(0xA2);
        sim.PressKey('V');
        sim.UserKeyUp(0xA2);
        sim.RunPending();
        EXPECT_EQ(Field(), u" " + Long() + u" what the user copied");
    }
}

TEST_F(PasteScenarioTest, PastedPhrase_ShouldCarryTheMarksThatKeepItOutOfTheHistory) {
    FillClipboard();
    Type(u" lng ");
    auto& d = sim.Desktop();
    std::vector<unsigned> marked;
    for (const ClipboardItem& item : d.FormatsAtLastRead) {
        for (std::u16string_view name : {ExcludeFromMonitorsFormat, HistoryFormat, CloudFormat})
            if (item.Format == d.RegisterFormat(name)) {
                marked.push_back(item.Format);
                EXPECT_EQ(item.Data, (std::vector<std::uint8_t>{0, 0, 0, 0}));
            }
        // None of the user's formats is offered alongside the phrase.
        EXPECT_NE(item.Format, CfDib);
    }
    EXPECT_EQ(marked.size(), 3u);
}

TEST_F(PasteScenarioTest, ShortPhrase_ShouldStayTyped_AndLeaveTheClipboardUntouched) {
    FillClipboard();
    const int opens = sim.Desktop().ClipboardOpens;
    Type(u" brb ");
    EXPECT_EQ(Field(), u" be right back ");
    EXPECT_EQ(PasteKeys(), 0);
    EXPECT_EQ(sim.Desktop().ClipboardOpens, opens);
}

TEST_F(PasteScenarioTest, ClipboardThatCannotBeHad_ShouldLeaveThePhraseTyped) {
    for (bool heldByAnother : {false, true}) {
        SCOPED_TRACE(heldByAnother);
        FillClipboard();
        if (heldByAnother)
            sim.Desktop().HoldClipboardOpen(0x999);
        else
            sim.Desktop().ClipboardOpenFails = true;
        sim.ShowWindow(heldByAnother ? 2 : 1);
        Type(u" lng ");
        EXPECT_EQ(Field(), u" " + Long() + u" ");
        EXPECT_EQ(Shadow(), Field());
        EXPECT_EQ(PasteKeys(), 0);
        EXPECT_EQ(sim.Desktop().ClipUnicode, u"what the user copied");
        sim.Desktop().ReleaseClipboard();
        sim.Desktop().ClipboardOpenFails = false;
        sim.Desktop().Injected.clear();
    }
}

TEST_F(PasteScenarioTest, ClipboardHeldAtTheGiveBack_ShouldGetTheUsersContentsBackLater) {
    // The target keeps the clipboard open long after it read the phrase, past the give-back's
    // wait: the main window's timer tries again until it opens, the user's newer copy wins
    // over ours, and a clipboard held for good ends in one notice.
    struct Case {
        const char* Name;
        std::uint32_t HeldMs;
        bool CopiedMeanwhile;
        bool PastedAgain; // another long phrase while the give-back waits
        bool Restored;
        int Notices;
    };
    const Case cases[] = {{"freed later", 6000, false, false, true, 0},
                          {"the user copies meanwhile", 6000, true, false, false, 0},
                          {"another paste meanwhile", 6000, false, true, true, 0},
                          {"held for good", 120000, false, false, false, 1}};
    auto& d = sim.Desktop();
    PhrasePaste& paste = program.Main.Expansion().Paste();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        d.ReleaseClipboard();
        sim.Click();
        FillClipboard();
        const auto before = d.AllFormats();
        const std::size_t notices = program.Notices.Notices.size();
        sim.PasteHoldsClipboardMs = c.HeldMs;
        Type(u" lng ");
        EXPECT_EQ(Field().substr(Field().size() - Long().size() - 1), Long() + u" ");
        ASSERT_TRUE(paste.GiveBackRetryDelayMs());
        if (c.CopiedMeanwhile) {
            d.ReleaseClipboard();
            d.SetClipboardText(u"copied meanwhile");
        }
        if (c.PastedAgain) {
            d.ReleaseClipboard();
            sim.PasteHoldsClipboardMs = 0;
            Type(u"lng ");
        }
        int tries = 0;
        while (const auto delay = paste.GiveBackRetryDelayMs()) {
            ASSERT_LT(++tries, 1000);
            d.Now += *delay;
            paste.RetryGiveBack();
        }
        if (c.Restored) {
            EXPECT_EQ(d.AllFormats(), before);
        }
        if (c.CopiedMeanwhile) {
            EXPECT_EQ(d.ClipUnicode, u"copied meanwhile");
        }
        EXPECT_FALSE(d.ClipboardOpenByUs());
        EXPECT_EQ(program.Notices.Notices.size() - notices, static_cast<std::size_t>(c.Notices));
    }
    // The tries stop after about half a minute.
    EXPECT_NE(program.Notices.Notices.back().Title.find(u"clipboard"), std::u16string::npos);
}

TEST_F(PasteScenarioTest, RefusedPasteKeys_ShouldStillGiveTheUsersClipboardBack) {
    FillClipboard();
    const auto before = sim.Desktop().AllFormats();
    sim.Desktop().RefusedInjections = 1;
    Type(u" lng ");
    EXPECT_EQ(sim.Desktop().AllFormats(), before);
    EXPECT_FALSE(sim.Desktop().ClipboardOpenByUs());
}

TEST_F(PasteScenarioTest, KeysTypedDuringThePaste_ShouldArriveAfterIt) {
    bool typed = false;
    sim.Desktop().OnProcessPending = [&] {
        // While the paste waits for the target, the user goes on typing.
        if (!typed && !sim.Desktop().Injected.empty()) {
            typed = true;
            sim.TypeText(u"ok");
        }
    };
    Type(u" lng");
    EXPECT_TRUE(typed);
    EXPECT_EQ(Field(), u" " + Long() + u"ok");
    EXPECT_EQ(Shadow(), Field());
}

TEST_F(PasteScenarioTest, CursorFieldInAPastedPhrase_ShouldPlaceTheCaret) {
    Type(u" adr");
    EXPECT_EQ(Field(), u" Dear ,\r\nthanks for the long letter of yours.");
    EXPECT_EQ(PasteKeys(), 1);
    EXPECT_EQ(sim.FocusedField()->Caret(), 6u);
    Type(u"Ann");
    EXPECT_EQ(Field(), u" Dear Ann,\r\nthanks for the long letter of yours.");
    // The shadow keeps a line break as the Enter key's CR, as after typing.
    EXPECT_EQ(Shadow(), u" Dear Ann,\rthanks for the long letter of yours.");
}

TEST_F(PasteScenarioTest, ProgramList_ShouldPasteWithShiftInsert_TypeInConsoles_AndTypeSlowly) {
    auto& d = sim.Desktop();
    program.Options.ProgramMethods.push_back({u"notepad.exe", OutputMethod::PasteShiftInsert});
    Type(u" brb ");
    EXPECT_EQ(Field(), u" be right back ");
    ASSERT_EQ(PasteKeys(), 1);
    program.Options.ProgramMethods.pop_back();

    // A console window (the built-in entry types) and a program that takes keys slowly.
    sim.ShowWindow(1);
    d.Window(sim.WindowHandle(1)).ClassName = u"ConsoleWindowClass";
    d.Injected.clear();
    Type(u" lng ");
    EXPECT_EQ(Field(), u" " + Long() + u" ");
    EXPECT_EQ(PasteKeys(), 0);

    sim.ShowWindow(2);
    program.Options.ProgramMethods.push_back({u"notepad.exe", OutputMethod::TypeSlowly});
    const std::uint32_t slept = d.SleptMs;
    Type(u" brb ");
    EXPECT_EQ(Field(), u" be right back ");
    EXPECT_GE(d.SleptMs - slept, 13 * SlowKeyDelayMs); // one pause per key of the phrase
}

} // namespace
} // namespace lumora::sim
