// lumoratool simulate: scripts of user input and the lines they print.
#include "data/PhraseFile.h"
#include "tests/data/FakeFileSystem.h"
#include "tests/tools/ToolRun.h"

#include <gtest/gtest.h>

namespace lumora::tool {
namespace {

class SimulateCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        AbbreviationIndex data;
        PhraseList rows;
        rows.AppendPhrase(data, u"brb", u"be right back");
        rows.AppendPhrase(data, u"sig", u"Best \u2014 Ann \U0001F600");
        files.Files[u"p.lmx"] = PhraseFileBytes(rows);
    }

    ToolRun Simulate(const std::string& script, std::vector<std::u16string> args = {u"p.lmx"}) {
        return RunTool(SimulateCommand, args, files, script);
    }

    testing::FakeFileSystem files;
};

TEST_F(SimulateCommandTest, TypedAbbreviation_ShouldPrintThePhraseAndTheShadowText) {
    ToolRun r = Simulate("type \" brb\"\nprint\npress Left\ntype \"x\"\n");
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(
        r.out,
        "{\"text\":\" be right back\",\"caret\":14,\"shadow\":\" be right back\",\"pos\":14,"
        "\"expansions\":1}\n"
        "{\"text\":\" be right bacxk\",\"caret\":14,\"shadow\":\" be right bacxk\",\"pos\":14,"
        "\"expansions\":1}\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(SimulateCommandTest, ModeOne_ShouldExpandWhenTheFullStopFollows) {
    ToolRun r = Simulate("type \"brb\"\nprint\ntype \".\"\r\n", {u"-delims=1", u"p.lmx"});
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.out,
              "{\"text\":\"brb\",\"caret\":3,\"shadow\":\"brb\",\"pos\":3,\"expansions\":0}\n"
              "{\"text\":\"be right back.\",\"caret\":14,\"shadow\":\"be right back.\","
              "\"pos\":14,\"expansions\":1}\n");
}

TEST_F(SimulateCommandTest, PhraseOffTheLayout_ShouldArriveIntact) {
    ToolRun r = Simulate("type \"sig\"\n");
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(r.out.find("\"text\":\"Best \xE2\x80\x94 Ann \xF0\x9F\x98\x80\""), std::string::npos)
        << r.out;
}

TEST_F(SimulateCommandTest, MaxItems_ShouldLimitThePhrasesLoaded) {
    ToolRun r = Simulate("type \"sig\"\n", {u"p.lmx", u"-maxitems=1"});
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(r.out.find("\"text\":\"sig\""), std::string::npos) << r.out;
}

TEST_F(SimulateCommandTest, EditingCommands_ShouldActOnTheFocusedField) {
    ToolRun r = Simulate("clipboard \"Re: \"\n"
                         "type \"a\"\n"
                         "hold ctrl\npress V\nrelease ctrl\n"
                         "type \"brb\"\nprint\n"
                         "focus 1\ntype \"brb\"\nprint\n"
                         "window 2\nediTor show\n");
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.out, "{\"text\":\"aRe: be right back\",\"caret\":18,\"shadow\":\"aRe: be right "
                     "back\",\"pos\":18,\"expansions\":1}\n"
                     "{\"text\":\"be right back\",\"caret\":13,\"shadow\":\"be right "
                     "back\",\"pos\":13,\"expansions\":2}\n");
    EXPECT_EQ(r.err, "line 12: unknown command \"ediTor\"\n");
}

TEST_F(SimulateCommandTest, EditorAndClick_ShouldStopObservingAndForgetTheShadowText) {
    ToolRun r = Simulate("editor show\ntype \" brb\"\npress Enter\nprint\neditor hide\nclick\n");
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(
        r.out,
        "{\"text\":\" brb\\r\\n\",\"caret\":6,\"shadow\":null,\"pos\":null,\"expansions\":0}\n"
        "{\"text\":\" brb\\r\\n\",\"caret\":6,\"shadow\":\"\",\"pos\":0,\"expansions\":0}\n");
}

TEST_F(SimulateCommandTest, BadLines_ShouldBeReportedWithTheirNumber) {
    const std::pair<std::string, std::string> cases[] = {
        {"type brb\n", "line 1: bad JSON string"},
        {"\ntype 1\n", "line 2: expected a JSON string"},
        {"press F1\n", "line 1: unknown key \"F1\""},
        {"hold win\n", "line 1: expected shift, ctrl or alt"},
        {"window -1\n", "line 1: expected a number"},
        {"print now\n", "line 1: print takes no argument"},
        {"type\n", "line 1: type needs an argument"},
    };
    for (const auto& [script, reason] : cases) {
        ToolRun r = Simulate(script);
        EXPECT_EQ(r.rc, 1) << script;
        EXPECT_EQ(r.err.rfind(reason, 0), 0u) << script << " gave " << r.err;
        EXPECT_EQ(r.out, "") << script;
    }
}

TEST_F(SimulateCommandTest, BadArguments_ShouldGiveUsageOrFileErrors) {
    EXPECT_EQ(Simulate("", {}).rc, 2);
    EXPECT_EQ(Simulate("", {u"p.lmx", u"-delims=x"}).rc, 2);
    EXPECT_EQ(Simulate("", {u"p.lmx", u"q.lmx"}).rc, 2);
    ToolRun missing = Simulate("", {u"none.lmx"});
    EXPECT_EQ(missing.rc, 2);
    EXPECT_EQ(missing.err, "lumoratool: no such file: none.lmx\n");
    files.Files[u"bad.lmx"] = "<phrases><phrase>";
    EXPECT_EQ(Simulate("", {u"bad.lmx"}).rc, 1);
}

} // namespace
} // namespace lumora::tool
