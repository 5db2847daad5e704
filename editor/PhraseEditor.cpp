// The phrase list's commands, keys and mouse rules, decided for the Win32 grid that shows it.
#include "editor/PhraseEditor.h"

#include "data/PhraseFile.h"
#include "editor/RowAdvice.h"
#include "intake/ProgramMessages.h"
#include "output/KeySynthesis.h"
#include "platform/MessageText.h"
#include "platform/Utf.h"
#include "platform/VirtualKeys.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace lumora {

std::u16string CutToLength(std::u16string_view text, std::size_t maxLength) {
    if (text.size() <= maxLength) return std::u16string(text);
    std::size_t n = maxLength;
    if (n > 0 && IsHighSurrogate(text[n - 1]) && IsLowSurrogate(text[n])) --n;
    return std::u16string(text.substr(0, n));
}

namespace {

// Where a user raises the limit: the Options window, the settings file, the command line.
constexpr std::u16string_view WhereToRaise =
    u"raise \"Largest number of phrases\" in Options (MaxPhrases in lumora.ini, or -maxitems= "
    u"on the command line)";

} // namespace

std::u16string ListFullMessage(std::uint32_t maxPhrases) {
    return u"The list holds " + DecimalText(maxPhrases) +
           u" phrases, the most it may. To add another, delete one or " +
           std::u16string(WhereToRaise) + u".";
}

std::u16string FileOverLimitMessage(std::size_t phrasesInFile, std::uint32_t maxPhrases,
                                    std::u16string_view fileName, std::u16string_view backupName) {
    return std::u16string(fileName) + u" holds " + DecimalText(phrasesInFile) +
           u" phrases, but the list may hold " + DecimalText(maxPhrases) + u": only the first " +
           DecimalText(maxPhrases) + u" are in the list and expanded. To have them all, " +
           std::u16string(WhereToRaise) +
           u" before changing the list. None is lost either way: "
           u"before Lumora first writes the file, it keeps the whole of it as " +
           std::u16string(backupName) + u".";
}

std::size_t CountPhrasesInFile(FileSystem& files, const std::u16string& path) {
    try {
        const std::optional<std::string> bytes = files.ReadFile(path);
        return bytes ? CountPhrases(*bytes).Phrases : 0;
    } catch (...) {
        return 0;
    }
}

CellEditorKey CellEditorKeyAction(int column, std::int32_t key, bool ctrl) {
    switch (key) {
    case vk::Return:
        if (!ctrl) return CellEditorKey::Accept;
        // An abbreviation is one line: Ctrl+Enter there would close the editor and let the
        // next key replace the cell.
        return column == TextColumn ? CellEditorKey::LineBreak : CellEditorKey::Ignore;
    case vk::Escape:
        return CellEditorKey::Cancel;
    case vk::Tab:
        return CellEditorKey::OtherCell;
    default:
        return CellEditorKey::Normal;
    }
}

std::size_t CellLengthLimit(int column) {
    return column == TextColumn ? MaxTextLength : MaxAbbreviationLength;
}

PhraseEditor::PhraseEditor(PhraseList& rows, AbbreviationIndex& index, const Options& options,
                           const HookLink& link, Platform& platform)
    : rows_(rows), index_(index), options_(options), link_(link), platform_(platform),
      filter_(rows) {}

void PhraseEditor::FocusRow(std::optional<std::size_t> row) {
    if (!view_) return;
    view_->ClearSelection();
    if (!row || *row >= rows_.Count()) return;
    // A row a command brings back or changes is shown, whatever the filter finds.
    filter_.Reveal(*row);
    view_->FocusAndShowRow(*row);
}

void PhraseEditor::FilterBy(std::u16string_view query) {
    const std::optional<std::size_t> focused = view_ ? view_->FocusedRow() : std::nullopt;
    filter_.SetQuery(query);
    if (!view_) return;
    if (focused && filter_.LineOf(*focused))
        FocusRow(focused);
    else
        view_->ClearFocus();
}

std::optional<std::size_t> PhraseEditor::RowBesideDeleted(std::size_t row) const {
    const std::optional<std::size_t> line = filter_.LineOf(row);
    if (!line) return std::nullopt;
    if (*line > 0) return filter_.PhraseAt(*line - 1); // before the row: its index stays
    if (const std::optional<std::size_t> below = filter_.PhraseAt(*line + 1)) return *below - 1;
    return std::nullopt;
}

std::u16string PhraseEditor::LineName(std::size_t row) const {
    const std::optional<std::size_t> line = filter_.LineOf(row);
    return line ? u"row " + DecimalText(*line + 1) : std::u16string();
}

namespace {

bool IsEmptyRow(const Phrase& phrase) {
    return phrase.Text().empty() && phrase.Abbreviation().empty();
}

} // namespace

NewPhraseOutcome PhraseEditor::NewPhrase() {
    // An empty row left from before is used again rather than adding another.
    for (std::size_t i = 0; i < rows_.Count(); ++i) {
        if (IsEmptyRow(rows_.At(i))) {
            FocusRow(i);
            if (view_) view_->EditCell(i, AbbreviationColumn);
            return NewPhraseOutcome::Opened;
        }
    }
    if (rows_.Count() >= options_.MaxPhrases) {
        if (view_) view_->ClearFocus();
        return NewPhraseOutcome::ListFull;
    }
    rows_.Append(std::make_unique<Phrase>(index_));
    if (Changed) Changed();
    const std::size_t row = rows_.Count() - 1;
    FocusRow(row);
    if (view_) view_->EditCell(row, AbbreviationColumn);
    return NewPhraseOutcome::Opened;
}

bool PhraseEditor::IsFull() const {
    if (rows_.Count() < options_.MaxPhrases) return false;
    for (std::size_t i = 0; i < rows_.Count(); ++i)
        if (IsEmptyRow(rows_.At(i))) return false;
    return true;
}

void PhraseEditor::DeletePhrase() {
    if (!view_) return;
    const std::optional<std::size_t> focused = view_->FocusedRow();
    if (!focused || *focused >= rows_.Count()) return;
    const std::size_t row = *focused;
    // The row on the line before, else the one after.
    const std::optional<std::size_t> next = RowBesideDeleted(row);
    undo_.Deleted(row, rows_.At(row));
    rows_.DeleteAt(row);
    if (Changed) Changed();
    if (next) FocusRow(next);
}

void PhraseEditor::Undo() {
    if (!view_ || view_->IsEditing() || !undo_.CanUndo()) return;
    const std::optional<std::size_t> row = undo_.Undo(rows_, index_);
    if (!row) return;
    filter_.PhrasesChanged();
    if (Changed) Changed();
    FocusRow(row);
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
        std::u16string old = phrase.Abbreviation();
        phrase.SetAbbreviation(abbreviation);
        if (changed) undo_.CellChanged(row, column, std::move(old), phrase);
    } else if (column == TextColumn) {
        std::u16string value = CutToLength(text, MaxTextLength);
        changed = value != phrase.Text();
        std::u16string old = phrase.Text();
        phrase.SetText(std::move(value));
        if (changed) undo_.CellChanged(row, column, std::move(old), phrase);
    }
    if (changed) filter_.PhrasesChanged();
    if (changed && Changed) Changed();
    FocusRow(row);
}

void PhraseEditor::CellEditLength(int column, std::size_t length) {
    editing_ = std::pair{column, length};
}

bool PhraseEditor::CellEditClosed(std::size_t row, bool goesOnInRow) {
    editing_.reset();
    if (goesOnInRow || row >= rows_.Count() || !IsEmptyRow(rows_.At(row))) return false;
    const std::optional<std::size_t> next = RowBesideDeleted(row);
    undo_.RowDeleted(row);
    rows_.DeleteAt(row);
    if (Changed) Changed();
    if (next) FocusRow(next);
    return true;
}

std::optional<std::size_t> PhraseEditor::WinningRow(std::size_t row) const {
    if (row >= rows_.Count() || rows_.At(row).Abbreviation().empty()) return std::nullopt;
    std::vector<const AbbreviationEntry*> found;
    index_.Find(rows_.At(row).Abbreviation(), found);
    if (found.size() < 2) return std::nullopt;
    // The intake expands the first phrase the lookup returns.
    const std::size_t winner = rows_.IndexOf(found.front()->Record);
    if (winner >= rows_.Count()) return std::nullopt;
    return winner;
}

std::u16string PhraseEditor::CellDisplayText(std::size_t row, int column) const {
    std::u16string text = CellText(row, column);
    if (column == TextColumn && row < rows_.Count() &&
        ExpandsToNothing(rows_.At(row).Abbreviation(), text))
        return std::u16string(ExpandsToNothingMark);
    if (column != AbbreviationColumn) return text;
    const std::optional<std::size_t> winner = WinningRow(row);
    if (!winner) return text;
    if (*winner == row) return text + u"  (shared; this one is used)";
    const std::u16string name = LineName(*winner);
    if (name.empty()) return text + u"  (shared; a row the filter hides is used)";
    return text + u"  (shared; " + name + u" is used)";
}

std::u16string PhraseEditor::StatusText() const {
    if (editing_) {
        const auto [column, length] = *editing_;
        return (column == TextColumn ? u"Text: " : u"Abbreviation: ") + DecimalText(length) +
               u" of " + DecimalText(CellLengthLimit(column)) + u" characters; " +
               std::u16string(CellEditHint);
    }
    if (const std::optional<std::size_t> focused = view_ ? view_->FocusedRow() : std::nullopt) {
        if (const std::optional<std::size_t> winner = WinningRow(*focused)) {
            if (*winner == *focused)
                return u"Another row has this abbreviation (letter case aside); typing it gives "
                       u"this row's text";
            std::u16string name = LineName(*winner);
            if (name.empty())
                name = u"A row the filter hides";
            else
                name[0] = u'R';
            return name +
                   u" has this abbreviation too (letter case aside) and is found first: this "
                   u"row's text is never typed";
        }
        if (*focused < rows_.Count()) {
            const Phrase& phrase = rows_.At(*focused);
            std::u16string advice = RowAdvice(phrase.Abbreviation(), phrase.Text(), options_.Mode);
            if (!advice.empty()) return advice;
        }
    }
    if (IsFull())
        return u"The list is full (" + DecimalText(options_.MaxPhrases) +
               u" phrases): raise the largest number in Options to add more";
    return u"Double click the list to create a new item";
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
