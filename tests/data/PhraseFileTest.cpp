#include "data/PhraseFile.h"
#include "data/TagWriter.h"
#include "platform/Error.h"
#include "tests/data/FakeFileSystem.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

using testing::FakeFileSystem;

const std::u16string FilePath = u"C:\\Lumora\\lumora.lmx";

std::string Utf16LE(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

class PhraseFileTest : public ::testing::Test {
protected:
    AbbreviationIndex data;
    PhraseList rows;
    FakeFileSystem files;
    int processed = 0;

    Phrase& AddRow(const std::u16string& abbreviation, const std::u16string& text) {
        return rows.AppendPhrase(data, abbreviation, text);
    }
    PhraseLoadResult Load(std::uint32_t MaxPhrases = 30) {
        return LoadPhrases(rows, data, files, FilePath, MaxPhrases, [this] { ++processed; });
    }
    PhraseLoadResult LoadText(std::u16string_view text, std::uint32_t MaxPhrases = 30) {
        files.Files[FilePath] = Utf16LE(text);
        return Load(MaxPhrases);
    }
    std::vector<std::u16string> Abbreviations() const {
        std::vector<std::u16string> out;
        for (std::size_t i = 0; i < rows.Count(); ++i)
            out.push_back(rows.At(i).Abbreviation());
        return out;
    }
    std::vector<std::u16string> IndexValues() const {
        std::vector<std::u16string> out;
        for (std::int32_t i = 0; i < data.Count(); ++i)
            out.push_back(data.At(i).Abbreviation);
        return out;
    }
};

TEST_F(PhraseFileTest, SavePhrases_ShouldWriteTheExampleByteForByte_WhenTwoPhrases) {
    AddRow(u"ab", u"abc");
    AddRow(u"", u"");
    SavePhrases(rows, files, FilePath);
    EXPECT_EQ(
        files.Files[FilePath],
        Utf16LE(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<phrases>\r\n"
                u"<phrase>\r\n<description>YWJj</description>\r\n<autotext>YWI=</autotext>\r\n"
                u"</phrase>\r\n<phrase>\r\n<description></description>\r\n"
                u"<autotext></autotext>\r\n</phrase>\r\n</phrases>\r\n"));
    rows.ClearPhrases();
    SavePhrases(rows, files, FilePath);
    EXPECT_EQ(files.Files[FilePath], Utf16LE(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                             u"<phrases>\r\n</phrases>\r\n"));
    EXPECT_EQ(files.Files[FilePath].substr(0, 16),
              std::string("\xFF\xFE\x3C\x00\x3F\x00\x78\x00\x6D\x00\x6C\x00\x20\x00\x76\x00", 16));
}

TEST_F(PhraseFileTest, LoadPhrases_ShouldGiveBackSamePhrasesInOrder_AfterSave) {
    AddRow(u"zz", u"last letters");
    AddRow(u"", u"text without abbreviation");
    AddRow(u"sig", u"Best regards,\r\nAnn\r\n\U0001F600");
    AddRow(u"empty", u"");
    AddRow(u"ab", std::u16string(600, u'x')); // beyond the editor's limits, kept whole
    AddRow(std::u16string(40, u'k'), std::u16string(57, u'q')); // closing tag on a line of its own
    std::vector<std::pair<std::u16string, std::u16string>> before;
    for (std::size_t i = 0; i < rows.Count(); ++i)
        before.emplace_back(rows.At(i).Abbreviation(), rows.At(i).Text());
    SavePhrases(rows, files, FilePath);

    PhraseLoadResult result = Load(100);
    EXPECT_TRUE(result.FileFound);
    EXPECT_FALSE(result.StoppedAtLimit);
    std::vector<std::pair<std::u16string, std::u16string>> after;
    for (std::size_t i = 0; i < rows.Count(); ++i)
        after.emplace_back(rows.At(i).Abbreviation(), rows.At(i).Text());
    EXPECT_EQ(after, before);
    EXPECT_EQ(processed, 6);
    // The grid keeps file order while the index is sorted; the empty abbreviation is not in it.
    EXPECT_EQ(IndexValues(), (std::vector<std::u16string>{u"ab", u"empty", std::u16string(40, u'k'),
                                                          u"sig", u"zz"}));
    EXPECT_FALSE(data.LoadingPhrases());
}

TEST_F(PhraseFileTest, LoadPhrases_ShouldLeaveListEmpty_WhenNoFileExists) {
    AddRow(u"old", u"gone");
    PhraseLoadResult result = Load();
    EXPECT_FALSE(result.FileFound);
    EXPECT_EQ(rows.Count(), 0u);
    EXPECT_EQ(data.Count(), 0);

    AddRow(u"old", u"gone");
    files.Unreadable.insert(FilePath);
    EXPECT_THROW(Load(), Error);
    EXPECT_EQ(rows.Count(), 0u);
    EXPECT_EQ(data.Count(), 0);
}

TEST_F(PhraseFileTest, LoadPhrases_ShouldStopAddingAtMaxItems_AndSayIt) {
    std::u16string text = u"<phrases>";
    for (int i = 0; i < 5; ++i)
        text += u"<phrase><autotext>" + TextToBase64(std::string(1, char('a' + i))) +
                u"</autotext></phrase>";
    text += u"</phrases>";
    PhraseLoadResult limited = LoadText(text, 3);
    EXPECT_EQ(Abbreviations(), (std::vector<std::u16string>{u"a", u"b", u"c"}));
    EXPECT_TRUE(limited.StoppedAtLimit);
    EXPECT_EQ(data.Count(), 3);

    PhraseLoadResult exact = LoadText(text, 5);
    EXPECT_EQ(rows.Count(), 5u);
    EXPECT_FALSE(exact.StoppedAtLimit);
    // A negative option, as unsigned, sets no limit.
    LoadText(text, static_cast<std::uint32_t>(-1));
    EXPECT_EQ(rows.Count(), 5u);
}

TEST_F(PhraseFileTest, LoadPhrases_ShouldReadPhraseElementsWhereverTheyStand) {
    LoadText(u"<?xml version=\"1.0\"?>\r\n"
             u"<phrase><autotext>YQ==</autotext></phrase>\r\n" // directly after the declaration
             u"<other>text<phrase><autotext>Yg==</autotext></phrase></other>\r\n"
             u"<phrases>junk<x><y>z</y></x>\r\n"
             // A phrase inside a phrase makes none; it sets the enclosing one's strings.
             u"<phrase><description>MQ==</description><phrase><autotext>Yw==</autotext>"
             u"<description>Mg==</description></phrase></phrase>\r\n"
             // Two descriptions: the later wins; no abbreviation: an empty abbreviation.
             u"<phrase><description>eA==</description><description>eQ==</description></phrase>\r\n"
             u"</phrases>\r\n");
    ASSERT_EQ(rows.Count(), 4u);
    EXPECT_EQ(Abbreviations(), (std::vector<std::u16string>{u"a", u"b", u"c", u""}));
    EXPECT_EQ(rows.At(2).Text(), u"2");
    EXPECT_EQ(rows.At(3).Text(), u"y");
    EXPECT_EQ(IndexValues(), (std::vector<std::u16string>{u"a", u"b", u"c"}));
}

TEST_F(PhraseFileTest, LoadPhrases_ShouldNotLeaveStaleEntry_WhenPhraseHasTwoAbbreviations) {
    LoadText(u"<phrases><phrase><autotext>eHg=</autotext></phrase>"
             u"<phrase><autotext>enp6</autotext><autotext>YWFh</autotext></phrase>"
             u"<phrase><autotext>eXk=</autotext></phrase></phrases>");
    EXPECT_EQ(Abbreviations(), (std::vector<std::u16string>{u"xx", u"aaa", u"yy"}));
    EXPECT_EQ(IndexValues(), (std::vector<std::u16string>{u"aaa", u"xx", u"yy"}));
    rows.ClearPhrases();
    EXPECT_EQ(data.Count(), 0);
}

TEST_F(PhraseFileTest, LoadPhrases_ShouldKeepPhrasesBeforeError_AndSortIndex) {
    std::u16string message;
    try {
        LoadText(u"<?xml version=\"1.0\"?>\r\n<phrases>\r\n"
                 u"<phrase><autotext>eg==</autotext></phrase>\r\n"
                 u"<phrase><autotext>YQ==</autotext>\r\n");
    } catch (const TagSyntaxError& e) {
        message = e.Message();
    }
    EXPECT_EQ(message, u"XML Parsing Error: no element found.\rExpected: </phrase>\rLine: 5\r"
                       u"Column: 3");
    EXPECT_EQ(Abbreviations(), (std::vector<std::u16string>{u"z", u"a"}));
    EXPECT_EQ(IndexValues(), (std::vector<std::u16string>{u"a", u"z"}));
    EXPECT_FALSE(data.LoadingPhrases());

    EXPECT_THROW(LoadText(u"<phrases>\r\n<Phrase><autotext>YQ==</autotext></phrase>"),
                 TagSyntaxError);
    EXPECT_EQ(rows.Count(), 0u); // <Phrase> is not a phrase element
}

TEST_F(PhraseFileTest, SavePhrases_ShouldLeaveOldFileAndThrow_WhenWriteFails) {
    files.Files[FilePath] = "old contents";
    AddRow(u"a", u"b");
    files.FailWrites = true;
    EXPECT_THROW(SavePhrases(rows, files, FilePath), Error);
    EXPECT_EQ(files.Files[FilePath], "old contents");
}

struct BatchObserver : PhraseListObserver {
    std::vector<std::string> events;
    void RowAppended(std::size_t) override { events.push_back("append"); }
    void RowDeleted(std::size_t) override { events.push_back("delete"); }
    void RowsCleared() override { events.push_back("clear"); }
    void BatchBegun() override { events.push_back("begin"); }
    void BatchEnded() override { events.push_back("end"); }
};

TEST_F(PhraseFileTest, LoadPhrases_ShouldAppendRowsInsideOneBatch_EvenOnError) {
    BatchObserver observer;
    rows.SetObserver(&observer);
    EXPECT_THROW(LoadText(u"<phrase></phrase><phrase>"), TagSyntaxError);
    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"clear", "clear", "begin", "append", "append", "end"}));
    EXPECT_FALSE(rows.InBatch());
    rows.SetObserver(nullptr);
}

} // namespace
} // namespace lumora

namespace lumora {
namespace {

class PhraseFileAtExitTest : public ::testing::Test {
protected:
    testing::FakeFileSystem files;
    AbbreviationIndex data;
    PhraseList rows;
    PhraseFile file{files, u"C:\\L\\lumora.lmx"};

    std::string ThreePhrases() {
        AbbreviationIndex d;
        PhraseList r;
        for (auto a : {u"a", u"b", u"c"})
            r.AppendPhrase(d, a, u"");
        return PhraseFileBytes(r);
    }
};

TEST_F(PhraseFileAtExitTest, ShouldKeepBackup_WhenLoadStoppedAtMaxItems) {
    files.Files[file.Path()] = ThreePhrases();
    file.Load(rows, data, 2, {});
    EXPECT_TRUE(file.KeepsOldFile());
    file.SaveAtExit(rows);
    EXPECT_EQ(files.Files[u"C:\\L\\lumora.lmx.bak"], ThreePhrases());
    EXPECT_EQ(files.Files[file.Path()], PhraseFileBytes(rows));
}

TEST_F(PhraseFileAtExitTest, ShouldKeepBackup_WhenLoadFailed_AndNotOtherwise) {
    files.Files[file.Path()] = "<phrases><phrase>";
    EXPECT_THROW(file.Load(rows, data, 30, {}), TagSyntaxError);
    file.SaveAtExit(rows);
    EXPECT_EQ(files.Files[file.BackupPath()], "<phrases><phrase>");

    files.Files.erase(file.BackupPath());
    file.Load(rows, data, 30, {});
    EXPECT_FALSE(file.KeepsOldFile());
    file.SaveAtExit(rows);
    EXPECT_EQ(files.Files.count(file.BackupPath()), 0u);

    // No file at start: nothing to keep.
    files.Files.clear();
    file.Load(rows, data, 30, {});
    file.SaveAtExit(rows);
    EXPECT_EQ(files.Files.size(), 1u);
}

TEST_F(PhraseFileAtExitTest, ShouldNotReplaceFile_WhenBackupCannotBeMade) {
    files.Files[file.Path()] = ThreePhrases();
    file.Load(rows, data, 1, {});
    files.FailCopies = true;
    EXPECT_THROW(file.SaveAtExit(rows), Error);
    EXPECT_EQ(files.Files[file.Path()], ThreePhrases());
    EXPECT_EQ(files.Writes, 0);
}

} // namespace
} // namespace lumora
