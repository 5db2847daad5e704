#include "editor/BackupImport.h"

#include "data/PhraseFile.h"
#include "tests/data/FakeFileSystem.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

const std::u16string Path = u"C:\\L\\lumora.lmx";

class StillClock : public Clock {
public:
    std::uint32_t TickCount() override { return 1000; }
    void Sleep(std::uint32_t) override {}
    std::uint32_t LastInputTick() override { return 1000; }
};

std::vector<PhraseValue> Numbered(int from, int to) {
    std::vector<PhraseValue> v;
    for (int i = from; i < to; ++i) {
        const std::string n = std::to_string(i);
        v.push_back({u"p" + std::u16string(n.begin(), n.end()), u"text"});
    }
    return v;
}

std::string FileOf(const std::vector<PhraseValue>& values) {
    AbbreviationIndex index;
    PhraseList rows;
    for (const auto& v : values)
        rows.AppendPhrase(index, v.Abbreviation, v.Text);
    return PhraseFileBytes(rows);
}

// A start cut at 20 of 40 phrases, an edit that replaced the file (its whole kept in
// lumora.lmx.bak), and a dated copy of a sync: the list offers both with their dates and counts,
// and brings back what it lacks, once.
TEST(BackupImportTest,
     CopiesBesideTheFile_ShouldBeListedWithDatesAndCounts_AndBringBackWhatTheListLacks) {
    testing::FakeFileSystem files;
    StillClock clock;
    AbbreviationIndex index;
    PhraseList rows;
    files.Put(Path, FileOf(Numbered(0, 40)));
    PhraseFile file(files, clock, Path, rows, index);
    file.Load(20, {});
    rows.DeleteAt(0);
    file.Changed();
    file.SaveAtExit();
    files.ChangedAt[file.BackupPath()] = LocalTime{2026, 12, 8, 2, 9, 5, 0};
    files.Put(Path + u".2026-12-09-1530.conflict", FileOf({{u"sig", u"Kind regards"}}));
    files.Put(Path + u".2026-12-09-1531.bak", "\xFF\xFE<\0p\0h\0r\0");
    files.Put(Path + u".tmp123", "not a copy");

    const std::vector<BackupChoice> choices = BackupsToImport(files, Path, rows);
    ASSERT_EQ(choices.size(), 3u);
    EXPECT_EQ(BackupChoiceText(choices[0]),
              u"lumora.lmx.2026-12-09-1531.bak\t2026-12-09 15:31\t0 phrases, 0 not in the list "
              u"(cut off)");
    EXPECT_EQ(
        BackupChoiceText(choices[1]),
        u"lumora.lmx.2026-12-09-1530.conflict\t2026-12-09 15:30\t1 phrase, 1 not in the list");
    EXPECT_EQ(BackupChoiceText(choices[2]),
              u"lumora.lmx.bak\t2026-12-08 09:05\t40 phrases, 21 not in the list");
    EXPECT_EQ(choices[1].Kind, CopyKind::Conflict);

    ImportOutcome outcome = ImportFromBackup(rows, index, files, choices[2].Path, 30);
    EXPECT_EQ(outcome.Added, 11u);
    EXPECT_EQ(outcome.AlreadyInList, 19u);
    EXPECT_EQ(outcome.LeftOut, 10u);
    EXPECT_EQ(ImportOutcomeText(outcome, u"lumora.lmx.bak"),
              u"11 phrases of lumora.lmx.bak added at the end of the list. 10 more phrases do not "
              u"fit: the list holds its largest number of phrases (Options, MaxPhrases).");
    outcome = ImportFromBackup(rows, index, files, choices[2].Path, 100);
    EXPECT_EQ(outcome.Added, 10u);
    EXPECT_EQ(MissingPhrases(Numbered(0, 40), ValuesOf(rows)), 0u);
    EXPECT_EQ(rows.Count(), 40u);
    EXPECT_EQ(ImportFromBackup(rows, index, files, choices[2].Path, 100).Added, 0u);
    EXPECT_EQ(index.Count(), 40);

    files.Unreadable.insert(choices[1].Path);
    EXPECT_EQ(BackupChoiceText(BackupsToImport(files, Path, rows)[1]),
              u"lumora.lmx.2026-12-09-1530.conflict\t2026-12-09 15:30\tcannot be read");
    EXPECT_THROW(ImportFromBackup(rows, index, files, choices[1].Path, 100), Error);
}

} // namespace
} // namespace lumora
