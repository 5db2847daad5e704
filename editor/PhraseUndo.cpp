#include "editor/PhraseUndo.h"

#include "editor/PhraseEditor.h"

namespace lumora {

void PhraseUndo::Deleted(std::size_t row, const Phrase& phrase) {
    step_ = Step{true, row, 0, phrase.Abbreviation(), phrase.Text(), {}, {}};
}

void PhraseUndo::CellChanged(std::size_t row, int column, std::u16string oldText,
                             const Phrase& changed) {
    step_ =
        Step{false, row, column, std::move(oldText), {}, changed.Abbreviation(), changed.Text()};
}

void PhraseUndo::RowDeleted(std::size_t row) {
    if (!step_) return;
    if (step_->Row > row)
        --step_->Row;
    else if (step_->Row == row && !step_->Delete)
        step_.reset(); // the changed cell is gone with its row
}

std::optional<std::size_t> PhraseUndo::Undo(PhraseList& rows, AbbreviationIndex& index) {
    if (!step_) return std::nullopt;
    const Step step = std::move(*step_);
    step_.reset();
    if (step.Delete) {
        const std::size_t at = std::min(step.Row, rows.Count());
        rows.InsertPhrase(at, index, step.Abbreviation, step.Text);
        return at;
    }
    if (step.Row >= rows.Count()) return std::nullopt;
    Phrase& phrase = rows.At(step.Row);
    if (phrase.Abbreviation() != step.ChangedAbbreviation || phrase.Text() != step.ChangedText)
        return std::nullopt;
    if (step.Column == AbbreviationColumn)
        phrase.SetAbbreviation(step.Abbreviation);
    else
        phrase.SetText(step.Abbreviation);
    return step.Row;
}

} // namespace lumora
