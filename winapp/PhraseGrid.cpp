// The phrase grid: its list view and header, the view the editor works on, the rows it follows,
// the cell editor's opening and closing, and the cells' geometry.
#include "winapp/PhraseGrid.h"

#include "platform/win32/Win32Handles.h"

#include <algorithm>
#include <array>
#include <vector>

namespace lumora {

namespace {

// The text editor opens this many rows high, so that a multi-line phrase can be read.
constexpr int TextEditorRows = 5;
// The header's margins around its text, both sides together, with a little to spare.
constexpr int HeaderTextPadding = 20;

} // namespace

PhraseGrid::PhraseGrid(PhraseList& rows, PhraseEditor& editor, ErrorHandler onError)
    : rows_(rows), editor_(editor), onError_(std::move(onError)) {}

PhraseGrid::~PhraseGrid() {
    editor_.Filter().SetObserver(nullptr);
    editor_.SetView(nullptr);
    if (list_) RemoveWindowSubclass(list_, ListProc, ListSubclassId);
}

bool PhraseGrid::Create(HWND parent, HINSTANCE instance, int id) {
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN | LVS_REPORT |
                        LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_OWNERDATA;
    list_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", style, 0, 0, 0, 0, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!list_) return false;
    const DWORD ex = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP;
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);

    const std::array<std::pair<const wchar_t*, int>, 2> columns{
        {{L"Abbreviation", AbbreviationColumnWidth}, {L"Text to paste", TextColumnWidth}}};
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = const_cast<wchar_t*>(columns[static_cast<std::size_t>(i)].first);
        col.cx = columns[static_cast<std::size_t>(i)].second;
        col.iSubItem = i;
        SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&col));
    }
    // Wide enough for its header in the font in use (a larger font, a higher DPI).
    SetColumnWidth(AbbreviationColumn,
                   std::max(AbbreviationColumnWidth, HeaderFitWidth(AbbreviationColumn)));
    SetWindowSubclass(list_, ListProc, ListSubclassId, reinterpret_cast<DWORD_PTR>(this));
    AddHeaderTooltip(instance);
    editor_.Filter().SetObserver(this);
    editor_.SetView(this);
    SyncItemCount();
    return true;
}

void PhraseGrid::AddHeaderTooltip(HINSTANCE instance) {
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    if (!header) return;
    tooltip_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, list_, nullptr, instance, nullptr);
    if (!tooltip_) return;
    static const std::u16string help(FieldsHelpText);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = list_;
    tool.uId = reinterpret_cast<UINT_PTR>(header);
    tool.lpszText = const_cast<wchar_t*>(WidePtr(help));
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    // Several lines, and long enough to read them.
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 480);
    SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);
}

// --- the view the editor works on ------------------------------------------------------------

std::optional<std::size_t> PhraseGrid::FocusedLine() const {
    if (!list_) return std::nullopt;
    const auto i = static_cast<int>(
        SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (i < 0 || static_cast<std::size_t>(i) >= editor_.Filter().LineCount()) return std::nullopt;
    return static_cast<std::size_t>(i);
}

std::optional<std::size_t> PhraseGrid::FocusedRow() const {
    const std::optional<std::size_t> line = FocusedLine();
    return line ? RowOnLine(*line) : std::nullopt;
}

void PhraseGrid::ClearSelection() {
    if (!list_) return;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

void PhraseGrid::ClearFocus() {
    if (!list_) return;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    SendMessageW(list_, LVM_SETSELECTIONMARK, 0, -1);
    StatusChanged();
}

void PhraseGrid::StatusChanged() {
    if (onStatus_) onStatus_();
}

void PhraseGrid::FocusAndShowRow(std::size_t row) {
    const std::optional<std::size_t> shown = editor_.Filter().LineOf(row);
    if (!list_ || !shown) return;
    const std::size_t line = *shown;
    LVITEMW item{};
    item.state = item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list_, LVM_SETITEMSTATE, line, reinterpret_cast<LPARAM>(&item));
    SendMessageW(list_, LVM_SETSELECTIONMARK, 0, static_cast<LPARAM>(line));
    SendMessageW(list_, LVM_ENSUREVISIBLE, line, FALSE);
    // Centred vertically, as far as the list can scroll.
    RECT rc{}, client{};
    rc.left = LVIR_BOUNDS;
    if (SendMessageW(list_, LVM_GETITEMRECT, line, reinterpret_cast<LPARAM>(&rc))) {
        GetClientRect(list_, &client);
        RECT header{};
        if (HWND h = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0)))
            GetWindowRect(h, &header);
        const int top = header.bottom - header.top;
        const int rowHeight = rc.bottom - rc.top;
        const int wanted = top + (client.bottom - top - rowHeight) / 2;
        if (rc.top != wanted) SendMessageW(list_, LVM_SCROLL, 0, rc.top - wanted);
    }
    ScrollCellIntoView(line, focusedColumn_);
    RedrawLine(line);
}

void PhraseGrid::EditCell(std::size_t row, int column) {
    if (!list_ || row >= rows_.Count()) return;
    KillTimer(list_, ClickEditTimerId);
    if (edit_) {
        // The accepted edit may remove its row, and so move this one.
        const Phrase* phrase = &rows_.At(row);
        EndEdit(true, false);
        row = rows_.IndexOf(phrase);
        if (row >= rows_.Count()) return;
    }
    const std::optional<std::size_t> shown = editor_.Filter().LineOf(row);
    if (!shown) return;
    const std::size_t line = *shown;
    SetFocusedColumn(column);
    SendMessageW(list_, LVM_ENSUREVISIBLE, line, FALSE);
    ScrollCellIntoView(line, column);

    // An edit opened by a typed character starts with that character; the caret goes after
    // it at once rather than waiting for the Right arrow that follows, so that keys typed
    // before that arrow arrives continue the text instead of replacing it.
    const bool openedByChar = editor_.LastEditChar() != 0;
    const std::u16string text = editor_.CellEditText(row, column);

    const bool multiLine = column == TextColumn;
    RECT cell = CellRect(line, column);
    RECT client{};
    GetClientRect(list_, &client);
    if (multiLine) {
        // Taller than the row, within the list; upwards when there is no room below.
        const int height = (cell.bottom - cell.top) * TextEditorRows;
        cell.bottom = cell.top + height;
        if (cell.bottom > client.bottom) {
            cell.top = std::max<LONG>(client.top, client.bottom - height);
            cell.bottom = client.bottom;
        }
    }
    DWORD style = WS_CHILD | WS_BORDER | ES_AUTOHSCROLL;
    if (multiLine) style = WS_CHILD | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL;
    HWND edit = CreateWindowExW(
        0, L"EDIT", WidePtr(text), style, cell.left, cell.top, cell.right - cell.left,
        cell.bottom - cell.top, list_, nullptr,
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(list_, GWLP_HINSTANCE)), nullptr);
    if (!edit) return;
    SendMessageW(edit, WM_SETFONT, SendMessageW(list_, WM_GETFONT, 0, 0), FALSE);
    // Typing stops at the stored length rather than being cut later without notice.
    SendMessageW(edit, EM_LIMITTEXT, CellLengthLimit(column), 0);
    if (openedByChar)
        SendMessageW(edit, EM_SETSEL, text.size(), static_cast<LPARAM>(text.size()));
    else
        SendMessageW(edit, EM_SETSEL, 0, -1);
    edit_ = edit;
    editLine_ = line;
    editColumn_ = column;
    SetWindowSubclass(edit, EditProc, EditSubclassId, reinterpret_cast<DWORD_PTR>(this));
    ShowWindow(edit, SW_SHOW);
    SetFocus(edit);
    editor_.CellEditLength(column, static_cast<std::size_t>(GetWindowTextLengthW(edit)));
    StatusChanged();
}

std::optional<std::size_t> PhraseGrid::RowAt(int x, int y) const {
    if (!list_ || editor_.Filter().LineCount() == 0) return std::nullopt;
    LVHITTESTINFO hit{};
    hit.pt = POINT{x, y};
    int i = static_cast<int>(SendMessageW(list_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (i < 0) {
        // Right of the last column still counts as the row on that line.
        RECT first{};
        first.left = LVIR_BOUNDS;
        if (SendMessageW(list_, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first)) &&
            x >= first.right) {
            hit = LVHITTESTINFO{};
            hit.pt = POINT{first.left + 1, y};
            i = static_cast<int>(
                SendMessageW(list_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        }
    }
    if (i < 0) return std::nullopt;
    return RowOnLine(static_cast<std::size_t>(i));
}

int PhraseGrid::ClientWidth() const {
    RECT r{};
    if (list_) GetClientRect(list_, &r);
    return r.right - r.left;
}

int PhraseGrid::HeaderFitWidth(int column) const {
    if (!list_) return 0;
    const wchar_t* header = column == AbbreviationColumn ? L"Abbreviation" : L"Text to paste";
    return static_cast<int>(
               SendMessageW(list_, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(header))) +
           HeaderTextPadding;
}

int PhraseGrid::ColumnWidth(int column) const {
    return list_ ? static_cast<int>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, column, 0)) : 0;
}

void PhraseGrid::SetColumnWidth(int column, int width) {
    if (list_)
        SendMessageW(list_, LVM_SETCOLUMNWIDTH, column,
                     std::clamp(width, MinColumnWidth, MaxColumnWidth));
}

// --- following the lines ---------------------------------------------------------------------

void PhraseGrid::SyncItemCount() {
    if (list_) SendMessageW(list_, LVM_SETITEMCOUNT, editor_.Filter().LineCount(), LVSICF_NOSCROLL);
}

void PhraseGrid::RowAppended(std::size_t) {
    // A load appends in a batch: the count is set once at its end, not 10,000 times.
    if (rows_.InBatch()) return;
    SyncItemCount();
    StatusChanged();
}

void PhraseGrid::RowDeleted(std::size_t index) {
    if (edit_) {
        if (editLine_ == index) {
            // Its row is gone: no row of that index is to be checked for emptiness.
            editLine_ = static_cast<std::size_t>(-1);
            EndEdit(false, true);
        } else if (editLine_ > index)
            --editLine_;
    }
    // A virtual list knows only the count: move the focus along with the rows.
    const std::optional<std::size_t> focused = FocusedLine();
    SyncItemCount();
    if (!list_) return;
    LVITEMW item{};
    item.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    if (focused && *focused == index) {
        if (index < editor_.Filter().LineCount())
            SendMessageW(list_, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
    } else if (focused && *focused > index) {
        item.state = LVIS_FOCUSED | LVIS_SELECTED;
        SendMessageW(list_, LVM_SETITEMSTATE, *focused - 1, reinterpret_cast<LPARAM>(&item));
    }
    // Another row's abbreviation may no longer be shared.
    InvalidateRect(list_, nullptr, TRUE);
    StatusChanged();
}

void PhraseGrid::RowInserted(std::size_t) {
    // An undone delete, or a row brought into sight past the filter; never during an edit:
    // the lines below move down one.
    SyncItemCount();
    if (list_) InvalidateRect(list_, nullptr, FALSE);
    StatusChanged();
}

void PhraseGrid::RowsCleared() {
    if (edit_) EndEdit(false, false);
    SyncItemCount();
    StatusChanged();
}

void PhraseGrid::BatchBegun() {
    if (list_) SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
}

void PhraseGrid::BatchEnded() {
    SyncItemCount();
    StatusChanged();
    if (!list_) return;
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

// --- editing ---------------------------------------------------------------------------------

bool PhraseGrid::AcceptEdit() {
    return EndEdit(true, false);
}

bool PhraseGrid::EndEdit(bool accept, bool focusGrid, bool goesOnInRow) {
    if (!edit_) return false;
    // Cleared first: giving the focus away and destroying the editor come back here.
    HWND edit = edit_;
    edit_ = nullptr;
    const std::u16string text = WindowText(edit);
    // The row of the line it was over; none when that row is gone.
    const std::size_t row = RowOnLine(editLine_).value_or(rows_.Count());
    const int column = editColumn_;
    if (focusGrid && list_ && GetFocus() == edit) SetFocus(list_);
    DestroyWindow(edit);
    if (accept && row < rows_.Count()) {
        editor_.CellEdited(row, column, text);
        // An abbreviation may now share, or no longer share, another row's.
        if (column == AbbreviationColumn && list_)
            InvalidateRect(list_, nullptr, FALSE);
        else if (const std::optional<std::size_t> line = editor_.Filter().LineOf(row))
            RedrawLine(*line);
    }
    const bool dropped = editor_.CellEditClosed(row, goesOnInRow);
    StatusChanged();
    return dropped;
}

// --- geometry --------------------------------------------------------------------------------

RECT PhraseGrid::CellRect(std::size_t line, int column) const {
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    SendMessageW(list_, LVM_GETITEMRECT, line, reinterpret_cast<LPARAM>(&bounds));
    // The row's bounds start at the first displayed column; add the widths of the columns
    // displayed before this one.
    std::array<int, 2> order{0, 1};
    SendMessageW(list_, LVM_GETCOLUMNORDERARRAY, order.size(),
                 reinterpret_cast<LPARAM>(order.data()));
    int left = bounds.left;
    for (int c : order) {
        if (c == column) break;
        left += ColumnWidth(c);
    }
    return RECT{left, bounds.top, left + ColumnWidth(column), bounds.bottom};
}

void PhraseGrid::ScrollCellIntoView(std::size_t line, int column) {
    if (!list_ || line >= editor_.Filter().LineCount()) return;
    const RECT cell = CellRect(line, column);
    const int width = ClientWidth();
    int dx = 0;
    if (cell.left < 0)
        dx = cell.left;
    else if (cell.right > width)
        dx = std::min<int>(cell.right - width, cell.left);
    if (dx != 0) SendMessageW(list_, LVM_SCROLL, dx, 0);
}

void PhraseGrid::SetFocusedColumn(int column) {
    if (column == focusedColumn_) return;
    focusedColumn_ = column;
    if (auto line = FocusedLine()) RedrawLine(*line);
}

void PhraseGrid::MoveFocusedColumn(int step) {
    std::array<int, 2> order{0, 1};
    SendMessageW(list_, LVM_GETCOLUMNORDERARRAY, order.size(),
                 reinterpret_cast<LPARAM>(order.data()));
    const auto at = std::find(order.begin(), order.end(), focusedColumn_) - order.begin();
    const auto next = std::clamp<std::ptrdiff_t>(at + step, 0, 1);
    SetFocusedColumn(order[static_cast<std::size_t>(next)]);
    if (auto line = FocusedLine()) ScrollCellIntoView(*line, focusedColumn_);
}

void PhraseGrid::RedrawLine(std::size_t line) {
    if (list_ && line < editor_.Filter().LineCount()) {
        SendMessageW(list_, LVM_REDRAWITEMS, line, static_cast<LPARAM>(line));
        UpdateWindow(list_);
    }
}

} // namespace lumora
