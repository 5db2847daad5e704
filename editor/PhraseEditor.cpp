#include "editor/PhraseEditor.h"

#include "hook/HookMessages.h"
#include "platform/Utf.h"
#include "output/KeySynthesis.h"
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

TPhraseEditor::TPhraseEditor(TPhraseRows& rows, TPhraseData& data, TProgramState& state,
                             Platform& platform)
    : fRows(rows), fData(data), fState(state), fPlatform(platform) {}

void TPhraseEditor::FocusRow(std::optional<std::size_t> row) {
    if (!fView) return;
    fView->ClearSelection();
    if (row && *row < fRows.Count()) fView->FocusAndShowRow(*row);
}

void TPhraseEditor::NewPhraseActExecute() {
    // An empty row left from before is used again rather than adding another.
    for (std::size_t i = 0; i < fRows.Count(); ++i) {
        const TMiniData& phrase = fRows.At(i);
        if (phrase.Text().empty() && phrase.Autotext().empty()) {
            FocusRow(i);
            if (fView) fView->EditCell(i, kAutotextColumn);
            return;
        }
    }
    if (fRows.Count() >= fState.Options.maxItems) return;
    fRows.Append(std::make_unique<TMiniData>(fData));
    const std::size_t row = fRows.Count() - 1;
    FocusRow(row);
    if (fView) fView->EditCell(row, kAutotextColumn);
}

void TPhraseEditor::DelActExecute() {
    if (!fView) return;
    const std::optional<std::size_t> focused = fView->FocusedRow();
    if (!focused || *focused >= fRows.Count()) return;
    const std::size_t row = *focused;
    // The row before, else the one after (which takes this row's index once it is gone).
    std::optional<std::size_t> next;
    if (row > 0)
        next = row - 1;
    else if (row + 1 < fRows.Count())
        next = row;
    // A match raised just before the window opened must not expand a freed phrase.
    if (fState.PendingPhrase == &fRows.At(row)) fState.PendingPhrase = nullptr;
    fRows.DeleteAt(row);
    if (next) FocusRow(next);
}

void TPhraseEditor::EditActExecute() {
    if (!fView || fView->IsEditing()) return;
    const std::optional<std::size_t> focused = fView->FocusedRow();
    if (!focused || *focused >= fRows.Count()) return;
    fView->EditCell(*focused, fView->FocusedColumn());
}

std::u16string TPhraseEditor::CellText(std::size_t row, int column) const {
    if (row >= fRows.Count()) return {};
    if (column == kAutotextColumn) return fRows.At(row).Autotext();
    if (column == kTextColumn) return fRows.At(row).Text();
    return {};
}

std::u16string TPhraseEditor::PhraseTreeGetText(std::size_t row, int column) {
    if (fLastEditChar != 0) {
        std::u16string text(1, fLastEditChar);
        fLastEditChar = 0;
        return text;
    }
    return CellText(row, column);
}

void TPhraseEditor::PhraseTreeNewText(std::size_t row, int column, std::u16string_view text) {
    fLastEditChar = 0;
    if (row >= fRows.Count()) return;
    if (column == kAutotextColumn)
        fRows.At(row).SetAutotext(CutToLength(text, kMaxAutotextLength));
    else if (column == kTextColumn)
        fRows.At(row).SetText(CutToLength(text, kMaxTextLength));
    FocusRow(row);
}

void TPhraseEditor::PhraseTreeKeyDown(std::int32_t key) {
    // Keys typed into an open cell editor are the editor's own.
    if (key == vk::Delete && fView && !fView->IsEditing()) DelActExecute();
}

void TPhraseEditor::PhraseTreeKeyPress(char16_t key) {
    // Control characters (Enter, Escape, Backspace, Ctrl+letter) would open a cell holding an
    // invisible character that no one can type as an abbreviation.
    const bool printable = key >= 0x20 && key != 0x7F;
    if (!fView || fView->IsEditing() || !fView->FocusedRow() || !printable) {
        fLastEditChar = 0;
        return;
    }
    fLastEditChar = key;
    EditActExecute();
    // Moves the caret after the character the editor opened with, unselected, so that typing
    // goes on after it.
    TapKey(fPlatform, vk::Right);
}

void TPhraseEditor::PhraseTreeMouseDown(int /*button*/, std::uint32_t /*shift*/, int x, int y) {
    fLastEditChar = 0;
    fLastMouseX = x;
    fLastMouseY = y;
}

void TPhraseEditor::PhraseTreeDblClick() {
    if (!fView) return;
    if (fView->RowAt(fLastMouseX, fLastMouseY)) return;
    // New item runs after the double click has been handled in full.
    fPlatform.Messages.PostMessage(fState.MainWindow, WM_NEW_PHRASE, 0, 0);
}

void TPhraseEditor::PhraseTreeResize() {
    if (!fView) return;
    const int width = fView->ClientWidth() - fView->ColumnWidth(kAutotextColumn);
    fView->SetColumnWidth(kTextColumn, std::clamp(width, kMinColumnWidth, kMaxColumnWidth));
}

} // namespace lumora
