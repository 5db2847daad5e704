// The window of "Import from a backup...": a list of the copies and Import.
#include "winapp/ImportDialog.h"

#include "platform/win32/Win32Handles.h"
#include "winapp/resource.h"

namespace lumora {

std::optional<std::size_t> ImportDialog::ShowModal(HWND owner,
                                                   const std::vector<std::u16string>& lines) {
    lines_ = &lines;
    chosen_.reset();
    DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_IMPORT), owner, DialogProc,
                    reinterpret_cast<LPARAM>(this));
    lines_ = nullptr;
    return chosen_;
}

INT_PTR CALLBACK ImportDialog::DialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrW(dlg, DWLP_USER, lp);
    auto* self = reinterpret_cast<ImportDialog*>(GetWindowLongPtrW(dlg, DWLP_USER));
    if (!self) return FALSE;
    const HWND list = GetDlgItem(dlg, IDC_IMPORT_LIST);
    switch (msg) {
    case WM_INITDIALOG: {
        // Tab stops in dialog units: the name, then the date, then the counts.
        INT stops[] = {130, 200};
        SendMessageW(list, LB_SETTABSTOPS, ARRAYSIZE(stops), reinterpret_cast<LPARAM>(stops));
        for (const std::u16string& line : *self->lines_)
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WidePtr(line)));
        SendMessageW(list, LB_SETCURSEL, 0, 0);
        SetFocus(list);
        return FALSE; // the focus is set
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDC_IMPORT_LIST && HIWORD(wp) == LBN_DBLCLK) wp = IDOK;
        if (LOWORD(wp) == IDOK) {
            const LRESULT at = SendMessageW(list, LB_GETCURSEL, 0, 0);
            if (at == LB_ERR) return TRUE;
            self->chosen_ = static_cast<std::size_t>(at);
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        if (LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace lumora
