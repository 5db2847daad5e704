// The search window: its controls, its place near the mouse, the filtering as the user types
// and the choice typed into the window that had the focus.
#include "winapp/SearchWindow.h"

#include "platform/win32/Win32Handles.h"

#include <commctrl.h>

#include <algorithm>

namespace lumora {

namespace {

constexpr int BoxId = 1;
constexpr int ViewId = 2;
constexpr UINT_PTR BoxSubclassId = 1;
constexpr int Width = 460;
constexpr int Height = 320;
constexpr int Margin = 6;
constexpr int BoxHeight = 24;
// The start of a phrase's text, on one line.
constexpr std::size_t TextShown = 120;

// The system's font for dialogs, at the system's DPI.
HFONT MessageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return nullptr;
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

std::wstring OneLine(const std::u16string& text) {
    std::wstring out;
    for (char16_t c : text.substr(0, TextShown)) {
        if (c == u'\n') continue;
        out += c == u'\r' || c == u'\t' ? L' ' : static_cast<wchar_t>(c);
    }
    if (text.size() > TextShown) out += L"\u2026";
    return out;
}

} // namespace

SearchWindow::SearchWindow(HINSTANCE instance, const PhraseList& phrases, TypeChosen typeChosen,
                           ErrorHandler onError)
    : instance_(instance), phrases_(phrases), typeChosen_(std::move(typeChosen)),
      onError_(std::move(onError)), list_(phrases) {}

SearchWindow::~SearchWindow() {
    if (wnd_) DestroyWindow(wnd_);
    if (font_) DeleteObject(font_);
}

bool SearchWindow::Create() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = WindowOwner::Procedure;
        wc.hInstance = instance_;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = ClassName;
        registered = RegisterClassExW(&wc) != 0;
        if (!registered) return false;
    }
    // On top of every window, and no taskbar button of its own.
    CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, ClassName, Title,
                    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 0, 0, Width, Height,
                    nullptr, nullptr, instance_, static_cast<WindowOwner*>(this));
    if (!wnd_) return false;
    font_ = MessageFont();
    box_ = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0,
        0, 0, wnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(BoxId)), instance_, nullptr);
    view_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL |
                                LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                            0, 0, 0, 0, wnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ViewId)),
                            instance_, nullptr);
    if (!box_ || !view_) return false;
    if (font_) {
        SendMessageW(box_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        SendMessageW(view_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
    SendMessageW(view_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const wchar_t* titles[] = {L"Abbreviation", L"Text"};
    const int widths[] = {110, 310};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = const_cast<wchar_t*>(titles[i]);
        col.cx = widths[i];
        SendMessageW(view_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
    }
    // The box keeps the keyboard: Up, Down, Enter and Escape act on the list from there.
    SetWindowSubclass(box_, BoxProc, BoxSubclassId, reinterpret_cast<DWORD_PTR>(this));
    // The window's first WM_SIZE came before its children existed.
    Layout();
    return true;
}

void SearchWindow::Layout() {
    if (!box_ || !view_) return;
    RECT client{};
    GetClientRect(wnd_, &client);
    const int cx = client.right, cy = client.bottom;
    MoveWindow(box_, Margin, Margin, cx - 2 * Margin, BoxHeight, TRUE);
    MoveWindow(view_, Margin, 2 * Margin + BoxHeight, cx - 2 * Margin,
               std::max(0, cy - 3 * Margin - BoxHeight), TRUE);
}

void SearchWindow::Show() {
    HWND front = GetForegroundWindow();
    if (front != wnd_) previous_ = front;
    if (!wnd_ && !Create()) return;
    // Near the mouse, inside the screen it is on.
    POINT at{};
    GetCursorPos(&at);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT work = monitor.rcWork;
    const int x =
        std::clamp<int>(at.x - Width / 2, work.left, std::max<int>(work.left, work.right - Width));
    const int y =
        std::clamp<int>(at.y + 16, work.top, std::max<int>(work.top, work.bottom - Height));
    SetWindowPos(wnd_, HWND_TOPMOST, x, y, Width, Height, SWP_SHOWWINDOW);
    SetWindowTextW(box_, L"");
    // The phrases may have changed since the window was last open.
    list_.Refresh();
    Filter();
    SetForegroundWindow(wnd_);
    SetFocus(box_);
}

void SearchWindow::Filter() {
    list_.SetQuery(WindowText(box_));
    SendMessageW(view_, LVM_SETITEMCOUNT, list_.Rows().size(), LVSICF_NOSCROLL);
    ShowChoice();
    InvalidateRect(view_, nullptr, TRUE);
}

void SearchWindow::ShowChoice() {
    if (list_.Rows().empty()) return;
    const auto line = static_cast<int>(list_.ChosenLine());
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(view_, LVM_SETITEMSTATE, line, reinterpret_cast<LPARAM>(&item));
    SendMessageW(view_, LVM_ENSUREVISIBLE, line, FALSE);
}

void SearchWindow::Close(bool type) {
    if (closing_ || !wnd_ || !IsWindowVisible(wnd_)) return;
    closing_ = true;
    const Phrase* chosen = type ? list_.Chosen() : nullptr;
    const std::u16string text = chosen ? chosen->Text() : std::u16string();
    ShowWindow(wnd_, SW_HIDE);
    closing_ = false;
    if (chosen && typeChosen_)
        typeChosen_(text, previous_);
    else if (previous_)
        SetForegroundWindow(previous_);
}

void SearchWindow::ShowError(std::exception_ptr error) {
    if (onError_) onError_(error);
}

LRESULT SearchWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SIZE:
        Layout();
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == BoxId && HIWORD(wp) == EN_CHANGE) Filter();
        return 0;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lp);
        if (header.hwndFrom != view_) break;
        if (header.code == LVN_GETDISPINFOW) {
            auto& info = *reinterpret_cast<NMLVDISPINFOW*>(lp);
            const auto line = static_cast<std::size_t>(info.item.iItem);
            if ((info.item.mask & LVIF_TEXT) && line < list_.Rows().size()) {
                const Phrase& phrase = phrases_.At(list_.Rows()[line]);
                cell_ = info.item.iSubItem == 0 ? OneLine(phrase.Abbreviation())
                                                : OneLine(phrase.Text());
                info.item.pszText = cell_.data();
            }
            return 0;
        }
        if (header.code == NM_CLICK || header.code == NM_DBLCLK) {
            const auto& activate = *reinterpret_cast<const NMITEMACTIVATE*>(lp);
            if (activate.iItem >= 0) list_.Choose(static_cast<std::size_t>(activate.iItem));
            if (header.code == NM_DBLCLK && activate.iItem >= 0)
                Close(true);
            else
                SetFocus(box_);
            return 0;
        }
        break;
    }
    case WM_ACTIVATE:
        // Another window took the keyboard: the search is over, nothing is typed.
        if (LOWORD(wp) == WA_INACTIVE) Close(false);
        break;
    case WM_CLOSE:
        Close(false);
        return 0;
    case WM_NCDESTROY:
        Detach(wnd_);
        wnd_ = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcW(wnd_, msg, wp, lp);
}

LRESULT CALLBACK SearchWindow::BoxProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                       DWORD_PTR data) {
    auto* self = reinterpret_cast<SearchWindow*>(data);
    return GuardedHandler([&] { return self->OnBoxMessage(w, msg, wp, lp); },
                          [&](std::exception_ptr e) { self->ShowError(e); });
}

LRESULT SearchWindow::OnBoxMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_KEYDOWN:
        switch (wp) {
        case VK_UP:
            list_.Up();
            ShowChoice();
            return 0;
        case VK_DOWN:
            list_.Down();
            ShowChoice();
            return 0;
        case VK_RETURN:
            Close(true);
            return 0;
        case VK_ESCAPE:
            Close(false);
            return 0;
        default:
            break;
        }
        break;
    case WM_CHAR:
        // Enter and Escape were keys for the list, not characters for the box (no beep).
        if (wp == L'\r' || wp == 0x1B) return 0;
        break;
    default:
        break;
    }
    return DefSubclassProc(w, msg, wp, lp);
}

} // namespace lumora
