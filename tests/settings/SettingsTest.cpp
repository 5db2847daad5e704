#include "settings/SettingsFile.h"
#include "simulation/SimulatedProgram.h"
#include "tests/data/FakeFileSystem.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

std::u16string FileText(testing::FakeFileSystem& files, const std::u16string& path) {
    return DecodeSettingsFile(files.Files.at(path));
}

TEST(ShortcutTest, Text_ShouldReadBackToTheSameShortcut_WhenWrittenAndReadAgain) {
    const auto p = ParseShortcut(u" alt + CTRL+p ");
    ASSERT_TRUE(p);
    EXPECT_EQ(*p, (Shortcut{modifier::Ctrl | modifier::Alt, 'P'}));
    EXPECT_EQ(FormatShortcut(*p), u"Ctrl+Alt+P");
    for (std::u16string text : {u"Ctrl+Alt+Space", u"Shift+Win+F12", u"F9", u"Ctrl+Alt+0",
                                u"Alt+PageDown", u"Ctrl+.", u"Ctrl+Shift+0x5F", u""})
        EXPECT_EQ(FormatShortcut(ParseShortcut(text).value()), text) << Utf16ToUtf8(text);
    EXPECT_EQ(ParseShortcut(u""), Shortcut{});
    for (std::u16string text : {u"Ctrl+Alt", u"Ctrl+", u"Ctrl++P", u"Ctrl+P+Q", u"Ctrl+Ctrl+P",
                                u"Hyper+P", u"F25", u"Ctrl+Shift", u"Alt+0x10", u"Ctrl+0x"})
        EXPECT_FALSE(ParseShortcut(text)) << Utf16ToUtf8(text);
}

TEST(SettingsTest, File_ShouldGiveDefaults_WhenMissingOrEmptyOrNotASettingsFile) {
    testing::FakeFileSystem files;
    sim::RecordingMessageBoxes boxes;
    SettingsFile file(files, boxes, u"C:\\L\\lumora.ini");
    EXPECT_EQ(file.Load(), Settings{});
    files.Files[file.Path()] = "";
    EXPECT_EQ(file.Load(), Settings{});
    files.Files[file.Path()] = std::string("\xFF\xFE\x00\xD8[\x00", 6) + "garbage\x01\x02\x03";
    EXPECT_EQ(file.Load(), Settings{});
    EXPECT_TRUE(boxes.Boxes.empty());
    const Settings defaults;
    EXPECT_EQ(defaults.SearchShortcut, ParseShortcut(u"Ctrl+Alt+Space"));
    EXPECT_TRUE(defaults.PauseShortcut.Empty());
    EXPECT_EQ(defaults.PhraseFile, u"lumora.lmx");
}

TEST(SettingsTest, Keys_ShouldTakeTheirDefault_WhenMissingOrUnreadable) {
    // Keys in any letter case, outside the section ignored, the first of a repeat counting.
    const Settings s = ParseSettings(u"ExpansionMode=2\r\n"
                                     u"[Other]\r\nMaxPhrases=7\r\n"
                                     u"[lumora]\r\n"
                                     u"  expansionmode = 1 \r\n"
                                     u"ExpansionMode=2\r\n"
                                     u"MaxPhrases=lots\r\n"
                                     u"PauseShortcut=Ctrl+Hyper+P\r\n"
                                     u"SearchShortcut=\r\n"
                                     u"ExcludedPrograms= Notepad.exe ;; calc.exe;\r\n"
                                     u"ListWindowWidth=5\r\n"
                                     u"AbbreviationColumnWidth=140\r\n"
                                     u"PhraseFile=\"\"\r\n"
                                     u"; MaxPhrases=9\r\n");
    Settings expected;
    expected.ExpansionMode = 1;
    expected.SearchShortcut = {};
    expected.ExcludedPrograms = {u"Notepad.exe", u"calc.exe"};
    expected.AbbreviationColumnWidth = 140;
    EXPECT_EQ(s, expected);
    EXPECT_EQ(ParseSettings(u"[Lumora]\nMaxPhrases=-1\nPhraseFile= \"D:\\Sync\\my phrases.lmx\"")
                  .MaxPhrases,
              0xFFFFFFFFu);
    EXPECT_EQ(ParseSettings(u"[Lumora]\nPhraseFile= \"D:\\Sync\\my phrases.lmx\"").PhraseFile,
              u"D:\\Sync\\my phrases.lmx");
}

TEST(SettingsTest, PasteSettings_ShouldReadBackAsWritten_AndSkipEntriesThatCannotBeRead) {
    const Settings defaults;
    EXPECT_EQ(defaults.PasteAbove, DefaultPasteAbove);
    EXPECT_EQ(defaults.ProgramMethods,
              (std::vector<ProgramMethod>{{u"<console>", OutputMethod::Type}}));
    const Settings s = ParseSettings(u"[Lumora]\r\nPasteAbove=0\r\n"
                                     u"ProgramMethods= putty.exe=ShiftInsert;slack.exe=paste;"
                                     u"bad.exe=fast;=type;noequals; <console>=paste;"
                                     u"rdp.exe = slow\r\n");
    EXPECT_EQ(s.PasteAbove, 0);
    EXPECT_EQ(s.ProgramMethods,
              (std::vector<ProgramMethod>{{u"putty.exe", OutputMethod::PasteShiftInsert},
                                          {u"slack.exe", OutputMethod::Paste},
                                          {u"<console>", OutputMethod::Paste},
                                          {u"rdp.exe", OutputMethod::TypeSlowly}}));
    const std::u16string text = FormatSettings(s, u"");
    EXPECT_NE(text.find(u"ProgramMethods=putty.exe=shiftinsert;slack.exe=paste;<console>=paste;"
                        u"rdp.exe=slow\r\n"),
              std::u16string::npos);
    EXPECT_EQ(ParseSettings(text), s);
    // Out of range or not a number: the default; an empty list means no entry at all.
    EXPECT_EQ(ParseSettings(u"[Lumora]\nPasteAbove=-5").PasteAbove, DefaultPasteAbove);
    EXPECT_EQ(ParseSettings(u"[Lumora]\nPasteAbove=ten").PasteAbove, DefaultPasteAbove);
    EXPECT_TRUE(ParseSettings(u"[Lumora]\nProgramMethods=").ProgramMethods.empty());
    EXPECT_EQ(RunOptions(s, {}).ProgramMethods, s.ProgramMethods);
    EXPECT_EQ(RunOptions(s, {}).PasteAbove, 0);
}

TEST(SettingsTest, Save_ShouldKeepUnknownKeysAndSections_AndReadBackWhatWasWritten) {
    testing::FakeFileSystem files;
    sim::RecordingMessageBoxes boxes;
    SettingsFile file(files, boxes, u"lumora.ini");
    // Written by hand in UTF-8, as an editor may have saved it.
    files.Files[file.Path()] = "\xEF\xBB\xBF; mine\n[Lumora]\nFuture=\xC3\xA9t\xC3\xA9\n"
                               "MAXPHRASES=50\nMaxPhrases=60\n\n[Elsewhere]\nMaxPhrases=9\n";
    Settings s = file.Load();
    EXPECT_EQ(s.MaxPhrases, 50u);
    s.MaxPhrases = 80;
    s.ExcludedPrograms = {u"notepad.exe", u"WINWORD.EXE"};
    s.PauseShortcut = *ParseShortcut(u"Ctrl+Alt+P");
    s.PhraseFile = u" spaced.lmx";
    ASSERT_TRUE(file.Save(s));
    const std::string& bytes = files.Files.at(file.Path());
    EXPECT_TRUE(bytes.starts_with("\xFF\xFE;\0"));
    const std::u16string text = FileText(files, file.Path());
    EXPECT_TRUE(text.starts_with(u"; mine\r\n[Lumora]\r\nFuture=\u00E9t\u00E9\r\nMaxPhrases=80\r\n"
                                 u"ExpansionMode=0\r\n"))
        << Utf16ToUtf8(text);
    EXPECT_NE(text.find(u"ExcludedPrograms=notepad.exe;WINWORD.EXE\r\n"), std::u16string::npos);
    EXPECT_NE(text.find(u"PauseShortcut=Ctrl+Alt+P\r\n"), std::u16string::npos);
    EXPECT_TRUE(text.ends_with(u"\r\n\r\n[Elsewhere]\r\nMaxPhrases=9\r\n")) << Utf16ToUtf8(text);
    EXPECT_EQ(text.find(u"60"), std::u16string::npos);
    EXPECT_EQ(file.Load(), s);
    // Saving the same settings again changes nothing.
    const int writes = files.Writes;
    ASSERT_TRUE(file.Save(s));
    EXPECT_EQ(files.Writes, writes);

    // A new file is one section of every key, read back as written.
    testing::FakeFileSystem fresh;
    SettingsFile other(fresh, boxes, u"new.ini");
    ASSERT_TRUE(other.Save(s));
    EXPECT_TRUE(FileText(fresh, u"new.ini").starts_with(u"[Lumora]\r\nExpansionMode=0\r\n"));
    EXPECT_EQ(other.Load(), s);
    EXPECT_TRUE(boxes.Boxes.empty());
}

TEST(SettingsTest, FailedWrite_ShouldBeReportedOnce_AndAnUnreadableFileNeverOverwritten) {
    testing::FakeFileSystem files;
    sim::RecordingMessageBoxes boxes;
    SettingsFile file(files, boxes, u"lumora.ini");
    files.FailWrites = true;
    Settings s;
    s.ExpansionMode = 1;
    EXPECT_FALSE(file.Save(s));
    s.ExpansionMode = 2;
    EXPECT_FALSE(file.Save(s));
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_NE(boxes.Boxes[0].Text.find(u"could not save its settings"), std::u16string::npos);
    EXPECT_NE(boxes.Boxes[0].Text.find(u"disk full"), std::u16string::npos);
    files.FailWrites = false;
    EXPECT_TRUE(file.Save(s));
    EXPECT_EQ(file.Load().ExpansionMode, 2);

    // Locked by another program: the defaults for now, and its lines stay as they are.
    files.Files[file.Path()] = EncodeSettingsFile(u"[Lumora]\r\nMaxPhrases=70\r\nMine=1\r\n");
    files.Unreadable.insert(file.Path());
    EXPECT_EQ(file.Load(), Settings{});
    EXPECT_FALSE(file.Save(s));
    files.Unreadable.clear();
    EXPECT_EQ(FileText(files, file.Path()), u"[Lumora]\r\nMaxPhrases=70\r\nMine=1\r\n");
    EXPECT_EQ(boxes.Boxes.size(), 2u);
}

TEST(SettingsTest, ExcludedProgram_ShouldMatchTheFileNameInAnyCase) {
    const std::vector<std::u16string> excluded{u"notepad.exe", u"C:\\Tools\\KeePass.exe"};
    EXPECT_TRUE(IsExcludedProgram(excluded, u"C:\\windows\\system32\\NOTEPAD.EXE"));
    EXPECT_TRUE(IsExcludedProgram(excluded, u"keepass.exe"));
    EXPECT_FALSE(IsExcludedProgram(excluded, u"C:\\notepad.exe.bak"));
    EXPECT_FALSE(IsExcludedProgram(excluded, u""));
    EXPECT_FALSE(IsExcludedProgram({}, u"notepad.exe"));
}

} // namespace
} // namespace lumora
