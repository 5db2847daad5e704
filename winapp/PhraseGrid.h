#pragma once
// The phrase grid on Windows: a virtual report-mode list view whose texts come from the rows,
// a focused cell of our own (the list view only knows rows), and an edit control placed over
// a cell for in-place editing. What the keys and clicks mean is decided by PhraseEditor.
// The list view's items are the lines of the editor's filter: the grid speaks of rows to the
// editor and of lines to the list view, and turns one into the other in between.
// PhraseGrid.cpp makes the grid and keeps it in step with the rows, PhraseGridNotify.cpp
// answers its notifications and paints its cells, PhraseGridInput.cpp takes its keys and clicks.
#include "data/PhraseList.h"
#include "editor/PhraseEditor.h"
#include "platform/win32/Win32Api.h"

#include <commctrl.h>

#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace lumora {

class PhraseGrid final : public PhraseGridView, public PhraseListObserver {
public:
    using ErrorHandler = std::function<void(std::exception_ptr)>;

    // Shows an exception that leaves one of the grid's handlers; nothing may cross a window
    // procedure.
    PhraseGrid(PhraseList& rows, PhraseEditor& editor, ErrorHandler onError);

    // Called whenever the editor's status text may have changed (focus, edits, rows).
    void SetStatusListener(std::function<void()> listener) { onStatus_ = std::move(listener); }
    // Called at Alt+F in the grid or a cell: the filter box's mnemonic.
    void SetFilterKeyListener(std::function<void()> listener) {
        onFilterKey_ = std::move(listener);
    }
    // Shows an exception of a handler of the grid's window (or of a control beside it).
    void ShowError(std::exception_ptr error) const;
    ~PhraseGrid() override;
    PhraseGrid(const PhraseGrid&) = delete;
    PhraseGrid& operator=(const PhraseGrid&) = delete;

    // Creates the list view as a child of parent and starts following the filter's lines.
    bool Create(HWND parent, HINSTANCE instance, int id);
    HWND Handle() const { return list_; }

    // WM_NOTIFY sent by the list view to its parent; true when handled, with the result.
    bool HandleNotify(const NMHDR& header, LRESULT& result);
    // Closes an open cell editor, keeping what was typed (before commands, hiding, closing).
    // True when that removed the edited row, left with both cells empty.
    bool AcceptEdit();

    // PhraseGridView
    std::optional<std::size_t> FocusedRow() const override;
    int FocusedColumn() const override { return focusedColumn_; }
    bool IsEditing() const override { return edit_ != nullptr; }
    void ClearSelection() override;
    void ClearFocus() override;
    void FocusAndShowRow(std::size_t row) override;
    void EditCell(std::size_t row, int column) override;
    std::optional<std::size_t> RowAt(int x, int y) const override;
    int ClientWidth() const override;
    int ColumnWidth(int column) const override;
    // The width that shows the column's header whole in the font in use.
    int HeaderFitWidth(int column) const;
    void SetColumnWidth(int column, int width) override;

    // PhraseListObserver, told of lines by the filter
    void RowAppended(std::size_t index) override;
    void RowDeleted(std::size_t index) override;
    void RowsCleared() override;
    void RowInserted(std::size_t index) override;
    void BatchBegun() override;
    void BatchEnded() override;

private:
    // A click on the focused cell opens its editor once the time for a double click has passed,
    // so that a double click on a row opens nothing.
    static constexpr UINT_PTR ClickEditTimerId = 0x4C55;
    // Posted to the list view with a column and the width allowed nearest to the one refused.
    static constexpr UINT WM_CLAMP_COLUMN = WM_APP + 0x4C;
    static constexpr UINT_PTR ListSubclassId = 1;
    static constexpr UINT_PTR EditSubclassId = 2;

    // PhraseGridInput.cpp
    static LRESULT CALLBACK ListProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR self);
    static LRESULT CALLBACK EditProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR self);
    LRESULT OnListMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnEditMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    // Alt+F: true when it went to the filter box.
    bool FilterKey(WPARAM character);

    // PhraseGridNotify.cpp
    bool OnHeaderNotify(const NMHDR& header, LRESULT& result);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);

    // The column headers tell which fields a phrase's text may hold.
    void AddHeaderTooltip(HINSTANCE instance);

    // goesOnInRow: the row's other cell opens next, so an empty row stays.
    bool EndEdit(bool accept, bool focusGrid, bool goesOnInRow = false);
    void StatusChanged();
    void SyncItemCount();
    // The list view's focused item: a line of the filter.
    std::optional<std::size_t> FocusedLine() const;
    // The row a line shows; none past the last line.
    std::optional<std::size_t> RowOnLine(std::size_t line) const {
        return editor_.Filter().PhraseAt(line);
    }
    // The cell's rectangle in the list view's client coordinates (columns may be reordered).
    RECT CellRect(std::size_t line, int column) const;
    void ScrollCellIntoView(std::size_t line, int column);
    void SetFocusedColumn(int column);
    // Left and Right move the focused cell in display order.
    void MoveFocusedColumn(int step);
    void RedrawLine(std::size_t line);

    PhraseList& rows_;
    PhraseEditor& editor_;
    ErrorHandler onError_;
    std::function<void()> onStatus_;
    std::function<void()> onFilterKey_;
    HWND list_ = nullptr;
    HWND edit_ = nullptr;
    HWND tooltip_ = nullptr;
    std::size_t editLine_ = 0; // the line the cell editor is over
    int editColumn_ = 0;
    int focusedColumn_ = AbbreviationColumn;
    bool drawingSelectedRow_ = false;
    std::wstring displayText_; // kept alive for LVN_GETDISPINFO
};

} // namespace lumora
