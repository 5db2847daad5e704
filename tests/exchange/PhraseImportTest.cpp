// Phrases brought in from other text expanders' files: what each format maps and leaves out,
// the report, duplicates, the limits, malformed files and encodings. Each test writes its own
// small sample file; the mapped phrases are then typed on the simulated desktop.
#include "exchange/PhraseImport.h"
#include "data/PhraseFile.h"
#include "exchange/CsvTable.h"
#include "exchange/FormatReaders.h"
#include "platform/Utf.h"
#include "simulation/SimulatedProgram.h"
#include "tests/data/FakeFileSystem.h"
#include "tests/tools/ToolRun.h"
#include "tools/Json.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

namespace lumora {
namespace {

using ::testing::HasSubstr;
using Mapped = std::map<std::u16string, std::u16string>;
using LeftOut = std::map<std::u16string, std::u16string>;

class PhraseImportTest : public ::testing::Test {
protected:
    ImportedFile Read(const std::u16string& name, const std::string& bytes) {
        files.Put(name, bytes);
        return ReadImportFile(files, name);
    }
    // The phrases a file gives (abbreviation to stored text), and what it leaves out.
    static Mapped Taken(const ImportedFile& file) {
        Mapped out;
        for (const auto& e : file.Entries)
            if (e.SkipReason.empty()) out[e.Abbreviation] = e.Text;
        return out;
    }
    static LeftOut Skipped(const ImportedFile& file) {
        LeftOut out;
        for (const auto& e : file.Entries)
            if (!e.SkipReason.empty()) out[e.Abbreviation] = e.SkipReason;
        return out;
    }
    static std::vector<std::u16string> OptionNames(const ImportedFile& file,
                                                   const std::u16string& abbreviation) {
        std::vector<std::u16string> names;
        for (const auto& e : file.Entries)
            if (e.Abbreviation == abbreviation)
                for (const auto& o : e.Options)
                    names.push_back(o.Name);
        return names;
    }
    // What typing the abbreviation leaves in a field of the simulated desktop.
    std::u16string Typed(const ImportedFile& file, const std::u16string& abbreviation) {
        sim::SimulatedProgram program;
        program.Sim.ShowWindow(0);
        program.Sim.Desktop().SetClipboardText(u"CLIP");
        ApplyImport(PlanImport(file, program.Rows, {}), program.Rows, program.Index);
        program.Sim.TypeText(abbreviation);
        program.Sim.RunPending();
        return program.Sim.FocusedField()->Text();
    }
    std::string Error(const std::u16string& name, const std::string& bytes) {
        try {
            Read(name, bytes);
        } catch (const ImportError& e) {
            return e.what();
        }
        return "no error";
    }

    testing::FakeFileSystem files;
};

TEST_F(PhraseImportTest, EspansoFile_ShouldMapTriggersFieldsAndNameWhatItLeavesOut) {
    files.Put(u"/m/more.yml",
              "matches:\n  - trigger: \":more\"\n    replace: \"from the import\"\n");
    const ImportedFile file = Read(u"/m/base.yml", R"yaml(
global_vars:
  - name: today
    type: date
    params: {format: "%d.%m.%Y %H:%M"}
matches:
  - trigger: ":btw"
    replace: "by the way"
    word: true
  - triggers: [":hi", ":hello"]
    replace: "Hello $|$, {{clip}}!"
    propagate_case: true
    vars:
      - {name: clip, type: clipboard}
  - trigger: ":now"
    replace: "It is {{today}}"
  - trigger: ":lit"
    replace: "{#date} stays as written"
  - trigger: ":multi"
    replace: |
      two
      lines
  - regex: ":re(\\d+)"
    replace: "number"
  - trigger: ":form"
    form: "Hi [[name]]"
  - trigger: ":html"
    html: "<b>bold</b>"
  - trigger: ":sh"
    replace: "{{out}}"
    vars: [{name: out, type: shell, params: {cmd: "date"}}]
  - trigger: ":nest"
    replace: "{{inner}}"
    vars: [{name: inner, type: match, params: {trigger: ":btw"}}]
  - trigger: ":doy"
    replace: "{{d}}"
    vars: [{name: d, type: date, params: {format: "%j"}}]
imports:
  - "more.yml"
  - "gone.yml"
)yaml");
    EXPECT_EQ(file.FormatName, u"espanso match file");
    EXPECT_EQ(Taken(file), (Mapped{
                               {u":btw", u"by the way"},
                               {u":hi", u"Hello {#cursor}, {#clipboard}!"},
                               {u":hello", u"Hello {#cursor}, {#clipboard}!"},
                               {u":now", u"It is {#date:dd.MM.yyyy} {#time:HH:mm}"},
                               {u":lit", u"\\\\\\{#date} stays as written"},
                               {u":multi", u"two\r\nlines\r\n"},
                               {u":more", u"from the import"},
                           }));
    EXPECT_EQ(Skipped(file), (LeftOut{
                                 {u":re(\\d+)", u"a regex trigger"},
                                 {u":form", u"a form"},
                                 {u":html", u"html text"},
                                 {u":sh", u"a shell variable (Lumora runs no programs)"},
                                 {u":nest", u"a nested match"},
                                 {u":doy", u"a date format with %j, which Windows cannot show"},
                             }));
    EXPECT_EQ(OptionNames(file, u":btw"), std::vector<std::u16string>{u"word"});
    EXPECT_EQ(OptionNames(file, u":hi"), std::vector<std::u16string>{u"propagate_case"});
    EXPECT_THAT(file.Notes, ::testing::ElementsAre(u"imports: more.yml is imported too",
                                                   u"imports: gone.yml was not found; its "
                                                   u"matches are not imported"));

    EXPECT_EQ(Typed(file, u":hi"), u"Hello , CLIP!");
    EXPECT_EQ(Typed(file, u":now"), u"It is 09.12.2026 14:30");
    EXPECT_EQ(Typed(file, u":lit"), u"{#date} stays as written");
}

TEST_F(PhraseImportTest, StrftimeFormats_ShouldBecomeDateAndTimePictures) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"%Y-%m-%d", u"{#date:yyyy-MM-dd}"},
        {u"%A, %B %-d", u"{#date:dddd, MMMM d}"},
        {u"%d of %B", u"{#date:dd} of {#date:MMMM}"},
        {u"%x", u"{#date}"},
        {u"%I:%M %p", u"{#time:hh:mm tt}"},
        {u"%F %T", u"{#date:yyyy-MM-dd} {#time:HH:mm:ss}"},
        {u"day %d", u"day {#date:dd}"},
        {u"100%%", u"100%"},
    };
    for (const auto& [format, fields] : cases) {
        std::u16string unknown;
        EXPECT_EQ(DateFieldsOfStrftime(format, unknown), fields) << Utf16ToUtf8(format);
        EXPECT_EQ(unknown, u"");
    }
}

TEST_F(PhraseImportTest, BeeftextFiles_ShouldMapTheFourVariablesAndLeaveOutTheOthers) {
    const ImportedFile json = Read(u"combos.json", R"({
  "fileFormatVersion": 9,
  "combos": [
    {"keyword": "btw", "snippet": "by the way", "name": "By the way", "enabled": true},
    {"keyword": "sig", "snippet": "Best,#{cursor}\nAnn", "name": "", "group": "{1}"},
    {"keyword": "pd", "snippet": "Pasted: #{clipboard} on #{date} at #{time}", "matchingMode": 1},
    {"keyword": "up", "snippet": "#{upper:btw}"},
    {"keyword": "off", "snippet": "never", "enabled": false},
    {"comboText": "old", "substitutionText": "an older file"}
  ]
})");
    EXPECT_EQ(Taken(json), (Mapped{
                               {u"btw", u"by the way"},
                               {u"sig", u"Best,{#cursor}\r\nAnn"},
                               {u"pd", u"Pasted: {#clipboard} on {#date} at {#time}"},
                               {u"old", u"an older file"},
                           }));
    EXPECT_EQ(Skipped(json),
              (LeftOut{
                  {u"up", u"uses the variable #{upper:...}, which Lumora has no equivalent for"},
                  {u"off", u"disabled in Beeftext"},
              }));
    EXPECT_EQ(OptionNames(json, u"btw"), std::vector<std::u16string>{u"name"});
    EXPECT_EQ(OptionNames(json, u"pd"), std::vector<std::u16string>{u"matchingMode"});
    EXPECT_EQ(Typed(json, u"pd"), u"Pasted: CLIP on 12/9/2026 at 2:30 PM");

    const ImportedFile csv =
        Read(u"combos.csv", "btw,by the way,By the way\r\n\"q\",\"say \"\"hi\"\", #{cursor}\",\r\n"
                            "dt,#{dateTime:yyyy},\r\n");
    EXPECT_EQ(csv.FormatName, u"Beeftext CSV file");
    EXPECT_EQ(Taken(csv), (Mapped{{u"btw", u"by the way"}, {u"q", u"say \"hi\", {#cursor}"}}));
    EXPECT_EQ(Skipped(csv).size(), 1u);
}

TEST_F(PhraseImportTest, HotstringScript_ShouldMapTextsAndLeaveOutSentKeysAndCode) {
    const std::string script = R"(; my hotstrings
#SingleInstance Force
::btw::by the way  ; a comment
:*:adr::1 Main St.{Enter}Springfield
:R:raw::{Enter} stays, 50% ^ too
:T:txt::a{b}c
::esc::curly {{} and {}} and {!}`tTab
:?C:inw::inside
/*
::hidden::in a comment
*/
::sig::
(
Best regards,
  Ann
)
:X:run::MsgBox hi
::keys::^c and more
::left::text{Left 5}
::act::
Send, code
return
#IfWinActive ahk_exe notepad.exe
::np::only in Notepad
#IfWinActive
::all::everywhere
)";
    const ImportedFile file = Read(u"hot.ahk", script);
    EXPECT_EQ(Taken(file), (Mapped{
                               {u"btw", u"by the way"},
                               {u"adr", u"1 Main St.\r\nSpringfield"},
                               {u"raw", u"{Enter} stays, 50% ^ too"},
                               {u"txt", u"a{b}c"},
                               {u"esc", u"curly { and } and !\tTab"},
                               {u"inw", u"inside"},
                               {u"sig", u"Best regards,\r\n  Ann"},
                               {u"np", u"only in Notepad"},
                               {u"all", u"everywhere"},
                           }));
    EXPECT_EQ(Skipped(file), (LeftOut{
                                 {u"run", u"an X hotstring runs code"},
                                 {u"keys", u"sends the keys ^c"},
                                 {u"left", u"sends the key {Left 5}"},
                                 {u"act", u"runs code rather than typing a text"},
                             }));
    EXPECT_EQ(OptionNames(file, u"adr"), std::vector<std::u16string>{u"*"});
    EXPECT_EQ(OptionNames(file, u"inw"), (std::vector<std::u16string>{u"?", u"C"}));
    EXPECT_EQ(OptionNames(file, u"np"),
              std::vector<std::u16string>{u"#IfWinActive ahk_exe notepad.exe"});
    EXPECT_TRUE(OptionNames(file, u"all").empty());
    EXPECT_EQ(Typed(file, u"adr"), u"1 Main St.\r\nSpringfield");
}

TEST_F(PhraseImportTest, HotstringScriptInUtf16_ShouldReadLikeUtf8) {
    const std::u16string text = u"::cafe::caf\u00e9 \U0001F600\r\n";
    std::string le = "\xFF\xFE", be = "\xFE\xFF", bare;
    for (char16_t c : text) {
        le += static_cast<char>(c & 0xFF);
        le += static_cast<char>(c >> 8);
        be += static_cast<char>(c >> 8);
        be += static_cast<char>(c & 0xFF);
        bare += static_cast<char>(c & 0xFF);
        bare += static_cast<char>(c >> 8);
    }
    const std::string utf8 = Utf16ToUtf8(text);
    for (const std::string& bytes : {le, be, bare, utf8, "\xEF\xBB\xBF" + utf8})
        EXPECT_EQ(Taken(Read(u"u.ahk", bytes)), (Mapped{{u"cafe", u"caf\u00e9 \U0001F600"}}));
}

TEST_F(PhraseImportTest, LumoraFilesAndCsv_ShouldRoundTripTheStoredTexts) {
    AbbreviationIndex index;
    PhraseList rows;
    rows.AppendPhrase(index, u"q", u"say \"hi\", then, {#cursor}");
    rows.AppendPhrase(index, u"ml", u"two\r\nlines \u00e9");
    rows.AppendPhrase(index, u"esc", u"\\\\\\{#date} as written");
    const Mapped expected{{u"q", u"say \"hi\", then, {#cursor}"},
                          {u"ml", u"two\r\nlines \u00e9"},
                          {u"esc", u"\\\\\\{#date} as written"}};

    EXPECT_EQ(Taken(Read(u"export.csv", PhrasesAsCsv(rows))), expected);
    EXPECT_EQ(Taken(Read(u"backup.lmx", PhraseFileBytes(rows))), expected);
    std::string lines;
    for (const auto& [a, t] : expected)
        lines += "{\"autotext\":\"" + Utf16ToUtf8(a) + "\",\"text\":" + json::Quote(t) + "}\n";
    EXPECT_EQ(Taken(Read(u"dump.jsonl", lines)), expected);
    // A text of NULs after the UTF-8 mark is still UTF-8, not UTF-16 told by its NULs.
    EXPECT_EQ(Taken(Read(u"nul.csv", std::string("\xEF\xBB\xBFn,\"a\0b\0c\0d\0\"\r\n", 17))),
              (Mapped{{u"n", std::u16string(u"a\0b\0c\0d\0", 8)}}));
    // A CSV without the header, as people write them by hand.
    EXPECT_EQ(Taken(Read(u"hand.csv", "brb,be right back\n")),
              (Mapped{{u"brb", u"be right back"}}));
}

TEST_F(PhraseImportTest, Report_ShouldCountSayWhatIsLeftOutAndNameOptions) {
    AbbreviationIndex index;
    PhraseList rows;
    rows.AppendPhrase(index, u"BTW", u"already here");
    const std::string longText(513, 'x');
    const ImportedFile file =
        Read(u"r.yml", "matches:\n"
                       "  - {trigger: \"btw\", replace: \"by the way\", word: true}\n"
                       "  - {trigger: \"ty\", replace: \"thank you\", word: true}\n"
                       "  - {regex: \"x+\", replace: \"x\"}\n"
                       "  - {trigger: \"" +
                           std::string(33, 'a') +
                           "\", replace: \"long\"}\n"
                           "  - {trigger: \"lt\", replace: \"" +
                           longText +
                           "\"}\n"
                           "  - {trigger: \"ok\", replace: \"" +
                           std::string(512, 'y') +
                           "\"}\n"
                           "  - {trigger: \"TY\", replace: \"twice in the file\"}\n");

    const ImportPlan plan = PlanImport(file, rows, {});
    EXPECT_EQ(plan.ToAdd.size(), 2u);
    const std::string report = Utf16ToUtf8(ImportReport(plan));
    EXPECT_THAT(report, HasSubstr("espanso match file: 2 phrases will be added."));
    EXPECT_THAT(report, HasSubstr("5 entries are left out:\r\n"
                                  "  \"btw\" (line 2): the list holds this abbreviation already\r\n"
                                  "  \"x+\" (line 4): a regex trigger\r\n"
                                  "  \"" +
                                  std::string(33, 'a') +
                                  "\" (line 5): an abbreviation of 33 characters (at most 32)\r\n"
                                  "  \"lt\" (line 6): a text of 513 characters (at most 512)\r\n"
                                  "  \"TY\" (line 8): an earlier entry of the file has this "
                                  "abbreviation\r\n"));
    EXPECT_THAT(report, HasSubstr("  word (expands only when the trigger stands as a whole word): "
                                  "ty\r\n"));
    // Nothing changed by planning; applying adds the two.
    EXPECT_EQ(rows.Count(), 1u);
    EXPECT_EQ(ApplyImport(plan, rows, index), 2u);
    EXPECT_EQ(rows.At(2).Abbreviation(), u"ok");
    EXPECT_EQ(rows.At(2).Text().size(), 512u);
}

TEST_F(PhraseImportTest, Duplicates_ShouldBeLeftOutOrAddedAsSharedRows) {
    AbbreviationIndex index;
    PhraseList rows;
    rows.AppendPhrase(index, u"Btw", u"mine");
    const ImportedFile file = Read(u"d.csv", "abbreviation,text\nbtw,theirs\nnew,fresh\n");

    const ImportPlan skipping = PlanImport(file, rows, {});
    EXPECT_EQ(skipping.ToAdd.size(), 1u);
    EXPECT_EQ(skipping.Duplicates, 1u);

    const ImportPlan sharing = PlanImport(file, rows, {.AddDuplicates = true});
    EXPECT_EQ(sharing.ToAdd.size(), 2u);
    EXPECT_THAT(Utf16ToUtf8(ImportReport(sharing)),
                HasSubstr("1 of them share an abbreviation with another phrase"));
    ApplyImport(sharing, rows, index);
    std::vector<const AbbreviationEntry*> found;
    index.Find(u"btw", found);
    EXPECT_EQ(found.size(), 2u); // both rows, the first one typed
    EXPECT_EQ(rows.At(0).Text(), u"mine");
}

TEST_F(PhraseImportTest, LargestNumberOfPhrases_ShouldBeRespectedAndTheReportSayWhereToRaiseIt) {
    AbbreviationIndex index;
    PhraseList rows;
    rows.AppendPhrase(index, u"a", u"1");
    const ImportedFile file = Read(u"n.csv", "b,2\nc,3\nd,4\ne,5\n");
    const ImportPlan plan = PlanImport(file, rows, {.MaxPhrases = 3});
    EXPECT_EQ(plan.ToAdd.size(), 2u);
    EXPECT_EQ(plan.DidNotFit, 2u);
    EXPECT_THAT(Utf16ToUtf8(ImportReport(plan)),
                HasSubstr("2 phrases do not fit, from \"d\" on: the list may hold 3 phrases and "
                          "holds 1. To take them all, raise \"Largest number of phrases\" in "
                          "Options (MaxPhrases in lumora.ini"));
    ApplyImport(plan, rows, index);
    EXPECT_EQ(rows.Count(), 3u);
}

TEST_F(PhraseImportTest, MalformedFiles_ShouldSayWhereAndGiveNothing) {
    const std::pair<std::u16string, std::string> cases[] = {
        {u"bad.yml", "matches:\n  - trigger: a\n    replace: b\n   - trigger: c\n"},
        {u"bad.yml", "matches:\n  - {trigger: a\n"},
        {u"bad.json", "{\"combos\": [\n  {\"keyword\": \"a\", \"snippet\": }\n]}"},
        {u"bad.csv", "a,b\nc,\"d\"e\n"},
        {u"bad.csv", "a,b\nc,\"never closed\n"},
        {u"bad.csv", "a,b\nc,d,e\n"},
        {u"bad.jsonl", "{\"autotext\":\"a\",\"text\":\"b\"}\n{\"autotext\":\"c\"\n"},
        {u"bad.ahk", "::a::b\n::sig::\n(\nnever closed\n"},
        {u"big.json", "{\"combos\": [1e999]}"},
        {u"big.jsonl", "{\"autotext\":\"a\",\"text\":\"b\"}\n[888e888]\n"},
        {u"bad.ahk", "::a::caf\xE9\n"},
        {u"bad.ahk", std::string("\xFF\xFE:\0:\0a\0:\0:\0\x00\xD8", 14)},
    };
    const char* where[] = {"Line 4, column 4",   "Line 3, column 1", "Line 2, column 31",
                           "Line 2, column 6",   "Line 3, column 1", "Line 2, column 1",
                           "Line 2, column",     "Line 3, column 1", "number overflow",
                           "Line 2, column 1: ", "Line 1, column 9", "Line 1, column 6"};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string error = Error(cases[i].first, cases[i].second);
        EXPECT_THAT(error, HasSubstr(where[i])) << i;
    }
    // A phrase file cut off in the middle.
    AbbreviationIndex index;
    PhraseList rows;
    rows.AppendPhrase(index, u"a", u"b");
    const std::string bytes = PhraseFileBytes(rows);
    EXPECT_THAT(Error(u"cut.lmx", bytes.substr(0, bytes.size() / 2)), HasSubstr("Line"));
}

TEST_F(PhraseImportTest, Tool_ShouldReportAndAddToAPhraseFileOrPrintTheLines) {
    using namespace tool;
    files.Put(u"/p/lumora.ini", "[Lumora]\r\nMaxPhrases=3\r\n");
    files.Put(u"/p/in.yml", "matches:\n  - {trigger: a, replace: one}\n  - {trigger: b, "
                            "replace: two}\n  - {trigger: c, replace: three}\n"
                            "  - {regex: x, replace: y}\n");
    ToolRun printed = RunTool(&ImportCommand, {u"/p/in.yml"}, files);
    EXPECT_EQ(printed.rc, 0);
    EXPECT_EQ(printed.out, "{\"autotext\":\"a\",\"text\":\"one\"}\n{\"autotext\":\"b\",\"text\":"
                           "\"two\"}\n{\"autotext\":\"c\",\"text\":\"three\"}\n");
    EXPECT_THAT(printed.err, HasSubstr("\"x\" (line 5): a regex trigger"));

    ToolRun added = RunTool(&ImportCommand, {u"/p/in.yml", u"--into", u"/p/lumora.lmx"}, files);
    EXPECT_EQ(added.rc, 0) << added.err;
    EXPECT_THAT(added.out, HasSubstr("3 phrases will be added."));
    ToolRun again = RunTool(&ImportCommand, {u"/p/in.yml", u"--into", u"/p/lumora.lmx"}, files);
    EXPECT_THAT(again.out, HasSubstr("no phrase will be added."));
    EXPECT_THAT(again.out, HasSubstr("\"a\" (line 2): the list holds this abbreviation already"));

    ToolRun csv = RunTool(&ExportCommand, {u"--csv", u"/p/lumora.lmx"}, files);
    EXPECT_EQ(csv.out, "\xEF\xBB\xBF\"abbreviation\",\"text\"\r\n\"a\",\"one\"\r\n\"b\",\"two\"\r\n"
                       "\"c\",\"three\"\r\n");

    files.Put(u"/p/bad.yml", "matches: [\n");
    ToolRun bad = RunTool(&ImportCommand, {u"/p/bad.yml", u"--into", u"/p/lumora.lmx"}, files);
    EXPECT_EQ(bad.rc, 1);
    EXPECT_THAT(bad.err, HasSubstr("Nothing was imported."));
}

} // namespace
} // namespace lumora
