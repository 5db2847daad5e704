#include "winapp/MainWindow.h"

#include "hook/HookMessages.h"
#include "settings/Options.h"
#include "hook/LumoraHook.h"
#include "platform/win32/VersionInfo.h"
#include "platform/win32/Win32Handles.h"
#include "winapp/resource.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

namespace lumora {

namespace {

const wchar_t MainWindowClass[] = L"LumoraMainWindow";
const std::u16string ApplicationTitle = u"Lumora";

constexpr UINT WM_TRAY_CALLBACK = WM_APP + 1; // the tray icon's callback message
constexpr UINT_PTR TrayTimerId = 1;
constexpr UINT TrayTimerInterval = 1000;
constexpr UINT TrayIconId = 1;
constexpr UINT IDM_SETTINGS = 40001;
constexpr UINT IDM_EXIT = 40002;
// The editor's commands: toolbar buttons and Ctrl+N.
constexpr UINT IDM_ABOUT = 40003;
constexpr UINT IDM_NEW_ITEM = 40004;
constexpr UINT IDM_DELETE = 40005;
constexpr int IDC_TOOLBAR = 200;
constexpr int IDC_PHRASE_GRID = 201;
constexpr int IDC_STATUS_BAR = 202;

constexpr int InitialClientWidth = 531;
constexpr int InitialClientHeight = 416;
constexpr int MinWidth = 300;
constexpr int MinHeight = 200;

#ifndef LUMORA_HOMEPAGE
#define LUMORA_HOMEPAGE "https://lumora.example.org/"
#endif

std::u16string Homepage() {
    const char* s = LUMORA_HOMEPAGE;
    return std::u16string(s, s + std::char_traits<char>::length(s));
}

// A popup menu destroyed on every path.
struct MenuGuard {
    HMENU Menu;
    ~MenuGuard() {
        if (Menu) DestroyMenu(Menu);
    }
};

// The arguments after the program's name.
std::vector<std::u16string> CommandLineArguments() {
    int count = 0;
    std::unique_ptr<LPWSTR, decltype(&LocalFree)> argv(
        CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
    std::vector<std::u16string> args;
    if (!argv) return args;
    for (int i = 1; i < count; ++i)
        args.push_back(FromWide(std::wstring(argv.get()[i])));
    return args;
}

} // namespace

TMainWindow::TMainWindow(HINSTANCE instance)
    : fInstance(instance), fPlatform(fWin32.AsPlatform()),
      fMain(fPlatform, fWin32, fState, fData.PhraseIndex), fEditor(fRows, fData, fState, fPlatform),
      fGrid(fRows, fEditor, [this](std::exception_ptr e) { fMain.ShowException(e); }),
      fFiles(MakeStdFileSystem()), fAbout(instance, Homepage()) {
    fMain.TrayIconReAdd = [this] { TrayIconReAdd(); };
    fMain.NewPhraseActExecute = [this] { NewPhraseActExecute(); };
}

TMainWindow::~TMainWindow() {
    Destroy();
    if (fIcon) DestroyIcon(fIcon);
    if (fSmallIcon) DestroyIcon(fSmallIcon);
    if (fAccelerators) DestroyAcceleratorTable(fAccelerators);
}

bool TMainWindow::Create() {
    fIcon =
        static_cast<HICON>(LoadImageW(fInstance, MAKEINTRESOURCEW(IDI_LUMORA), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    fSmallIcon = static_cast<HICON>(LoadImageW(fInstance, MAKEINTRESOURCEW(IDI_LUMORA), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = fInstance;
    wc.hIcon = fIcon;
    wc.hIconSm = fSmallIcon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = MainWindowClass;
    if (!RegisterClassExW(&wc)) return false;

    ACCEL newItem{FCONTROL | FVIRTKEY, 'N', IDM_NEW_ITEM};
    fAccelerators = CreateAcceleratorTableW(&newItem, 1);

    // A minimize button and no maximize button; resizable.
    const DWORD style = WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX;
    RECT r{0, 0, InitialClientWidth, InitialClientHeight};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    CreateWindowExW(0, MainWindowClass, WidePtr(ApplicationTitle), style, CW_USEDEFAULT,
                    CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr, nullptr, fInstance,
                    this);
    return fWnd != nullptr;
}

int TMainWindow::Run() {
    MSG msg;
    for (;;) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
            if (fAccelerators && fWnd && TranslateAcceleratorW(fWnd, fAccelerators, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        // The queue has run empty.
        fMain.ApplicationEventsIdle();
        WaitMessage();
    }
}

void TMainWindow::Destroy() {
    if (fWnd) DestroyWindow(fWnd);
}

LRESULT CALLBACK TMainWindow::WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<TMainWindow*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        self = static_cast<TMainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->fWnd = w;
    }
    if (!self) return DefWindowProcW(w, msg, wp, lp);
    // Nothing may leave a window procedure: an error ends the handler and is shown.
    try {
        return self->HandleMessage(msg, wp, lp);
    } catch (...) {
        self->fMain.ShowException(std::current_exception());
        return 0;
    }
}

LRESULT TMainWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    // The intake: hook reports, WM_EXPAND, WM_NEW_PHRASE and "TaskbarCreated".
    if (fMain.HandleMessage(msg, static_cast<std::uintptr_t>(wp), static_cast<std::intptr_t>(lp)))
        return 0;

    switch (msg) {
    case WM_CREATE:
        fWin32.SetOwnerWindow(FromHwnd(fWnd));
        fMain.SetMainWindow(FromHwnd(fWnd));
        if (!CreateEditorControls()) return -1;
        TntFormCreate();
        return 0;
    case WM_GETMINMAXINFO: {
        auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
        mm->ptMinTrackSize = POINT{MinWidth, MinHeight};
        return 0;
    }
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_MINIMIZE) {
            ApplicationEventsMinimize();
            return 0;
        }
        break;
    case WM_SIZE:
        if (wp == SIZE_MINIMIZED)
            ApplicationEventsMinimize();
        else
            LayoutEditor();
        return 0;
    case WM_SETFOCUS:
        if (fGrid.Handle()) SetFocus(fGrid.Handle());
        return 0;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lp);
        LRESULT result = 0;
        if (fGrid.HandleNotify(header, result)) return result;
        if (header.code == TTN_GETDISPINFOW) {
            // The toolbar's buttons have no captions; their names are the tooltips.
            auto& tip = *reinterpret_cast<NMTTDISPINFOW*>(lp);
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
            default:
                break;
            }
            return 0;
        }
        break;
    }
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDM_SETTINGS:
            Settings1Click();
            return 0;
        case IDM_EXIT:
            Exit1Click();
            return 0;
        case IDM_ABOUT:
            AboutActExecute();
            return 0;
        case IDM_NEW_ITEM:
            NewPhraseActExecute();
            return 0;
        case IDM_DELETE:
            DelActExecute();
            return 0;
        default:
            break;
        }
        break;
    case WM_TRAY_CALLBACK:
        // No action on left click or double click; the menu opens on the right button's
        // release.
        if (LOWORD(lp) == WM_RBUTTONUP || LOWORD(lp) == WM_CONTEXTMENU) ShowTrayMenu();
        return 0;
    case WM_TIMER:
        if (wp == TrayTimerId) TrayTimerTimer();
        return 0;
    case WM_CLOSE:
        // No hide-on-close: closing ends the program, with the cell being edited kept.
        fGrid.AcceptEdit();
        DestroyWindow(fWnd);
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // The session ends (log off, shut down) and the process with it, without WM_DESTROY:
        // shut down now so that the phrases are saved.
        if (wp) {
            fGrid.AcceptEdit();
            TntFormDestroy();
        }
        return 0;
    case WM_DESTROY:
        TntFormDestroy();
        RemoveTrayIcon();
        if (fTrayTimerOn) SetTrayTimer(false);
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(fWnd, GWLP_USERDATA, 0);
        fWnd = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcW(fWnd, msg, wp, lp);
}

// --- start-up and shutdown -------------------------------------------------------------------

void TMainWindow::TntFormCreate() {
    // 1. The other product's mutex, ours too while we run. It is never closed: it tells others
    // for as long as this process lives.
    SetLastError(ERROR_SUCCESS);
    fVerbantaMutex = CreateMutexW(nullptr, TRUE, L"Verbanta");
    if (!fVerbantaMutex || GetLastError() == ERROR_ALREADY_EXISTS) {
        MessageBoxW(fWnd,
                    L"Verbanta is running on your computer. You don't need an additional "
                    L"Autotext program.",
                    L"Information", MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
        // Takes effect in the message loop; the rest of start-up still runs.
        PostQuitMessage(0);
    }
    // 2. The grid's rows hold their phrases (TPhraseRows).
    // 3. The tray icon.
    TrayIconShow();
    // 4. The shell's message for a re-created taskbar.
    fMain.SetTaskbarCreatedMsg(RegisterWindowMessageW(L"TaskbarCreated"));
    // 5. Command-line options.
    fState.Options = ReadOptions(CommandLineArguments());
    // 6. The phrase file beside the executable.
    CurrentFileName = ExecutableFolder() + u"lumora.lmx";
    fPhraseFile.emplace(*fFiles, CurrentFileName);
    // 7. The phrases; an error ends start-up here (no hook, caption without version) and is
    // shown in the general error box by the window procedure.
    fPhraseFile->Load(fRows, fData, fState.Options.maxItems,
                      [this] { fWin32.ProcessPendingMessages(); });
    // 8 and 9.
    StartHook();
}

void TMainWindow::StartHook() {
    // Only the library beside the executable, by full path: never the DLL search path, where a
    // planted lumora.dll could stand in for ours.
    const std::u16string dll = ExecutableFolder() + u"lumora.dll";
    if (!fHookLibrary)
        fHookLibrary = LoadLibraryExW(WidePtr(dll), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    SetHookProc setHook = nullptr;
    if (fHookLibrary)
        setHook = reinterpret_cast<SetHookProc>(
            reinterpret_cast<void*>(GetProcAddress(fHookLibrary, "SetHook")));
    fState.HookThreadId = setHook ? setHook(fWnd) : 0;
    if (fState.HookThreadId == 0) {
        MessageBoxW(fWnd, L"Could not set keyboard hook!", WidePtr(ApplicationTitle),
                    MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
        PostQuitMessage(0);
        return;
    }
    std::u16string caption = ApplicationTitle + u" " + VersionString(ExecutablePath());
    SetWindowTextW(fWnd, WidePtr(caption));
}

void TMainWindow::TntFormDestroy() {
    if (fShutDown) return;
    fShutDown = true;
    // 1. Save. A load that failed or stopped at maxItems left stored phrases out of the list;
    // the file keeps the old one as lumora.lmx.bak then, so that none of them is lost.
    try {
        if (fPhraseFile) fPhraseFile->SaveAtExit(fRows);
    } catch (...) {
        // The old file is untouched (the save is atomic); say why the edits were not saved.
        fMain.ShowException(std::current_exception());
    }
    // 2. Free every phrase (each leaves PhraseIndex).
    fRows.ClearPhrases();
    // 3. Stop the hook thread; nothing is awaited.
    if (fState.HookThreadId) PostThreadMessageW(fState.HookThreadId, WM_QUIT, 0, 0);
}

// --- showing and hiding ----------------------------------------------------------------------

void TMainWindow::Settings1Click() {
    if (!fShownOnce) {
        // Centred on the screen when first shown.
        RECT r{}, work{};
        GetWindowRect(fWnd, &r);
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        const int w = r.right - r.left, h = r.bottom - r.top;
        SetWindowPos(fWnd, nullptr, work.left + (work.right - work.left - w) / 2,
                     work.top + (work.bottom - work.top - h) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        fShownOnce = true;
    }
    // The main window is the taskbar button: restoring it brings the button back.
    ShowWindow(fWnd, SW_RESTORE);
    SetForegroundWindow(fWnd);
    ShowWindow(fWnd, SW_SHOW);
}

void TMainWindow::Exit1Click() {
    PostMessageW(fWnd, WM_CLOSE, 0, 0);
}

void TMainWindow::ApplicationEventsMinimize() {
    fGrid.AcceptEdit();
    // Hiding the window takes its taskbar button with it; the program is in the tray only.
    ShowWindow(fWnd, SW_HIDE);
}

void TMainWindow::AboutActExecute() {
    fAbout.ShowModal(fWnd, u"Lumora - Scrivolet " + VersionString(ExecutablePath()));
}

void TMainWindow::ShowTrayMenu() {
    MenuGuard menu{CreatePopupMenu()};
    if (!menu.Menu) return;
    AppendMenuW(menu.Menu, MF_STRING, IDM_SETTINGS, L"Settings");
    AppendMenuW(menu.Menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.Menu, MF_STRING, IDM_EXIT, L"Exit");
    POINT pt{};
    GetCursorPos(&pt);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(fWnd);
    TrackPopupMenu(menu.Menu, TPM_RIGHTBUTTON, pt.x, pt.y, 0, fWnd, nullptr);
    PostMessageW(fWnd, WM_NULL, 0, 0);
}

// --- the phrase editor ----------------------------------------------------------------------

bool TMainWindow::CreateEditorControls() {
    fToolbar = CreateWindowExW(
        0, TOOLBARCLASSNAMEW, nullptr,
        WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP, 0, 0, 0, 0, fWnd,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TOOLBAR)), fInstance, nullptr);
    if (!fToolbar) return false;
    SendMessageW(fToolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    // The system's own small images: new file, delete, help.
    TBADDBITMAP images{HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
    SendMessageW(fToolbar, TB_ADDBITMAP, 0, reinterpret_cast<LPARAM>(&images));
    TBBUTTON buttons[] = {
        {STD_FILENEW, static_cast<int>(IDM_NEW_ITEM), TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {STD_DELETE, static_cast<int>(IDM_DELETE), TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {STD_HELP, static_cast<int>(IDM_ABOUT), TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
    };
    SendMessageW(fToolbar, TB_ADDBUTTONSW, ARRAYSIZE(buttons), reinterpret_cast<LPARAM>(buttons));
    SendMessageW(fToolbar, TB_AUTOSIZE, 0, 0);

    fStatusBar = CreateWindowExW(
        0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, fWnd,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS_BAR)), fInstance, nullptr);
    if (!fStatusBar) return false;
    int parts[] = {-1};
    SendMessageW(fStatusBar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
    SendMessageW(fStatusBar, SB_SETTEXTW, 0,
                 reinterpret_cast<LPARAM>(L"Double click the list to create a new item"));

    if (!fGrid.Create(fWnd, fInstance, IDC_PHRASE_GRID)) return false;
    LayoutEditor();
    return true;
}

void TMainWindow::LayoutEditor() {
    if (!fToolbar || !fStatusBar || !fGrid.Handle()) return;
    SendMessageW(fToolbar, TB_AUTOSIZE, 0, 0);
    SendMessageW(fStatusBar, WM_SIZE, 0, 0);
    RECT client{}, bar{}, status{};
    GetClientRect(fWnd, &client);
    GetWindowRect(fToolbar, &bar);
    GetWindowRect(fStatusBar, &status);
    const int top = bar.bottom - bar.top;
    const int bottom = client.bottom - (status.bottom - status.top);
    MoveWindow(fGrid.Handle(), 0, top, client.right, std::max(0, bottom - top), TRUE);
}

void TMainWindow::NewPhraseActExecute() {
    // What is being typed into a cell counts first: an abbreviation typed into a new row
    // makes that row no longer the empty one to reuse.
    fGrid.AcceptEdit();
    fEditor.NewPhraseActExecute();
}

void TMainWindow::DelActExecute() {
    fGrid.AcceptEdit();
    fEditor.DelActExecute();
}

// --- tray icon -------------------------------------------------------------------------------

bool TMainWindow::AddTrayIcon() {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = fWnd;
    nid.uID = TrayIconId;
    nid.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    nid.uCallbackMessage = WM_TRAY_CALLBACK;
    nid.hIcon = fSmallIcon ? fSmallIcon : fIcon;
    lstrcpynW(nid.szTip, WidePtr(ApplicationTitle), ARRAYSIZE(nid.szTip));
    return Shell_NotifyIconW(NIM_ADD, &nid) != FALSE;
}

void TMainWindow::RemoveTrayIcon() {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = fWnd;
    nid.uID = TrayIconId;
    Shell_NotifyIconW(NIM_DELETE, &nid); // removing an icon that is not there is no error
}

void TMainWindow::SetTrayTimer(bool on) {
    if (on)
        SetTimer(fWnd, TrayTimerId, TrayTimerInterval, nullptr);
    else
        KillTimer(fWnd, TrayTimerId);
    fTrayTimerOn = on;
}

void TMainWindow::TrayIconShow() {
    if (AddTrayIcon()) return;
    RemoveTrayIcon();
    SetTrayTimer(true);
}

void TMainWindow::TrayTimerTimer() {
    RemoveTrayIcon();
    if (AddTrayIcon()) {
        SetTrayTimer(false);
        return;
    }
    RemoveTrayIcon();
}

void TMainWindow::TrayIconReAdd() {
    RemoveTrayIcon();
    if (AddTrayIcon()) return;
    RemoveTrayIcon();
    SetTrayTimer(true);
}

} // namespace lumora
