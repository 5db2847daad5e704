// The search window: its controls, its place near the mouse, the filtering as the user types
// and the choice typed into the window that had the focus.
#include "winapp/SearchWindow.h"

#include "platform/win32/Win32Handles.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>

namespace lumora {

namespace {

constexpr int BoxId = 1;
constexpr int ViewId = 2;
constexpr int HintId = 3;
constexpr UINT_PTR BoxSubclassId = 1;
constexpr UINT_PTR FilterTimerId = 1;
// Sizes at 96 DPI, scaled to the window's.
constexpr int Width = 460;
constexpr int Height = 320;
constexpr int Margin = 6;
constexpr int BoxHeight = 24;
constexpr int HintHeight = 18;
constexpr int AbbreviationWidth = 110;
constexpr int TextWidth = 310;
// The start of a phrase's text, on one line.
constexpr std::size_t TextShown = 120;

// The system's font for dialogs, at the window's DPI.
HFONT MessageFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        return nullptr;
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

std::wstring Count(std::size_t n) {
    std::wstring digits = std::to_wstring(n);
    // Thousands apart, as the user reads them.
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, L",");
    return digits;
}

// The line under the list: how many phrases the query finds, and the keys.
std::wstring HintText(std::size_t found) {
    if (found == 0) return L"No phrase matches. Esc closes.";
    return Count(found) + (found == 1 ? L" phrase" : L" phrases") +
           L". Up and Down choose, Enter types the chosen one, Esc closes.";
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
    box_ = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0,
        0, 0, wnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(BoxId)), instance_, nullptr);
    view_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL |
                                LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                            0, 0, 0, 0, wnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ViewId)),
                            instance_, nullptr);
    hint_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 0, 0, 0,
                            0, wnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(HintId)),
                            instance_, nullptr);
    if (!box_ || !view_ || !hint_) return false;
    SendMessageW(view_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const wchar_t* titles[] = {L"Abbreviation", L"Text"};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = const_cast<wchar_t*>(titles[i]);
        col.cx = i == 0 ? AbbreviationWidth : TextWidth;
        SendMessageW(view_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
    }
    ApplyDpi();
    // The box keeps the keyboard: Up, Down, Enter and Escape act on the list from there.
    SetWindowSubclass(box_, BoxProc, BoxSubclassId, reinterpret_cast<DWORD_PTR>(this));
    // The window's first WM_SIZE came before its children existed.
    Layout();
    return true;
}

int SearchWindow::Scaled(int size) const {
    return MulDiv(size, static_cast<int>(dpi_), 96);
}

void SearchWindow::ApplyDpi() {
    const UINT dpi = GetDpiForWindow(wnd_);
    dpi_ = dpi ? dpi : 96;
    HFONT font = MessageFont(dpi_);
    for (HWND control : {box_, view_, hint_})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (font_) DeleteObject(font_);
    font_ = font;
    SendMessageW(view_, LVM_SETCOLUMNWIDTH, 0, Scaled(AbbreviationWidth));
    SendMessageW(view_, LVM_SETCOLUMNWIDTH, 1, Scaled(TextWidth));
}

void SearchWindow::Layout() {
    if (!box_ || !view_ || !hint_) return;
    RECT client{};
    GetClientRect(wnd_, &client);
    const int cx = client.right, cy = client.bottom;
    const int margin = Scaled(Margin), box = Scaled(BoxHeight), hint = Scaled(HintHeight);
    MoveWindow(box_, margin, margin, cx - 2 * margin, box, TRUE);
    const int viewTop = 2 * margin + box;
    const int viewHeight = std::max(0, cy - viewTop - margin - hint);
    MoveWindow(view_, margin, viewTop, cx - 2 * margin, viewHeight, TRUE);
    MoveWindow(hint_, margin, viewTop + viewHeight + margin / 2, cx - 2 * margin, hint, TRUE);
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
    // Placed first, so that the window takes the DPI of the screen it opens on.
    SetWindowPos(wnd_, HWND_TOPMOST, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    if (GetDpiForWindow(wnd_) != dpi_) ApplyDpi();
    const int width = Scaled(Width), height = Scaled(Height);
    const int x =
        std::clamp<int>(at.x - width / 2, work.left, std::max<int>(work.left, work.right - width));
    const int y =
        std::clamp<int>(at.y + Scaled(16), work.top, std::max<int>(work.top, work.bottom - height));
    SetWindowPos(wnd_, HWND_TOPMOST, x, y, width, height, SWP_SHOWWINDOW);
    SetWindowTextW(box_, L"");
    // The phrases may have changed since the window was last open.
    list_.Refresh();
    Filter();
    SetForegroundWindow(wnd_);
    SetFocus(box_);
}

void SearchWindow::Filter() {
    if (std::exchange(filterDue_, false)) KillTimer(wnd_, FilterTimerId);
    list_.SetQuery(WindowText(box_));
    SendMessageW(view_, LVM_SETITEMCOUNT, list_.Rows().size(), LVSICF_NOSCROLL);
    ShowChoice();
    InvalidateRect(view_, nullptr, TRUE);
    SetWindowTextW(hint_, HintText(list_.Rows().size()).c_str());
}

void SearchWindow::QueryChanged() {
    if (phrases_.Count() <= FilterAtOnceUpTo) {
        Filter();
        return;
    }
    // Started again by every key: the list is filled once they stop.
    SetTimer(wnd_, FilterTimerId, FilterDelayMs, nullptr);
    filterDue_ = true;
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
    if (std::exchange(filterDue_, false)) KillTimer(wnd_, FilterTimerId);
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
        if (LOWORD(wp) == BoxId && HIWORD(wp) == EN_CHANGE) QueryChanged();
        return 0;
    case WM_TIMER:
        if (wp == FilterTimerId && filterDue_) Filter();
        return 0;
    case WM_DPICHANGED: {
        // Moved to a screen of another DPI: the system's suggested size, fonts and columns.
        const RECT& r = *reinterpret_cast<const RECT*>(lp);
        SetWindowPos(wnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        ApplyDpi();
        Layout();
        return 0;
    }
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
        if (header.code == NM_CUSTOMDRAW)
            return DrawChosenRow(*reinterpret_cast<NMLVCUSTOMDRAW*>(lp));
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
        if (LOWORD(wp) == WA_INACTIVE) {
            Close(false);
            break;
        }
        // Activated again (its caption clicked, the shortcut pressed once more): the keys go
        // to the box, where the default would give them to the window itself.
        if (box_) SetFocus(box_);
        InvalidateRect(view_, nullptr, FALSE); // the chosen row in the active colours
        return 0;
    case WM_SETFOCUS:
        // The window itself takes no keys: they go on to the box.
        if (box_) SetFocus(box_);
        return 0;
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

LRESULT SearchWindow::DrawChosenRow(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        // The list view draws a selection it does not have the focus for in light grey, which
        // barely shows on white: the keyboard is in the box, so the chosen row is drawn in
        // the highlight colours here, and the list view's own selection drawing is left out.
        const bool chosen = !list_.Rows().empty() && draw.nmcd.dwItemSpec == list_.ChosenLine();
        if (!chosen) return CDRF_DODEFAULT;
        const bool active = GetForegroundWindow() == wnd_;
        draw.clrText = GetSysColor(active ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
        draw.clrTextBk = GetSysColor(active ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
        draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS);
        return CDRF_NEWFONT;
    }
    default:
        return CDRF_DODEFAULT;
    }
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
            if (filterDue_) Filter();
            list_.Up();
            ShowChoice();
            return 0;
        case VK_DOWN:
            if (filterDue_) Filter();
            list_.Down();
            ShowChoice();
            return 0;
        case VK_RETURN:
            // The keys typed last count, also when the list has not been filled for them yet;
            // with no phrase found Enter closes nothing (the line below says so).
            if (filterDue_) Filter();
            if (list_.Chosen()) Close(true);
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
