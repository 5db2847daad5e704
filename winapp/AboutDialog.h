#pragma once
#include "platform/win32/Win32Api.h"

#include <string>

namespace lumora {

// TAbout: the modal About dialog with NameLabel, the "Homepage:" label and HyperLabel.
class TAbout {
public:
    TAbout(HINSTANCE instance, std::u16string homepage)
        : fInstance(instance), fHomepage(std::move(homepage)) {}

    // Shows the dialog modally over owner, centred on it, with NameLabel set to name.
    void ShowModal(HWND owner, const std::u16string& name);
    // Opens the homepage with the shell's default action.
    void HyperLabelClick();

private:
    static INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
    void Layout(HWND dlg, HWND owner);

    HINSTANCE fInstance;
    std::u16string fHomepage;
    std::u16string fName;
};

} // namespace lumora
