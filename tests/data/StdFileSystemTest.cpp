#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Utf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace lumora {
namespace {

namespace fs = std::filesystem;

class StdFileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("lumora-fs-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::u16string Path(const std::string& name) const {
        return Utf8ToUtf16((dir / name).string());
    }
    std::size_t Entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
    }

    fs::path dir;
    std::unique_ptr<FileSystem> files = MakeStdFileSystem();
};

TEST_F(StdFileSystemTest, ShouldTellMissingFromUnreadable_WhenReading) {
    EXPECT_EQ(files->ReadFile(Path("none.lmx")), std::nullopt);
    EXPECT_EQ(files->ReadFile(Path("no-folder/none.lmx")), std::nullopt);
    fs::create_directory(dir / "folder.lmx");
    EXPECT_THROW(files->ReadFile(Path("folder.lmx")), Error);
    EXPECT_FALSE(files->FileExists(Path("none.lmx")));
}

TEST_F(StdFileSystemTest, ShouldReplaceWholeFile_WhenWrittenAtomically) {
    std::u16string path = Path("\u00E9t\u00E9 \u0416.lmx"); // non-ASCII names survive
    files->WriteFileAtomic(path, std::string("first\0x", 7));
    files->WriteFileAtomic(path, "second");
    EXPECT_EQ(files->ReadFile(path), "second");
    files->WriteFileAtomic(path, "");
    EXPECT_EQ(files->ReadFile(path), "");
    EXPECT_EQ(Entries(), 1u); // no temporary file left behind
    files->CopyFile(path, Path("copy.bak"));
    EXPECT_TRUE(files->FileExists(Path("copy.bak")));
}

TEST_F(StdFileSystemTest, ShouldLeaveOldEntryAndNoTemporary_WhenReplaceFails) {
    // A non-empty folder where the file should go: the rename over it fails.
    fs::create_directories(dir / "target.lmx" / "inside");
    std::u16string path = Path("target.lmx");
    try {
        files->WriteFileAtomic(path, "data");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(e.Message().find(path), std::u16string::npos);
    }
    EXPECT_TRUE(fs::is_directory(dir / "target.lmx" / "inside"));
    EXPECT_EQ(Entries(), 1u);
    EXPECT_THROW(files->WriteFileAtomic(Path("no-folder/x.lmx"), "data"), Error);
    EXPECT_THROW(files->CopyFile(Path("none"), Path("copy")), Error);
}

TEST_F(StdFileSystemTest, ShouldWriteThroughLink_AndTellReadOnlyAndChanges) {
    fs::create_directories(dir / "synced");
    const std::u16string target = Path("synced/lumora.lmx");
    const std::u16string link = Path("lumora.lmx");
    files->WriteFileAtomic(target, "first");
    fs::create_symlink(dir / "synced" / "lumora.lmx", dir / "lumora.lmx");
    const std::optional<FileInfo> before = files->Info(link);
    ASSERT_TRUE(before);
    files->WriteFileAtomic(link, "second, longer");
    EXPECT_TRUE(fs::is_symlink(dir / "lumora.lmx"));
    EXPECT_EQ(files->ReadFile(target), "second, longer");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "synced"), {}), 1);
    const std::optional<FileInfo> after = files->Info(link);
    ASSERT_TRUE(after);
    EXPECT_NE(after->Stamp, before->Stamp);
    EXPECT_FALSE(after->ReadOnly);

    fs::permissions(dir / "synced" / "lumora.lmx", fs::perms::owner_read | fs::perms::group_read);
    EXPECT_TRUE(files->Info(target)->ReadOnly);
    EXPECT_EQ(files->Info(Path("none")), std::nullopt);
}

// Copies beside the phrase file: a new one never replaces what is there, the copies are found
// by the file's name, and old ones can be removed.
TEST_F(StdFileSystemTest, Copies_ShouldNeverBeOverwritten_AndBeFoundByTheFilesName) {
    const std::u16string file = Path("lumora.lmx");
    EXPECT_TRUE(files->WriteNewFile(file + u".2026-12-09-1530.bak", "first"));
    EXPECT_FALSE(files->WriteNewFile(file + u".2026-12-09-1530.bak", "second"));
    EXPECT_EQ(files->ReadFile(file + u".2026-12-09-1530.bak"), "first");
    EXPECT_TRUE(files->WriteNewFile(file + u".conflict", ""));
    fs::create_directory(dir / "lumora.lmx.folder");
    files->WriteFileAtomic(Path("other.lmx.bak"), "x");
    std::vector<std::u16string> found = files->FilesStartingWith(file + u".");
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::u16string>{file + u".2026-12-09-1530.bak",
                                                  file + u".conflict"}));
    EXPECT_EQ(Entries(), 4u); // no temporary file left behind
    ASSERT_TRUE(files->Info(file + u".conflict"));
    ASSERT_TRUE(files->Info(file + u".conflict")->Changed);
    EXPECT_GE(files->Info(file + u".conflict")->Changed->Year, 2024);
    files->RemoveFile(file + u".conflict");
    EXPECT_FALSE(files->FileExists(file + u".conflict"));
    EXPECT_NO_THROW(files->RemoveFile(file + u".conflict"));
}

} // namespace
} // namespace lumora
