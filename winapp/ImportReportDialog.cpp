#include "winapp/ImportReportDialog.h"

#include "platform/Error.h"
#include "platform/win32/Win32Handles.h"
#include "winapp/WindowProcedure.h"
#include "winapp/resource.h"

namespace lumora {

std::optional<ImportPlan> ImportReportDialog::ShowModal(HWND owner, const ImportedFile& file,
                                                        const PhraseList& rows,
                                                        ImportChoices choices) {
    file_ = &file;
    rows_ = &rows;
    choices_ = choices;
    accepted_ = false;
    DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_IMPORT_REPORT), owner,
                    DialogProcedure<ImportReportDialog>, reinterpret_cast<LPARAM>(this));
    if (!accepted_) return std::nullopt;
    return std::move(plan_);
}

// The report for the choice as it stands; "Add" says how many, and is off when none.
void ImportReportDialog::Plan(HWND dlg) {
    plan_ = PlanImport(*file_, *rows_, choices_);
    SetDlgItemTextW(dlg, IDC_IMPORT_REPORT, WidePtr(ImportReport(plan_)));
    const std::size_t n = plan_.ToAdd.size();
    const std::wstring caption =
        n == 1 ? L"&Add 1 phrase" : L"&Add " + std::to_wstring(n) + L" phrases";
    SetDlgItemTextW(dlg, IDOK, caption.c_str());
    EnableWindow(GetDlgItem(dlg, IDOK), n > 0);
    EnableWindow(GetDlgItem(dlg, IDC_IMPORT_SHARED), plan_.Duplicates > 0);
}

INT_PTR ImportReportDialog::OnMessage(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        // Room for the longer caption of the Add button.
        HWND add = GetDlgItem(dlg, IDOK), cancel = GetDlgItem(dlg, IDCANCEL);
        RECT a{}, c{};
        GetWindowRect(add, &a);
        GetWindowRect(cancel, &c);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&a), 2);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&c), 2);
        const int width = (a.right - a.left) * 2;
        MoveWindow(add, c.left - 6 - width, a.top, width, a.bottom - a.top, FALSE);
        CheckDlgButton(dlg, IDC_IMPORT_SHARED,
                       choices_.AddDuplicates ? BST_CHECKED : BST_UNCHECKED);
        Plan(dlg);
        // The report is read first; Enter still chooses Add.
        SetFocus(GetDlgItem(dlg, plan_.ToAdd.empty() ? IDCANCEL : IDOK));
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_IMPORT_SHARED:
            choices_.AddDuplicates = IsDlgButtonChecked(dlg, IDC_IMPORT_SHARED) == BST_CHECKED;
            Plan(dlg);
            return TRUE;
        case IDOK:
            accepted_ = !plan_.ToAdd.empty();
            EndDialog(dlg, IDOK);
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

} // namespace lumora
