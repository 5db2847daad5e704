#pragma once
// The phrase editor's commands, keys and mouse rules over the grid's rows. The Win32 grid
// implements PhraseGridView and calls the handlers below; everything they decide is here.
#include "data/PhraseList.h"
#include "editor/PhraseFilter.h"
#include "editor/PhraseUndo.h"
#include "hook/HookLink.h"
#include "platform/FileSystem.h"
#include "platform/Platform.h"
#include "settings/Options.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace lumora {

constexpr int AbbreviationColumn = 0; // "Abbreviation"
constexpr int TextColumn = 1;         // "Text to paste"
constexpr int AbbreviationColumnWidth = 80;
constexpr int TextColumnWidth = 440;
constexpr int MinColumnWidth = 10;
constexpr int MaxColumnWidth = 10000;
// The tooltip of the column headers: the fields a phrase's text may hold. No tabs: a tooltip
// shows them as boxes.
constexpr std::u16string_view FieldsHelpText =
    u"A phrase's text may hold fields, filled in when it is typed:\r\n"
    u"{#date}  {#time}: today's date, the time now\r\n"
    u"{#date:yyyy-MM-dd}  {#time:HH:mm}: the same, in that picture\r\n"
    u"{#clipboard}: the text on the clipboard\r\n"
    u"{#cursor}: where the caret goes once the phrase is typed\r\n"
    u"{#keepcase}: the phrase keeps its letter case";

// The status bar's second panel and the tray icon's tooltip while the list is shown: the intake
// observes nothing then, so no abbreviation is expanded anywhere.
constexpr std::u16string_view ListShownStatusText = u"Nothing is expanded while this list is open";
constexpr std::u16string_view ListShownTrayTip =
    u"Lumora (nothing is expanded while the list is open)";

// The message of New item when the list holds its largest number of phrases.
std::u16string ListFullMessage(std::uint32_t maxPhrases);
// The message at start when the phrase file holds more phrases than the list may: how many it
// holds, that only the first maxPhrases are shown, where the rest are kept and where to raise
// the limit.
std::u16string FileOverLimitMessage(std::size_t phrasesInFile, std::uint32_t maxPhrases,
                                    std::u16string_view fileName, std::u16string_view backupName);

// How many phrases the phrase file at path holds, whatever the limit (0 when it cannot be read).
std::size_t CountPhrasesInFile(FileSystem& files, const std::u16string& path);

// What a key pressed in a cell's editor does there.
enum class CellEditorKey {
    Normal,    // the edit control's own
    LineBreak, // a line break into the text
    Accept,
    Cancel,
    OtherCell, // accept and go on to the row's other cell
    Ignore,
};
CellEditorKey CellEditorKeyAction(int column, std::int32_t key, bool ctrl);

// The most code units the cell editor of a column takes.
std::size_t CellLengthLimit(int column);

// What New item did.
enum class NewPhraseOutcome {
    Opened,   // a new or empty row is open for its abbreviation
    ListFull, // nothing: the list holds MaxPhrases already
};

// What the editor needs of the grid widget. Rows are indexes into PhraseList; the grid shows
// them on the lines of the editor's PhraseFilter, which it follows through PhraseListObserver.
class PhraseGridView {
public:
    virtual ~PhraseGridView() = default;
    virtual std::optional<std::size_t> FocusedRow() const = 0;
    virtual int FocusedColumn() const = 0;
    // An in-place editor is open.
    virtual bool IsEditing() const = 0;
    virtual void ClearSelection() = 0;
    // No row is focused afterwards (nor selected): typing on the grid edits nothing.
    virtual void ClearFocus() = 0;
    // Selects the row, makes it the focused row and scrolls it into view, centred vertically,
    // with its focused cell brought into view horizontally. The row is on a line.
    virtual void FocusAndShowRow(std::size_t row) = 0;
    // Opens the in-place editor on a cell; it takes its starting text from CellEditText.
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

class PhraseEditor {
public:
    // All references outlive the editor. The view may be set later (the grid is made after the
    // rows are loaded); the handlers do nothing that needs it until then.
    PhraseEditor(PhraseList& rows, AbbreviationIndex& index, const Options& options,
                 const HookLink& link, Platform& platform);
    PhraseEditor(const PhraseEditor&) = delete;
    PhraseEditor& operator=(const PhraseEditor&) = delete;

    void SetView(PhraseGridView* view) { view_ = view; }

    // Which rows the grid shows, and on which lines.
    PhraseFilter& Filter() { return filter_; }
    const PhraseFilter& Filter() const { return filter_; }
    // The filter box holds this query now (no cell editor is open): the grid shows what it
    // finds; the focused row stays focused if it is among them, else no row is focused, so
    // that typing on the grid edits nothing unseen.
    void FilterBy(std::u16string_view query);

    // Runs after each change of the phrases (a new phrase, an accepted edit that changed a
    // cell, a delete), so that the phrase file can be written.
    std::function<void()> Changed;

    // Commands. At the limit New item unfocuses the rows, so that an abbreviation typed on
    // at once cannot land in one of them; the caller says so to the user.
    NewPhraseOutcome NewPhrase();
    void DeletePhrase();
    void EditPhrase();
    // Ctrl+Z: brings back the last deleted row or the last changed cell (not while editing).
    void Undo();

    // The text the in-place editor starts with (consumes LastEditChar).
    std::u16string CellEditText(std::size_t row, int column);
    // The text a cell shows when painted; unlike CellEditText it changes nothing.
    std::u16string CellText(std::size_t row, int column) const;
    // An edit of a cell was accepted.
    void CellEdited(std::size_t row, int column, std::u16string_view text);
    // The text in an open cell editor is now this long (also when it opens).
    void CellEditLength(int column, std::size_t length);
    // A cell editor closed, accepted or not. Unless the edit goes on in the row's other cell, a
    // row left with both cells empty is removed (a New item abandoned); true when it was.
    bool CellEditClosed(std::size_t row, bool goesOnInRow);

    // The text a cell shows: CellText, with the abbreviation of a row that can never be typed
    // (another row's equal abbreviation is found first) marked.
    std::u16string CellDisplayText(std::size_t row, int column) const;
    // For a row whose abbreviation another row shares (letter case aside), the row whose
    // phrase typing it gives: the first one the abbreviation index finds. The texts name it by
    // the line the user sees it on, or say that the filter hides it.
    std::optional<std::size_t> WinningRow(std::size_t row) const;
    bool IsFull() const;
    // The status bar's first panel: what is being edited, the focused row's conflict, a full
    // list, or how to add a phrase.
    std::u16string StatusText() const;

    // Grid events.
    void GridKeyDown(std::int32_t key);
    void GridKeyPress(char16_t key);
    void GridMouseDown(int button, std::uint32_t shift, int x, int y);
    void GridDoubleClick();
    void GridResized();

    // Focuses and shows a row, on a line of its own if the filter hid it.
    void FocusRow(std::optional<std::size_t> row);

    char16_t LastEditChar() const { return lastEditChar_; }

private:
    // The row to focus once `row` is deleted, as an index after the delete: the one on the
    // line above, else the one on the line below.
    std::optional<std::size_t> RowBesideDeleted(std::size_t row) const;
    // "row 3" by the line the user sees it on; empty while the filter hides it.
    std::u16string LineName(std::size_t row) const;

    PhraseList& rows_;
    AbbreviationIndex& index_;
    const Options& options_;
    const HookLink& link_;
    Platform& platform_;
    PhraseGridView* view_ = nullptr;
    PhraseFilter filter_;
    char16_t lastEditChar_ = 0;
    PhraseUndo undo_;
    // The column and length of the open cell editor's text.
    std::optional<std::pair<int, std::size_t>> editing_;
    int lastMouseX_ = 0;
    int lastMouseY_ = 0;
};

} // namespace lumora
