// The window behind "Add..." of the Options window's program lists: a list view of the open
// windows with their icons (an image list sized by the window's DPI), and the open dialog for
// an executable.
#include "winapp/ProgramPicker.h"

#include "editor/ProgramChoice.h"
#include "platform/Error.h"
#include "platform/MessageText.h"
#include "platform/win32/Win32Handles.h"
#include "winapp/WindowProcedure.h"
#include "winapp/resource.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

namespace lumora {

namespace {

int WindowDpi(HWND w) {
    const UINT dpi = GetDpiForWindow(w);
    return dpi ? static_cast<int>(dpi) : 96;
}

} // namespace

int ProgramPicker::IconSize(HWND owner) {
    const int size = GetSystemMetricsForDpi(SM_CXSMICON, static_cast<UINT>(WindowDpi(owner)));
    return size > 0 ? size : MulDiv(16, WindowDpi(owner), 96);
}

const wchar_t* ProgramPicker::ErrorCaption() const {
    return caption_ ? WidePtr(*caption_) : nullptr;
}

std::optional<std::u16string> ProgramPicker::Choose(HWND owner, const std::u16string& caption,
                                                    const std::vector<Row>& rows) {
    caption_ = &caption;
    rows_ = &rows;
    chosen_.reset();
    DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_PROGRAM_PICKER), owner,
                    DialogProcedure<ProgramPicker>, reinterpret_cast<LPARAM>(this));
    rows_ = nullptr;
    caption_ = nullptr;
    return std::move(chosen_);
}

INT_PTR ProgramPicker::OnMessage(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    HWND list = GetDlgItem(dlg, IDC_PICK_WINDOWS);
    switch (msg) {
    case WM_INITDIALOG:
        Fill(dlg);
        return FALSE; // the focus is set
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lp);
        if (header->idFrom == IDC_PICK_WINDOWS && header->code == NM_DBLCLK &&
            reinterpret_cast<const NMITEMACTIVATE*>(lp)->iItem >= 0)
            PostMessageW(dlg, WM_COMMAND, IDOK, 0);
        if (header->idFrom == IDC_PICK_WINDOWS && header->code == LVN_ITEMCHANGED)
            EnableWindow(GetDlgItem(dlg, IDOK), SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) > 0);
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDOK: {
            const auto at = static_cast<int>(
                SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
            if (at < 0 || static_cast<std::size_t>(at) >= rows_->size()) return TRUE;
            chosen_ = (*rows_)[static_cast<std::size_t>(at)].Value;
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        case IDC_PICK_BROWSE:
            Browse(dlg);
            return TRUE;
        case IDCANCEL:
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

void ProgramPicker::Fill(HWND dlg) {
    SetWindowTextW(dlg, WidePtr(*caption_));
    HWND list = GetDlgItem(dlg, IDC_PICK_WINDOWS);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
    // The icons at the size of the system's small icons at this DPI; the list view owns the
    // image list and destroys it with itself.
    const int size = IconSize(dlg);
    HIMAGELIST icons = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK,
                                        static_cast<int>(rows_->size()) + 1, 0);
    if (icons) {
        ImageList_ReplaceIcon(icons, -1, LoadIconW(nullptr, IDI_APPLICATION));
        SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(icons));
    }
    // The title takes most of the width; the program's name is short.
    RECT client{};
    GetClientRect(list, &client);
    const int width =
        client.right - GetSystemMetricsForDpi(SM_CXVSCROLL, static_cast<UINT>(WindowDpi(dlg)));
    const int programWidth = width * 3 / 10;
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = width - programWidth;
    column.pszText = const_cast<wchar_t*>(L"Window");
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    column.cx = programWidth;
    column.pszText = const_cast<wchar_t*>(L"Program");
    SendMessageW(list, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));

    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    for (std::size_t i = 0; i < rows_->size(); ++i) {
        const Row& row = (*rows_)[i];
        int image = 0;
        if (icons && row.Icon) {
            const int added = ImageList_ReplaceIcon(icons, -1, reinterpret_cast<HICON>(row.Icon));
            if (added >= 0) image = added;
        }
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(WidePtr(row.Title));
        item.iImage = image;
        const auto at = static_cast<int>(
            SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (at < 0) continue;
        LVITEMW sub{};
        sub.iSubItem = 1;
        sub.pszText = const_cast<wchar_t*>(WidePtr(row.Program));
        SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(at),
                     reinterpret_cast<LPARAM>(&sub));
    }
    // The program column takes what the rows leave, with or without a scroll bar.
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE_USEHEADER);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);

    if (rows_->empty()) {
        // Nothing to choose from: the way left is Browse...
        SetDlgItemTextW(dlg, IDC_PICK_NOTE, L"No other program has a window open.");
        EnableWindow(GetDlgItem(dlg, IDOK), FALSE);
        SendMessageW(dlg, DM_SETDEFID, IDC_PICK_BROWSE, 0);
        SetFocus(GetDlgItem(dlg, IDC_PICK_BROWSE));
        return;
    }
    LVITEMW first{};
    first.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    first.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&first));
    SetFocus(list);
}

void ProgramPicker::Browse(HWND dlg) {
    std::wstring file(MAX_PATH * 4, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dlg;
    ofn.lpstrFilter = L"Programs (*.exe)\0*.exe\0All files\0*.*\0";
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = L"Choose a program";
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&ofn)) return;
    file.resize(wcsnlen(file.c_str(), file.size()));
    const std::u16string path = FromWide(file);
    const std::optional<std::u16string> program = ProgramOfFile(path);
    if (!program) {
        const std::u16string text =
            Quoted(path) + u" is not a program. Choose the program's .exe file: the lists name "
                           u"programs by it.";
        MessageBoxW(dlg, WidePtr(text), WidePtr(*caption_), MB_OK | MB_ICONWARNING);
        return;
    }
    chosen_ = *program;
    EndDialog(dlg, IDOK);
}

} // namespace lumora
