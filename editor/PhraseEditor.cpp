#include "editor/PhraseEditor.h"

#include "intake/ProgramMessages.h"
#include "output/KeySynthesis.h"
#include "platform/Utf.h"
#include "platform/VirtualKeys.h"

#include <algorithm>
#include <memory>

namespace lumora {

std::u16string CutToLength(std::u16string_view text, std::size_t maxLength) {
    if (text.size() <= maxLength) return std::u16string(text);
    std::size_t n = maxLength;
    if (n > 0 && IsHighSurrogate(text[n - 1]) && IsLowSurrogate(text[n])) --n;
    return std::u16string(text.substr(0, n));
}

PhraseEditor::PhraseEditor(PhraseList& rows, AbbreviationIndex& index, const Options& options,
                           const HookLink& link, Platform& platform)
    : rows_(rows), index_(index), options_(options), link_(link), platform_(platform) {}

void PhraseEditor::FocusRow(std::optional<std::size_t> row) {
    if (!view_) return;
    view_->ClearSelection();
    if (row && *row < rows_.Count()) view_->FocusAndShowRow(*row);
}

void PhraseEditor::NewPhrase() {
    // An empty row left from before is used again rather than adding another.
    for (std::size_t i = 0; i < rows_.Count(); ++i) {
        const Phrase& phrase = rows_.At(i);
        if (phrase.Text().empty() && phrase.Abbreviation().empty()) {
            FocusRow(i);
            if (view_) view_->EditCell(i, AbbreviationColumn);
            return;
        }
    }
    if (rows_.Count() >= options_.MaxPhrases) return;
    rows_.Append(std::make_unique<Phrase>(index_));
    if (Changed) Changed();
    const std::size_t row = rows_.Count() - 1;
    FocusRow(row);
    if (view_) view_->EditCell(row, AbbreviationColumn);
}

void PhraseEditor::DeletePhrase() {
    if (!view_) return;
    const std::optional<std::size_t> focused = view_->FocusedRow();
    if (!focused || *focused >= rows_.Count()) return;
    const std::size_t row = *focused;
    // The row before, else the one after (which takes this row's index once it is gone).
    std::optional<std::size_t> next;
    if (row > 0)
        next = row - 1;
    else if (row + 1 < rows_.Count())
        next = row;
    rows_.DeleteAt(row);
    if (Changed) Changed();
    if (next) FocusRow(next);
}

void PhraseEditor::EditPhrase() {
    if (!view_ || view_->IsEditing()) return;
    const std::optional<std::size_t> focused = view_->FocusedRow();
    if (!focused || *focused >= rows_.Count()) return;
    view_->EditCell(*focused, view_->FocusedColumn());
}

std::u16string PhraseEditor::CellText(std::size_t row, int column) const {
    if (row >= rows_.Count()) return {};
    if (column == AbbreviationColumn) return rows_.At(row).Abbreviation();
    if (column == TextColumn) return rows_.At(row).Text();
    return {};
}

std::u16string PhraseEditor::CellEditText(std::size_t row, int column) {
    if (lastEditChar_ != 0) {
        std::u16string text(1, lastEditChar_);
        lastEditChar_ = 0;
        return text;
    }
    return CellText(row, column);
}

void PhraseEditor::CellEdited(std::size_t row, int column, std::u16string_view text) {
    lastEditChar_ = 0;
    if (row >= rows_.Count()) return;
    Phrase& phrase = rows_.At(row);
    bool changed = false;
    if (column == AbbreviationColumn) {
        std::u16string abbreviation = CutToLength(text, MaxAbbreviationLength);
        changed = abbreviation != phrase.Abbreviation();
        phrase.SetAbbreviation(abbreviation);
    } else if (column == TextColumn) {
        std::u16string value = CutToLength(text, MaxTextLength);
        changed = value != phrase.Text();
        phrase.SetText(std::move(value));
    }
    if (changed && Changed) Changed();
    FocusRow(row);
}

void PhraseEditor::GridKeyDown(std::int32_t key) {
    // Keys typed into an open cell editor are the editor's own.
    if (key == vk::Delete && view_ && !view_->IsEditing()) DeletePhrase();
}

void PhraseEditor::GridKeyPress(char16_t key) {
    // Control characters (Enter, Escape, Backspace, Ctrl+letter) would open a cell holding an
    // invisible character that no one can type as an abbreviation.
    const bool printable = key >= 0x20 && key != 0x7F;
    if (!view_ || view_->IsEditing() || !view_->FocusedRow() || !printable) {
        lastEditChar_ = 0;
        return;
    }
    lastEditChar_ = key;
    EditPhrase();
    // Moves the caret after the character the editor opened with, unselected, so that typing
    // goes on after it.
    TapKey(platform_, vk::Right);
}

void PhraseEditor::GridMouseDown(int /*button*/, std::uint32_t /*shift*/, int x, int y) {
    lastEditChar_ = 0;
    lastMouseX_ = x;
    lastMouseY_ = y;
}

void PhraseEditor::GridDoubleClick() {
    if (!view_) return;
    if (view_->RowAt(lastMouseX_, lastMouseY_)) return;
    // New item runs after the double click has been handled in full.
    platform_.Messages.PostMessage(link_.MainWindow, WM_NEW_PHRASE, 0, 0);
}

void PhraseEditor::GridResized() {
    if (!view_) return;
    const int width = view_->ClientWidth() - view_->ColumnWidth(AbbreviationColumn);
    view_->SetColumnWidth(TextColumn, std::clamp(width, MinColumnWidth, MaxColumnWidth));
}

} // namespace lumora
