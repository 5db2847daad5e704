// The phrase grid's keyboard and mouse: the list view's and the cell editor's window procedures,
// which hand the keys and clicks to the editor.
#include "winapp/PhraseGrid.h"

#include "winapp/WindowProcedure.h"

namespace lumora {

namespace {

bool KeyHeld(int vk) {
    return (GetKeyState(vk) & 0x8000) != 0;
}

} // namespace

void PhraseGrid::ShowError(std::exception_ptr error) const {
    if (onError_) onError_(error);
}

bool PhraseGrid::FilterKey(WPARAM character) {
    if (!onFilterKey_ || (character != L'f' && character != L'F')) return false;
    onFilterKey_();
    return true;
}

// --- window procedures -----------------------------------------------------------------------

LRESULT CALLBACK PhraseGrid::ListProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                      DWORD_PTR self) {
    auto* grid = reinterpret_cast<PhraseGrid*>(self);
    return GuardedHandler([&] { return grid->OnListMessage(w, msg, wp, lp); },
                          [grid](std::exception_ptr e) { grid->ShowError(e); });
}

LRESULT CALLBACK PhraseGrid::EditProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                      DWORD_PTR self) {
    auto* grid = reinterpret_cast<PhraseGrid*>(self);
    return GuardedHandler([&] { return grid->OnEditMessage(w, msg, wp, lp); },
                          [grid](std::exception_ptr e) { grid->ShowError(e); });
}

LRESULT PhraseGrid::OnListMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_KEYDOWN: {
        const auto key = static_cast<std::int32_t>(wp);
        editor_.GridKeyDown(key);
        switch (key) {
        case VK_DELETE:
            return 0; // done above, whatever modifiers are held
        case VK_F2:
            editor_.EditPhrase();
            return 0;
        case 'Z':
            if (GetKeyState(VK_CONTROL) >= 0) break;
            editor_.Undo();
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
    case WM_SYSCHAR:
        if (FilterKey(wp)) return 0;
        break;
    case WM_CHAR:
        editor_.GridKeyPress(static_cast<char16_t>(wp));
        // The character went into the editor it opened; the list view's incremental search
        // must not move the focus away from the row being edited.
        if (edit_) return 0;
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
        editor_.GridMouseDown(button, shift, x, y);
        LVHITTESTINFO hit{};
        hit.pt = POINT{x, y};
        SendMessageW(w, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        const auto focused = FocusedLine();
        const bool onFocusedCell = msg == WM_LBUTTONDOWN && hit.iItem >= 0 && !edit_ && focused &&
                                   static_cast<int>(*focused) == hit.iItem &&
                                   hit.iSubItem == focusedColumn_ && wp == MK_LBUTTON;
        AcceptEdit();
        if (hit.iItem >= 0 && hit.iSubItem >= 0 && hit.iSubItem < 2) SetFocusedColumn(hit.iSubItem);
        const LRESULT r = DefSubclassProc(w, msg, wp, lp);
        if (onFocusedCell) SetTimer(w, ClickEditTimerId, GetDoubleClickTime(), nullptr);
        return r;
    }
    case WM_LBUTTONDBLCLK: {
        KillTimer(w, ClickEditTimerId);
        editor_.GridMouseDown(0, 0, static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        const LRESULT r = DefSubclassProc(w, msg, wp, lp);
        editor_.GridDoubleClick();
        return r;
    }
    case WM_TIMER:
        if (wp == ClickEditTimerId) {
            KillTimer(w, ClickEditTimerId);
            editor_.EditPhrase();
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
        editor_.GridResized();
        return r;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        // The focused cell's colour follows the focus.
        if (auto line = FocusedLine())
            SendMessageW(w, LVM_REDRAWITEMS, *line, static_cast<LPARAM>(*line));
        break;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (OnHeaderNotify(*reinterpret_cast<const NMHDR*>(lp), result)) return result;
        break;
    }
    case WM_COMMAND:
        // The cell editor is the list view's child: its changes come here.
        if (edit_ && reinterpret_cast<HWND>(lp) == edit_ && HIWORD(wp) == EN_CHANGE) {
            editor_.CellEditLength(editColumn_,
                                   static_cast<std::size_t>(GetWindowTextLengthW(edit_)));
            StatusChanged();
            return 0;
        }
        break;
    case WM_CLAMP_COLUMN:
        if (wp < 2) SetColumnWidth(static_cast<int>(wp), static_cast<int>(lp));
        return 0;
    case WM_NCDESTROY:
        KillTimer(w, ClickEditTimerId);
        RemoveWindowSubclass(w, ListProc, ListSubclassId);
        list_ = nullptr;
        edit_ = nullptr;
        break;
    default:
        break;
    }
    return DefSubclassProc(w, msg, wp, lp);
}

LRESULT PhraseGrid::OnEditMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    const bool multiLine = (GetWindowLongPtrW(w, GWL_STYLE) & ES_MULTILINE) != 0;
    switch (msg) {
    case WM_KEYDOWN:
        switch (
            CellEditorKeyAction(editColumn_, static_cast<std::int32_t>(wp), KeyHeld(VK_CONTROL))) {
        case CellEditorKey::LineBreak:
            // A line break in the text, stored as CR LF.
            if (multiLine) SendMessageW(w, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\r\n"));
            return 0;
        case CellEditorKey::Ignore:
            return 0;
        case CellEditorKey::Accept:
            EndEdit(true, true);
            return 0;
        case CellEditorKey::Cancel:
            EndEdit(false, true);
            return 0;
        case CellEditorKey::OtherCell: {
            const std::optional<std::size_t> row = RowOnLine(editLine_);
            const int other = editColumn_ == AbbreviationColumn ? TextColumn : AbbreviationColumn;
            EndEdit(true, true, true);
            if (row && *row < rows_.Count()) EditCell(*row, other);
            return 0;
        }
        case CellEditorKey::Normal:
            break;
        }
        break;
    case WM_CHAR:
        // Enter, Ctrl+Enter, Escape and Tab were handled as keys.
        if (wp == L'\r' || wp == L'\n' || wp == 0x1B || wp == L'\t') return 0;
        break;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | DefSubclassProc(w, msg, wp, lp);
    case WM_SYSCHAR:
        // The focus leaves the cell, which keeps what was typed.
        if (FilterKey(wp)) return 0;
        break;
    case WM_KILLFOCUS:
        if (w == edit_) {
            // Leaving the editor keeps what was typed.
            EndEdit(true, false);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(w, EditProc, EditSubclassId);
        if (w == edit_) edit_ = nullptr;
        break;
    default:
        break;
    }
    return DefSubclassProc(w, msg, wp, lp);
}

} // namespace lumora
