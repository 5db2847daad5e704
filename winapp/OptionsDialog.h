#pragma once
// The Options window: shows the values of OptionsForm and hands back what the user chose.
// Whether they may be kept is OptionsForm's to say; a refusal is shown and the window stays.
#include "editor/OptionsForm.h"
#include "platform/DesktopWindows.h"
#include "platform/ProcessQueries.h"
#include "platform/win32/Win32Api.h"
#include "winapp/WindowProcedure.h"

#include <functional>
#include <optional>
#include <vector>

namespace lumora {

class OptionsDialog {
public:
    // check: the verdict on the values when OK is chosen.
    using Check = std::function<OptionsFormResult(const OptionsFormValues&)>;

    // The open windows and their programs are asked of windows and processes when a list's
    // Add... is chosen.
    OptionsDialog(HINSTANCE instance, DesktopWindows& windows, ProcessQueries& processes)
        : instance_(instance), windows_(windows), processes_(processes) {}

    // Modal over owner. The values accepted by check when the user chose OK; nothing for Cancel.
    std::optional<OptionsFormResult> ShowModal(HWND owner, const OptionsFormValues& values,
                                               Check check);
    // Called with true when a shortcut field takes the focus and with false when it loses it
    // (or the window closes): Lumora's own global shortcuts are suspended meanwhile, or the
    // field could never see them pressed.
    void SetShortcutFieldFocus(std::function<void(bool)> changed) {
        shortcutFieldFocus_ = std::move(changed);
    }
    // The window is open (a second "Options..." only brings it to the front).
    bool IsOpen() const { return dialog_ != nullptr; }
    void Activate() const;

private:
    friend INT_PTR CALLBACK DialogProcedure<OptionsDialog>(HWND, UINT, WPARAM, LPARAM);
    const wchar_t* ErrorCaption() const { return L"Options"; }
    static LRESULT CALLBACK ShortcutFieldProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                              DWORD_PTR self);
    void ShortcutFieldFocus(bool focused);
    INT_PTR OnMessage(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
    void Fill(HWND dlg);
    OptionsFormValues Read(HWND dlg) const;
    void Browse(HWND dlg);
    // Add...: a program chosen among the open windows or with Browse... is left alone.
    void AddExcludedProgram(HWND dlg);
    // A program to add to a list that holds these already: nothing for Cancel. The console
    // windows are offered first when withConsole.
    std::optional<std::u16string> ChooseProgram(HWND dlg, const std::u16string& caption,
                                                const std::vector<std::u16string>& listed,
                                                bool withConsole);
    void RemoveProgram(HWND dlg);
    // The list of programs with their own method: the entries are kept in methods_, the list
    // box shows them, and the combo box below sets the method of the selected one.
    void FillMethods(HWND dlg, int select);
    void AddMethodProgram(HWND dlg);
    void RemoveMethodProgram(HWND dlg);
    void MethodSelected(HWND dlg);
    void MethodChosen(HWND dlg);
    void Ok(HWND dlg);

    HINSTANCE instance_;
    DesktopWindows& windows_;
    ProcessQueries& processes_;
    OptionsFormValues values_;
    std::vector<ProgramMethod> methods_;
    Check check_;
    std::optional<OptionsFormResult> result_;
    HWND dialog_ = nullptr;
    std::function<void(bool)> shortcutFieldFocus_;
    bool shortcutsSuspended_ = false;
};

} // namespace lumora
