#include "editor/PhraseEditor.h"
#include "data/PhraseFile.h"
#include "hook/HookMessages.h"
#include "intake/ProgramMessages.h"
#include "matching/CandidateSearch.h"
#include "platform/VirtualKeys.h"
#include "simulation/ScriptedDesktop.h"
#include "tests/data/FakeFileSystem.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

// A grid that follows the rows as the Win32 one does: rows of 20 pixels, focus and selection.
class FakeGrid : public PhraseGridView, public PhraseListObserver {
public:
    explicit FakeGrid(PhraseList& rows) : rows_(rows) { rows.SetObserver(this); }
    ~FakeGrid() override { rows_.SetObserver(nullptr); }

    std::optional<std::size_t> Focused;
    int Column = 0;
    std::optional<std::pair<std::size_t, int>> Editing;
    std::optional<std::size_t> Selected;
    int Width = 531;
    int Widths[2] = {AbbreviationColumnWidth, TextColumnWidth};
    std::vector<std::string> Calls;

    std::optional<std::size_t> FocusedRow() const override { return Focused; }
    int FocusedColumn() const override { return Column; }
    bool IsEditing() const override { return Editing.has_value(); }
    void ClearSelection() override { Selected.reset(); }
    void ClearFocus() override { Selected = Focused = std::nullopt; }
    void FocusAndShowRow(std::size_t row) override {
        Selected = Focused = row;
        Calls.push_back("show " + std::to_string(row));
    }
    void EditCell(std::size_t row, int column) override { Editing = {row, column}; }
    std::optional<std::size_t> RowAt(int, int y) const override {
        if (y < 0 || static_cast<std::size_t>(y / 20) >= rows_.Count()) return std::nullopt;
        return static_cast<std::size_t>(y / 20);
    }
    int ClientWidth() const override { return Width; }
    int ColumnWidth(int column) const override { return Widths[column]; }
    void SetColumnWidth(int column, int width) override { Widths[column] = width; }

    void RowAppended(std::size_t) override {}
    void RowDeleted(std::size_t index) override {
        if (!Focused) return;
        if (*Focused == index)
            Focused.reset();
        else if (*Focused > index)
            --*Focused;
    }
    void RowsCleared() override { Focused.reset(); }

    // The in-place editor accepts what it holds.
    void Accept(PhraseEditor& editor, const std::u16string& text) {
        auto [row, column] = *Editing;
        Editing.reset();
        editor.CellEdited(row, column, text);
    }

private:
    PhraseList& rows_;
};

class PhraseEditorTest : public ::testing::Test {
protected:
    sim::ScriptedDesktop desk;
    AbbreviationIndex data;
    PhraseList rows;
    Options options;
    HookLink link{77, 0};
    FakeGrid grid{rows};
    PhraseEditor editor{rows, data, options, link, desk.AsPlatform()};

    void SetUp() override {
        editor.SetView(&grid);
        desk.MainWindow = 77;
    }
    Phrase& Add(const std::u16string& abbreviation, const std::u16string& text) {
        return rows.AppendPhrase(data, abbreviation, text);
    }
};

TEST_F(PhraseEditorTest, NewItem_ShouldReuseFirstEmptyRow_EvenAtTheLimit) {
    Add(u"a", u"1");
    Add(u"", u"text only"); // not empty: has text
    Add(u"", u"");
    Add(u"", u"");
    options.MaxPhrases = 4;
    editor.NewPhrase();
    EXPECT_EQ(rows.Count(), 4u);
    EXPECT_EQ(grid.Focused, 2u);
    EXPECT_EQ(grid.Editing, (std::pair<std::size_t, int>{2, AbbreviationColumn}));
}

TEST_F(PhraseEditorTest, NewItem_ShouldAppendAndEdit_BelowTheLimitOnly) {
    options.MaxPhrases = 2;
    Add(u"a", u"1");
    editor.NewPhrase();
    ASSERT_EQ(rows.Count(), 2u);
    EXPECT_EQ(grid.Focused, 1u);
    EXPECT_EQ(grid.Editing, (std::pair<std::size_t, int>{1, AbbreviationColumn}));
    grid.Accept(editor, u"b");

    grid.Editing.reset();
    editor.NewPhrase(); // at the limit, no empty row: nothing
    EXPECT_EQ(rows.Count(), 2u);
    EXPECT_FALSE(grid.Editing);

    options.MaxPhrases = static_cast<std::uint32_t>(-1); // -maxitems=-1: no limit
    editor.NewPhrase();
    EXPECT_EQ(rows.Count(), 3u);
}

TEST_F(PhraseEditorTest, NewItem_ShouldLeaveEveryRow_WhenTheListIsFull) {
    // A user adding phrase 3 of 2 types its abbreviation at once: that must not land in the
    // focused row.
    options.MaxPhrases = 2;
    Add(u"a", u"1");
    Add(u"b", u"2");
    grid.Focused = 1;
    editor.NewPhrase();
    editor.GridKeyPress(u'z');
    if (grid.Editing) grid.Accept(editor, u"z");
    EXPECT_FALSE(grid.Editing);
    EXPECT_EQ(rows.Count(), 2u);
    EXPECT_EQ(rows.At(1).Abbreviation(), u"b");
    // Said at once, with where to raise the limit.
    EXPECT_EQ(editor.NewPhrase(), NewPhraseOutcome::ListFull);
    EXPECT_NE(editor.StatusText().find(u"full (2 phrases)"), std::u16string::npos);
    const std::u16string message = ListFullMessage(2);
    for (std::u16string_view where : {u"Options", u"MaxPhrases", u"-maxitems="})
        EXPECT_NE(message.find(where), std::u16string::npos);
    // Once a phrase is deleted there is room: the status is about the focused row again (its
    // abbreviation of letters starts longer words), and without one says how to add a phrase.
    grid.Focused = 0;
    editor.DeletePhrase();
    EXPECT_NE(editor.StatusText().find(u"\"b\" also fires at the start of a longer word"),
              std::u16string::npos);
    grid.Focused.reset();
    EXPECT_EQ(editor.StatusText(), u"Double click the list to create a new item");
    EXPECT_EQ(editor.NewPhrase(), NewPhraseOutcome::Opened);
}

TEST_F(PhraseEditorTest, NewRowLeftEmpty_ShouldGo_UnlessItsOtherCellOpensNext) {
    Add(u"a", u"1");
    editor.NewPhrase();
    ASSERT_EQ(rows.Count(), 2u);
    // Tab from the empty abbreviation to the text: the row stays for its text.
    grid.Accept(editor, u"");
    EXPECT_FALSE(editor.CellEditClosed(1, true));
    EXPECT_EQ(rows.Count(), 2u);
    // Escape there (or Enter on nothing): the row goes, the row before takes the focus.
    EXPECT_TRUE(editor.CellEditClosed(1, false));
    EXPECT_EQ(rows.Count(), 1u);
    EXPECT_EQ(grid.Focused, 0u);
    // A row with something in it stays.
    editor.NewPhrase();
    grid.Accept(editor, u"b");
    EXPECT_FALSE(editor.CellEditClosed(1, false));
    EXPECT_EQ(rows.Count(), 2u);
}

TEST_F(PhraseEditorTest, SharedAbbreviation_ShouldMarkItsRows_AndNameTheOneTypingGives) {
    Add(u"brb", u"be right back");
    Add(u"x", u"");
    Add(u"BRB", u"BE RIGHT BACK");
    // The row whose phrase typing the abbreviation gives, as the intake finds it.
    DelimiterMode mode = DelimiterMode::AfterDelimiter;
    CandidateSearch search(data, mode);
    std::vector<Phrase*> found;
    search.FindAutotexts(found, u" brb");
    ASSERT_EQ(found.size(), 2u);
    const std::size_t used = rows.IndexOf(found.front());
    const std::size_t unused = used == 0 ? 2 : 0;

    EXPECT_EQ(editor.WinningRow(unused), used);
    EXPECT_EQ(editor.WinningRow(used), used);
    EXPECT_FALSE(editor.WinningRow(1));
    const std::u16string row = u"row " + std::u16string(1, static_cast<char16_t>(u'1' + used));
    EXPECT_NE(editor.CellDisplayText(unused, AbbreviationColumn).find(row + u" is used"),
              std::u16string::npos);
    EXPECT_EQ(editor.CellText(unused, AbbreviationColumn), unused == 0 ? u"brb" : u"BRB");
    EXPECT_EQ(editor.CellDisplayText(1, AbbreviationColumn), u"x");
    grid.Focused = unused;
    EXPECT_NE(editor.StatusText().find(u"never typed"), std::u16string::npos);
    grid.Focused = used;
    EXPECT_NE(editor.StatusText().find(u"gives this row's text"), std::u16string::npos);
    // Told apart again: no mark.
    editor.CellEdited(unused, AbbreviationColumn, u"brb2");
    EXPECT_FALSE(editor.WinningRow(used));
}

TEST_F(PhraseEditorTest, CellEditor_ShouldCountTheText_AndKeepAbbreviationsOnOneLine) {
    editor.CellEditLength(TextColumn, 20);
    EXPECT_EQ(editor.StatusText(), u"Text: 20 of 512 characters; typing replaces the cell; Enter "
                                   u"keeps it, Esc brings the old text back");
    EXPECT_EQ(CellLengthLimit(TextColumn), MaxTextLength);
    EXPECT_EQ(CellLengthLimit(AbbreviationColumn), MaxAbbreviationLength);
    EXPECT_EQ(CellEditorKeyAction(TextColumn, vk::Return, true), CellEditorKey::LineBreak);
    EXPECT_EQ(CellEditorKeyAction(AbbreviationColumn, vk::Return, true), CellEditorKey::Ignore);
    EXPECT_EQ(CellEditorKeyAction(AbbreviationColumn, vk::Return, false), CellEditorKey::Accept);
    editor.CellEditClosed(0, false);
    EXPECT_EQ(editor.StatusText(), u"Double click the list to create a new item");
}

TEST_F(PhraseEditorTest, FileOverTheLimit_ShouldBeCounted_AndTheMessageSayWhereTheRestAre) {
    testing::FakeFileSystem files;
    AbbreviationIndex storedIndex;
    PhraseList stored; // freed before its index
    for (int i = 0; i < 5; ++i)
        stored.AppendPhrase(storedIndex, u"p" + std::u16string(1, static_cast<char16_t>(u'0' + i)),
                            u"text");
    SavePhrases(stored, files, u"lumora.lmx");
    const PhraseLoadResult loaded = LoadPhrases(rows, data, files, u"lumora.lmx", 3, {});
    ASSERT_TRUE(loaded.StoppedAtLimit);
    EXPECT_EQ(CountPhrasesInFile(files, u"lumora.lmx"), 5u);
    EXPECT_EQ(CountPhrasesInFile(files, u"missing.lmx"), 0u);
    const std::u16string message = FileOverLimitMessage(5, 3, u"lumora.lmx", u"lumora.lmx.bak");
    for (std::u16string_view part :
         {u"holds 5 phrases", u"first 3", u"lumora.lmx.bak", u"Options", u"MaxPhrases"})
        EXPECT_NE(message.find(part), std::u16string::npos)
            << std::string(part.begin(), part.end());
}

TEST_F(PhraseEditorTest, Delete_ShouldFocusRowBefore_ElseRowAfter_ElseNone) {
    Add(u"a", u"");
    Add(u"b", u"");
    Add(u"c", u"");
    grid.Focused = 2; // the last: the one before takes the focus
    editor.DeletePhrase();
    EXPECT_EQ(grid.Focused, 1u);
    EXPECT_EQ(data.Count(), 2);
    EXPECT_TRUE(editor.CellText(1, AbbreviationColumn) == u"b");

    grid.Focused = 0; // the first: the new first row takes it
    editor.GridKeyDown(vk::Delete);
    EXPECT_EQ(grid.Focused, 0u);
    EXPECT_EQ(editor.CellText(0, AbbreviationColumn), u"b");

    editor.DeletePhrase(); // the only row: nothing left to focus
    EXPECT_EQ(rows.Count(), 0u);
    EXPECT_FALSE(grid.Focused);
    EXPECT_EQ(data.Count(), 0);
    editor.DeletePhrase(); // no focused row: nothing
    EXPECT_EQ(rows.Count(), 0u);
}

TEST_F(PhraseEditorTest, TypedCharacter_ShouldOpenFocusedCellWithIt_AndMoveCaretAfterIt) {
    Add(u"old", u"old text");
    grid.Focused = 0;
    grid.Column = TextColumn;
    editor.GridKeyPress(u'x');
    EXPECT_EQ(grid.Editing, (std::pair<std::size_t, int>{0, TextColumn}));
    // The editor asks for its starting text once; the next request is the cell's own text.
    EXPECT_EQ(editor.CellEditText(0, TextColumn), u"x");
    EXPECT_EQ(editor.CellEditText(0, TextColumn), u"old text");
    // One Right arrow, pressed then released, not extended.
    ASSERT_EQ(desk.Injected.size(), 2u);
    EXPECT_EQ(desk.Injected[0].Vk, vk::Right);
    EXPECT_EQ(desk.Injected[0].Flags, 0u);
    EXPECT_EQ(desk.Injected[1].Vk, vk::Right);
    EXPECT_EQ(desk.Injected[1].Flags, KEYEVENTF_KEYUP);
    grid.Accept(editor, u"xyz");
    EXPECT_EQ(rows.At(0).Text(), u"xyz");
    EXPECT_EQ(rows.At(0).Abbreviation(), u"old");
}

TEST_F(PhraseEditorTest, TypedCharacter_ShouldDoNothing_WhenNoRowFocusedOrEditingOrControl) {
    Add(u"a", u"b");
    editor.GridKeyPress(u'x');
    EXPECT_FALSE(grid.Editing);
    EXPECT_EQ(editor.LastEditChar(), 0);

    grid.Focused = 0;
    editor.GridKeyPress(u'\r');
    editor.GridKeyPress(u'\x1B');
    EXPECT_FALSE(grid.Editing);

    grid.Editing = {{0, 0}};
    editor.GridKeyPress(u'y');
    EXPECT_EQ(editor.LastEditChar(), 0);
    EXPECT_TRUE(desk.Injected.empty());
    // A mouse press forgets a pending character too.
    grid.Editing.reset();
    editor.GridKeyPress(u'q');
    editor.GridMouseDown(0, 0, 5, 5);
    EXPECT_EQ(editor.CellEditText(0, AbbreviationColumn), u"a");
}

TEST_F(PhraseEditorTest, AcceptedEdit_ShouldKeep32And512Units_AndUpdateIndex) {
    Add(u"", u"");
    grid.Focused = 0;
    editor.CellEdited(0, AbbreviationColumn, std::u16string(40, u'a'));
    editor.CellEdited(0, TextColumn, std::u16string(600, u'b'));
    EXPECT_EQ(rows.At(0).Abbreviation(), std::u16string(32, u'a'));
    EXPECT_EQ(rows.At(0).Text(), std::u16string(512, u'b'));
    std::vector<const AbbreviationEntry*> found;
    data.Find(std::u16string(32, u'A'), found);
    EXPECT_EQ(found.size(), 1u);
    EXPECT_EQ(grid.Calls.back(), "show 0");
    // A pair across the cut is not split.
    editor.CellEdited(0, AbbreviationColumn, std::u16string(31, u'a') + u"\U0001F600");
    EXPECT_EQ(rows.At(0).Abbreviation(), std::u16string(31, u'a'));
    editor.CellEdited(0, 2, u"ignored");
    EXPECT_EQ(editor.CellText(0, 2), u"");
}

TEST_F(PhraseEditorTest, DoubleClick_ShouldPostNewPhrase_OnlyBelowTheRows) {
    Add(u"a", u"1");
    editor.GridMouseDown(0, 0, 10, 5); // on row 0
    editor.GridDoubleClick();
    EXPECT_TRUE(desk.PostedWith(WM_NEW_PHRASE).empty());
    editor.GridMouseDown(0, 0, 10, 100); // below the last row
    editor.GridDoubleClick();
    ASSERT_EQ(desk.PostedWith(WM_NEW_PHRASE).size(), 1u);
    EXPECT_EQ(desk.PostedWith(WM_NEW_PHRASE)[0].Window, 77u);
}

TEST_F(PhraseEditorTest, Resize_ShouldGiveTheRestToTextColumn_WithinLimits) {
    grid.Width = 700;
    editor.GridResized();
    EXPECT_EQ(grid.Widths[TextColumn], 620);
    EXPECT_EQ(grid.Widths[AbbreviationColumn], AbbreviationColumnWidth);
    grid.Width = 50;
    editor.GridResized();
    EXPECT_EQ(grid.Widths[TextColumn], MinColumnWidth);
}

TEST_F(PhraseEditorTest, Edit_ShouldOpenFocusedCell_OnlyWhenNotEditing) {
    Add(u"a", u"1");
    editor.EditPhrase();
    EXPECT_FALSE(grid.Editing);
    grid.Focused = 0;
    grid.Column = TextColumn;
    editor.EditPhrase();
    EXPECT_EQ(grid.Editing, (std::pair<std::size_t, int>{0, TextColumn}));
    grid.Editing = {{0, AbbreviationColumn}};
    editor.EditPhrase();
    EXPECT_EQ(grid.Editing, (std::pair<std::size_t, int>{0, AbbreviationColumn}));
    editor.GridKeyDown(vk::Delete); // Delete inside an open editor is the editor's
    EXPECT_EQ(rows.Count(), 1u);
}

} // namespace
} // namespace lumora

namespace lumora {
namespace {

// Each accepted change of the phrases is announced once, for the phrase file to be written;
// an edit accepted unchanged is not one.
TEST_F(PhraseEditorTest, Changes_ShouldBeAnnounced_WhenPhraseIsAddedEditedOrDeleted) {
    int changes = 0;
    editor.Changed = [&] { ++changes; };
    Add(u"a", u"1");
    editor.NewPhrase();
    EXPECT_EQ(changes, 1);
    grid.Accept(editor, u"b");
    EXPECT_EQ(changes, 2);
    grid.Editing = std::pair<std::size_t, int>{1, AbbreviationColumn};
    grid.Accept(editor, u"b");
    EXPECT_EQ(changes, 2);
    grid.Editing = std::pair<std::size_t, int>{1, TextColumn};
    grid.Accept(editor, u"2");
    EXPECT_EQ(changes, 3);
    editor.NewPhrase(); // a new, empty row
    EXPECT_EQ(changes, 4);
    editor.NewPhrase(); // the empty row made just now is reused
    EXPECT_EQ(changes, 4);
    grid.Focused = 0;
    editor.DeletePhrase();
    EXPECT_EQ(changes, 5);
}

} // namespace
} // namespace lumora
