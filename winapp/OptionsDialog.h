#pragma once
// The Options window: shows the values of OptionsForm and hands back what the user chose.
// Whether they may be kept is OptionsForm's to say; a refusal is shown and the window stays.
#include "editor/OptionsForm.h"
#include "platform/win32/Win32Api.h"

#include <functional>
#include <optional>
#include <vector>

namespace lumora {

class OptionsDialog {
public:
    // check: the verdict on the values when OK is chosen.
    using Check = std::function<OptionsFormResult(const OptionsFormValues&)>;

    explicit OptionsDialog(HINSTANCE instance) : instance_(instance) {}

    // Modal over owner. The values accepted by check when the user chose OK; nothing for Cancel.
    std::optional<OptionsFormResult> ShowModal(HWND owner, const OptionsFormValues& values,
                                               Check check);
    // The window is open (a second "Options..." only brings it to the front).
    bool IsOpen() const { return dialog_ != nullptr; }
    void Activate() const;

private:
    static INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
    INT_PTR OnMessage(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
    void Fill(HWND dlg);
    OptionsFormValues Read(HWND dlg) const;
    void Browse(HWND dlg);
    void AddRunningProgram(HWND dlg);
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
    OptionsFormValues values_;
    std::vector<ProgramMethod> methods_;
    Check check_;
    std::optional<OptionsFormResult> result_;
    HWND dialog_ = nullptr;
};

} // namespace lumora
