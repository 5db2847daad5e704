#pragma once
// Ctrl+Z in the phrase list: the last deleted row, or the last changed cell, comes back. One
// step is kept, the last one; undoing it uses it up.
#include "data/PhraseList.h"

#include <cstddef>
#include <optional>
#include <string>

namespace lumora {

class PhraseUndo {
public:
    // A row is about to be deleted.
    void Deleted(std::size_t row, const Phrase& phrase);
    // A cell's text changed; oldText is what it held.
    void CellChanged(std::size_t row, int column, std::u16string oldText);
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
    };
    std::optional<Step> step_;
};

} // namespace lumora
