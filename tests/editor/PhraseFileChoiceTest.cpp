#include "editor/PhraseFileChoice.h"
#include "simulation/ScriptedDesktop.h"
#include "tests/data/FakeFileSystem.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

class PhraseFileChoiceTest : public ::testing::Test {
protected:
    testing::FakeFileSystem files;
    Settings current;

    // OK in the Options window with the phrase file's field set to path.
    OptionsFormResult Ok(const std::u16string& path) {
        OptionsFormValues values = FormValuesOf(current, false);
        values.PhraseFile = path;
        return CheckPhraseFileLocation(ReadOptionsForm(values, current, 0), files, path);
    }
};

TEST_F(PhraseFileChoiceTest, NewPlace_ShouldBeRefusedBeforeAnyQuestion_WhenLumoraCannotWriteThere) {
    files.Folders = {u"E:\\locked", u"G:\\Sync"};
    files.UnwritableFolders.insert(u"E:\\locked");
    files.Put(u"F:\\ro.lmx", "");
    files.ReadOnly.insert(u"F:\\ro.lmx");
    const struct {
        std::u16string Path;
        std::u16string Said; // empty: accepted
    } cases[] = {
        {u"D:\\gone\\phrases.lmx", u"does not exist"},
        {u"E:\\locked\\phrases.lmx", u"Access denied"},
        {u"F:\\ro.lmx", u"read-only"},
        {u"G:\\Sync\\phrases.lmx", u""},
    };
    for (const auto& c : cases) {
        const OptionsFormResult result = Ok(c.Path);
        if (c.Said.empty()) {
            EXPECT_TRUE(result.Ok()) << std::string(c.Path.begin(), c.Path.end());
            EXPECT_TRUE(result.PhraseFileChanged);
            continue;
        }
        EXPECT_EQ(result.ErrorField, OptionsField::PhraseFile);
        EXPECT_NE(result.Error.find(c.Said), std::u16string::npos)
            << std::string(c.Path.begin(), c.Path.end());
    }
    // The place kept is not tried again (a read-only file there is the phrase file's own
    // business, said when it is written).
    current.PhraseFile = u"F:\\ro.lmx";
    EXPECT_TRUE(Ok(u"F:\\ro.lmx").Ok());
}

TEST_F(PhraseFileChoiceTest, MoveQuestion_ShouldSayWhatEachAnswerDoes) {
    const std::u16string toEmpty =
        PhraseFileMoveQuestion(u"C:\\lumora.lmx", u"D:\\new.lmx", 12, std::nullopt);
    EXPECT_NE(toEmpty.find(u"Yes: the list's 12 phrases are written there. \"C:\\lumora.lmx\" is "
                           u"left as it is."),
              std::u16string::npos);
    EXPECT_NE(toEmpty.find(u"No: the list is saved in \"C:\\lumora.lmx\" and left there; there is "
                           u"no file at \"D:\\new.lmx\" yet, so the list starts empty."),
              std::u16string::npos);
    const std::u16string toFull =
        PhraseFileMoveQuestion(u"C:\\lumora.lmx", u"D:\\new.lmx", 12, std::size_t{1});
    EXPECT_NE(toFull.find(u"in place of the 1 phrase it holds (kept in a backup beside it)"),
              std::u16string::npos);
    EXPECT_NE(toFull.find(u"the list then holds the 1 phrase of \"D:\\new.lmx\""),
              std::u16string::npos);
}

TEST_F(PhraseFileChoiceTest, TakingPhrasesAlong_ShouldKeepTheFileThereAsBackup) {
    AbbreviationIndex index;
    PhraseList rows;
    {
        AbbreviationIndex otherIndex;
        PhraseList other;
        other.AppendPhrase(otherIndex, u"there", u"in the other file");
        SavePhrases(other, files, u"D:\\new.lmx");
    }
    const std::string before = files.Files[u"D:\\new.lmx"];
    sim::ScriptedDesktop desk;
    std::optional<PhraseFile> file;
    file.emplace(files, desk, u"C:\\lumora.lmx", rows, index);
    file->Load(30, {});
    rows.AppendPhrase(index, u"brb", u"be right back");
    SwitchPhraseFile(file, files, desk, rows, index, u"D:\\new.lmx",
                     PhraseFileMove::TakePhrasesAlong, 30);
    EXPECT_EQ(files.Files[u"D:\\new.lmx.bak"], before);
    ASSERT_EQ(rows.Count(), 1u);
    EXPECT_EQ(rows.At(0).Abbreviation(), u"brb");
}

} // namespace
} // namespace lumora
