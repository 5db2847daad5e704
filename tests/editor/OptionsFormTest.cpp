#include "editor/OptionsForm.h"
#include "editor/PhraseEditor.h"
#include "simulation/ScriptedDesktop.h"
#include "tests/data/FakeFileSystem.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

class OptionsFormTest : public ::testing::Test {
protected:
    Settings current;
    OptionsFormValues values = FormValuesOf(current, false);
};

TEST_F(OptionsFormTest, Values_ShouldComeBackAsTheSettings_WithTheUsersChanges) {
    current.ExpansionMode = 7; // inside words, by a number the list does not show
    values = FormValuesOf(current, false);
    EXPECT_EQ(values.ModeChoice, 2u);
    EXPECT_EQ(values.MaxPhrases, u"30");
    OptionsFormResult unchanged = ReadOptionsForm(values, current, 3);
    ASSERT_TRUE(unchanged.Ok());
    EXPECT_EQ(unchanged.NewSettings, current); // the 7 is kept
    EXPECT_FALSE(unchanged.PhraseFileChanged);

    values.ModeChoice = 1;
    values.MaxPhrases = u" 200 ";
    values.PhraseFile = u"D:\\Sync\\phrases.lmx";
    values.ExcludedPrograms = {u"C:\\Program Files\\App\\Notepad.exe", u"notepad.exe", u"calc.exe",
                               u"  "};
    values.PauseShortcut = {modifier::Ctrl | modifier::Alt, 'P'};
    values.SearchShortcut = {modifier::Ctrl | modifier::Win, 'F'};
    const OptionsFormResult result = ReadOptionsForm(values, current, 3);
    ASSERT_TRUE(result.Ok()) << std::string(result.Error.begin(), result.Error.end());
    EXPECT_EQ(result.NewSettings.ExpansionMode, 1);
    EXPECT_EQ(result.NewSettings.MaxPhrases, 200u);
    EXPECT_TRUE(result.PhraseFileChanged);
    EXPECT_EQ(result.NewSettings.PhraseFile, u"D:\\Sync\\phrases.lmx");
    EXPECT_EQ(result.NewSettings.ExcludedPrograms,
              (std::vector<std::u16string>{u"Notepad.exe", u"calc.exe"}));
    EXPECT_EQ(FormatShortcut(result.NewSettings.PauseShortcut), u"Ctrl+Alt+P");
    EXPECT_EQ(FormatShortcut(result.NewSettings.SearchShortcut), u"Ctrl+Win+F");

    // The paste length and the program list: by file name, each once, the console kept.
    EXPECT_EQ(FormValuesOf(current, false).PasteAbove, u"40");
    values.PasteAbove = u" 0 ";
    values.ProgramMethods = {{u"<console>", OutputMethod::Paste},
                             {u"C:\\Tools\\PuTTY.exe", OutputMethod::PasteShiftInsert},
                             {u"putty.exe", OutputMethod::Type},
                             {u" ", OutputMethod::Type}};
    const OptionsFormResult methods = ReadOptionsForm(values, current, 3);
    ASSERT_TRUE(methods.Ok());
    EXPECT_EQ(methods.NewSettings.PasteAbove, 0);
    EXPECT_EQ(methods.NewSettings.ProgramMethods,
              (std::vector<ProgramMethod>{{u"<console>", OutputMethod::Paste},
                                          {u"PuTTY.exe", OutputMethod::PasteShiftInsert}}));
    EXPECT_EQ(ProgramMethodLabel(methods.NewSettings.ProgramMethods[0]),
              u"Console windows: Always paste");
    EXPECT_EQ(ProgramMethodLabel(methods.NewSettings.ProgramMethods[1]),
              u"PuTTY.exe: Paste with Shift+Insert");
}

TEST_F(OptionsFormTest, Values_ShouldBeRefused_WhenTheyWouldCostPhrasesOrTyping) {
    for (std::u16string_view max : {u"", u"0", u"many", u"-1", u"99999999999"}) {
        values.MaxPhrases = std::u16string(max);
        EXPECT_EQ(ReadOptionsForm(values, current, 3).ErrorField, OptionsField::MaxPhrases);
    }
    // Fewer than the list holds: the last phrases would not be loaded at the next start.
    values.MaxPhrases = u"2";
    const OptionsFormResult fewer = ReadOptionsForm(values, current, 3);
    EXPECT_EQ(fewer.ErrorField, OptionsField::MaxPhrases);
    EXPECT_NE(fewer.Error.find(u"holds 3 phrases"), std::u16string::npos);
    values.MaxPhrases = u"3";
    EXPECT_TRUE(ReadOptionsForm(values, current, 3).Ok());

    values.PhraseFile = u" ";
    EXPECT_EQ(ReadOptionsForm(values, current, 3).ErrorField, OptionsField::PhraseFile);
    values.PhraseFile = u"lumora.lmx";
    // A plain key (or Shift with one) as a global shortcut would stop it being typed anywhere.
    values.PauseShortcut = {modifier::Shift, 'P'};
    EXPECT_EQ(ReadOptionsForm(values, current, 3).ErrorField, OptionsField::PauseShortcut);
    values.PauseShortcut = {};
    EXPECT_TRUE(ReadOptionsForm(values, current, 3).Ok());
    values.SearchShortcut = {0, 'S'};
    EXPECT_EQ(ReadOptionsForm(values, current, 3).ErrorField, OptionsField::SearchShortcut);
    // One shortcut cannot both pause and search.
    values.PauseShortcut = values.SearchShortcut = {modifier::Ctrl | modifier::Alt, 'P'};
    EXPECT_EQ(ReadOptionsForm(values, current, 3).ErrorField, OptionsField::SearchShortcut);
    values.SearchShortcut = {};
    EXPECT_TRUE(ReadOptionsForm(values, current, 3).Ok());
    for (std::u16string_view above : {u"", u"-1", u"long", u"1000001"}) {
        values.PasteAbove = std::u16string(above);
        EXPECT_EQ(ReadOptionsForm(values, current, 3).ErrorField, OptionsField::PasteAbove);
    }
}

TEST_F(OptionsFormTest, HotKeyValues_AndOfferedPrograms_ShouldMatchWhatTheWindowShows) {
    const Shortcut ctrlAltP{modifier::Ctrl | modifier::Alt, 'P'};
    EXPECT_EQ(HotKeyValueOf(ctrlAltP), 0x0650); // HOTKEYF_CONTROL | HOTKEYF_ALT, 'P'
    EXPECT_EQ(ShortcutOfHotKeyValue(0x0650), ctrlAltP);
    EXPECT_EQ(ShortcutOfHotKeyValue(0x0F50).Modifiers, // Shift and the extended flag too
              modifier::Ctrl | modifier::Alt | modifier::Shift);
    EXPECT_TRUE(ShortcutOfHotKeyValue(0x0600).Empty());
    EXPECT_EQ(HotKeyValueOf({}), 0);

    EXPECT_EQ(ProgramsToOffer({u"C:\\Windows\\notepad.exe", u"C:\\x\\Zed.exe", u"C:\\y\\lumora.exe",
                               u"C:\\Windows\\NOTEPAD.EXE", u"C:\\a\\calc.exe"},
                              {u"calc.exe"}),
              (std::vector<std::u16string>{u"notepad.exe", u"Zed.exe"}));
}

TEST_F(OptionsFormTest, StartAtSignIn_ShouldWriteTheQuotedPath_AndRemoveIt) {
    sim::ScriptedDesktop desk;
    const std::u16string exe = u"C:\\Users\\Ann\\My Tools\\lumora.exe";
    ApplyStartAtSignIn(desk, true, exe);
    EXPECT_EQ(desk.RunKeyCommand, u"\"C:\\Users\\Ann\\My Tools\\lumora.exe\"");
    // An entry of a copy that was moved is pointed at this one.
    desk.RunKeyCommand = u"\"D:\\old\\lumora.exe\"";
    ApplyStartAtSignIn(desk, true, exe);
    EXPECT_EQ(desk.RunKeyCommand, RunCommandFor(exe));
    ApplyStartAtSignIn(desk, false, exe);
    EXPECT_FALSE(desk.RunKeyCommand);
    ApplyStartAtSignIn(desk, false, exe); // nothing to remove
    EXPECT_FALSE(desk.RunKeyCommand);
}

TEST_F(OptionsFormTest, SwitchPhraseFile_ShouldLoseNoPhrase_EitherWay) {
    testing::FakeFileSystem files;
    AbbreviationIndex index;
    PhraseList rows;
    {
        AbbreviationIndex otherIndex;
        PhraseList other;
        other.AppendPhrase(otherIndex, u"there", u"in the synced file");
        SavePhrases(other, files, u"D:\\sync.lmx");
    }
    sim::ScriptedDesktop desk;
    std::optional<PhraseFile> file;
    file.emplace(files, desk, u"C:\\lumora.lmx", rows, index);
    file->Load(30, {});
    rows.AppendPhrase(index, u"brb", u"be right back"); // an edit not yet saved
    file->Changed();

    // Using the file there saves the list where it was first.
    SwitchPhraseFile(file, files, desk, rows, index, u"D:\\sync.lmx", PhraseFileMove::UseNewFile,
                     30);
    EXPECT_EQ(file->Path(), u"D:\\sync.lmx");
    ASSERT_EQ(rows.Count(), 1u);
    EXPECT_EQ(rows.At(0).Abbreviation(), u"there");
    EXPECT_EQ(CountPhrasesInFile(files, u"C:\\lumora.lmx"), 1u);

    // Taking the phrases along writes them to the new file at once; the old one stays.
    SwitchPhraseFile(file, files, desk, rows, index, u"E:\\new.lmx",
                     PhraseFileMove::TakePhrasesAlong, 30);
    EXPECT_EQ(file->Path(), u"E:\\new.lmx");
    EXPECT_EQ(files.Files[u"E:\\new.lmx"], files.Files[u"D:\\sync.lmx"]);

    // A file that cannot be read changes nothing.
    files.Unreadable.insert(u"F:\\broken.lmx");
    EXPECT_ANY_THROW(SwitchPhraseFile(file, files, desk, rows, index, u"F:\\broken.lmx",
                                      PhraseFileMove::UseNewFile, 30));
    EXPECT_EQ(file->Path(), u"E:\\new.lmx");
    EXPECT_EQ(rows.Count(), 1u);
}

TEST_F(OptionsFormTest, RaisedLimit_ShouldBringInWhatTheLoadLeftOut_KeepingTheEdits) {
    testing::FakeFileSystem files;
    {
        AbbreviationIndex storedIndex;
        PhraseList stored;
        for (char16_t c = u'0'; c < u'5'; ++c)
            stored.AppendPhrase(storedIndex, std::u16string(u"p") + c, u"text");
        SavePhrases(stored, files, u"lumora.lmx");
    }
    AbbreviationIndex index;
    PhraseList rows;
    ASSERT_TRUE(LoadPhrases(rows, index, files, u"lumora.lmx", 3, {}).StoppedAtLimit);
    rows.At(0).SetAbbreviation(u"edited");
    rows.DeleteAt(1);
    EXPECT_EQ(BringInLeftOutPhrases(rows, index, files, u"lumora.lmx", 3, 4), 5u);
    std::vector<std::u16string> abbreviations;
    for (std::size_t i = 0; i < rows.Count(); ++i)
        abbreviations.push_back(rows.At(i).Abbreviation());
    EXPECT_EQ(abbreviations, (std::vector<std::u16string>{u"edited", u"p2", u"p3", u"p4"}));
}

} // namespace
} // namespace lumora
