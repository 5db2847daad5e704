#include "settings/Options.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

TEST(ReadOptions, ShouldMatchNamesInAnyCase_AndLetTheLastOneCount) {
    Options none = ReadOptions({});
    EXPECT_EQ(none.Mode, DelimiterMode::AfterDelimiter);
    EXPECT_EQ(none.MaxPhrases, 30u);
    Options o = ReadOptions({u"-MAXITEMS=50", u"other", u"-Delims=1"});
    EXPECT_EQ(o.MaxPhrases, 50u);
    EXPECT_EQ(o.Mode, DelimiterMode::BetweenDelimiters);
    EXPECT_EQ(ReadOptions({u"-maxitems=5", u"-maxitems=7"}).MaxPhrases, 7u);
    EXPECT_EQ(ReadOptions({u"-delims=2", u"-delims=x"}).Mode, DelimiterMode::AfterDelimiter);
}

TEST(ReadOptions, ShouldSaySo_WhenValueIsNotAnInteger) {
    // A -maxitems= that is no number changes nothing, and the user is told.
    for (std::u16string arg :
         {u"-maxitems=abc", u"-maxitems=", u"-maxitems=99999999999", u"-maxitems=12x"}) {
        std::vector<std::u16string> problems;
        Options base;
        base.MaxPhrases = 50;
        EXPECT_EQ(ReadOptions({u"-maxitems=7", arg}, base, &problems).MaxPhrases, 7u);
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_NE(problems[0].find(u"is not a number"), std::u16string::npos);
        EXPECT_NE(problems[0].find(arg), std::u16string::npos);
        EXPECT_NE(problems[0].find(u"stays 7."), std::u16string::npos);
    }
    EXPECT_EQ(ReadOptions({u"-maxitems=abc"}).MaxPhrases, 30u);
    EXPECT_EQ(ReadOptions({u"-delims=-"}).Mode, DelimiterMode::AfterDelimiter);
    // Negative values keep their 32-bit pattern: no practical limit.
    EXPECT_EQ(ReadOptions({u"-maxitems=-1"}).MaxPhrases, 0xFFFFFFFFu);
    EXPECT_EQ(ReadOptions({u"-delims=-2147483648"}).Mode, DelimiterMode::Anywhere);
    EXPECT_EQ(ReadOptions({u"-delims=+3"}).Mode, DelimiterMode::Anywhere);
    EXPECT_EQ(ReadOptions({u"-delims=+1"}).Mode, DelimiterMode::BetweenDelimiters);
    // Only A-Z are lowered: a dotted capital I is not an i.
    EXPECT_EQ(ReadOptions({u"-MAX\u0130TEMS=5"}).MaxPhrases, 30u);
}

TEST(ReadControlCommand, ShouldTakeTheLastCommand_InAnyCase) {
    EXPECT_EQ(ReadControlCommand({}), ControlCommand::None);
    EXPECT_EQ(ReadControlCommand({u"-delims=1", u"-PAUSE"}), ControlCommand::Pause);
    EXPECT_EQ(ReadControlCommand({u"-pause", u"-Resume"}), ControlCommand::Resume);
    EXPECT_EQ(ReadControlCommand({u"-toggle"}), ControlCommand::Toggle);
    EXPECT_EQ(ReadControlCommand({u"-exit", u"-exits", u"pause"}), ControlCommand::Exit);
}

TEST(RunOptions, CommandLine_ShouldWinOverTheSettingsFile) {
    Settings s;
    s.ExpansionMode = 1;
    s.MaxPhrases = 50;
    s.ExcludedPrograms = {u"a.exe"};
    const Options fromFile = RunOptions(s, {});
    EXPECT_EQ(fromFile.Mode, DelimiterMode::BetweenDelimiters);
    EXPECT_EQ(fromFile.MaxPhrases, 50u);
    EXPECT_EQ(fromFile.ExcludedPrograms, s.ExcludedPrograms);
    const Options overridden = RunOptions(s, {u"-delims=0", u"-maxitems=5"});
    EXPECT_EQ(overridden.Mode, DelimiterMode::AfterDelimiter);
    EXPECT_EQ(overridden.MaxPhrases, 5u);
    EXPECT_EQ(PhraseFilePath(u"C:\\L\\", u"lumora.lmx"), u"C:\\L\\lumora.lmx");
    EXPECT_EQ(PhraseFilePath(u"C:\\L\\", u"sub\\p.lmx"), u"C:\\L\\sub\\p.lmx");
    EXPECT_EQ(PhraseFilePath(u"C:\\L\\", u"D:\\Sync\\p.lmx"), u"D:\\Sync\\p.lmx");
    EXPECT_EQ(PhraseFilePath(u"C:\\L\\", u"\\\\nas\\p.lmx"), u"\\\\nas\\p.lmx");
}

} // namespace
} // namespace lumora
