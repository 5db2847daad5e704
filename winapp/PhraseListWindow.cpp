// The phrase list inside the main window: toolbar, grid, status bar, showing and hiding.
#include "winapp/PhraseListWindow.h"

#include "editor/PhraseSearch.h"
#include "platform/win32/Win32Handles.h"
#include "winapp/WindowProcedure.h"
#include "winapp/resource.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <utility>

namespace lumora {

namespace {

constexpr int IDC_TOOLBAR = 200;
constexpr int IDC_PHRASE_GRID = 201;
constexpr int IDC_STATUS_BAR = 202;
constexpr int IDC_FILTER_LABEL = 203;
constexpr int IDC_FILTER_BOX = 204;

// The filter strip under the toolbar, at 96 DPI (scaled to the window's).
constexpr int FilterMargin = 4;
constexpr int FilterBoxHeight = 23;
constexpr int FilterBoxMaxWidth = 360;
constexpr wchar_t FilterLabelText[] = L"&Filter:";
// Shown in the empty box: what it finds, and how to reach it.
constexpr wchar_t FilterCueText[] = L"Filter phrases by abbreviation or text (Ctrl+F)";
// New item, Delete, About, Options, Import from a backup, Import, Export.
constexpr int ToolbarImageCount = 7;

int WindowDpi(HWND w) {
    const UINT dpi = GetDpiForWindow(w);
    return dpi ? static_cast<int>(dpi) : 96;
}

// The system's font for dialogs, at that DPI.
HFONT MessageFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        return nullptr;
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

// How wide a text is in a window's font.
int TextWidth(HWND w, const std::u16string& text) {
    HDC dc = GetDC(w);
    if (!dc) return 0;
    SIZE extent{};
    const auto font = reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0));
    const HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    GetTextExtentPoint32W(dc, WidePtr(text), static_cast<int>(text.size()), &extent);
    if (old) SelectObject(dc, old);
    ReleaseDC(w, dc);
    return extent.cx;
}

// The toolbar's images come in 16, 24 and 32 pixels (96, 144 and 192 DPI); a DPI in between
// takes the nearest, the larger one at a tie (20 pixels at 120 DPI take 24).
int ToolbarImageSize(int dpi) {
    const int wanted = MulDiv(16, dpi, 96);
    return wanted < 20 ? 16 : wanted < 28 ? 24 : 32;
}

// The images of one size, from the strip of that size among the resources; null when the strip
// cannot be loaded.
HIMAGELIST LoadToolbarImages(HINSTANCE instance, int size) {
    const int id = size == 16 ? IDB_TOOLBAR_16 : size == 24 ? IDB_TOOLBAR_24 : IDB_TOOLBAR_32;
    // A DIB section keeps the strip's alpha channel, which the image list draws with.
    const auto strip = static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!strip) return nullptr;
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32, ToolbarImageCount, 0);
    if (list && ImageList_Add(list, strip, nullptr) < 0) {
        ImageList_Destroy(list);
        list = nullptr;
    }
    DeleteObject(strip);
    return list;
}

} // namespace

PhraseListWindow::PhraseListWindow(PhraseList& rows, PhraseEditor& editor,
                                   PhraseGrid::ErrorHandler onError)
    : rows_(rows), editor_(editor), grid_(rows, editor, std::move(onError)) {}

PhraseListWindow::~PhraseListWindow() {
    if (filterBox_) RemoveWindowSubclass(filterBox_, FilterBoxProc, FilterBoxSubclassId);
    if (font_) DeleteObject(font_);
}

bool PhraseListWindow::Create(HWND window, HINSTANCE instance) {
    window_ = window;
    instance_ = instance;
    importReport_.emplace(instance);
    toolbar_ = CreateWindowExW(
        0, TOOLBARCLASSNAMEW, nullptr,
        WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP, 0, 0, 0, 0, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TOOLBAR)), instance, nullptr);
    if (!toolbar_) return false;
    SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    // Our own images (make-toolbar-images.py), in the strips' order.
    TBBUTTON buttons[] = {
        {0, static_cast<int>(IDM_NEW_ITEM), TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {1, static_cast<int>(IDM_DELETE), TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {2, static_cast<int>(IDM_ABOUT), TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {3, static_cast<int>(IDM_OPTIONS), TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {4, static_cast<int>(IDM_IMPORT_BACKUP), TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {0, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0, 0},
        {5, static_cast<int>(IDM_IMPORT), TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {6, static_cast<int>(IDM_EXPORT), TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
    };
    static_assert(ARRAYSIZE(buttons) == ToolbarImageCount + 1);
    SendMessageW(toolbar_, TB_ADDBUTTONSW, ARRAYSIZE(buttons), reinterpret_cast<LPARAM>(buttons));
    ApplyDpi();

    statusBar_ = CreateWindowExW(
        0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS_BAR)), instance, nullptr);
    if (!statusBar_) return false;
    // Above the grid: a box that narrows the grid to the phrases holding its words.
    filterLabel_ = CreateWindowExW(
        0, L"STATIC", FilterLabelText, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE, 0, 0, 0, 0,
        window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FILTER_LABEL)), instance,
        nullptr);
    filterBox_ = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0,
        0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FILTER_BOX)), instance,
        nullptr);
    if (!filterLabel_ || !filterBox_) return false;
    SendMessageW(filterBox_, EM_LIMITTEXT, SearchQueryLimit, 0);
    // Shown also while the box has the focus, until something is typed.
    SendMessageW(filterBox_, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(FilterCueText));
    SetWindowSubclass(filterBox_, FilterBoxProc, FilterBoxSubclassId,
                      reinterpret_cast<DWORD_PTR>(this));
    if (!grid_.Create(window_, instance, IDC_PHRASE_GRID)) return false;
    grid_.SetStatusListener([this] { UpdateStatus(); });
    grid_.SetFilterKeyListener([this] { FocusFilter(); });
    ApplyDpi();
    UpdateStatus();
    return true;
}

void PhraseListWindow::ApplyDpi() {
    ApplyFilterFont();
    ApplyToolbarImages();
    Layout();
}

void PhraseListWindow::ApplyToolbarImages() {
    if (!toolbar_) return;
    const int size = ToolbarImageSize(WindowDpi(window_));
    if (size == toolbarImageSize_) return;
    HIMAGELIST images = LoadToolbarImages(instance_, size);
    if (!images) return; // the buttons keep the images they have
    SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    toolbarImages_.reset(images);
    toolbarImageSize_ = size;
    // The buttons grow with their images; the padding is the toolbar's own.
    const auto padding = static_cast<DWORD>(SendMessageW(toolbar_, TB_GETPADDING, 0, 0));
    SendMessageW(toolbar_, TB_SETBUTTONSIZE, 0,
                 MAKELPARAM(size + LOWORD(padding), size + HIWORD(padding)));
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
}

void PhraseListWindow::UpdateStatus() {
    if (!statusBar_) return;
    SetStatusParts();
    SendMessageW(statusBar_, SB_SETTEXTW, 0,
                 reinterpret_cast<LPARAM>(WidePtr(editor_.StatusText())));
    static const std::u16string listShown(ListShownStatusText);
    const std::u16string shown = editor_.Filter().ShownText();
    int part = 1;
    if (!shown.empty())
        SendMessageW(statusBar_, SB_SETTEXTW, part++, reinterpret_cast<LPARAM>(WidePtr(shown)));
    SendMessageW(statusBar_, SB_SETTEXTW, part, reinterpret_cast<LPARAM>(WidePtr(listShown)));
}

void PhraseListWindow::SetStatusParts() {
    RECT client{};
    GetClientRect(window_, &client);
    // On the right: how many phrases the filter shows, and that nothing is expanded meanwhile.
    static const std::u16string listShown(ListShownStatusText);
    const std::u16string shown = editor_.Filter().ShownText();
    const int pad = MulDiv(32, WindowDpi(window_), 96);
    int parts[3];
    int count = 0;
    const int last = std::max<int>(0, client.right - TextWidth(statusBar_, listShown) - pad);
    if (!shown.empty())
        parts[count++] = std::max<int>(0, last - TextWidth(statusBar_, shown) - pad);
    parts[count++] = last;
    parts[count++] = -1;
    SendMessageW(statusBar_, SB_SETPARTS, count, reinterpret_cast<LPARAM>(parts));
}

void PhraseListWindow::ApplyFilterFont() {
    if (!filterBox_) return;
    dpi_ = static_cast<UINT>(WindowDpi(window_));
    HFONT font = MessageFont(dpi_);
    if (!font) return;
    for (HWND control : {filterLabel_, filterBox_})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (font_) DeleteObject(font_);
    font_ = font;
}

void PhraseListWindow::Layout() {
    if (!toolbar_ || !statusBar_ || !grid_.Handle()) return;
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
    SendMessageW(statusBar_, WM_SIZE, 0, 0);
    RECT client{}, bar{}, status{};
    GetClientRect(window_, &client);
    SetStatusParts();
    GetWindowRect(toolbar_, &bar);
    GetWindowRect(statusBar_, &status);
    int top = bar.bottom - bar.top;
    // The filter strip: its label, then the box, as tall as the font asks at this DPI.
    const int dpi = WindowDpi(window_);
    const int margin = MulDiv(FilterMargin, dpi, 96);
    const int boxHeight = MulDiv(FilterBoxHeight, dpi, 96);
    const int labelWidth = TextWidth(filterLabel_, u"Filter:") + margin;
    MoveWindow(filterLabel_, margin, top + margin, labelWidth, boxHeight, TRUE);
    const int boxLeft = margin + labelWidth + margin;
    const int boxWidth =
        std::min<int>(MulDiv(FilterBoxMaxWidth, dpi, 96), client.right - boxLeft - margin);
    MoveWindow(filterBox_, boxLeft, top + margin, std::max(0, boxWidth), boxHeight, TRUE);
    top += boxHeight + 2 * margin;
    const int bottom = client.bottom - (status.bottom - status.top);
    MoveWindow(grid_.Handle(), 0, top, client.right, std::max(0, bottom - top), TRUE);
}

bool PhraseListWindow::HandleNotify(const NMHDR& header, LRESULT& result) {
    if (grid_.HandleNotify(header, result)) return true;
    if (header.code != TTN_GETDISPINFOW) return false;
    // The toolbar's buttons have no captions; their names are the tooltips.
    auto& tip = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
    switch (tip.hdr.idFrom) {
    case IDM_NEW_ITEM:
        tip.lpszText = const_cast<wchar_t*>(L"New item");
        break;
    case IDM_DELETE:
        tip.lpszText = const_cast<wchar_t*>(L"Delete");
        break;
    case IDM_ABOUT:
        tip.lpszText = const_cast<wchar_t*>(L"About");
        break;
    case IDM_OPTIONS:
        tip.lpszText = const_cast<wchar_t*>(L"Options");
        break;
    case IDM_IMPORT:
        tip.lpszText = const_cast<wchar_t*>(L"Import...");
        break;
    case IDM_EXPORT:
        tip.lpszText = const_cast<wchar_t*>(L"Export...");
        break;
    case IDM_IMPORT_BACKUP:
        tip.lpszText = const_cast<wchar_t*>(L"Import from a backup...");
        break;
    default:
        break;
    }
    result = 0;
    return true;
}

void PhraseListWindow::TakeFocus() {
    if (std::exchange(filterHadFocus_, false) && filterBox_)
        SetFocus(filterBox_);
    else if (grid_.Handle())
        SetFocus(grid_.Handle());
}

void PhraseListWindow::Deactivated() {
    filterHadFocus_ = filterBox_ && GetFocus() == filterBox_;
}

// --- the filter box --------------------------------------------------------------------------

bool PhraseListWindow::HandleCommand(WPARAM wp, LPARAM lp) {
    if (!filterBox_ || reinterpret_cast<HWND>(lp) != filterBox_) return false;
    if (HIWORD(wp) == EN_CHANGE) QueryChanged();
    return true;
}

void PhraseListWindow::FocusFilter() {
    if (!filterBox_ || !IsWindowVisible(window_)) return;
    SetFocus(filterBox_);
    SendMessageW(filterBox_, EM_SETSEL, 0, -1);
}

void PhraseListWindow::QueryChanged() {
    if (rows_.Count() <= FilterAtOnceUpTo) {
        ApplyFilter();
        return;
    }
    // Started again by every key: the grid is filled once they stop.
    SetTimer(filterBox_, FilterTimerId, FilterDelayMs, nullptr);
    filterDue_ = true;
}

void PhraseListWindow::ApplyFilter() {
    if (std::exchange(filterDue_, false)) KillTimer(filterBox_, FilterTimerId);
    // What is typed in a cell counts first, on the row it was typed in.
    grid_.AcceptEdit();
    editor_.FilterBy(WindowText(filterBox_));
    // The list view keeps its scroll position as its count changes: with no row focused to
    // show, the first line is brought into view rather than an empty space past the last.
    if (!grid_.FocusedRow() && editor_.Filter().LineCount() > 0)
        SendMessageW(grid_.Handle(), LVM_ENSUREVISIBLE, 0, FALSE);
    UpdateStatus();
}

void PhraseListWindow::ClearFilter() {
    if (!filterBox_) return;
    if (GetWindowTextLengthW(filterBox_) > 0) SetWindowTextW(filterBox_, L"");
    if (filterDue_ || editor_.Filter().Filtered()) ApplyFilter();
}

void PhraseListWindow::FocusGridFromFilter() {
    if (filterDue_) ApplyFilter();
    if (!grid_.FocusedRow()) {
        if (const std::optional<std::size_t> first = editor_.Filter().PhraseAt(0))
            editor_.FocusRow(*first);
    }
    TakeFocus();
}

LRESULT CALLBACK PhraseListWindow::FilterBoxProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                                 DWORD_PTR self) {
    auto* window = reinterpret_cast<PhraseListWindow*>(self);
    return GuardedHandler([&] { return window->OnFilterBoxMessage(w, msg, wp, lp); },
                          [window](std::exception_ptr e) { window->grid_.ShowError(e); });
}

LRESULT PhraseListWindow::OnFilterBoxMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_KEYDOWN:
        switch (wp) {
        case VK_ESCAPE:
            // Esc empties the box; in an empty box it goes back to the grid.
            if (GetWindowTextLengthW(w) > 0)
                ClearFilter();
            else
                FocusGridFromFilter();
            return 0;
        case VK_DOWN:
        case VK_RETURN:
        case VK_TAB:
            FocusGridFromFilter();
            return 0;
        default:
            break;
        }
        break;
    case WM_CHAR:
        // Handled as keys above; a one-line box would beep at them.
        if (wp == 0x1B || wp == L'\r' || wp == L'\t') return 0;
        break;
    case WM_SYSCHAR:
        if (wp == L'f' || wp == L'F') return 0; // Alt+F: here already
        break;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | DefSubclassProc(w, msg, wp, lp);
    case WM_TIMER:
        if (wp == FilterTimerId) {
            if (filterDue_) ApplyFilter();
            return 0;
        }
        break;
    case WM_KILLFOCUS:
        // Leaving the box for the grid: what it holds is the grid's before any key there.
        if (filterDue_) ApplyFilter();
        break;
    case WM_NCDESTROY:
        KillTimer(w, FilterTimerId);
        RemoveWindowSubclass(w, FilterBoxProc, FilterBoxSubclassId);
        filterBox_ = nullptr;
        break;
    default:
        break;
    }
    return DefSubclassProc(w, msg, wp, lp);
}

void PhraseListWindow::NewPhrase(std::uint32_t maxPhrases) {
    // A query still waiting for the keys to stop is applied first: the lines must not change
    // under the new row's open cell.
    if (filterDue_) ApplyFilter();
    // What is being typed into a cell counts first: an abbreviation typed into a new row
    // makes that row no longer the empty one to reuse.
    grid_.AcceptEdit();
    if (editor_.NewPhrase() == NewPhraseOutcome::ListFull) {
        UpdateStatus();
        MessageBoxW(window_, WidePtr(ListFullMessage(maxPhrases)), L"Lumora",
                    MB_OK | MB_ICONINFORMATION);
    }
}

void PhraseListWindow::DeletePhrase() {
    if (filterDue_) ApplyFilter();
    // Delete while a new row is still empty removes that row, and no other.
    if (grid_.AcceptEdit()) return;
    editor_.DeletePhrase();
}

namespace {

// A popup menu destroyed on every path.
struct PopupMenu {
    HMENU Menu = CreatePopupMenu();
    ~PopupMenu() {
        if (Menu) DestroyMenu(Menu);
    }
};

} // namespace

bool PhraseListWindow::ShowContextMenu(HWND from, LPARAM at) {
    if (!grid_.Handle() || from != grid_.Handle()) return false;
    POINT pt{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    if (at == -1) {
        // From the keyboard (Shift+F10, the menu key): under the focused row, or the grid's corner.
        RECT r{};
        GetWindowRect(grid_.Handle(), &r);
        pt = POINT{r.left + 20, r.top + 40};
    }
    PopupMenu menu;
    if (!menu.Menu) return true;
    AppendMenuW(menu.Menu, MF_STRING, IDM_NEW_ITEM, L"&New item\tCtrl+N");
    AppendMenuW(menu.Menu, MF_STRING, IDM_DELETE, L"D&elete\tDel");
    AppendMenuW(menu.Menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.Menu, MF_STRING, IDM_IMPORT, L"&Import...");
    AppendMenuW(menu.Menu, MF_STRING, IDM_EXPORT, L"E&xport...");
    // The chosen command arrives as WM_COMMAND, like the toolbar's.
    TrackPopupMenu(menu.Menu, TPM_RIGHTBUTTON, pt.x, pt.y, 0, window_, nullptr);
    return true;
}

std::optional<std::u16string> PhraseListWindow::ChooseFile(bool save) {
    std::wstring name(32768, L'\0');
    if (save) wcscpy(name.data(), L"phrases.csv");
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = window_;
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    if (save) {
        ofn.lpstrFilter = L"CSV (*.csv)\0*.csv\0";
        ofn.lpstrDefExt = L"csv";
        ofn.lpstrTitle = L"Export phrases";
        ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
        if (!GetSaveFileNameW(&ofn)) return std::nullopt;
    } else {
        ofn.lpstrFilter =
            L"Phrases of text expanders\0*.yml;*.yaml;*.json;*.csv;*.ahk;*.lmx;*.bak;*.jsonl\0"
            L"espanso match files (*.yml, *.yaml)\0*.yml;*.yaml\0"
            L"Beeftext combos (*.json, *.csv)\0*.json;*.csv\0"
            L"AutoHotkey scripts (*.ahk)\0*.ahk\0"
            L"CSV (*.csv)\0*.csv\0"
            L"Lumora phrase files (*.lmx, *.bak, *.jsonl)\0*.lmx;*.bak;*.jsonl\0"
            L"All files\0*.*\0";
        ofn.lpstrTitle = L"Import phrases";
        ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
        if (!GetOpenFileNameW(&ofn)) return std::nullopt;
    }
    return FromWide(name.c_str(), wcslen(name.c_str()));
}

void PhraseListWindow::ImportPhrases(AbbreviationIndex& index, FileSystem& files,
                                     std::uint32_t maxPhrases) {
    grid_.AcceptEdit();
    const std::optional<std::u16string> path = ChooseFile(false);
    if (!path) return;
    ImportedFile file;
    try {
        file = ReadImportFile(files, *path);
    } catch (const Error& e) {
        MessageBoxW(window_, WidePtr(*path + u"\n\n" + e.Message() + u"\n\nNothing was imported."),
                    L"Import phrases", MB_OK | MB_ICONERROR);
        return;
    }
    const std::optional<ImportPlan> plan = importReport_->ShowModal(
        window_, file, rows_, {.AddDuplicates = false, .MaxPhrases = maxPhrases});
    if (!plan) return;
    // The phrases brought in are shown, every one of them.
    ClearFilter();
    const std::size_t first = rows_.Count();
    if (ApplyImport(*plan, rows_, index) == 0) return;
    if (editor_.Changed) editor_.Changed();
    editor_.FocusRow(first);
    UpdateStatus();
}

void PhraseListWindow::ExportPhrases(FileSystem& files) {
    grid_.AcceptEdit();
    const std::optional<std::u16string> path = ChooseFile(true);
    if (!path) return;
    files.WriteFileAtomic(*path, PhrasesAsCsv(rows_));
}

void PhraseListWindow::Show(const Settings& settings) {
    if (!shownOnce_) {
        ApplyLayout(settings);
        // Centred on the screen when first shown.
        RECT r{}, work{};
        GetWindowRect(window_, &r);
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        const int w = r.right - r.left, h = r.bottom - r.top;
        SetWindowPos(window_, nullptr, work.left + (work.right - work.left - w) / 2,
                     work.top + (work.bottom - work.top - h) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        shownOnce_ = true;
    }
    // The main window is the taskbar button: restoring it brings the button back.
    ShowWindow(window_, SW_RESTORE);
    SetForegroundWindow(window_);
    ShowWindow(window_, SW_SHOW);
    // The window may now be on a screen of another DPI.
    if (static_cast<UINT>(WindowDpi(window_)) != dpi_) ApplyDpi();
    UpdateStatus();
}

void PhraseListWindow::Hide() {
    // Hiding the window takes its taskbar button with it; the program is in the tray only.
    ShowWindow(window_, SW_HIDE);
}

std::optional<Settings> PhraseListWindow::WithLayout(const Settings& settings) const {
    if (!window_ || IsIconic(window_)) return std::nullopt;
    RECT client{};
    GetClientRect(window_, &client);
    if (client.right <= 0 || client.bottom <= 0) return std::nullopt;
    const int dpi = WindowDpi(window_);
    Settings kept = settings;
    kept.ListWindowWidth = MulDiv(client.right, 96, dpi);
    kept.ListWindowHeight = MulDiv(client.bottom, 96, dpi);
    kept.AbbreviationColumnWidth = MulDiv(grid_.ColumnWidth(AbbreviationColumn), 96, dpi);
    kept.TextColumnWidth = MulDiv(grid_.ColumnWidth(TextColumn), 96, dpi);
    return kept;
}

void PhraseListWindow::ApplyLayout(const Settings& settings) {
    const int dpi = WindowDpi(window_);
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE));
    RECT r{0, 0, MulDiv(settings.ListWindowWidth, dpi, 96),
           MulDiv(settings.ListWindowHeight, dpi, 96)};
    AdjustWindowRectExForDpi(&r, style, FALSE, 0, static_cast<UINT>(dpi));
    const int width = std::max<int>(r.right - r.left, MinWidth);
    const int height = std::max<int>(r.bottom - r.top, MinHeight);
    SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The default shows the header whole also in a larger font; a width the user chose stays.
    int abbreviation = MulDiv(settings.AbbreviationColumnWidth, dpi, 96);
    if (settings.AbbreviationColumnWidth == Settings{}.AbbreviationColumnWidth)
        abbreviation = std::max(abbreviation, grid_.HeaderFitWidth(AbbreviationColumn));
    grid_.SetColumnWidth(AbbreviationColumn, abbreviation);
    // The text column takes the rest, as at every resize.
    editor_.GridResized();
}

} // namespace lumora
