#include "winapp/PhraseGrid.h"

#include "platform/win32/Win32Handles.h"

#include <algorithm>
#include <array>
#include <vector>

namespace lumora {

namespace {

// A click on the focused cell opens its editor once the time for a double click has passed,
// so that a double click on a row opens nothing.
constexpr UINT_PTR ClickEditTimerId = 0x4C55;
// Posted to the list view with a column and the width allowed nearest to the one refused.
constexpr UINT WM_CLAMP_COLUMN = WM_APP + 0x4C;
constexpr UINT_PTR ListSubclassId = 1;
constexpr UINT_PTR EditSubclassId = 2;
// The text editor opens this many rows high, so that a multi-line phrase can be read.
constexpr int TextEditorRows = 5;

bool KeyHeld(int vk) {
    return (GetKeyState(vk) & 0x8000) != 0;
}

// Line breaks show as a pilcrow in the one-line cells.
std::wstring DisplayText(const std::u16string& text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            out += L'\u00B6';
        } else {
            out += static_cast<wchar_t>(c);
        }
    }
    return out;
}

std::u16string WindowText(HWND w) {
    const int n = GetWindowTextLengthW(w);
    if (n <= 0) return {};
    std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(w, s.data(), n + 1);
    s.resize(static_cast<std::size_t>(std::max(got, 0)));
    return FromWide(s);
}

COLORREF Blend(COLORREF a, COLORREF b) {
    return RGB((GetRValue(a) + GetRValue(b)) / 2, (GetGValue(a) + GetGValue(b)) / 2,
               (GetBValue(a) + GetBValue(b)) / 2);
}

} // namespace

TPhraseGrid::TPhraseGrid(TPhraseRows& rows, TPhraseEditor& editor, ErrorHandler onError)
    : fRows(rows), fEditor(editor), fOnError(std::move(onError)) {}

TPhraseGrid::~TPhraseGrid() {
    fRows.SetObserver(nullptr);
    fEditor.SetView(nullptr);
    if (fList) RemoveWindowSubclass(fList, ListProc, ListSubclassId);
}

bool TPhraseGrid::Create(HWND parent, HINSTANCE instance, int id) {
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN | LVS_REPORT |
                        LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_OWNERDATA;
    fList = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", style, 0, 0, 0, 0, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!fList) return false;
    const DWORD ex = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP;
    SendMessageW(fList, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);

    const std::array<std::pair<const wchar_t*, int>, 2> columns{
        {{L"Abbreviation", kAutotextColumnWidth}, {L"Text to paste", kTextColumnWidth}}};
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = const_cast<wchar_t*>(columns[static_cast<std::size_t>(i)].first);
        col.cx = columns[static_cast<std::size_t>(i)].second;
        col.iSubItem = i;
        SendMessageW(fList, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&col));
    }
    SetWindowSubclass(fList, ListProc, ListSubclassId, reinterpret_cast<DWORD_PTR>(this));
    fRows.SetObserver(this);
    fEditor.SetView(this);
    SyncItemCount();
    return true;
}

// --- the view the editor works on ------------------------------------------------------------

std::optional<std::size_t> TPhraseGrid::FocusedRow() const {
    if (!fList) return std::nullopt;
    const auto i = static_cast<int>(
        SendMessageW(fList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (i < 0 || static_cast<std::size_t>(i) >= fRows.Count()) return std::nullopt;
    return static_cast<std::size_t>(i);
}

void TPhraseGrid::ClearSelection() {
    if (!fList) return;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    SendMessageW(fList, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

void TPhraseGrid::FocusAndShowRow(std::size_t row) {
    if (!fList || row >= fRows.Count()) return;
    LVITEMW item{};
    item.state = item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(fList, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    SendMessageW(fList, LVM_SETSELECTIONMARK, 0, static_cast<LPARAM>(row));
    SendMessageW(fList, LVM_ENSUREVISIBLE, row, FALSE);
    // Centred vertically, as far as the list can scroll.
    RECT rc{}, client{};
    rc.left = LVIR_BOUNDS;
    if (SendMessageW(fList, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rc))) {
        GetClientRect(fList, &client);
        RECT header{};
        if (HWND h = reinterpret_cast<HWND>(SendMessageW(fList, LVM_GETHEADER, 0, 0)))
            GetWindowRect(h, &header);
        const int top = header.bottom - header.top;
        const int rowHeight = rc.bottom - rc.top;
        const int wanted = top + (client.bottom - top - rowHeight) / 2;
        if (rc.top != wanted) SendMessageW(fList, LVM_SCROLL, 0, rc.top - wanted);
    }
    ScrollCellIntoView(row, fFocusedColumn);
    RedrawRow(row);
}

void TPhraseGrid::EditCell(std::size_t row, int column) {
    if (!fList || row >= fRows.Count()) return;
    KillTimer(fList, ClickEditTimerId);
    if (fEdit) EndEdit(true, false);
    if (row >= fRows.Count()) return; // the accepted edit may have changed the rows
    SetFocusedColumn(column);
    SendMessageW(fList, LVM_ENSUREVISIBLE, row, FALSE);
    ScrollCellIntoView(row, column);

    // An edit opened by a typed character starts with that character; the caret goes after
    // it at once rather than waiting for the Right arrow that follows, so that keys typed
    // before that arrow arrives continue the text instead of replacing it.
    const bool openedByChar = fEditor.lastEditChar() != 0;
    const std::u16string text = fEditor.PhraseTreeGetText(row, column);

    const bool multiLine = column == kTextColumn;
    RECT cell = CellRect(row, column);
    RECT client{};
    GetClientRect(fList, &client);
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
        cell.bottom - cell.top, fList, nullptr,
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(fList, GWLP_HINSTANCE)), nullptr);
    if (!edit) return;
    SendMessageW(edit, WM_SETFONT, SendMessageW(fList, WM_GETFONT, 0, 0), FALSE);
    if (openedByChar)
        SendMessageW(edit, EM_SETSEL, text.size(), static_cast<LPARAM>(text.size()));
    else
        SendMessageW(edit, EM_SETSEL, 0, -1);
    fEdit = edit;
    fEditRow = row;
    fEditColumn = column;
    SetWindowSubclass(edit, EditProc, EditSubclassId, reinterpret_cast<DWORD_PTR>(this));
    ShowWindow(edit, SW_SHOW);
    SetFocus(edit);
}

std::optional<std::size_t> TPhraseGrid::RowAt(int x, int y) const {
    if (!fList || fRows.Count() == 0) return std::nullopt;
    LVHITTESTINFO hit{};
    hit.pt = POINT{x, y};
    int i = static_cast<int>(SendMessageW(fList, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (i < 0) {
        // Right of the last column still counts as the row on that line.
        RECT first{};
        first.left = LVIR_BOUNDS;
        if (SendMessageW(fList, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first)) &&
            x >= first.right) {
            hit = LVHITTESTINFO{};
            hit.pt = POINT{first.left + 1, y};
            i = static_cast<int>(
                SendMessageW(fList, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        }
    }
    if (i < 0 || static_cast<std::size_t>(i) >= fRows.Count()) return std::nullopt;
    return static_cast<std::size_t>(i);
}

int TPhraseGrid::ClientWidth() const {
    RECT r{};
    if (fList) GetClientRect(fList, &r);
    return r.right - r.left;
}

int TPhraseGrid::ColumnWidth(int column) const {
    return fList ? static_cast<int>(SendMessageW(fList, LVM_GETCOLUMNWIDTH, column, 0)) : 0;
}

void TPhraseGrid::SetColumnWidth(int column, int width) {
    if (fList)
        SendMessageW(fList, LVM_SETCOLUMNWIDTH, column,
                     std::clamp(width, kMinColumnWidth, kMaxColumnWidth));
}

// --- following the rows ----------------------------------------------------------------------

void TPhraseGrid::SyncItemCount() {
    if (fList) SendMessageW(fList, LVM_SETITEMCOUNT, fRows.Count(), LVSICF_NOSCROLL);
}

void TPhraseGrid::RowAppended(std::size_t) {
    SyncItemCount();
}

void TPhraseGrid::RowDeleted(std::size_t index) {
    if (fEdit) {
        if (fEditRow == index)
            EndEdit(false, true); // its row is gone
        else if (fEditRow > index)
            --fEditRow;
    }
    // A virtual list knows only the count: move the focus along with the rows.
    const std::optional<std::size_t> focused = FocusedRow();
    SyncItemCount();
    if (!fList) return;
    LVITEMW item{};
    item.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    if (focused && *focused == index) {
        if (index < fRows.Count())
            SendMessageW(fList, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
    } else if (focused && *focused > index) {
        item.state = LVIS_FOCUSED | LVIS_SELECTED;
        SendMessageW(fList, LVM_SETITEMSTATE, *focused - 1, reinterpret_cast<LPARAM>(&item));
    }
    InvalidateRect(fList, nullptr, TRUE);
}

void TPhraseGrid::RowsCleared() {
    if (fEdit) EndEdit(false, false);
    SyncItemCount();
}

void TPhraseGrid::BatchBegun() {
    if (fList) SendMessageW(fList, WM_SETREDRAW, FALSE, 0);
}

void TPhraseGrid::BatchEnded() {
    if (!fList) return;
    SendMessageW(fList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(fList, nullptr, TRUE);
}

// --- editing ---------------------------------------------------------------------------------

void TPhraseGrid::AcceptEdit() {
    EndEdit(true, false);
}

void TPhraseGrid::EndEdit(bool accept, bool focusGrid) {
    if (!fEdit) return;
    // Cleared first: giving the focus away and destroying the editor come back here.
    HWND edit = fEdit;
    fEdit = nullptr;
    const std::u16string text = WindowText(edit);
    const std::size_t row = fEditRow;
    const int column = fEditColumn;
    if (focusGrid && fList && GetFocus() == edit) SetFocus(fList);
    DestroyWindow(edit);
    if (accept && row < fRows.Count()) {
        fEditor.PhraseTreeNewText(row, column, text);
        RedrawRow(row);
    }
}

// --- geometry --------------------------------------------------------------------------------

RECT TPhraseGrid::CellRect(std::size_t row, int column) const {
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    SendMessageW(fList, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
    // The row's bounds start at the first displayed column; add the widths of the columns
    // displayed before this one.
    std::array<int, 2> order{0, 1};
    SendMessageW(fList, LVM_GETCOLUMNORDERARRAY, order.size(),
                 reinterpret_cast<LPARAM>(order.data()));
    int left = bounds.left;
    for (int c : order) {
        if (c == column) break;
        left += ColumnWidth(c);
    }
    return RECT{left, bounds.top, left + ColumnWidth(column), bounds.bottom};
}

void TPhraseGrid::ScrollCellIntoView(std::size_t row, int column) {
    if (!fList || row >= fRows.Count()) return;
    const RECT cell = CellRect(row, column);
    const int width = ClientWidth();
    int dx = 0;
    if (cell.left < 0)
        dx = cell.left;
    else if (cell.right > width)
        dx = std::min<int>(cell.right - width, cell.left);
    if (dx != 0) SendMessageW(fList, LVM_SCROLL, dx, 0);
}

void TPhraseGrid::SetFocusedColumn(int column) {
    if (column == fFocusedColumn) return;
    fFocusedColumn = column;
    if (auto row = FocusedRow()) RedrawRow(*row);
}

void TPhraseGrid::MoveFocusedColumn(int step) {
    std::array<int, 2> order{0, 1};
    SendMessageW(fList, LVM_GETCOLUMNORDERARRAY, order.size(),
                 reinterpret_cast<LPARAM>(order.data()));
    const auto at = std::find(order.begin(), order.end(), fFocusedColumn) - order.begin();
    const auto next = std::clamp<std::ptrdiff_t>(at + step, 0, 1);
    SetFocusedColumn(order[static_cast<std::size_t>(next)]);
    if (auto row = FocusedRow()) ScrollCellIntoView(*row, fFocusedColumn);
}

void TPhraseGrid::RedrawRow(std::size_t row) {
    if (fList && row < fRows.Count()) {
        SendMessageW(fList, LVM_REDRAWITEMS, row, static_cast<LPARAM>(row));
        UpdateWindow(fList);
    }
}

// --- notifications ---------------------------------------------------------------------------

bool TPhraseGrid::HandleNotify(const NMHDR& header, LRESULT& result) {
    if (header.hwndFrom != fList) return false;
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
        if ((info.item.mask & LVIF_TEXT) && info.item.pszText && info.item.cchTextMax > 0) {
            fDisplayText = info.item.iItem >= 0
                               ? DisplayText(fEditor.CellText(
                                     static_cast<std::size_t>(info.item.iItem), info.item.iSubItem))
                               : std::wstring();
            const auto n = std::min<std::size_t>(
                fDisplayText.size(), static_cast<std::size_t>(info.item.cchTextMax - 1));
            std::copy_n(fDisplayText.data(), n, info.item.pszText);
            info.item.pszText[n] = L'\0';
        }
        result = 0;
        return true;
    }
    case NM_CUSTOMDRAW:
        result = OnCustomDraw(
            const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header)));
        return true;
    default:
        return false;
    }
}

LRESULT TPhraseGrid::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const auto row = static_cast<int>(draw.nmcd.dwItemSpec);
        fDrawingSelectedRow =
            (SendMessageW(fList, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
        // The list view would paint the whole row as selected; we paint the cells ourselves
        // so that the focused one stands out.
        draw.nmcd.uItemState &= ~(CDIS_SELECTED | CDIS_FOCUS);
        return CDRF_NOTIFYSUBITEMDRAW;
    }
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        if (!fDrawingSelectedRow) {
            draw.clrText = GetSysColor(COLOR_WINDOWTEXT);
            draw.clrTextBk = GetSysColor(COLOR_WINDOW);
        } else if (draw.iSubItem == fFocusedColumn) {
            const bool active = GetFocus() == fList || (fEdit && GetFocus() == fEdit);
            draw.clrText = GetSysColor(active ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
            draw.clrTextBk = GetSysColor(active ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
        } else {
            draw.clrText = GetSysColor(COLOR_WINDOWTEXT);
            draw.clrTextBk = Blend(GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_WINDOW));
            draw.clrTextBk = Blend(draw.clrTextBk, GetSysColor(COLOR_WINDOW));
        }
        return CDRF_NEWFONT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

bool TPhraseGrid::OnHeaderNotify(const NMHDR& header, LRESULT& result) {
    switch (header.code) {
    case HDN_BEGINTRACKW:
    case HDN_BEGINTRACKA:
    case HDN_BEGINDRAG:
        AcceptEdit();
        return false;
    case HDN_ITEMCHANGINGW:
    case HDN_ITEMCHANGINGA: {
        const auto& change = reinterpret_cast<const NMHEADERW&>(header);
        if (change.pitem && (change.pitem->mask & HDI_WIDTH) &&
            (change.pitem->cxy < kMinColumnWidth || change.pitem->cxy > kMaxColumnWidth)) {
            // Refused; the column is then set to the nearest width allowed.
            const int width = std::clamp(change.pitem->cxy, kMinColumnWidth, kMaxColumnWidth);
            PostMessageW(fList, WM_CLAMP_COLUMN, static_cast<WPARAM>(change.iItem), width);
            result = TRUE;
            return true;
        }
        return false;
    }
    case HDN_ITEMCHANGEDW:
    case HDN_ITEMCHANGEDA:
    case HDN_ENDDRAG:
        InvalidateRect(fList, nullptr, FALSE);
        return false;
    default:
        return false;
    }
}

// --- window procedures -----------------------------------------------------------------------

LRESULT CALLBACK TPhraseGrid::ListProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                       DWORD_PTR self) {
    auto* grid = reinterpret_cast<TPhraseGrid*>(self);
    try {
        return grid->OnListMessage(w, msg, wp, lp);
    } catch (...) {
        if (grid->fOnError) grid->fOnError(std::current_exception());
        return 0;
    }
}

LRESULT CALLBACK TPhraseGrid::EditProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                       DWORD_PTR self) {
    auto* grid = reinterpret_cast<TPhraseGrid*>(self);
    try {
        return grid->OnEditMessage(w, msg, wp, lp);
    } catch (...) {
        if (grid->fOnError) grid->fOnError(std::current_exception());
        return 0;
    }
}

LRESULT TPhraseGrid::OnListMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_KEYDOWN: {
        const auto key = static_cast<std::int32_t>(wp);
        fEditor.PhraseTreeKeyDown(key);
        switch (key) {
        case VK_DELETE:
            return 0; // done above, whatever modifiers are held
        case VK_F2:
            fEditor.EditActExecute();
            return 0;
        case VK_LEFT:
            MoveFocusedColumn(-1);
            return 0;
        case VK_RIGHT:
            MoveFocusedColumn(+1);
            return 0;
        default:
            break;
        }
        break;
    }
    case WM_CHAR:
        fEditor.PhraseTreeKeyPress(static_cast<char16_t>(wp));
        // The character went into the editor it opened; the list view's incremental search
        // must not move the focus away from the row being edited.
        if (fEdit) return 0;
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        KillTimer(w, ClickEditTimerId);
        const int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
        std::uint32_t shift = 0;
        if (wp & MK_SHIFT) shift |= 1;
        if (KeyHeld(VK_MENU)) shift |= 2;
        if (wp & MK_CONTROL) shift |= 4;
        const int button = msg == WM_LBUTTONDOWN ? 0 : msg == WM_RBUTTONDOWN ? 1 : 2;
        fEditor.PhraseTreeMouseDown(button, shift, x, y);
        LVHITTESTINFO hit{};
        hit.pt = POINT{x, y};
        SendMessageW(w, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        const auto focused = FocusedRow();
        const bool onFocusedCell = msg == WM_LBUTTONDOWN && hit.iItem >= 0 && !fEdit && focused &&
                                   static_cast<int>(*focused) == hit.iItem &&
                                   hit.iSubItem == fFocusedColumn && wp == MK_LBUTTON;
        AcceptEdit();
        if (hit.iItem >= 0 && hit.iSubItem >= 0 && hit.iSubItem < 2) SetFocusedColumn(hit.iSubItem);
        const LRESULT r = DefSubclassProc(w, msg, wp, lp);
        if (onFocusedCell) SetTimer(w, ClickEditTimerId, GetDoubleClickTime(), nullptr);
        return r;
    }
    case WM_LBUTTONDBLCLK: {
        KillTimer(w, ClickEditTimerId);
        fEditor.PhraseTreeMouseDown(0, 0, static_cast<short>(LOWORD(lp)),
                                    static_cast<short>(HIWORD(lp)));
        const LRESULT r = DefSubclassProc(w, msg, wp, lp);
        fEditor.PhraseTreeDblClick();
        return r;
    }
    case WM_TIMER:
        if (wp == ClickEditTimerId) {
            KillTimer(w, ClickEditTimerId);
            fEditor.EditActExecute();
            return 0;
        }
        break;
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_MOUSEWHEEL:
        AcceptEdit();
        break;
    case WM_SIZE: {
        AcceptEdit();
        const LRESULT r = DefSubclassProc(w, msg, wp, lp);
        fEditor.PhraseTreeResize();
        return r;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        // The focused cell's colour follows the focus.
        if (auto row = FocusedRow())
            SendMessageW(w, LVM_REDRAWITEMS, *row, static_cast<LPARAM>(*row));
        break;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (OnHeaderNotify(*reinterpret_cast<const NMHDR*>(lp), result)) return result;
        break;
    }
    case WM_CLAMP_COLUMN:
        if (wp < 2) SetColumnWidth(static_cast<int>(wp), static_cast<int>(lp));
        return 0;
    case WM_NCDESTROY:
        KillTimer(w, ClickEditTimerId);
        RemoveWindowSubclass(w, ListProc, ListSubclassId);
        fList = nullptr;
        fEdit = nullptr;
        break;
    default:
        break;
    }
    return DefSubclassProc(w, msg, wp, lp);
}

LRESULT TPhraseGrid::OnEditMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    const bool multiLine = (GetWindowLongPtrW(w, GWL_STYLE) & ES_MULTILINE) != 0;
    switch (msg) {
    case WM_KEYDOWN:
        switch (wp) {
        case VK_RETURN:
            if (multiLine && KeyHeld(VK_CONTROL)) {
                // Ctrl+Enter: a line break in the text (stored as CR LF).
                SendMessageW(w, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\r\n"));
                return 0;
            }
            EndEdit(true, true);
            return 0;
        case VK_ESCAPE:
            EndEdit(false, true);
            return 0;
        case VK_TAB: {
            // Accept and go on to the row's other cell.
            const std::size_t row = fEditRow;
            const int other = fEditColumn == kAutotextColumn ? kTextColumn : kAutotextColumn;
            EndEdit(true, true);
            if (row < fRows.Count()) EditCell(row, other);
            return 0;
        }
        default:
            break;
        }
        break;
    case WM_CHAR:
        // Enter, Ctrl+Enter, Escape and Tab were handled as keys.
        if (wp == L'\r' || wp == L'\n' || wp == 0x1B || wp == L'\t') return 0;
        break;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | DefSubclassProc(w, msg, wp, lp);
    case WM_KILLFOCUS:
        if (w == fEdit) {
            // Leaving the editor keeps what was typed.
            EndEdit(true, false);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(w, EditProc, EditSubclassId);
        if (w == fEdit) fEdit = nullptr;
        break;
    default:
        break;
    }
    return DefSubclassProc(w, msg, wp, lp);
}

} // namespace lumora
