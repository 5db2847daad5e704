#pragma once
// The phrase grid on Windows: a virtual report-mode list view whose texts come from the rows,
// a focused cell of our own (the list view only knows rows), and an edit control placed over
// a cell for in-place editing. What the keys and clicks mean is decided by TPhraseEditor.
#include "editor/PhraseEditor.h"
#include "data/PhraseList.h"
#include "platform/win32/Win32Api.h"

#include <commctrl.h>

#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace lumora {

class TPhraseGrid final : public TPhraseGridView, public TPhraseRowsObserver {
public:
    using ErrorHandler = std::function<void(std::exception_ptr)>;

    // Shows an exception that leaves one of the grid's handlers; nothing may cross a window
    // procedure.
    TPhraseGrid(TPhraseRows& rows, TPhraseEditor& editor, ErrorHandler onError);
    ~TPhraseGrid() override;
    TPhraseGrid(const TPhraseGrid&) = delete;
    TPhraseGrid& operator=(const TPhraseGrid&) = delete;

    // Creates the list view as a child of parent and starts following the rows.
    bool Create(HWND parent, HINSTANCE instance, int id);
    HWND Handle() const { return fList; }

    // WM_NOTIFY sent by the list view to its parent; true when handled, with the result.
    bool HandleNotify(const NMHDR& header, LRESULT& result);
    // Closes an open cell editor, keeping what was typed (before commands, hiding, closing).
    void AcceptEdit();

    // TPhraseGridView
    std::optional<std::size_t> FocusedRow() const override;
    int FocusedColumn() const override { return fFocusedColumn; }
    bool IsEditing() const override { return fEdit != nullptr; }
    void ClearSelection() override;
    void FocusAndShowRow(std::size_t row) override;
    void EditCell(std::size_t row, int column) override;
    std::optional<std::size_t> RowAt(int x, int y) const override;
    int ClientWidth() const override;
    int ColumnWidth(int column) const override;
    void SetColumnWidth(int column, int width) override;

    // TPhraseRowsObserver
    void RowAppended(std::size_t index) override;
    void RowDeleted(std::size_t index) override;
    void RowsCleared() override;
    void BatchBegun() override;
    void BatchEnded() override;

private:
    static LRESULT CALLBACK ListProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR self);
    static LRESULT CALLBACK EditProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR self);
    LRESULT OnListMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnEditMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    bool OnHeaderNotify(const NMHDR& header, LRESULT& result);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);

    void EndEdit(bool accept, bool focusGrid);
    void SyncItemCount();
    // The cell's rectangle in the list view's client coordinates (columns may be reordered).
    RECT CellRect(std::size_t row, int column) const;
    void ScrollCellIntoView(std::size_t row, int column);
    void SetFocusedColumn(int column);
    // Left and Right move the focused cell in display order.
    void MoveFocusedColumn(int step);
    void RedrawRow(std::size_t row);

    TPhraseRows& fRows;
    TPhraseEditor& fEditor;
    ErrorHandler fOnError;
    HWND fList = nullptr;
    HWND fEdit = nullptr;
    std::size_t fEditRow = 0;
    int fEditColumn = 0;
    int fFocusedColumn = kAutotextColumn;
    bool fDrawingSelectedRow = false;
    std::wstring fDisplayText; // kept alive for LVN_GETDISPINFO
};

} // namespace lumora
