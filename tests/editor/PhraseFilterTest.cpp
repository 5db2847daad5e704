#include "editor/PhraseFilter.h"
#include "editor/PhraseEditor.h"
#include "simulation/ScriptedDesktop.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

// A grid that knows lines only, as the Win32 list view does: its focus is a line, kept at the
// same line when lines come in above it, and each row the editor names goes through the filter.
// A mapping gone wrong shows as an edit landing on another phrase.
class LineGrid : public PhraseGridView, public PhraseListObserver {
public:
    explicit LineGrid(PhraseFilter& filter) : filter_(filter) { filter.SetObserver(this); }
    ~LineGrid() override { filter_.SetObserver(nullptr); }

    std::optional<std::size_t> FocusedLine;
    std::optional<std::size_t> EditingLine;
    int Column = AbbreviationColumn;
    std::size_t Lines = 0; // the count the list view was last given
    int Batches = 0;

    std::optional<std::size_t> FocusedRow() const override {
        return FocusedLine ? filter_.PhraseAt(*FocusedLine) : std::nullopt;
    }
    int FocusedColumn() const override { return Column; }
    bool IsEditing() const override { return EditingLine.has_value(); }
    void ClearSelection() override {}
    void ClearFocus() override { FocusedLine.reset(); }
    void FocusAndShowRow(std::size_t row) override { FocusedLine = filter_.LineOf(row); }
    void EditCell(std::size_t row, int column) override {
        EditingLine = filter_.LineOf(row);
        Column = column;
    }
    std::optional<std::size_t> RowAt(int, int) const override { return std::nullopt; }
    int ClientWidth() const override { return 500; }
    int ColumnWidth(int) const override { return 100; }
    void SetColumnWidth(int, int) override {}

    void RowAppended(std::size_t) override { Lines = filter_.LineCount(); }
    void RowDeleted(std::size_t line) override {
        Lines = filter_.LineCount();
        if (FocusedLine && *FocusedLine == line)
            FocusedLine.reset();
        else if (FocusedLine && *FocusedLine > line)
            --*FocusedLine;
    }
    void RowInserted(std::size_t) override { Lines = filter_.LineCount(); }
    void RowsCleared() override { Lines = filter_.LineCount(); }
    void BatchEnded() override {
        Lines = filter_.LineCount();
        ++Batches;
    }

    // The in-place editor accepts what it holds, for the phrase on its line.
    void Accept(PhraseEditor& editor, const std::u16string& text) {
        const std::size_t line = *EditingLine;
        EditingLine.reset();
        editor.CellEdited(*filter_.PhraseAt(line), Column, text);
        editor.CellEditClosed(*filter_.PhraseAt(line), false);
    }
    // What the lines show: abbreviation and text, one pair a line.
    std::vector<std::pair<std::u16string, std::u16string>> Shown(const PhraseEditor& editor) const {
        std::vector<std::pair<std::u16string, std::u16string>> out;
        for (std::size_t line = 0; line < Lines; ++line) {
            const std::size_t row = *filter_.PhraseAt(line);
            out.emplace_back(editor.CellDisplayText(row, AbbreviationColumn),
                             editor.CellDisplayText(row, TextColumn));
        }
        return out;
    }

private:
    PhraseFilter& filter_;
};

using Shown = std::vector<std::pair<std::u16string, std::u16string>>;

class PhraseFilterTest : public ::testing::Test {
protected:
    sim::ScriptedDesktop desk;
    AbbreviationIndex data;
    PhraseList rows;
    Options options;
    HookLink link{77, 0};
    PhraseEditor editor{rows, data, options, link, desk.AsPlatform()};
    LineGrid grid{editor.Filter()};

    void SetUp() override {
        editor.SetView(&grid);
        for (auto [a, t] : {std::pair{u"brb", u"be right back"},
                            {u"sig", u"Kind regards"},
                            {u"addr", u"1 Main Street"},
                            {u"sig2", u"Best regards"},
                            {u"ty", u"thank you"}})
            rows.AppendPhrase(data, a, t);
    }
    std::u16string Abbreviation(std::size_t row) const { return rows.At(row).Abbreviation(); }
    std::u16string Text(std::size_t row) const { return rows.At(row).Text(); }
};

TEST_F(PhraseFilterTest, EditDeleteUndoNew_WhileFiltered_ShouldLandOnThePhraseOnTheLine) {
    grid.FocusedLine = 4; // "ty": not found, so no longer focused
    editor.FilterBy(u"REGARDS");
    EXPECT_EQ(grid.Shown(editor), (Shown{{u"sig", u"Kind regards"}, {u"sig2", u"Best regards"}}));
    EXPECT_EQ(editor.Filter().ShownText(), u"2 of 5 phrases shown");
    EXPECT_FALSE(grid.FocusedLine);

    // A character typed on line 1 edits the phrase shown there, row 3.
    grid.FocusedLine = 1;
    editor.GridKeyPress(u'b');
    ASSERT_EQ(grid.EditingLine, 1u);
    grid.Accept(editor, u"best");
    EXPECT_EQ(Abbreviation(3), u"best");
    EXPECT_EQ(Abbreviation(1), u"sig");
    EXPECT_EQ(Abbreviation(4), u"ty");

    // Delete on line 0 takes row 1 away; the focus goes to the line below, the same phrase.
    grid.FocusedLine = 0;
    editor.DeletePhrase();
    ASSERT_EQ(rows.Count(), 4u);
    EXPECT_EQ(grid.Shown(editor), (Shown{{u"best", u"Best regards"}}));
    EXPECT_EQ(grid.FocusedLine, 0u);
    EXPECT_EQ(Abbreviation(*grid.FocusedRow()), u"best");
    EXPECT_EQ(editor.Filter().ShownText(), u"1 of 4 phrases shown");

    // Ctrl+Z brings it back to its row and its line, focused.
    editor.Undo();
    EXPECT_EQ(Abbreviation(1), u"sig");
    EXPECT_EQ(grid.Shown(editor), (Shown{{u"sig", u"Kind regards"}, {u"best", u"Best regards"}}));
    EXPECT_EQ(grid.FocusedLine, 0u);

    // An edit that makes a phrase no longer match leaves it in sight; the filter sees the new
    // text at the next query.
    grid.FocusedLine = 0;
    grid.Column = TextColumn;
    editor.EditPhrase();
    grid.Accept(editor, u"Cheers");
    EXPECT_EQ(Text(1), u"Cheers");
    EXPECT_EQ(grid.Shown(editor).size(), 2u);
    editor.FilterBy(u"cheers");
    EXPECT_EQ(grid.Shown(editor), (Shown{{u"sig", u"Cheers"}}));
    EXPECT_EQ(grid.FocusedLine, 0u); // still that phrase

    // Undoing that edit once another query hides its phrase shows the phrase again.
    editor.FilterBy(u"main");
    EXPECT_EQ(grid.Shown(editor), (Shown{{u"addr", u"1 Main Street"}}));
    editor.Undo();
    EXPECT_EQ(Text(1), u"Kind regards");
    EXPECT_EQ(grid.Shown(editor), (Shown{{u"sig", u"Kind regards"}, {u"addr", u"1 Main Street"}}));
    EXPECT_EQ(grid.FocusedLine, 0u);
    EXPECT_EQ(*grid.FocusedRow(), 1u);

    // New item while filtered: its row stays in sight, also once it holds what the query
    // does not find.
    editor.NewPhrase();
    ASSERT_EQ(rows.Count(), 6u);
    EXPECT_EQ(grid.EditingLine, 2u);
    grid.Accept(editor, u"nw");
    EXPECT_EQ(Abbreviation(5), u"nw");
    EXPECT_EQ(grid.Shown(editor).back().first, u"nw");
    EXPECT_EQ(grid.FocusedLine, 2u);

    // No query: every row, line n showing row n.
    editor.FilterBy(u"  ");
    EXPECT_FALSE(editor.Filter().Filtered());
    EXPECT_EQ(editor.Filter().ShownText(), u"");
    EXPECT_EQ(grid.Lines, 6u);
    EXPECT_EQ(grid.FocusedLine, 5u);
}

TEST_F(PhraseFilterTest, EmptyNewRowLeft_WhileFiltered_ShouldGo_AndFocusTheLineAbove) {
    editor.FilterBy(u"regards");
    editor.NewPhrase();
    ASSERT_EQ(grid.EditingLine, 2u);
    grid.Accept(editor, u""); // abandoned: the row goes
    EXPECT_EQ(rows.Count(), 5u);
    EXPECT_EQ(grid.Lines, 2u);
    EXPECT_EQ(Abbreviation(*grid.FocusedRow()), u"sig2");
    // An empty row the filter hides is the one New item uses again, brought into sight.
    rows.AppendPhrase(data, u"", u"");
    editor.FilterBy(u"kind");
    editor.NewPhrase();
    EXPECT_EQ(rows.Count(), 6u);
    EXPECT_EQ(grid.EditingLine, 1u);
    EXPECT_EQ(*editor.Filter().PhraseAt(1), 5u);
}

TEST_F(PhraseFilterTest, Reload_WhileFiltered_ShouldShowWhatTheQueryFindsInTheNewRows) {
    editor.FilterBy(u"regards");
    editor.Filter().Reveal(4); // shown only until the rows are read again
    ASSERT_EQ(grid.Lines, 3u);
    // Another program wrote the file: the rows are cleared and read back in a batch.
    rows.ClearPhrases();
    EXPECT_EQ(grid.Lines, 0u);
    {
        PhraseListBatch batch(rows);
        for (auto [a, t] : {std::pair{u"a", u"regards to all"},
                            {u"b", u"nothing"},
                            {u"c", u"warm regards"},
                            {u"Regards", u"x"}})
            rows.AppendPhrase(data, a, t);
    }
    EXPECT_EQ(grid.Shown(editor),
              (Shown{{u"a", u"regards to all"}, {u"c", u"warm regards"}, {u"Regards", u"x"}}));
    EXPECT_EQ(editor.Filter().ShownText(), u"3 of 4 phrases shown");
    // A thousand rows read back: thousands written apart.
    rows.ClearPhrases();
    {
        PhraseListBatch batch(rows);
        for (int i = 0; i < 1200; ++i)
            rows.AppendPhrase(data, u"p", i % 2 ? u"regards" : u"other");
    }
    EXPECT_EQ(editor.Filter().ShownText(), u"600 of 1,200 phrases shown");
    EXPECT_EQ(*editor.Filter().PhraseAt(599), 1199u);
}

TEST_F(PhraseFilterTest, SharedAbbreviation_ShouldNameTheRowTypingGives_ByItsLine) {
    rows.AppendPhrase(data, u"SIG", u"More regards"); // the one typing "sig" gives
    editor.FilterBy(u"sig");
    // Rows 1, 3 and 5 on lines 0, 1 and 2: row 1 names row 5 by its line.
    EXPECT_EQ(grid.Shown(editor)[0].first, u"sig  (shared; row 3 is used)");
    EXPECT_EQ(grid.Shown(editor)[2].first, u"SIG  (shared; this one is used)");
    grid.FocusedLine = 0;
    EXPECT_EQ(editor.StatusText().substr(0, 35), u"Row 3 has this abbreviation too (le");
    // With that row hidden, the text says so rather than name a line the user cannot find.
    editor.FilterBy(u"kind");
    EXPECT_EQ(grid.Shown(editor)[0].first, u"sig  (shared; a row the filter hides is used)");
    EXPECT_EQ(editor.StatusText().substr(0, 45), u"A row the filter hides has this abbreviation ");
    // Without a query the rows are named as they come.
    editor.FilterBy(u"");
    EXPECT_EQ(grid.Shown(editor)[1].first, u"sig  (shared; row 6 is used)");
}

} // namespace
} // namespace lumora
