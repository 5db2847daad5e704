#pragma once
// The phrase list inside the main window: its toolbar, filter box, grid and status bar and their
// layout, the New item and Delete commands, showing the list and hiding it to the tray, and its
// size and column widths as lumora.ini keeps them.
#include "data/PhraseList.h"
#include "editor/PhraseEditor.h"
#include "platform/FileSystem.h"
#include "platform/win32/Win32Api.h"
#include "settings/SettingsFile.h"
#include "winapp/ImportReportDialog.h"
#include "winapp/PhraseGrid.h"

#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <type_traits>

namespace lumora {

class PhraseListWindow {
public:
    // The smallest outer size the window may be given.
    static constexpr int MinWidth = 300;
    static constexpr int MinHeight = 200;

    PhraseListWindow(PhraseList& rows, PhraseEditor& editor, PhraseGrid::ErrorHandler onError);
    PhraseListWindow(const PhraseListWindow&) = delete;
    PhraseListWindow& operator=(const PhraseListWindow&) = delete;
    ~PhraseListWindow();

    // Makes the toolbar, the filter box, the grid and the status bar inside window; false when
    // one could not be made.
    bool Create(HWND window, HINSTANCE instance);
    // Shows the window in front; the first time in the size kept in settings, centred.
    void Show(const Settings& settings);
    // Hides the window, and its taskbar button with it.
    void Hide();
    bool ShownOnce() const { return shownOnce_; }
    // settings with the window's size and column widths as they are now, at 96 dots per inch;
    // none while the window is minimized or has no size.
    std::optional<Settings> WithLayout(const Settings& settings) const;

    // WM_SIZE of the window (not minimized).
    void Layout();
    // WM_DPICHANGED of the window (and once when made): the toolbar's images in the size drawn
    // for the window's DPI, the filter box's font, and the layout.
    void ApplyDpi();
    void UpdateStatus();
    // New item (the toolbar, Ctrl+N, the intake's new-phrase shortcut); a full list says so.
    void NewPhrase(std::uint32_t maxPhrases);
    void DeletePhrase();
    // Import...: a file of another text expander (or Lumora's own, or CSV) is chosen and read,
    // its report shown, and on Add its phrases are appended; nothing changes otherwise.
    void ImportPhrases(AbbreviationIndex& index, FileSystem& files, std::uint32_t maxPhrases);
    // Export...: every phrase written as CSV where the user chooses.
    void ExportPhrases(FileSystem& files);
    // WM_CONTEXTMENU of the window: the grid's menu (New item, Delete, Import..., Export...).
    // False when the menu was not the grid's.
    bool ShowContextMenu(HWND from, LPARAM at);
    // WM_NOTIFY of the window: the grid's, and the toolbar's tooltips. True when handled.
    bool HandleNotify(const NMHDR& header, LRESULT& result);
    // WM_SETFOCUS of the window: the filter box if it had the focus when the window was left,
    // else the grid.
    void TakeFocus();
    // WM_ACTIVATE of the window, as it is left.
    void Deactivated();
    // WM_COMMAND of the window from the filter box; true when handled.
    bool HandleCommand(WPARAM wp, LPARAM lp);
    // Ctrl+F, Alt+F: the filter box takes the focus, its text selected.
    void FocusFilter();

    PhraseGrid& Grid() { return grid_; }
    const PhraseGrid& Grid() const { return grid_; }

private:
    static constexpr UINT_PTR FilterBoxSubclassId = 1;
    static constexpr UINT_PTR FilterTimerId = 1;

    void ApplyLayout(const Settings& settings);
    // The font of the filter box and its label for the window's DPI.
    void ApplyFilterFont();
    void ApplyToolbarImages();
    // The status bar's panels: what the editor says, how many phrases the filter shows (only
    // while it hides some), and that nothing is expanded meanwhile.
    void SetStatusParts();

    // The filter box's text changed: filtered at once, or once the keys stop in a long list.
    void QueryChanged();
    void ApplyFilter();
    // Empties the filter box and shows every phrase.
    void ClearFilter();
    // Down, Enter or Tab in the filter box: the grid, on its focused row or else the first.
    void FocusGridFromFilter();
    static LRESULT CALLBACK FilterBoxProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                          DWORD_PTR self);
    LRESULT OnFilterBoxMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp);

    std::optional<std::u16string> ChooseFile(bool save);

    PhraseList& rows_;
    PhraseEditor& editor_;
    PhraseGrid grid_;
    std::optional<ImportReportDialog> importReport_;
    HWND window_ = nullptr;
    HWND toolbar_ = nullptr;
    struct ImageListDeleter {
        void operator()(HIMAGELIST list) const { ImageList_Destroy(list); }
    };
    // The toolbar's images; the toolbar does not own them.
    std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDeleter> toolbarImages_;
    int toolbarImageSize_ = 0;
    HINSTANCE instance_ = nullptr;
    HWND statusBar_ = nullptr;
    HWND filterLabel_ = nullptr;
    HWND filterBox_ = nullptr;
    HFONT font_ = nullptr;
    UINT dpi_ = 0;
    bool filterDue_ = false;
    bool filterHadFocus_ = false;
    bool shownOnce_ = false;
};

} // namespace lumora
