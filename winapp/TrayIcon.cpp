// The program's icon in the notification area, its tooltip, balloons and menu.
#include "winapp/TrayIcon.h"

#include "editor/PhraseEditor.h"
#include "platform/win32/Win32Handles.h"
#include "winapp/resource.h"

#include <utility>

namespace lumora {

namespace {

constexpr UINT IconId = 1;
constexpr UINT RetryIntervalMs = 1000;

// A popup menu destroyed on every path.
struct MenuGuard {
    HMENU Menu;
    ~MenuGuard() {
        if (Menu) DestroyMenu(Menu);
    }
};

} // namespace

void TrayIcon::Attach(HWND owner, HICON icon, HICON pausedIcon) {
    owner_ = owner;
    icon_ = icon;
    pausedIcon_ = pausedIcon;
}

NOTIFYICONDATAW TrayIcon::Data(UINT flags) const {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = owner_;
    nid.uID = IconId;
    nid.uFlags = flags;
    if (flags & NIF_MESSAGE) nid.uCallbackMessage = CallbackMessage;
    const State state = (flags & (NIF_ICON | NIF_TIP)) ? state_() : State{};
    if (flags & NIF_ICON) nid.hIcon = state.Paused && pausedIcon_ ? pausedIcon_ : icon_;
    if (flags & NIF_TIP) {
        // The intake observes nothing while the list is shown.
        const std::wstring tip = state.Paused      ? L"Lumora (paused)"
                                 : state.ListShown ? ToWide(std::u16string(ListShownTrayTip))
                                                   : L"Lumora";
        lstrcpynW(nid.szTip, tip.c_str(), ARRAYSIZE(nid.szTip));
    }
    return nid;
}

bool TrayIcon::Add() {
    NOTIFYICONDATAW nid = Data(NIF_ICON | NIF_TIP | NIF_MESSAGE);
    return Shell_NotifyIconW(NIM_ADD, &nid) != FALSE;
}

void TrayIcon::Delete() {
    NOTIFYICONDATAW nid = Data(0);
    Shell_NotifyIconW(NIM_DELETE, &nid); // removing an icon that is not there is no error
}

void TrayIcon::SetRetryTimer(bool on) {
    if (on)
        SetTimer(owner_, RetryTimerId, RetryIntervalMs, nullptr);
    else
        KillTimer(owner_, RetryTimerId);
    retrying_ = on;
}

void TrayIcon::Show() {
    if (Add()) return;
    Delete();
    SetRetryTimer(true);
}

void TrayIcon::ShowAgain() {
    Delete();
    if (Add()) return;
    Delete();
    SetRetryTimer(true);
}

void TrayIcon::Retry() {
    Delete();
    if (Add()) {
        SetRetryTimer(false);
        return;
    }
    Delete();
}

void TrayIcon::ShowState() {
    NOTIFYICONDATAW nid = Data(NIF_ICON | NIF_TIP);
    // Without an icon (the shell not ready yet) the next add shows the state.
    Shell_NotifyIconW(NIM_MODIFY, &nid);
}

void TrayIcon::ShowNotice(const std::u16string& title, const std::u16string& text) {
    NOTIFYICONDATAW nid = Data(NIF_INFO);
    nid.dwInfoFlags = NIIF_WARNING;
    lstrcpynW(nid.szInfoTitle, WidePtr(title), ARRAYSIZE(nid.szInfoTitle));
    lstrcpynW(nid.szInfo, WidePtr(text), ARRAYSIZE(nid.szInfo));
    // Without an icon (the shell not ready yet) no balloon shows; the notice is not repeated.
    Shell_NotifyIconW(NIM_MODIFY, &nid);
    welcomeShown_ = false;
}

void TrayIcon::ShowWelcome(const std::u16string& title, const std::u16string& text) {
    NOTIFYICONDATAW nid = Data(NIF_INFO);
    nid.dwInfoFlags = NIIF_INFO;
    lstrcpynW(nid.szInfoTitle, WidePtr(title), ARRAYSIZE(nid.szInfoTitle));
    lstrcpynW(nid.szInfo, WidePtr(text), ARRAYSIZE(nid.szInfo));
    welcomeShown_ = Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

bool TrayIcon::BalloonClicked() {
    return std::exchange(welcomeShown_, false);
}

void TrayIcon::ShowMenu() {
    MenuGuard menu{CreatePopupMenu()};
    if (!menu.Menu) return;
    const State state = state_();
    // A tab puts the shortcut in the menu's column for shortcuts.
    auto withShortcut = [](const wchar_t* caption, const std::u16string& shortcut) {
        std::wstring text = caption;
        if (!shortcut.empty()) text += L"\t" + ToWide(shortcut);
        return text;
    };
    // "Settings" is the name users know the phrase list by.
    AppendMenuW(menu.Menu, MF_STRING, IDM_SHOW_PHRASE_LIST, L"Settings");
    AppendMenuW(menu.Menu, MF_STRING, IDM_OPTIONS, L"Options...");
    AppendMenuW(menu.Menu, MF_STRING, IDM_SEARCH,
                withShortcut(L"Search phrases...", state.SearchShortcut).c_str());
    AppendMenuW(menu.Menu, MF_STRING | (state.Paused ? MF_CHECKED : MF_UNCHECKED), IDM_PAUSE,
                withShortcut(L"Pause", state.PauseShortcut).c_str());
    AppendMenuW(menu.Menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.Menu, MF_STRING, IDM_EXIT, L"Exit");
    POINT pt{};
    GetCursorPos(&pt);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(owner_);
    TrackPopupMenu(menu.Menu, TPM_RIGHTBUTTON, pt.x, pt.y, 0, owner_, nullptr);
    PostMessageW(owner_, WM_NULL, 0, 0);
}

void TrayIcon::Remove() {
    Delete();
    if (retrying_) SetRetryTimer(false);
}

} // namespace lumora
