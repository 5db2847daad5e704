// The phrase file shared with sync tools, editors and scripts: whatever they do to it, every
// phrase the user ever had stays in the list or in a copy beside the file, and the user is told
// of each copy that holds phrases.
#include "data/PhraseCopies.h"
#include "data/PhraseFile.h"
#include "tests/data/FakeFileSystem.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace lumora {
namespace {

const std::u16string Path = u"C:\\Sync\\lumora.lmx";

class SyncClock : public Clock {
public:
    std::uint32_t Now = 5000;
    std::uint32_t TickCount() override { return Now; }
    void Sleep(std::uint32_t ms) override { Now += ms; }
    std::uint32_t LastInputTick() override { return Now; }
};

std::vector<PhraseValue> Numbered(int from, int to) {
    std::vector<PhraseValue> v;
    for (int i = from; i < to; ++i) {
        const std::string n = std::to_string(i);
        v.push_back({u"p" + std::u16string(n.begin(), n.end()),
                     u"phrase number " + std::u16string(n.begin(), n.end())});
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

class PhraseFileSyncTest : public ::testing::Test {
public: // the scenarios below act on the fixture
    testing::FakeFileSystem files;
    SyncClock clock;
    AbbreviationIndex index;
    PhraseList rows;
    std::vector<std::u16string> errors;
    std::vector<std::u16string> told;
    LocalTime now{2026, 12, 9, 3, 15, 30, 0};
    PhraseFile file{files,
                    clock,
                    Path,
                    rows,
                    index,
                    PhraseFileCallbacks{[this](std::exception_ptr e) {
                                            try {
                                                std::rethrow_exception(e);
                                            } catch (const Error& error) {
                                                errors.push_back(error.Message());
                                            }
                                        },
                                        [this](const std::u16string&, const std::u16string& text) {
                                            told.push_back(text);
                                        },
                                        [this] { return now; }}};
    // Every phrase the user ever had.
    std::set<PhraseValue> ever;

    void Start(const std::vector<PhraseValue>& phrases, std::uint32_t maxPhrases = 1000) {
        files.Put(Path, FileOf(phrases));
        ever.insert(phrases.begin(), phrases.end());
        file.Load(maxPhrases, {});
    }
    // Time passes with the program's timer running.
    void Wait(std::uint32_t ms) {
        for (std::uint32_t t = 0; t < ms; t += PhraseFile::TickIntervalMs) {
            clock.Now += PhraseFile::TickIntervalMs;
            file.Tick();
        }
    }
    void Edit(const PhraseValue& added) {
        rows.AppendPhrase(index, added.Abbreviation, added.Text);
        ever.insert(added);
        file.Changed();
    }
    std::set<PhraseValue> InFile(const std::u16string& path) {
        const auto content = ReadPhraseValues(files.Files[path]);
        return {content.Phrases.begin(), content.Phrases.end()};
    }
    std::vector<PhraseValue> Rows() const { return ValuesOf(rows); }
    // The phrases that are neither in the list nor in a file beside it (the phrase file and
    // its copies) that the user was told of.
    std::vector<PhraseValue> Lost(bool listCounts = true) {
        std::set<PhraseValue> kept;
        if (listCounts)
            for (const auto& v : Rows())
                kept.insert(v);
        for (const auto& [path, bytes] : files.Files) {
            if (path.rfind(Path, 0) != 0) continue;
            const bool toldOf =
                path == Path || path == file.BackupPath() ||
                std::any_of(told.begin(), told.end(), [&](const auto& t) {
                    return t.find(path.substr(path.rfind(u'\\') + 1)) != std::u16string::npos;
                });
            if (!toldOf) continue;
            for (const auto& v : ReadPhraseValues(bytes).Phrases)
                kept.insert(v);
        }
        std::vector<PhraseValue> lost;
        for (const auto& v : ever)
            if (!kept.count(v)) lost.push_back(v);
        return lost;
    }
    std::vector<std::u16string> Copies(CopyKind kind) {
        std::vector<std::u16string> paths;
        for (const auto& c : CopiesBeside(files, Path))
            if (c.Kind == kind) paths.push_back(c.Path);
        return paths;
    }
};

struct Scenario {
    const char* Name;
    std::function<void(PhraseFileSyncTest&)> Run;
    std::size_t RowsAfter; // the list once the file has settled
    std::size_t Notices;
};

TEST_F(PhraseFileSyncTest,
       EveryPhrase_ShouldStayInTheListOrACopyToldOf_WhateverAnotherProgramDoes) {
    const auto forty = Numbered(0, 40);
    const std::vector<Scenario> scenarios = {
        {"emptied, then restored",
         [&](PhraseFileSyncTest& t) {
             t.files.Put(Path, "");
             t.Wait(3000);
             EXPECT_EQ(t.rows.Count(), 40u) << "an empty file shows as an empty list";
             t.files.Put(Path, FileOf(forty));
             t.Wait(3000);
         },
         40, 0},
        {"emptied for good",
         [&](PhraseFileSyncTest& t) {
             t.files.Put(Path, "\xFF\xFE");
             t.Wait(10000);
         },
         40, 1},
        {"cut in the middle of a phrase, then emptied",
         [&](PhraseFileSyncTest& t) {
             const std::string whole = FileOf(forty);
             t.files.Put(Path, whole.substr(0, whole.size() / 2 + 7));
             t.Wait(3000);
             t.files.Put(Path, "");
             t.Wait(10000);
         },
         40, 1}, // the same list is kept once, and told of once
        {"replaced by an older version with 5 phrases",
         [&](PhraseFileSyncTest& t) {
             t.files.Put(Path, FileOf(Numbered(0, 5)));
             t.Wait(3000);
         },
         5, 1},
        {"a phrase added and saved, then a sync brings the copy without it",
         [&](PhraseFileSyncTest& t) {
             t.Edit({u"new", u"added in the list"});
             t.Wait(1000);
             t.files.Put(Path, FileOf(forty));
             t.Wait(3000);
         },
         40, 1},
        {"two conflicts in a row",
         [&](PhraseFileSyncTest& t) {
             for (int round = 0; round < 2; ++round) {
                 t.Edit({u"mine" + std::u16string(1, char16_t(u'0' + round)), u"unsaved"});
                 const auto theirs = Numbered(100 + 10 * round, 105 + 10 * round);
                 t.ever.insert(theirs.begin(), theirs.end());
                 t.files.Put(Path, FileOf(theirs));
                 t.Wait(3000);
             }
             EXPECT_EQ(t.Copies(CopyKind::Conflict).size(), 2u);
         },
         42, 2},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.Name);
        files = {};
        told.clear();
        errors.clear();
        ever.clear();
        rows.ClearPhrases();
        Start(forty);
        s.Run(*this);
        EXPECT_EQ(rows.Count(), s.RowsAfter);
        EXPECT_EQ(told.size(), s.Notices);
        EXPECT_TRUE(errors.empty());
        EXPECT_TRUE(Lost().empty()) << Lost().size() << " phrases lost while running";
        file.SaveAtExit();
        EXPECT_TRUE(Lost(false).empty()) << Lost(false).size() << " phrases lost after exit";
    }
}

TEST_F(PhraseFileSyncTest, UnreadableBackup_ShouldNeverBlockASaveOrABackup) {
    const auto forty = Numbered(0, 40);
    files.Put(file.BackupPath(), "old");
    files.Unreadable.insert(file.BackupPath());
    Start(forty, 20); // the file holds more than the list: kept before it is replaced
    rows.DeleteAt(0);
    file.Changed();
    Wait(1000);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(InFile(Path).size(), 19u);
    const auto backups = Copies(CopyKind::Backup);
    ASSERT_EQ(backups.size(), 2u);
    EXPECT_EQ(backups[0], Path + u".2026-12-09-1530.bak");
    EXPECT_EQ(InFile(backups[0]).size(), 40u);
    EXPECT_TRUE(Lost().empty());
}

TEST_F(PhraseFileSyncTest, Pruning_ShouldKeepTheNewestTen_AndEveryCopyThatAloneHoldsAPhrase) {
    Start(Numbered(0, 3));
    // Fourteen dated backups, a minute apart: the oldest alone holds "only".
    for (int i = 0; i < 14; ++i) {
        now.Minute = i;
        auto phrases = Numbered(0, 3);
        if (i == 0) phrases.push_back({u"only", u"in the oldest copy"});
        if (i == 1)
            phrases.push_back({u"p0", u"phrase number 0"}); // a repeat is no phrase of its own
        files.Put(DatedCopyPath(Path, CopyKind::Backup, now, 1), FileOf(phrases));
    }
    files.Put(DatedCopyPath(Path, CopyKind::Backup, now, 2), "cut <phrases><phrase>");
    files.Put(DatedCopyPath(Path, CopyKind::Conflict, now, 1), FileOf(Numbered(0, 3)));
    now.Minute = 30;
    KeepDatedCopy(files, Path, CopyKind::Backup, now, FileOf(Numbered(0, 3)));

    std::vector<std::u16string> backups = Copies(CopyKind::Backup);
    // The newest ten (the new one, the cut one, minutes 13 to 6), and the oldest, which alone
    // holds a phrase; minutes 1 to 5 are gone. Conflict copies are counted apart.
    ASSERT_EQ(backups.size(), 11u);
    EXPECT_EQ(backups.front(), Path + u".2026-12-09-1530.bak");
    EXPECT_EQ(backups[1], Path + u".2026-12-09-1513-2.bak");
    EXPECT_EQ(backups[9], Path + u".2026-12-09-1506.bak");
    EXPECT_EQ(backups[10], Path + u".2026-12-09-1500.bak");
    EXPECT_EQ(Copies(CopyKind::Conflict).size(), 1u);
}

// At idle, with notifications delivered, nothing asks for a timer; a notification, a change
// and an emptied file each ask for one as long as they need it.
TEST_F(PhraseFileSyncTest, Timer_ShouldBeAskedForOnlyWhileSomethingIsDue) {
    Start(Numbered(0, 3));
    file.SetPollInterval(std::nullopt);
    EXPECT_EQ(file.NextTickDelayMs(), std::nullopt);
    Wait(60000);
    EXPECT_EQ(file.NextTickDelayMs(), std::nullopt);

    Edit({u"x", u"y"});
    EXPECT_EQ(file.NextTickDelayMs(), PhraseFile::SaveDelayMs);
    Wait(1000);
    EXPECT_EQ(file.NextTickDelayMs(), std::nullopt);

    files.Put(Path, "");
    file.FileChangeNoticed();
    EXPECT_EQ(file.NextTickDelayMs(), 0u);
    int ticks = 0;
    while (auto delay = file.NextTickDelayMs()) {
        clock.Now += *delay;
        file.Tick();
        ASSERT_LT(++ticks, 10);
    }
    EXPECT_EQ(rows.Count(), 4u);
    EXPECT_EQ(told.size(), 1u);

    file.SetPollInterval(PhraseFile::SlowPollIntervalMs);
    EXPECT_EQ(file.NextTickDelayMs(), PhraseFile::SlowPollIntervalMs);
}

} // namespace
} // namespace lumora
