#pragma once
// Ctrl+Z in the phrase list: the last deleted row, or the last changed cell, comes back. One
// step is kept, the last one; undoing it uses it up. A changed cell is set back only while its
// row still holds what the change left there: after another program's version of the file was
// read in, the row may hold another phrase.
#include "data/PhraseList.h"

#include <cstddef>
#include <optional>
#include <string>

namespace lumora {

class PhraseUndo {
public:
    // A row is about to be deleted.
    void Deleted(std::size_t row, const Phrase& phrase);
    // A cell's text changed; oldText is what it held, changed the row as it is now.
    void CellChanged(std::size_t row, int column, std::u16string oldText, const Phrase& changed);
    // Rows before `row` changed in number (a row deleted or added elsewhere).
    void RowDeleted(std::size_t row);
    bool CanUndo() const { return step_.has_value(); }
    // Undoes the step: the row it restored or changed, for the focus.
    std::optional<std::size_t> Undo(PhraseList& rows, AbbreviationIndex& index);

private:
    struct Step {
        bool Delete = false;
        std::size_t Row = 0;
        int Column = 0;
        std::u16string Abbreviation; // of a deleted row, or the cell's old text
        std::u16string Text;
        // What a changed row held after the change.
        std::u16string ChangedAbbreviation;
        std::u16string ChangedText;
    };
    std::optional<Step> step_;
};

} // namespace lumora
