// The modal About dialog: the program's name and version and a link to its homepage.
#include "winapp/AboutDialog.h"

#include "platform/win32/Win32Handles.h"
#include "winapp/resource.h"

#include <commctrl.h>
#include <shellapi.h>

namespace lumora {

void AboutDialog::ShowModal(HWND owner, const std::u16string& name) {
    name_ = name;
    DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_ABOUT), owner, DialogProc,
                    reinterpret_cast<LPARAM>(this));
}

void AboutDialog::HyperLabelClick() {
    ShellExecuteW(nullptr, nullptr, WidePtr(homepage_), nullptr, nullptr, SW_SHOWNORMAL);
}

// The template is in dialog units; the dialog's client area is 260 x 187 pixels, so the
// controls are placed in pixels here.
void AboutDialog::Layout(HWND dlg, HWND owner) {
    RECT r{0, 0, 260, 187};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_EXSTYLE)));
    const int w = r.right - r.left, h = r.bottom - r.top;
    RECT o{};
    if (owner && IsWindowVisible(owner))
        GetWindowRect(owner, &o);
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &o, 0);
    SetWindowPos(dlg, nullptr, o.left + (o.right - o.left - w) / 2,
                 o.top + (o.bottom - o.top - h) / 2, w, h, SWP_NOZORDER);
    auto place = [dlg](int id, int x, int y, int cx, int cy) {
        if (HWND c = GetDlgItem(dlg, id)) MoveWindow(c, x, y, cx, cy, FALSE);
    };
    place(IDC_NAMELABEL, 60, 24, 190, 20);
    place(IDC_HOMEPAGELABEL, 16, 84, 70, 20);
    place(IDC_HYPERLABEL, 88, 84, 166, 20);
    place(IDOK, 92, 146, 76, 26);
}

INT_PTR CALLBACK AboutDialog::DialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<AboutDialog*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        self = reinterpret_cast<AboutDialog*>(lp);
        SetWindowLongPtrW(dlg, DWLP_USER, lp);
        SetDlgItemTextW(dlg, IDC_NAMELABEL, WidePtr(self->name_));
        std::u16string link = u"<a>" + self->homepage_ + u"</a>";
        SetDlgItemTextW(dlg, IDC_HYPERLABEL, WidePtr(link));
        self->Layout(dlg, GetWindow(dlg, GW_OWNER));
        return TRUE;
    }
    case WM_NOTIFY: {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        if (self && hdr->idFrom == IDC_HYPERLABEL &&
            (hdr->code == NM_CLICK || hdr->code == NM_RETURN)) {
            self->HyperLabelClick();
            return TRUE;
        }
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, LOWORD(wp));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace lumora
