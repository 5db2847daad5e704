#pragma once
// The import report before anything changes: what will be added, what is left out and why,
// and the choice whether abbreviations the list holds already come in as shared rows.
#include "exchange/PhraseImport.h"
#include "platform/win32/Win32Api.h"
#include "winapp/WindowProcedure.h"

#include <optional>

namespace lumora {

class ImportReportDialog {
public:
    explicit ImportReportDialog(HINSTANCE instance) : instance_(instance) {}

    // Modal over owner. The plan the user accepted ("Add"); nothing for Cancel.
    std::optional<ImportPlan> ShowModal(HWND owner, const ImportedFile& file,
                                        const PhraseList& rows, ImportChoices choices);

private:
    friend INT_PTR CALLBACK DialogProcedure<ImportReportDialog>(HWND, UINT, WPARAM, LPARAM);
    const wchar_t* ErrorCaption() const { return L"Import phrases"; }
    INT_PTR OnMessage(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
    void Plan(HWND dlg);

    HINSTANCE instance_;
    const ImportedFile* file_ = nullptr;
    const PhraseList* rows_ = nullptr;
    ImportChoices choices_;
    ImportPlan plan_;
    bool accepted_ = false;
};

} // namespace lumora
