#include "editor/PhraseUndo.h"
#include "editor/PhraseEditor.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

bool Found(const AbbreviationIndex& index, std::u16string_view abbreviation) {
    std::vector<const AbbreviationEntry*> found;
    index.Find(abbreviation, found);
    return !found.empty();
}

std::vector<std::pair<std::u16string, std::u16string>> Rows(const PhraseList& rows) {
    std::vector<std::pair<std::u16string, std::u16string>> out;
    for (std::size_t i = 0; i < rows.Count(); ++i)
        out.emplace_back(rows.At(i).Abbreviation(), rows.At(i).Text());
    return out;
}

TEST(PhraseUndoTest, Undo_ShouldBringBackTheLastDeletedRowOrChangedCell_Once) {
    AbbreviationIndex index;
    PhraseList rows;
    rows.AppendPhrase(index, u"brb", u"be right back");
    rows.AppendPhrase(index, u"sig", u"Kind regards");
    rows.AppendPhrase(index, u"ty", u"thank you");
    const auto before = Rows(rows);
    PhraseUndo undo;
    EXPECT_FALSE(undo.Undo(rows, index));

    // A deleted row comes back in its place, and its abbreviation is found again.
    undo.Deleted(1, rows.At(1));
    rows.DeleteAt(1);
    EXPECT_EQ(undo.Undo(rows, index), std::optional<std::size_t>(1));
    EXPECT_EQ(Rows(rows), before);
    EXPECT_TRUE(Found(index, u"sig"));
    EXPECT_FALSE(undo.CanUndo()); // used up

    // A changed cell gets its old text back, also when a row above went meanwhile.
    rows.At(2).SetAbbreviation(u"thx");
    undo.CellChanged(2, AbbreviationColumn, u"ty", rows.At(2));
    undo.RowDeleted(0);
    rows.DeleteAt(0);
    EXPECT_EQ(undo.Undo(rows, index), std::optional<std::size_t>(1));
    EXPECT_EQ(rows.At(1).Abbreviation(), u"ty");
    EXPECT_FALSE(Found(index, u"thx"));

    // A change of a row that is gone since is not undone into another row.
    rows.At(1).SetText(u"thanks");
    undo.CellChanged(1, TextColumn, u"thank you", rows.At(1));
    undo.RowDeleted(1);
    rows.DeleteAt(1);
    EXPECT_FALSE(undo.Undo(rows, index));
    EXPECT_EQ(rows.Count(), 1u);

    // Another program's version read in meanwhile puts other phrases in the rows: the row the
    // change was made in is left as that version has it.
    rows.At(0).SetText(u"be right back!");
    undo.CellChanged(0, TextColumn, u"be right back", rows.At(0));
    rows.ClearPhrases();
    rows.AppendPhrase(index, u"omw", u"on my way");
    rows.AppendPhrase(index, u"brb", u"be right back!");
    const auto reloaded = Rows(rows);
    EXPECT_FALSE(undo.Undo(rows, index));
    EXPECT_EQ(Rows(rows), reloaded);
}

} // namespace
} // namespace lumora
