#pragma once
// "Add..." beside a list of programs: the open windows by their titles and icons, with their
// programs' names, and Browse... for a program that is not running.
#include "platform/DesktopWindows.h"
#include "platform/win32/Win32Api.h"
#include "winapp/WindowProcedure.h"

#include <optional>
#include <string>
#include <vector>

namespace lumora {

class ProgramPicker {
public:
    struct Row {
        std::u16string Title;   // the window's title, or what the row stands for
        std::u16string Program; // the program's name shown beside it
        std::u16string Value;   // what choosing the row adds
        IconHandle Icon = 0;    // 0: the system's icon for programs
    };

    explicit ProgramPicker(HINSTANCE instance) : instance_(instance) {}

    // Modal over owner: the value of the chosen row or the file name of the program chosen
    // with Browse...; nothing for Cancel.
    std::optional<std::u16string> Choose(HWND owner, const std::u16string& caption,
                                         const std::vector<Row>& rows);

    // The size in pixels of the list's icons in a window of owner's DPI.
    static int IconSize(HWND owner);

private:
    friend INT_PTR CALLBACK DialogProcedure<ProgramPicker>(HWND, UINT, WPARAM, LPARAM);
    const wchar_t* ErrorCaption() const;
    INT_PTR OnMessage(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
    void Fill(HWND dlg);
    void Browse(HWND dlg);

    HINSTANCE instance_;
    const std::u16string* caption_ = nullptr;
    const std::vector<Row>* rows_ = nullptr;
    std::optional<std::u16string> chosen_;
};

} // namespace lumora
