#include "editor/PhraseEditor.h"
#include "hook/HookMessages.h"
#include "platform/VirtualKeys.h"
#include "simulation/ScriptedDesktop.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

// A grid that follows the rows as the Win32 one does: rows of 20 pixels, focus and selection.
class FakeGrid : public TPhraseGridView, public TPhraseRowsObserver {
public:
    explicit FakeGrid(TPhraseRows& rows) : fRows(rows) { rows.SetObserver(this); }
    ~FakeGrid() override { fRows.SetObserver(nullptr); }

    std::optional<std::size_t> Focused;
    int Column = 0;
    std::optional<std::pair<std::size_t, int>> Editing;
    std::optional<std::size_t> Selected;
    int Width = 531;
    int Widths[2] = {kAutotextColumnWidth, kTextColumnWidth};
    std::vector<std::string> Calls;

    std::optional<std::size_t> FocusedRow() const override { return Focused; }
    int FocusedColumn() const override { return Column; }
    bool IsEditing() const override { return Editing.has_value(); }
    void ClearSelection() override { Selected.reset(); }
    void FocusAndShowRow(std::size_t row) override {
        Selected = Focused = row;
        Calls.push_back("show " + std::to_string(row));
    }
    void EditCell(std::size_t row, int column) override { Editing = {row, column}; }
    std::optional<std::size_t> RowAt(int, int y) const override {
        if (y < 0 || static_cast<std::size_t>(y / 20) >= fRows.Count()) return std::nullopt;
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
    void Accept(TPhraseEditor& editor, const std::u16string& text) {
        auto [row, column] = *Editing;
        Editing.reset();
        editor.PhraseTreeNewText(row, column, text);
    }

private:
    TPhraseRows& fRows;
};

class PhraseEditorTest : public ::testing::Test {
protected:
    fakes::FakeDesktop desk;
    TPhraseData data;
    TPhraseRows rows;
    TProgramState state;
    FakeGrid grid{rows};
    TPhraseEditor editor{rows, data, state, desk.AsPlatform()};

    void SetUp() override {
        editor.SetView(&grid);
        state.MainWindow = 77;
        desk.MainWindow = 77;
    }
    TMiniData& Add(const std::u16string& autotext, const std::u16string& text) {
        return rows.AppendPhrase(data, autotext, text);
    }
};

TEST_F(PhraseEditorTest, NewItem_ShouldReuseFirstEmptyRow_EvenAtTheLimit) {
    Add(u"a", u"1");
    Add(u"", u"text only"); // not empty: has text
    Add(u"", u"");
    Add(u"", u"");
    state.Options.maxItems = 4;
    editor.NewPhraseActExecute();
    EXPECT_EQ(rows.Count(), 4u);
    EXPECT_EQ(grid.Focused, 2u);
    EXPECT_EQ(grid.Editing, (std::pair<std::size_t, int>{2, kAutotextColumn}));
}

TEST_F(PhraseEditorTest, NewItem_ShouldAppendAndEdit_BelowTheLimitOnly) {
    state.Options.maxItems = 2;
    Add(u"a", u"1");
    editor.NewPhraseActExecute();
    ASSERT_EQ(rows.Count(), 2u);
    EXPECT_EQ(grid.Focused, 1u);
    EXPECT_EQ(grid.Editing, (std::pair<std::size_t, int>{1, kAutotextColumn}));
    grid.Accept(editor, u"b");

    grid.Editing.reset();
    editor.NewPhraseActExecute(); // at the limit, no empty row: nothing
    EXPECT_EQ(rows.Count(), 2u);
    EXPECT_FALSE(grid.Editing);

    state.Options.maxItems = static_cast<std::uint32_t>(-1); // -maxitems=-1: no limit
    editor.NewPhraseActExecute();
    EXPECT_EQ(rows.Count(), 3u);
}

TEST_F(PhraseEditorTest, Delete_ShouldFocusRowBefore_ElseRowAfter_ElseNone) {
    Add(u"a", u"");
    Add(u"b", u"");
    Add(u"c", u"");
    grid.Focused = 2; // the last: the one before takes the focus
    editor.DelActExecute();
    EXPECT_EQ(grid.Focused, 1u);
    EXPECT_EQ(data.PhraseIndex.Count(), 2);
    EXPECT_TRUE(editor.CellText(1, kAutotextColumn) == u"b");

    grid.Focused = 0; // the first: the new first row takes it
    editor.PhraseTreeKeyDown(vk::Delete);
    EXPECT_EQ(grid.Focused, 0u);
    EXPECT_EQ(editor.CellText(0, kAutotextColumn), u"b");

    editor.DelActExecute(); // the only row: nothing left to focus
    EXPECT_EQ(rows.Count(), 0u);
    EXPECT_FALSE(grid.Focused);
    EXPECT_EQ(data.PhraseIndex.Count(), 0);
    editor.DelActExecute(); // no focused row: nothing
    EXPECT_EQ(rows.Count(), 0u);
}

TEST_F(PhraseEditorTest, Delete_ShouldClearPendingMatch_WhenItsPhraseGoes) {
    TMiniData& p = Add(u"brb", u"be right back");
    state.PendingPhrase = &p;
    grid.Focused = 0;
    editor.DelActExecute();
    EXPECT_EQ(state.PendingPhrase, nullptr);
}

TEST_F(PhraseEditorTest, TypedCharacter_ShouldOpenFocusedCellWithIt_AndMoveCaretAfterIt) {
    Add(u"old", u"old text");
    grid.Focused = 0;
    grid.Column = kTextColumn;
    editor.PhraseTreeKeyPress(u'x');
    EXPECT_EQ(grid.Editing, (std::pair<std::size_t, int>{0, kTextColumn}));
    // The editor asks for its starting text once; the next request is the cell's own text.
    EXPECT_EQ(editor.PhraseTreeGetText(0, kTextColumn), u"x");
    EXPECT_EQ(editor.PhraseTreeGetText(0, kTextColumn), u"old text");
    // One Right arrow, pressed then released, not extended.
    ASSERT_EQ(desk.Injected.size(), 2u);
    EXPECT_EQ(desk.Injected[0].Vk, vk::Right);
    EXPECT_EQ(desk.Injected[0].Flags, 0u);
    EXPECT_EQ(desk.Injected[1].Vk, vk::Right);
    EXPECT_EQ(desk.Injected[1].Flags, KEYEVENTF_KEYUP);
    grid.Accept(editor, u"xyz");
    EXPECT_EQ(rows.At(0).Text(), u"xyz");
    EXPECT_EQ(rows.At(0).Autotext(), u"old");
}

TEST_F(PhraseEditorTest, TypedCharacter_ShouldDoNothing_WhenNoRowFocusedOrEditingOrControl) {
    Add(u"a", u"b");
    editor.PhraseTreeKeyPress(u'x');
    EXPECT_FALSE(grid.Editing);
    EXPECT_EQ(editor.lastEditChar(), 0);

    grid.Focused = 0;
    editor.PhraseTreeKeyPress(u'\r');
    editor.PhraseTreeKeyPress(u'\x1B');
    EXPECT_FALSE(grid.Editing);

    grid.Editing = {{0, 0}};
    editor.PhraseTreeKeyPress(u'y');
    EXPECT_EQ(editor.lastEditChar(), 0);
    EXPECT_TRUE(desk.Injected.empty());
    // A mouse press forgets a pending character too.
    grid.Editing.reset();
    editor.PhraseTreeKeyPress(u'q');
    editor.PhraseTreeMouseDown(0, 0, 5, 5);
    EXPECT_EQ(editor.PhraseTreeGetText(0, kAutotextColumn), u"a");
}

TEST_F(PhraseEditorTest, AcceptedEdit_ShouldKeep32And512Units_AndUpdateIndex) {
    Add(u"", u"");
    grid.Focused = 0;
    editor.PhraseTreeNewText(0, kAutotextColumn, std::u16string(40, u'a'));
    editor.PhraseTreeNewText(0, kTextColumn, std::u16string(600, u'b'));
    EXPECT_EQ(rows.At(0).Autotext(), std::u16string(32, u'a'));
    EXPECT_EQ(rows.At(0).Text(), std::u16string(512, u'b'));
    std::vector<TStringData*> found;
    data.PhraseIndex.FindWithValue(std::u16string(32, u'A'), found);
    EXPECT_EQ(found.size(), 1u);
    EXPECT_EQ(grid.Calls.back(), "show 0");
    // A pair across the cut is not split.
    editor.PhraseTreeNewText(0, kAutotextColumn, std::u16string(31, u'a') + u"\U0001F600");
    EXPECT_EQ(rows.At(0).Autotext(), std::u16string(31, u'a'));
    editor.PhraseTreeNewText(0, 2, u"ignored");
    EXPECT_EQ(editor.CellText(0, 2), u"");
}

TEST_F(PhraseEditorTest, DoubleClick_ShouldPostNewPhrase_OnlyBelowTheRows) {
    Add(u"a", u"1");
    editor.PhraseTreeMouseDown(0, 0, 10, 5); // on row 0
    editor.PhraseTreeDblClick();
    EXPECT_TRUE(desk.PostedWith(WM_NEW_PHRASE).empty());
    editor.PhraseTreeMouseDown(0, 0, 10, 100); // below the last row
    editor.PhraseTreeDblClick();
    ASSERT_EQ(desk.PostedWith(WM_NEW_PHRASE).size(), 1u);
    EXPECT_EQ(desk.PostedWith(WM_NEW_PHRASE)[0].Window, 77u);
}

TEST_F(PhraseEditorTest, Resize_ShouldGiveTheRestToTextColumn_WithinLimits) {
    grid.Width = 700;
    editor.PhraseTreeResize();
    EXPECT_EQ(grid.Widths[kTextColumn], 620);
    EXPECT_EQ(grid.Widths[kAutotextColumn], kAutotextColumnWidth);
    grid.Width = 50;
    editor.PhraseTreeResize();
    EXPECT_EQ(grid.Widths[kTextColumn], kMinColumnWidth);
}

TEST_F(PhraseEditorTest, Edit_ShouldOpenFocusedCell_OnlyWhenNotEditing) {
    Add(u"a", u"1");
    editor.EditActExecute();
    EXPECT_FALSE(grid.Editing);
    grid.Focused = 0;
    grid.Column = kTextColumn;
    editor.EditActExecute();
    EXPECT_EQ(grid.Editing, (std::pair<std::size_t, int>{0, kTextColumn}));
    grid.Editing = {{0, kAutotextColumn}};
    editor.EditActExecute();
    EXPECT_EQ(grid.Editing, (std::pair<std::size_t, int>{0, kAutotextColumn}));
    editor.PhraseTreeKeyDown(vk::Delete); // Delete inside an open editor is the editor's
    EXPECT_EQ(rows.Count(), 1u);
}

} // namespace
} // namespace lumora
