#pragma once
// The phrase editor's commands, keys and mouse rules over the grid's rows. The Win32 grid
// implements TPhraseGridView and calls the handlers below; everything they decide is here.
#include "settings/ProgramState.h"
#include "data/PhraseList.h"
#include "platform/Platform.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace lumora {

constexpr int kAutotextColumn = 0; // "Abbreviation"
constexpr int kTextColumn = 1;     // "Text to paste"
constexpr int kAutotextColumnWidth = 80;
constexpr int kTextColumnWidth = 440;
constexpr int kMinColumnWidth = 10;
constexpr int kMaxColumnWidth = 10000;
// Longest stored abbreviation and text, in UTF-16 code units.
constexpr std::size_t kMaxAutotextLength = 32;
constexpr std::size_t kMaxTextLength = 512;

// What the editor needs of the grid widget. Rows are indexes into TPhraseRows, which the grid
// follows through TPhraseRowsObserver.
class TPhraseGridView {
public:
    virtual ~TPhraseGridView() = default;
    virtual std::optional<std::size_t> FocusedRow() const = 0;
    virtual int FocusedColumn() const = 0;
    // An in-place editor is open.
    virtual bool IsEditing() const = 0;
    virtual void ClearSelection() = 0;
    // Selects the row, makes it the focused row and scrolls it into view, centred vertically,
    // with its focused cell brought into view horizontally.
    virtual void FocusAndShowRow(std::size_t row) = 0;
    // Opens the in-place editor on a cell; it takes its starting text from PhraseTreeGetText.
    virtual void EditCell(std::size_t row, int column) = 0;
    // The row under a point in the grid's client coordinates, if any.
    virtual std::optional<std::size_t> RowAt(int x, int y) const = 0;
    virtual int ClientWidth() const = 0;
    virtual int ColumnWidth(int column) const = 0;
    virtual void SetColumnWidth(int column, int width) = 0;
};

// Cuts text to at most maxLength code units, never between the two halves of a surrogate
// pair (a lone half would be stored as U+FFFD).
std::u16string CutToLength(std::u16string_view text, std::size_t maxLength);

class TPhraseEditor {
public:
    // All references outlive the editor. The view may be set later (the grid is made after the
    // rows are loaded); the handlers do nothing that needs it until then.
    TPhraseEditor(TPhraseRows& rows, TPhraseData& data, TProgramState& state, Platform& platform);
    TPhraseEditor(const TPhraseEditor&) = delete;
    TPhraseEditor& operator=(const TPhraseEditor&) = delete;

    void SetView(TPhraseGridView* view) { fView = view; }

    // Commands.
    void NewPhraseActExecute();
    void DelActExecute();
    void EditActExecute();

    // The text the in-place editor starts with (consumes lastEditChar).
    std::u16string PhraseTreeGetText(std::size_t row, int column);
    // The text a cell shows when painted; unlike PhraseTreeGetText it changes nothing.
    std::u16string CellText(std::size_t row, int column) const;
    // An edit of a cell was accepted.
    void PhraseTreeNewText(std::size_t row, int column, std::u16string_view text);

    // Grid events.
    void PhraseTreeKeyDown(std::int32_t key);
    void PhraseTreeKeyPress(char16_t key);
    void PhraseTreeMouseDown(int button, std::uint32_t shift, int x, int y);
    void PhraseTreeDblClick();
    void PhraseTreeResize();

    void FocusRow(std::optional<std::size_t> row);

    char16_t lastEditChar() const { return fLastEditChar; }

private:
    TPhraseRows& fRows;
    TPhraseData& fData;
    TProgramState& fState;
    Platform& fPlatform;
    TPhraseGridView* fView = nullptr;
    char16_t fLastEditChar = 0;
    int fLastMouseX = 0;
    int fLastMouseY = 0;
};

} // namespace lumora
