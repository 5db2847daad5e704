#pragma once
// The modal About dialog: the program's name and version and a link to its homepage.
#include "platform/win32/Win32Api.h"

#include <string>

namespace lumora {

// AboutDialog: the modal About dialog with NameLabel, the "Homepage:" label and HyperLabel.
class AboutDialog {
public:
    AboutDialog(HINSTANCE instance, std::u16string homepage)
        : instance_(instance), homepage_(std::move(homepage)) {}

    // Shows the dialog modally over owner, centred on it, with NameLabel set to name.
    void ShowModal(HWND owner, const std::u16string& name);
    // Opens the homepage with the shell's default action.
    void HyperLabelClick();

private:
    static INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
    void Layout(HWND dlg, HWND owner);

    HINSTANCE instance_;
    std::u16string homepage_;
    std::u16string name_;
};

} // namespace lumora
