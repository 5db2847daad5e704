#include "data/PhraseFilePlace.h"
#include "data/PhraseFile.h"
#include "platform/Utf.h"
#include "tests/data/FakeFileSystem.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

using testing::FakeFileSystem;

class StoppedClock : public Clock {
public:
    std::uint32_t Now = 1000;
    std::uint32_t TickCount() override { return Now; }
    void Sleep(std::uint32_t ms) override { Now += ms; }
    std::uint32_t LastInputTick() override { return Now; }
};

const std::u16string Folder = u"C:\\L\\";
const std::u16string Default = Folder + u"lumora.lmx";

std::string PhraseBytes(std::initializer_list<const char16_t*> abbreviations) {
    AbbreviationIndex index;
    PhraseList rows;
    for (auto a : abbreviations)
        rows.AppendPhrase(index, a, u"text");
    return PhraseFileBytes(rows);
}

// The program's folder as a user may leave it: the program's own files, a phrase file, a
// text file, a sub-folder; the phrase file named in the settings in every way that cannot
// work. Whatever it names, the program starts, says what is wrong once, and then runs: an edit
// is saved where the phrases are kept, and no file that is not a phrase file is ever written.
class PhraseFilePlaceTest : public ::testing::Test {
protected:
    PhraseFilePlaceTest() {
        files.Folders = {u"C:", u"C:\\L", u"C:\\L\\sub", u"\\\\server\\share"};
        files.Files[Folder + u"lumora.exe"] = std::string("MZ\x90\0\3\0\0\0", 8) + "program";
        files.Files[Folder + u"lumora.dll"] = std::string("MZ\x90\0\3\0\0\0", 8) + "library";
        files.Files[Folder + u"lumora.ini"] = std::string("\xFF\xFE[\0L\0u\0m\0o\0r\0a\0]\0", 18);
        files.Files[Folder + u"notes.txt"] = "shopping: milk, bread\r\n";
        files.Files[Default] = PhraseBytes({u"brb"});
        kept = files.Files;
    }

    FakeFileSystem files;
    StoppedClock clock;
    std::map<std::u16string, std::string> kept;
    const std::vector<std::u16string> own{Folder + u"lumora.exe", Folder + u"lumora.dll",
                                          Folder + u"lumora.ini"};
};

TEST_F(PhraseFilePlaceTest, Start_ShouldSayWhatIsWrongOnce_AndNeverWriteWhatIsNoPhraseFile) {
    struct Case {
        std::u16string Configured;
        std::u16string Used; // empty: the configured one
        std::u16string Said; // empty: nothing
    };
    const Case cases[] = {
        {Folder + u"lumora.dll", Default, u"own files"},
        {Folder + u"LUMORA.INI", Default, u"own files"},
        {Folder + u"sub\\..\\lumora.exe", Default, u"own files"},
        {u"C:/L/lumora.dll", Default, u"own files"},
        {Folder + u"CON", Default, u"device CON"},
        {Folder + u"nul.lmx", Default, u"device NUL"},
        {u"\\\\.\\COM1", Default, u"a device"},
        {Folder + u"sub", Default, u"is a folder"},
        {Folder + u"..", Default, u"names a folder"},
        {Folder + u"notes.txt", Default, u"another kind"},
        {u"C:\\Missing\\phrases.lmx", u"", u"cannot be reached"},
        {u"\\\\server\\down\\phrases.lmx", u"", u"cannot be reached"},
        {Folder + u"sub\\new.lmx", u"", u""},
        {Default, u"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.Configured));
        files.Files = kept;
        const PhraseFileChoice choice = ChoosePhraseFile(files, c.Configured, Default, own);
        const std::u16string used = c.Used.empty() ? c.Configured : c.Used;
        ASSERT_TRUE(choice.Path);
        EXPECT_EQ(*choice.Path, used);
        if (c.Said.empty()) {
            EXPECT_EQ(choice.Message, u"");
        } else {
            EXPECT_NE(choice.Message.find(c.Said), std::u16string::npos)
                << Utf16ToUtf8(choice.Message);
        }

        // The run: the phrases loaded, one added in the list, and the program ends.
        AbbreviationIndex index;
        PhraseList rows;
        std::vector<std::u16string> boxes;
        PhraseFile file(files, clock, *choice.Path, rows, index,
                        [&](std::exception_ptr) { boxes.push_back(u"box"); });
        if (!choice.Message.empty()) file.MarkWriteFailureSaid();
        file.Load(30, {});
        rows.AppendPhrase(index, u"omw", u"on my way");
        file.Changed();
        clock.Now += 2000;
        file.Tick();
        bool savedAtExit = true;
        try {
            file.SaveAtExit();
        } catch (const Error&) {
            savedAtExit = false;
            EXPECT_TRUE(file.WriteFailureSaid()) << "a second box at exit";
        }
        EXPECT_TRUE(boxes.empty()) << "said again during the run";
        for (const auto& [path, bytes] : kept)
            if (path != used) {
                EXPECT_EQ(files.Files[path], bytes) << Utf16ToUtf8(path);
            }
        if (savedAtExit) {
            EXPECT_EQ(CountPhrases(files.Files[used]).Phrases, rows.Count());
        } else {
            EXPECT_EQ(files.Kind(used), PathKind::Unreachable);
        }
    }
}

TEST_F(PhraseFilePlaceTest, NoUsableFile_ShouldKeepNoPhraseFile_AndSayIt) {
    files.Files[Default] = "a note that is not a list of phrases";
    const PhraseFileChoice choice = ChoosePhraseFile(files, Folder + u"CON", Default, own);
    EXPECT_FALSE(choice.Path);
    EXPECT_NE(choice.Message.find(u"keeps no phrases"), std::u16string::npos);
    EXPECT_FALSE(ChoosePhraseFile(files, Default, Default, own).Path);
}

// Another program puts a file of another kind where the phrases are kept while Lumora runs:
// neither an edit nor the exit writes over it, and the user is told once.
TEST_F(PhraseFilePlaceTest, FileOfAnotherKind_ShouldNeverBeWrittenOver_WhenItReplacesThePhrases) {
    AbbreviationIndex index;
    PhraseList rows;
    int boxes = 0;
    PhraseFile file(files, clock, Default, rows, index, [&](std::exception_ptr) { ++boxes; });
    file.Load(30, {});
    files.Put(Default, "exported contacts: Ann, Bob");
    rows.AppendPhrase(index, u"omw", u"on my way");
    file.Changed();
    for (int i = 0; i < 20; ++i) {
        clock.Now += PhraseFile::TickIntervalMs;
        file.Tick();
    }
    file.SaveAtExit();
    EXPECT_EQ(files.Files[Default], "exported contacts: Ann, Bob");
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(rows.Count(), 2u);
}

} // namespace
} // namespace lumora
