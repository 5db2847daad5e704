#include "data/PhraseFile.h"
#include "data/TagWriter.h"
#include "platform/Error.h"
#include "tests/data/FakeFileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

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
             u"<phrase><autotext>Yw==</autotext><description>Mg==</description></phrase>\r\n"
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
    // The phrase cut off by the end makes no row.
    EXPECT_EQ(Abbreviations(), (std::vector<std::u16string>{u"z"}));
    EXPECT_EQ(IndexValues(), (std::vector<std::u16string>{u"z"}));
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
    EXPECT_EQ(observer.events, (std::vector<std::string>{"clear", "clear", "begin", "append",
                                                         "append", "end", "delete"}));
    EXPECT_FALSE(rows.InBatch());
    rows.SetObserver(nullptr);
}

} // namespace
} // namespace lumora

namespace lumora {
namespace {

std::u16string Number(unsigned n) {
    const std::string s = std::to_string(n);
    return std::u16string(s.begin(), s.end());
}

class FakeClock : public Clock {
public:
    std::uint32_t Now = 1000;
    std::uint32_t TickCount() override { return Now; }
    void Sleep(std::uint32_t ms) override { Now += ms; }
    std::uint32_t LastInputTick() override { return Now; }
};

class PhraseFileAtExitTest : public ::testing::Test {
protected:
    testing::FakeFileSystem files;
    FakeClock clock;
    AbbreviationIndex data;
    PhraseList rows;
    std::vector<std::u16string> reported;
    PhraseFile file{files, clock, u"C:\\L\\lumora.lmx", rows, data, [this](std::exception_ptr e) {
                        try {
                            std::rethrow_exception(e);
                        } catch (const Error& error) {
                            reported.push_back(error.Message());
                        }
                    }};

    static std::string Phrases(std::initializer_list<const char16_t*> abbreviations) {
        AbbreviationIndex d;
        PhraseList r;
        for (auto a : abbreviations)
            r.AppendPhrase(d, a, u"");
        return PhraseFileBytes(r);
    }
    std::string ThreePhrases() { return Phrases({u"a", u"b", u"c"}); }
    // Time passes with the program's timer running.
    void Wait(std::uint32_t ms, bool userEditing = false) {
        for (std::uint32_t t = 0; t < ms; t += PhraseFile::TickIntervalMs) {
            clock.Now += PhraseFile::TickIntervalMs;
            file.Tick(userEditing);
        }
    }
};

TEST_F(PhraseFileAtExitTest, ShouldKeepBackup_WhenLoadStoppedAtMaxItems) {
    files.Files[file.Path()] = ThreePhrases();
    file.Load(2, {});
    EXPECT_TRUE(file.KeepsOldFile());
    // Nothing changed: the file is not cut down to the phrases loaded.
    file.SaveAtExit();
    EXPECT_EQ(files.Writes, 0);
    file.Changed();
    file.SaveAtExit();
    EXPECT_EQ(files.Files[u"C:\\L\\lumora.lmx.bak"], ThreePhrases());
    EXPECT_EQ(files.Files[file.Path()], PhraseFileBytes(rows));
}

TEST_F(PhraseFileAtExitTest, ShouldKeepBackup_WhenLoadFailed_AndNotOtherwise) {
    files.Files[file.Path()] = "<phrases><phrase>";
    EXPECT_THROW(file.Load(30, {}), TagSyntaxError);
    file.SaveAtExit();
    EXPECT_EQ(files.Files[file.BackupPath()], "<phrases><phrase>");

    files.Files.erase(file.BackupPath());
    file.Load(30, {});
    EXPECT_FALSE(file.KeepsOldFile());
    file.Changed();
    file.SaveAtExit();
    EXPECT_EQ(files.Files.count(file.BackupPath()), 0u);

    // No file at start: nothing to keep; the file is made at exit.
    files.Files.clear();
    file.Load(30, {});
    file.SaveAtExit();
    EXPECT_EQ(files.Files.size(), 1u);
}

TEST_F(PhraseFileAtExitTest, ShouldNotReplaceFile_WhenBackupCannotBeMade) {
    files.Files[file.Path()] = ThreePhrases();
    file.Load(1, {});
    file.Changed();
    files.FailCopies = true;
    EXPECT_THROW(file.SaveAtExit(), Error);
    EXPECT_EQ(files.Files[file.Path()], ThreePhrases());
    EXPECT_EQ(files.Writes, 0);
}

// A file Lumora cannot have written is a failed load, shown, and kept as the backup when the
// file is next replaced; UTF-16 that lost its byte-order mark is still read.
TEST_F(PhraseFileAtExitTest, Load_ShouldFailAndKeepTheFile_WhenItIsDamaged) {
    std::string zeroedStart = ThreePhrases();
    std::fill(zeroedStart.begin(), zeroedStart.begin() + 64, '\0');
    std::string zeroedMiddle = ThreePhrases();
    std::fill(zeroedMiddle.begin() + 120, zeroedMiddle.begin() + 140, '\0');
    const std::string allZero(4096, '\0');
    const std::string otherBytes = "PK\x03\x04 not a phrase file at all";
    for (const std::string& damaged : {zeroedStart, zeroedMiddle, allZero, otherBytes}) {
        files.Files.clear();
        files.Files[file.Path()] = damaged;
        EXPECT_THROW(file.Load(30, {}), DamagedFileError);
        file.SaveAtExit();
        EXPECT_EQ(files.Files[file.BackupPath()], damaged);
        EXPECT_EQ(files.Files[file.Path()], PhraseFileBytes(rows));
    }
    EXPECT_EQ(rows.Count(), 0u);

    files.Files.clear();
    files.Files[file.Path()] = ThreePhrases().substr(2); // the mark lost
    file.Load(30, {});
    EXPECT_EQ(rows.Count(), 3u);
    std::string bigEndian;
    for (std::size_t i = 2; i + 1 < ThreePhrases().size(); i += 2)
        bigEndian += {ThreePhrases()[i + 1], ThreePhrases()[i]};
    files.Files[file.Path()] = bigEndian;
    file.Load(30, {});
    EXPECT_EQ(rows.Count(), 3u);
    // An empty file, or one of a byte-order mark only, is an empty list.
    for (const char* empty : {"", "\xFF\xFE"}) {
        files.Files[file.Path()] = empty;
        EXPECT_NO_THROW(file.Load(30, {}));
    }
}

TEST_F(PhraseFileAtExitTest, Load_ShouldRejectNestedPhrase_AndQuoteNamesShort) {
    files.Files[file.Path()] =
        Utf16LE(u"<phrases>\r\n<phrase><autotext>YQ==</autotext></phrase>\r\n"
                u"<phrase><phrase><autotext>Yg==</autotext></phrase>"
                u"</phrase></phrases>");
    try {
        file.Load(30, {});
        ADD_FAILURE() << "no error";
    } catch (const TagSyntaxError& e) {
        EXPECT_EQ(e.Message(), u"XML Parsing Error: a phrase inside a phrase.\rFound: <phrase>\r"
                               u"Line: 3\rColumn: 1");
    }
    ASSERT_EQ(rows.Count(), 1u); // the phrase around it is cut off: no row
    EXPECT_EQ(rows.At(0).Abbreviation(), u"a");

    const std::u16string longName(1 << 20, u'n');
    files.Files[file.Path()] = Utf16LE(u"<phrases><" + longName + u">");
    try {
        file.Load(30, {});
        ADD_FAILURE() << "no error";
    } catch (const TagSyntaxError& e) {
        EXPECT_LT(e.Message().size(), 200u);
        EXPECT_NE(e.Message().find(u"Expected: </" + longName.substr(0, 64) + u"...>"),
                  std::u16string::npos);
    }
}

// Two loads cut at falling limits, each followed by an edit: the file holds the last edit, and
// every phrase the file ever held is in one of the copies.
TEST_F(PhraseFileAtExitTest, CutLoads_ShouldNeverReplaceABackupByAShorterOne) {
    std::vector<const char16_t*> forty;
    std::vector<std::u16string> names;
    for (int i = 0; i < 40; ++i)
        names.push_back(u"p" + std::u16string(1, char16_t(u'A' + i)));
    PhraseList all;
    for (const auto& n : names)
        all.AppendPhrase(data, n, u"text of " + n);
    files.Files[file.Path()] = PhraseFileBytes(all);
    all.ClearPhrases();

    for (std::uint32_t limit : {20u, 10u}) {
        file.Load(limit, {});
        rows.At(0).SetText(u"edited at " + Number(limit));
        file.Changed();
        file.SaveAtExit();
    }
    EXPECT_EQ(CountPhrases(files.Files[file.BackupPath()]).Phrases, 40u);
    EXPECT_EQ(CountPhrases(files.Files[file.BackupPath(20)]).Phrases, 20u);
    file.Load(100, {});
    ASSERT_EQ(rows.Count(), 10u);
    EXPECT_EQ(rows.At(0).Text(), u"edited at 10");

    std::set<std::u16string> kept;
    for (const auto& [path, bytes] : files.Files) {
        AbbreviationIndex index;
        PhraseList copy;
        LoadPhrasesFromBytes(copy, index, bytes, 100, {});
        for (std::size_t i = 0; i < copy.Count(); ++i)
            kept.insert(copy.At(i).Abbreviation() + u"=" + copy.At(i).Text());
    }
    for (const auto& n : names)
        EXPECT_TRUE(kept.count(n + u"=text of " + n)) << Utf16ToUtf8(n);
    EXPECT_TRUE(kept.count(u"pA=edited at 20"));
    EXPECT_EQ(files.Files.size(), 3u);
}

// Exit arriving while the load handles messages: the load stops cleanly, nothing is written,
// and no timer writes meanwhile.
TEST_F(PhraseFileAtExitTest, RequestEnd_ShouldStopTheLoadAndWriteNothing_WhenItComesDuringTheLoad) {
    files.Files[file.Path()] = ThreePhrases();
    int made = 0;
    bool endNow = true;
    const PhraseLoadResult result = file.Load(30, [&] {
        clock.Now += 5000;
        file.Tick();
        if (++made == 2) endNow = file.RequestEnd();
    });
    EXPECT_FALSE(endNow);
    EXPECT_TRUE(result.Stopped);
    ASSERT_EQ(rows.Count(), 1u); // the second phrase was cut off by the stop
    EXPECT_TRUE(file.RequestEnd());
    file.SaveAtExit();
    EXPECT_EQ(files.Writes, 0);
    EXPECT_EQ(files.Files[file.Path()], ThreePhrases());
}

TEST_F(PhraseFileAtExitTest, Changes_ShouldBeWrittenOnceAfterABurst_AndAFailureSaidOnce) {
    files.Put(file.Path(), ThreePhrases());
    file.Load(30, {});
    for (const char16_t* a : {u"x", u"y", u"z"}) {
        if (a[0] != u'x') Wait(250);
        rows.AppendPhrase(data, a, u"");
        file.Changed();
    }
    EXPECT_EQ(files.Writes, 0);
    Wait(500);
    EXPECT_EQ(files.Writes, 1);
    EXPECT_EQ(files.Files[file.Path()], PhraseFileBytes(rows));
    Wait(5000);
    EXPECT_EQ(files.Writes, 1); // nothing new, no write

    files.FailWrites = true;
    rows.DeleteAt(0);
    file.Changed();
    Wait(2000);
    rows.DeleteAt(0);
    file.Changed();
    Wait(2000);
    EXPECT_EQ(files.Writes, 3); // once per change, not at every tick
    EXPECT_EQ(reported.size(), 1u);
    EXPECT_EQ(CountPhrases(files.Files[file.Path()]).Phrases, 6u); // the old file, whole
    files.FailWrites = false;
    file.SaveAtExit();
    EXPECT_EQ(files.Files[file.Path()], PhraseFileBytes(rows));
}

TEST_F(PhraseFileAtExitTest, OutsideChange_ShouldBeLoaded_OrKeptAsConflictBesideUnsavedEdits) {
    files.Put(file.Path(), ThreePhrases());
    file.Load(30, {});
    files.Put(file.Path(), Phrases({u"new"}));
    Wait(1000, true); // a cell being edited holds it back
    EXPECT_EQ(rows.Count(), 3u);
    Wait(2500);
    ASSERT_EQ(rows.Count(), 1u);
    EXPECT_EQ(data.Count(), 1);
    EXPECT_EQ(data.At(0).Abbreviation, u"new");
    EXPECT_EQ(files.Writes, 0);
    // The rows it took away are kept first, under a dated name.
    EXPECT_EQ(files.Files[u"C:\\L\\lumora.lmx.2000-01-01-0000.bak"], ThreePhrases());

    rows.AppendPhrase(data, u"mine", u"");
    file.Changed();
    files.Put(file.Path(), Phrases({u"theirs"}));
    Wait(1000);
    EXPECT_EQ(files.Files[u"C:\\L\\lumora.lmx.2000-01-01-0000.conflict"], Phrases({u"theirs"}));
    EXPECT_EQ(files.Files[file.Path()], Phrases({u"new", u"mine"}));
    Wait(3000);
    EXPECT_EQ(rows.Count(), 2u); // its own write is no outside change

    // Unreadable: the rows stay, said once, and nothing is written over it.
    files.Put(file.Path(), Phrases({u"locked"}));
    files.Unreadable.insert(file.Path());
    Wait(5000);
    EXPECT_EQ(rows.Count(), 2u);
    EXPECT_EQ(reported.size(), 1u);
    files.Unreadable.clear();
    rows.AppendPhrase(data, u"more", u"");
    file.Changed();
    Wait(1000);
    EXPECT_EQ(files.Files[file.BackupPath()], Phrases({u"locked"}));
}

TEST_F(PhraseFileAtExitTest, ReadOnlyFile_ShouldNotBeWritten_AndLinkShouldBeWrittenThrough) {
    files.Put(file.Path(), ThreePhrases());
    files.ReadOnly.insert(file.Path());
    file.Load(30, {});
    rows.DeleteAt(0);
    file.Changed();
    Wait(2000);
    rows.DeleteAt(0);
    file.Changed();
    file.SaveAtExit();
    EXPECT_EQ(files.Writes, 0);
    EXPECT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find(u"read-only"), std::u16string::npos);

    files.ReadOnly.clear();
    files.Files.clear();
    files.Links[file.Path()] = u"D:\\Sync\\lumora.lmx";
    files.Put(u"D:\\Sync\\lumora.lmx", ThreePhrases());
    file.Load(30, {});
    rows.DeleteAt(0);
    file.Changed();
    Wait(1000);
    EXPECT_EQ(files.Files.count(file.Path()), 0u);
    EXPECT_EQ(files.Files[u"D:\\Sync\\lumora.lmx"], PhraseFileBytes(rows));
}

} // namespace
} // namespace lumora
