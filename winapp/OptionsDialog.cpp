// The Options window: fills its controls from the form's values and reads the user's choice
// back, with the program lists' Add... (an open window or a program file) and the phrase file's
// browse box.
#include "winapp/OptionsDialog.h"

#include "editor/ProgramChoice.h"
#include "platform/Error.h"
#include "platform/win32/Win32Handles.h"
#include "winapp/ProgramPicker.h"
#include "winapp/WindowProcedure.h"
#include "winapp/resource.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <string>
#include <vector>

namespace lumora {

namespace {

std::u16string ItemText(HWND dlg, int id) {
    return WindowText(GetDlgItem(dlg, id));
}

} // namespace

std::optional<OptionsFormResult>
OptionsDialog::ShowModal(HWND owner, const OptionsFormValues& values, Check check) {
    values_ = values;
    check_ = std::move(check);
    result_.reset();
    DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_OPTIONS), owner, DialogProcedure<OptionsDialog>,
                    reinterpret_cast<LPARAM>(this));
    return std::move(result_);
}

LRESULT CALLBACK OptionsDialog::ShortcutFieldProc(HWND w, UINT msg, WPARAM wp, LPARAM lp,
                                                  UINT_PTR id, DWORD_PTR data) {
    auto* self = reinterpret_cast<OptionsDialog*>(data);
    if (msg == WM_SETFOCUS) self->ShortcutFieldFocus(true);
    if (msg == WM_KILLFOCUS) self->ShortcutFieldFocus(false);
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(w, ShortcutFieldProc, id);
    // The hot-key control passes Space on as a key it does not take, and the modifiers' release
    // then empties the field: the search window's own Ctrl+Alt+Space could not be entered, and
    // OK kept no shortcut at all. The field takes it here; a plain Space, like any plain key,
    // is refused by OK with the reason.
    if ((msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) && wp == VK_SPACE) {
        BYTE flags = 0;
        if (GetKeyState(VK_CONTROL) < 0) flags |= HOTKEYF_CONTROL;
        if (GetKeyState(VK_MENU) < 0) flags |= HOTKEYF_ALT;
        if (GetKeyState(VK_SHIFT) < 0) flags |= HOTKEYF_SHIFT;
        SendMessageW(w, HKM_SETHOTKEY, MAKEWORD(VK_SPACE, flags), 0);
        return 0;
    }
    // Alt+Space is a key for the field, not the window menu (Wine's hotkey control passes
    // the character on, and the default turns it into the menu).
    if (msg == WM_SYSCHAR) return 0;
    return DefSubclassProc(w, msg, wp, lp);
}

void OptionsDialog::ShortcutFieldFocus(bool focused) {
    if (focused == shortcutsSuspended_) return;
    shortcutsSuspended_ = focused;
    // Nothing may leave a window procedure; a shortcut not restored is said by the caller.
    try {
        if (shortcutFieldFocus_) shortcutFieldFocus_(focused);
    } catch (...) {
    }
}

void OptionsDialog::Activate() const {
    if (dialog_) SetForegroundWindow(dialog_);
}

INT_PTR OptionsDialog::OnMessage(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        dialog_ = dlg;
        Fill(dlg);
        return TRUE;
    case WM_DESTROY:
        ShortcutFieldFocus(false);
        dialog_ = nullptr;
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDOK:
            Ok(dlg);
            return TRUE;
        case IDCANCEL:
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        case IDC_OPT_NOLIMIT:
            EnableWindow(GetDlgItem(dlg, IDC_OPT_MAXPHRASES),
                         IsDlgButtonChecked(dlg, IDC_OPT_NOLIMIT) != BST_CHECKED);
            return TRUE;
        case IDC_OPT_BROWSE:
            Browse(dlg);
            return TRUE;
        case IDC_OPT_ADD:
            AddExcludedProgram(dlg);
            return TRUE;
        case IDC_OPT_REMOVE:
            RemoveProgram(dlg);
            return TRUE;
        case IDC_OPT_METHOD_ADD:
            AddMethodProgram(dlg);
            return TRUE;
        case IDC_OPT_METHOD_REMOVE:
            RemoveMethodProgram(dlg);
            return TRUE;
        case IDC_OPT_METHODS:
            if (HIWORD(wp) == LBN_SELCHANGE) MethodSelected(dlg);
            return TRUE;
        case IDC_OPT_METHOD:
            if (HIWORD(wp) == CBN_SELCHANGE) MethodChosen(dlg);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

void OptionsDialog::Fill(HWND dlg) {
    HWND mode = GetDlgItem(dlg, IDC_OPT_MODE);
    for (const ExpansionModeChoice& choice : ExpansionModeChoices) {
        const std::u16string name(choice.Name);
        SendMessageW(mode, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WidePtr(name)));
    }
    SendMessageW(mode, CB_SETCURSEL, values_.ModeChoice, 0);
    SetDlgItemTextW(dlg, IDC_OPT_MAXPHRASES, WidePtr(values_.MaxPhrases));
    CheckDlgButton(dlg, IDC_OPT_NOLIMIT, values_.NoLimit ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dlg, IDC_OPT_MAXPHRASES), !values_.NoLimit);
    SetDlgItemTextW(dlg, IDC_OPT_PHRASEFILE, WidePtr(values_.PhraseFile));
    HWND list = GetDlgItem(dlg, IDC_OPT_EXCLUDED);
    // Room for all at once and one redraw at the end: a long list fills in one pass.
    SendMessageW(list, LB_INITSTORAGE, values_.ExcludedPrograms.size(),
                 values_.ExcludedPrograms.size() * 32);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    for (const std::u16string& name : values_.ExcludedPrograms)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WidePtr(name)));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    const std::pair<int, const Shortcut*> shortcuts[] = {{IDC_OPT_PAUSE, &values_.PauseShortcut},
                                                         {IDC_OPT_SEARCH, &values_.SearchShortcut}};
    for (const auto& [id, shortcut] : shortcuts) {
        HWND control = GetDlgItem(dlg, id);
        // A plain key is taken as typed, and OK refuses it with the reason: turned silently
        // into Ctrl+Alt with it, it was a shortcut the user never chose.
        SendMessageW(control, HKM_SETRULES, 0, 0);
        SendMessageW(control, HKM_SETHOTKEY, HotKeyValueOf(*shortcut), 0);
        SetWindowSubclass(control, ShortcutFieldProc, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    CheckDlgButton(dlg, IDC_OPT_SIGNIN, values_.StartAtSignIn ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_OPT_FOLLOWCASE, values_.FollowCase ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_OPT_UNDO, values_.UndoWithBackspace ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemTextW(dlg, IDC_OPT_PASTEABOVE, WidePtr(values_.PasteAbove));
    HWND method = GetDlgItem(dlg, IDC_OPT_METHOD);
    for (const OutputMethodChoice& choice : OutputMethodChoices) {
        const std::u16string name(choice.Name);
        SendMessageW(method, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WidePtr(name)));
    }
    methods_ = values_.ProgramMethods;
    FillMethods(dlg, methods_.empty() ? -1 : 0);
}

void OptionsDialog::FillMethods(HWND dlg, int select) {
    HWND list = GetDlgItem(dlg, IDC_OPT_METHODS);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const ProgramMethod& entry : methods_) {
        const std::u16string label = ProgramMethodLabel(entry);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WidePtr(label)));
    }
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(select), 0);
    MethodSelected(dlg);
}

void OptionsDialog::MethodSelected(HWND dlg) {
    const auto at = static_cast<int>(SendDlgItemMessageW(dlg, IDC_OPT_METHODS, LB_GETCURSEL, 0, 0));
    const bool chosen = at >= 0 && static_cast<std::size_t>(at) < methods_.size();
    EnableWindow(GetDlgItem(dlg, IDC_OPT_METHOD), chosen);
    SendDlgItemMessageW(dlg, IDC_OPT_METHOD, CB_SETCURSEL,
                        chosen ? OutputMethodChoiceOf(methods_[static_cast<std::size_t>(at)].Method)
                               : static_cast<WPARAM>(-1),
                        0);
}

void OptionsDialog::MethodChosen(HWND dlg) {
    const auto at = static_cast<int>(SendDlgItemMessageW(dlg, IDC_OPT_METHODS, LB_GETCURSEL, 0, 0));
    const auto choice =
        static_cast<int>(SendDlgItemMessageW(dlg, IDC_OPT_METHOD, CB_GETCURSEL, 0, 0));
    if (at < 0 || static_cast<std::size_t>(at) >= methods_.size() || choice < 0 ||
        static_cast<std::size_t>(choice) >= OutputMethodChoices.size())
        return;
    methods_[static_cast<std::size_t>(at)].Method =
        OutputMethodChoices[static_cast<std::size_t>(choice)].Method;
    FillMethods(dlg, at);
}

void OptionsDialog::AddMethodProgram(HWND dlg) {
    std::vector<std::u16string> listed;
    for (const ProgramMethod& entry : methods_)
        listed.push_back(entry.Program);
    const bool consoleListed = FindProgram(listed, ConsoleWindows).has_value();
    const std::optional<std::u16string> chosen =
        ChooseProgram(dlg, u"Add a program with its own way", listed, !consoleListed);
    if (!chosen) return;
    // A program listed already is shown, not added twice.
    if (const std::optional<std::size_t> at = FindProgram(listed, *chosen)) {
        FillMethods(dlg, static_cast<int>(*at));
        return;
    }
    // A program is added because it needs its own way; pasting is the usual one.
    methods_.push_back({*chosen, OutputMethod::Paste});
    FillMethods(dlg, static_cast<int>(methods_.size()) - 1);
}

void OptionsDialog::RemoveMethodProgram(HWND dlg) {
    const auto at = static_cast<int>(SendDlgItemMessageW(dlg, IDC_OPT_METHODS, LB_GETCURSEL, 0, 0));
    if (at < 0 || static_cast<std::size_t>(at) >= methods_.size()) return;
    methods_.erase(methods_.begin() + at);
    FillMethods(dlg, methods_.empty() ? -1 : std::min(at, static_cast<int>(methods_.size()) - 1));
}

OptionsFormValues OptionsDialog::Read(HWND dlg) const {
    OptionsFormValues values;
    const LRESULT mode = SendDlgItemMessageW(dlg, IDC_OPT_MODE, CB_GETCURSEL, 0, 0);
    values.ModeChoice = mode >= 0 ? static_cast<std::size_t>(mode) : values_.ModeChoice;
    values.MaxPhrases = ItemText(dlg, IDC_OPT_MAXPHRASES);
    values.NoLimit = IsDlgButtonChecked(dlg, IDC_OPT_NOLIMIT) == BST_CHECKED;
    values.PhraseFile = ItemText(dlg, IDC_OPT_PHRASEFILE);
    HWND list = GetDlgItem(dlg, IDC_OPT_EXCLUDED);
    const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const auto n = static_cast<int>(SendMessageW(list, LB_GETTEXTLEN, i, 0));
        std::wstring name(static_cast<std::size_t>(std::max(n, 0)) + 1, L'\0');
        const auto got = static_cast<int>(
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(name.data())));
        name.resize(static_cast<std::size_t>(std::max(got, 0)));
        values.ExcludedPrograms.push_back(FromWide(name));
    }
    values.PauseShortcut = ShortcutOfHotKeyValue(
        static_cast<std::uint16_t>(SendDlgItemMessageW(dlg, IDC_OPT_PAUSE, HKM_GETHOTKEY, 0, 0)));
    values.SearchShortcut = ShortcutOfHotKeyValue(
        static_cast<std::uint16_t>(SendDlgItemMessageW(dlg, IDC_OPT_SEARCH, HKM_GETHOTKEY, 0, 0)));
    values.StartAtSignIn = IsDlgButtonChecked(dlg, IDC_OPT_SIGNIN) == BST_CHECKED;
    values.FollowCase = IsDlgButtonChecked(dlg, IDC_OPT_FOLLOWCASE) == BST_CHECKED;
    values.UndoWithBackspace = IsDlgButtonChecked(dlg, IDC_OPT_UNDO) == BST_CHECKED;
    values.PasteAbove = ItemText(dlg, IDC_OPT_PASTEABOVE);
    values.ProgramMethods = methods_;
    return values;
}

void OptionsDialog::Browse(HWND dlg) {
    std::wstring file(MAX_PATH * 4, L'\0');
    const std::u16string current = ItemText(dlg, IDC_OPT_PHRASEFILE);
    if (current.size() < file.size()) std::copy(current.begin(), current.end(), file.begin());
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dlg;
    ofn.lpstrFilter = L"Phrase files (*.lmx)\0*.lmx\0All files\0*.*\0";
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = L"lmx";
    ofn.lpstrTitle = L"Keep the phrases in";
    // A file that does not exist yet is allowed: the phrases can be moved into it.
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&ofn)) return;
    file.resize(wcsnlen(file.c_str(), file.size()));
    SetDlgItemTextW(dlg, IDC_OPT_PHRASEFILE, file.c_str());
}

std::optional<std::u16string>
OptionsDialog::ChooseProgram(HWND dlg, const std::u16string& caption,
                             const std::vector<std::u16string>& listed, bool withConsole) {
    std::vector<ProgramPicker::Row> rows;
    if (withConsole) rows.push_back({u"Console windows", u"", std::u16string(ConsoleWindows), 0});
    for (WindowOffer& w :
         WindowsToOffer(windows_, processes_, listed, ProgramPicker::IconSize(dlg)))
        rows.push_back({std::move(w.Title), w.Program, w.Program, w.Icon});
    return ProgramPicker(instance_).Choose(dlg, caption, rows);
}

void OptionsDialog::AddExcludedProgram(HWND dlg) {
    const std::vector<std::u16string> listed = Read(dlg).ExcludedPrograms;
    const std::optional<std::u16string> chosen =
        ChooseProgram(dlg, u"Leave a program alone", listed, false);
    if (!chosen) return;
    HWND list = GetDlgItem(dlg, IDC_OPT_EXCLUDED);
    // A program listed already (chosen with Browse...) is shown, not added twice.
    const std::optional<std::size_t> listedAt = FindProgram(listed, *chosen);
    const auto at =
        listedAt ? static_cast<LRESULT>(*listedAt)
                 : SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WidePtr(*chosen)));
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(at), 0);
    SetFocus(list);
}

void OptionsDialog::RemoveProgram(HWND dlg) {
    HWND list = GetDlgItem(dlg, IDC_OPT_EXCLUDED);
    const auto at = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
    if (at < 0) return;
    SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(at), 0);
    const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    if (count > 0)
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(std::min(at, count - 1)), 0);
}

void OptionsDialog::Ok(HWND dlg) {
    OptionsFormResult result = check_(Read(dlg));
    if (!result.Ok()) {
        MessageBoxW(dlg, WidePtr(result.Error), L"Options", MB_OK | MB_ICONWARNING);
        int field = 0;
        switch (result.ErrorField) {
        case OptionsField::MaxPhrases:
            field = IDC_OPT_MAXPHRASES;
            break;
        case OptionsField::PhraseFile:
            field = IDC_OPT_PHRASEFILE;
            break;
        case OptionsField::PauseShortcut:
            field = IDC_OPT_PAUSE;
            break;
        case OptionsField::SearchShortcut:
            field = IDC_OPT_SEARCH;
            break;
        case OptionsField::PasteAbove:
            field = IDC_OPT_PASTEABOVE;
            break;
        case OptionsField::None:
            break;
        }
        if (field)
            SendMessageW(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dlg, field)),
                         TRUE);
        return;
    }
    result_ = std::move(result);
    EndDialog(dlg, IDOK);
}

} // namespace lumora
