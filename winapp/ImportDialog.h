#pragma once
// "Import from a backup...": the copies beside the phrase file in a list, one to choose. Which
// copies there are and what importing one does is editor/BackupImport's.
#include "platform/win32/Win32Api.h"

#include <optional>
#include <string>
#include <vector>

namespace lumora {

class ImportDialog {
public:
    explicit ImportDialog(HINSTANCE instance) : instance_(instance) {}

    // Modal over owner, one line per copy (name, date and counts, separated by tabs); the
    // index of the line chosen with Import, nothing for Cancel.
    std::optional<std::size_t> ShowModal(HWND owner, const std::vector<std::u16string>& lines);

private:
    static INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);

    HINSTANCE instance_;
    const std::vector<std::u16string>* lines_ = nullptr;
    std::optional<std::size_t> chosen_;
};

} // namespace lumora
