#include "data/PhraseFile.h"
#include "tests/data/FakeFileSystem.h"
#include "tests/tools/ToolRun.h"
#include "tools/Json.h"

#include <gtest/gtest.h>

#include <optional>

namespace lumora::tool {
namespace {

class LumoraToolTest : public ::testing::Test {
protected:
    testing::FakeFileSystem files;

    ToolRun Call(ToolCommandFn command, std::vector<std::u16string> args,
                 const std::string& input = "") {
        return RunTool(command, args, files, input);
    }
};

TEST_F(LumoraToolTest, WriteThenDump_ShouldGiveTheSameLines_InFileOrder) {
    const std::string lines =
        "{\"autotext\":\"brb\",\"text\":\"be right back\"}\n"
        "\n"
        "{\"autotext\":\"sig\",\"text\":\"Ann\\r\\n\\u00e9\xF0\x9F\x98\x80\"}\r\n"
        "{\"text\":\"\",\"autotext\":\"\"}\n";
    ToolRun w = Call(WriteCommand, {u"p.lmx"}, lines);
    EXPECT_EQ(w.rc, 0) << w.err;
    ToolRun d = Call(DumpCommand, {u"p.lmx"});
    EXPECT_EQ(d.rc, 0);
    EXPECT_EQ(d.out, "{\"autotext\":\"brb\",\"text\":\"be right back\"}\n"
                     "{\"autotext\":\"sig\",\"text\":\"Ann\\r\\n\xC3\xA9\xF0\x9F\x98\x80\"}\n"
                     "{\"autotext\":\"\",\"text\":\"\"}\n");
    EXPECT_EQ(d.err, "");

    // The bytes are exactly what SavePhrases writes for the same rows.
    AbbreviationIndex data;
    PhraseList rows;
    LoadPhrasesFromBytes(rows, data, files.Files[u"p.lmx"], 100, {});
    EXPECT_EQ(PhraseFileBytes(rows), files.Files[u"p.lmx"]);
}

TEST_F(LumoraToolTest, Dump_ShouldPrintPhrasesBeforeTheError_AndExit1) {
    files.Files[u"bad.lmx"] =
        "<phrases><phrase><autotext>YQ==</autotext></phrase><phrase><autotext>Yg==</autotext>";
    ToolRun d = Call(DumpCommand, {u"bad.lmx"});
    EXPECT_EQ(d.rc, 1);
    // The phrase cut off by the end is none.
    EXPECT_EQ(d.out, "{\"autotext\":\"a\",\"text\":\"\"}\n");
    EXPECT_EQ(d.err, "XML Parsing Error: no element found.\nExpected: </phrase>\nLine: 2\n"
                     "Column: 1\n");
}

TEST_F(LumoraToolTest, Dump_ShouldExit2WithOneLine_WhenFileMissingUnreadableOrArgsWrong) {
    for (ToolRun r : {Call(DumpCommand, {u"none.lmx"}), Call(DumpCommand, {}),
                      Call(DumpCommand, {u"a", u"b"})}) {
        EXPECT_EQ(r.rc, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    files.Files[u"locked.lmx"] = "";
    files.Unreadable.insert(u"locked.lmx");
    ToolRun r = Call(DumpCommand, {u"locked.lmx"});
    EXPECT_EQ(r.rc, 2);
    EXPECT_NE(r.err.find("locked.lmx"), std::string::npos);
}

TEST_F(LumoraToolTest, Write_ShouldNameTheLineAndNotTouchFile_WhenLineIsNotAPhrase) {
    files.Files[u"p.lmx"] = "old";
    const std::string good = "{\"autotext\":\"a\",\"text\":\"b\"}\n";
    struct Case {
        std::string line, reason;
    };
    for (const Case& c : {
             Case{"[1,2]", "not a JSON object"},
             Case{"{\"autotext\":\"a\"}", "missing key \"text\""},
             Case{"{\"autotext\":\"a\",\"text\":\"b\",\"x\":1}", "unexpected key \"x\""},
             Case{"{\"autotext\":\"a\",\"text\":2}", "value of \"text\" is not a string"},
             Case{"{\"autotext\":\"a\",\"autotext\":\"b\",\"text\":\"\"}",
                  "duplicate key \"autotext\""},
             Case{"{\"autotext\":\"a\",\"text\":\"b\"",
                  "column 27: syntax error while parsing object - unexpected end of input; "
                  "expected '}'"},
             Case{"{\"autotext\":\"\xFF\",\"text\":\"\"}",
                  "column 14: syntax error while parsing value - invalid string: ill-formed "
                  "UTF-8 byte"},
             Case{"{\"autotext\":\"\u00e9\",\"text\":\"\u00e9\"} x",
                  "column 29: syntax error while parsing value - invalid literal; expected end "
                  "of input"},
         }) {
        ToolRun r = Call(WriteCommand, {u"p.lmx"}, good + "\n" + c.line + "\n" + good);
        EXPECT_EQ(r.rc, 1) << c.line;
        EXPECT_EQ(r.err, "line 3" + std::string(c.reason.starts_with("column") ? ", " : ": ") +
                             c.reason + "\n")
            << c.line;
    }
    EXPECT_EQ(files.Files[u"p.lmx"], "old");
    EXPECT_EQ(files.Writes, 0);

    files.FailWrites = true;
    ToolRun r = Call(WriteCommand, {u"p.lmx"}, good);
    EXPECT_EQ(r.rc, 2);
    EXPECT_EQ(files.Files[u"p.lmx"], "old");
}

TEST(Json, ShouldEscapeControlsAndLoneSurrogates_AndReadThemBackAsTheFileStoresThem) {
    EXPECT_EQ(json::Quote(u"a\"b\\c\n\t\x01\u00e9\U0001F600"),
              "\"a\\\"b\\\\c\\n\\t\\u0001\xC3\xA9\xF0\x9F\x98\x80\"");
    EXPECT_EQ(json::Quote(u"x\xD800y\xDC00"), "\"x\\ud800y\\udc00\"");
    const nlohmann::json v = json::Parse(
        " {\"s\":\"\\ud83d\\ude00\\udc00\\ud800\\udc00\\ud800\",\"n\":[1,-2.5e1,true,null],"
        "\"k\":\"\\\\ud800\"} ");
    // Half pairs become U+FFFD; an escaped backslash before "ud800" is no escape of it.
    EXPECT_EQ(json::TextOf(v["s"]), u"\U0001F600\uFFFD\U00010000\uFFFD");
    EXPECT_EQ(json::TextOf(v["k"]), u"\\ud800");
    EXPECT_EQ(v["n"][1].get<double>(), -25);
    struct Case {
        std::string text, error;
        std::optional<long long> column;
    };
    for (const Case& c : {
             Case{"{\"a\":\"\\x\"}", "forbidden character after backslash", 8},
             Case{"{\"a\":{\"b\":1,\"b\":2}}", "duplicate key \"b\"", std::nullopt},
             Case{"[1e999]", "number overflow parsing '1e999'", std::nullopt},
             Case{"\"\u00e9\u00e9\" 1", "expected end of input", 6},
             Case{std::string(1000, '['), "unexpected end of input", 1001},
         }) {
        try {
            json::Parse(c.text);
            ADD_FAILURE() << c.text;
        } catch (const json::Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).find("json.exception"), std::string::npos) << e.what();
            EXPECT_EQ(e.Column, c.column) << c.text;
        }
    }
}

} // namespace
} // namespace lumora::tool
