#include "winapp/MainWindow.h"

#include "data/PhraseFilePlace.h"
#include "hook/HookMessages.h"
#include "hook/LumoraHook.h"
#include "platform/TextCase.h"
#include "platform/win32/SystemErrors.h"
#include "platform/win32/VersionInfo.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Handles.h"
#include "settings/Options.h"
#include "winapp/resource.h"

#include <commctrl.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

namespace lumora {

namespace {

const wchar_t MainWindowClass[] = L"LumoraMainWindow";
const std::u16string ApplicationTitle = u"Lumora";

constexpr UINT WM_TRAY_CALLBACK = WM_APP + 1; // the tray icon's callback message
// Takes the hooks away, for the end-to-end test of their return. Only a copy started with the
// environment variable LUMORA_TEST_HOOK_KEY (read once at start) heeds it, and only when wParam
// carries that number: the variable is set by nothing but the test, in the environment of the
// copy it starts, so no other program's input can switch off a user's hooks, and even in a
// test run only the test knows the number. A command-line option could be typed into a
// shortcut by anyone; a message alone could be posted by any program on the desktop.
constexpr UINT WM_TEST_REMOVE_HOOKS = WM_APP + 2;
// Shows what start-up found wrong, after the window's creation: a box inside WM_CREATE would
// hold an exit asked for meanwhile.
constexpr UINT WM_SHOW_START_NOTES = WM_APP + 3;
constexpr UINT_PTR TrayTimerId = 1;
constexpr UINT_PTR WatchdogTimerId = 2;
// How often a load stops to handle the window's messages.
constexpr ULONGLONG LoadPumpIntervalMs = 30;
constexpr UINT_PTR PhraseFileTimerId = 3; // writes the changes, looks at the file
constexpr UINT TrayTimerInterval = 1000;
constexpr UINT TrayIconId = 1;
constexpr UINT IDM_SETTINGS = 40001;
constexpr UINT IDM_EXIT = 40002;
constexpr UINT IDM_OPTIONS = 40006;
constexpr UINT IDM_PAUSE = 40007;
// The registered message that carries a second start's -pause, -resume, -toggle or -exit.
const wchar_t ControlMessageName[] = L"LumoraControl";
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

MainWindow::MainWindow(HINSTANCE instance, bool lumoraRuns, bool startPaused)
    : instance_(instance), lumoraRuns_(lumoraRuns), startPaused_(startPaused),
      platform_(win32_.AsPlatform()), main_(platform_, win32_, *this, link_, options_, index_),
      watchdog_(platform_, link_, *this, main_.Tracking()),
      editor_(rows_, index_, options_, link_, platform_),
      grid_(rows_, editor_, [this](std::exception_ptr e) { main_.ShowException(e); }),
      files_(MakeWin32FileSystem()), about_(instance, Homepage()), optionsDialog_(instance) {
    main_.ReAddTrayIcon = [this] { ReAddTrayIcon(); };
    editor_.Changed = [this] {
        // Once the list changed, the file will be written from it: what the load left out is
        // in the backup only.
        loadedFromFile_ = 0;
        if (phraseFile_) phraseFile_->Changed();
    };
    main_.NewPhrase = [this] { NewPhrase(); };
    main_.PauseChanged = [this](bool) { ShowPauseState(); };
    main_.ExitRequested = [this] { ExitProgram(); };
    wchar_t key[32] = {};
    const DWORD n = GetEnvironmentVariableW(L"LUMORA_TEST_HOOK_KEY", key, ARRAYSIZE(key));
    if (n > 0 && n < ARRAYSIZE(key)) testHookKey_ = std::wcstoull(key, nullptr, 0);
    // A test that must reach the program while it loads asks for a slow load: a pause of this
    // many milliseconds per phrase (LUMORA_TEST_LOAD_PAUSE_MS, read once at start).
    wchar_t pause[16] = L"";
    const DWORD p = GetEnvironmentVariableW(L"LUMORA_TEST_LOAD_PAUSE_MS", pause, ARRAYSIZE(pause));
    if (p > 0 && p < ARRAYSIZE(pause)) testLoadPauseMs_ = std::wcstoul(pause, nullptr, 10);
    const DWORD q = GetEnvironmentVariableW(L"LUMORA_TEST_START_PAUSE_MS", pause, ARRAYSIZE(pause));
    if (q > 0 && q < ARRAYSIZE(pause)) testStartPauseMs_ = std::wcstoul(pause, nullptr, 10);
}

MainWindow::~MainWindow() {
    Destroy();
    if (icon_) DestroyIcon(icon_);
    if (smallIcon_) DestroyIcon(smallIcon_);
    if (pausedIcon_) DestroyIcon(pausedIcon_);
    if (accelerators_) DestroyAcceleratorTable(accelerators_);
}

bool MainWindow::Create() {
    icon_ =
        static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_LUMORA), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    smallIcon_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_LUMORA), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    pausedIcon_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_LUMORA_PAUSED),
                                                IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                GetSystemMetrics(SM_CYSMICON), 0));
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance_;
    wc.hIcon = icon_;
    wc.hIconSm = smallIcon_;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = MainWindowClass;
    if (!RegisterClassExW(&wc)) return false;

    ACCEL newItem{FCONTROL | FVIRTKEY, 'N', IDM_NEW_ITEM};
    accelerators_ = CreateAcceleratorTableW(&newItem, 1);

    // A minimize button and no maximize button; resizable.
    const DWORD style = WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX;
    RECT r{0, 0, InitialClientWidth, InitialClientHeight};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    CreateWindowExW(0, MainWindowClass, WidePtr(ApplicationTitle), style, CW_USEDEFAULT,
                    CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance_,
                    this);
    return wnd_ != nullptr;
}

int MainWindow::Run() {
    MSG msg;
    for (;;) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
            if (accelerators_ && wnd_ && TranslateAcceleratorW(wnd_, accelerators_, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        // The queue has run empty.
        main_.OnIdle();
        WaitMessage();
    }
}

void MainWindow::Destroy() {
    if (wnd_) DestroyWindow(wnd_);
}

LRESULT CALLBACK MainWindow::WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->wnd_ = w;
    }
    if (!self) return DefWindowProcW(w, msg, wp, lp);
    // Nothing may leave a window procedure: an error ends the handler and is shown.
    try {
        return self->HandleMessage(msg, wp, lp);
    } catch (...) {
        self->main_.ShowException(std::current_exception());
        return 0;
    }
}

LRESULT MainWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    // The intake: hook reports, WM_EXPAND, WM_NEW_PHRASE and "TaskbarCreated".
    if (main_.HandleMessage(msg, static_cast<std::uintptr_t>(wp), static_cast<std::intptr_t>(lp)))
        return 0;

    switch (msg) {
    case WM_CREATE:
        win32_.SetOwnerWindow(FromHwnd(wnd_));
        main_.SetMainWindow(FromHwnd(wnd_));
        if (!CreateEditorControls()) return -1;
        StartUp();
        return 0;
    case WM_GETMINMAXINFO: {
        auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
        mm->ptMinTrackSize = POINT{MinWidth, MinHeight};
        return 0;
    }
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_MINIMIZE) {
            HideToTray();
            return 0;
        }
        break;
    case WM_SIZE:
        if (wp == SIZE_MINIMIZED)
            HideToTray();
        else
            LayoutEditor();
        return 0;
    case WM_SETFOCUS:
        if (grid_.Handle()) SetFocus(grid_.Handle());
        return 0;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lp);
        LRESULT result = 0;
        if (grid_.HandleNotify(header, result)) return result;
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
            case IDM_OPTIONS:
                tip.lpszText = const_cast<wchar_t*>(L"Options");
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
            // The rows are being filled: the editor opens once they are all there.
            if (phraseFile_ && phraseFile_->Loading())
                showAfterLoad_ = true;
            else
                ShowPhraseList();
            return 0;
        case IDM_EXIT:
            ExitProgram();
            return 0;
        case IDM_OPTIONS:
            ShowOptions();
            return 0;
        case IDM_PAUSE:
            main_.SetPaused(!main_.Paused());
            return 0;
        case IDM_ABOUT:
            ShowAbout();
            return 0;
        case IDM_NEW_ITEM:
            NewPhrase();
            return 0;
        case IDM_DELETE:
            DeletePhrase();
            return 0;
        default:
            break;
        }
        break;
    case WM_TRAY_CALLBACK:
        // A double click opens the phrase list; the menu opens on the right button's release.
        if (LOWORD(lp) == WM_RBUTTONUP || LOWORD(lp) == WM_CONTEXTMENU) ShowTrayMenu();
        if (LOWORD(lp) == WM_LBUTTONDBLCLK) ShowPhraseList();
        return 0;
    case WM_TIMER:
        if (wp == TrayTimerId) RetryTrayIcon();
        if (wp == WatchdogTimerId) watchdog_.Check();
        // Neither an open cell nor the open search window may see the rows replaced.
        if (wp == PhraseFileTimerId && phraseFile_)
            phraseFile_->Tick(grid_.IsEditing() || (search_ && IsWindowVisible(search_->Handle())));
        return 0;
    case WM_POWERBROADCAST:
    case WM_WTSSESSION_CHANGE:
        // Hooks can be lost across sleep and a locked session.
        watchdog_.HandleMessage(msg, static_cast<std::uintptr_t>(wp));
        break;
    case WM_SHOW_START_NOTES:
        ShowStartNotes();
        return 0;
    case WM_TEST_REMOVE_HOOKS:
        if (testHookKey_ != 0 && static_cast<std::uint64_t>(wp) == testHookKey_ && removeHooks_)
            removeHooks_();
        return 0;
    case WM_CLOSE:
        // The load handles messages as it goes: ending now would free the rows it fills. It is
        // asked to stop, and the program ends once it has.
        if (phraseFile_ && !phraseFile_->RequestEnd()) {
            endAfterLoad_ = true;
            return 0;
        }
        // No hide-on-close: closing ends the program, with the cell being edited kept.
        grid_.AcceptEdit();
        DestroyWindow(wnd_);
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // The session ends (log off, shut down) and the process with it, without WM_DESTROY:
        // shut down now so that the phrases are saved.
        if (wp) {
            // During the load nothing can have been edited yet and the file is untouched: the
            // load is only asked to stop.
            if (phraseFile_ && !phraseFile_->RequestEnd()) {
                endAfterLoad_ = true;
                return 0;
            }
            grid_.AcceptEdit();
            ShutDown();
        }
        return 0;
    case WM_DESTROY:
        StopWatchdog();
        ShutDown();
        RemoveTrayIcon();
        if (trayTimerOn_) SetTrayTimer(false);
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(wnd_, GWLP_USERDATA, 0);
        wnd_ = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcW(wnd_, msg, wp, lp);
}

// --- start-up and shutdown -------------------------------------------------------------------

void MainWindow::StartUp() {
    // The instance mutex, held (never closed) for as long as this process lives, so that a
    // second start can tell that one already runs.
    if (testStartPauseMs_) Sleep(testStartPauseMs_);
    SetLastError(ERROR_SUCCESS);
    instanceMutex_ = CreateMutexW(nullptr, TRUE, L"Verbanta");
    if (!instanceMutex_ || GetLastError() == ERROR_ALREADY_EXISTS) {
        // The copy running owns the phrase file and the keyboard: this one reads, hooks and
        // writes nothing (no phrase file is set, so the shutdown saves none) and ends. Two
        // copies started at once may both have found the mutex "Lumora" new; the winner's
        // window, made before it took the mutex, still tells that the holder is Lumora.
        bool otherWindow = false;
        for (HWND w = FindWindowExW(nullptr, nullptr, MainWindowClass, nullptr); w && !otherWindow;
             w = FindWindowExW(nullptr, w, MainWindowClass, nullptr))
            otherWindow = w != wnd_;
        const wchar_t* text =
            lumoraRuns_ || otherWindow
                ? L"Lumora is already running on your computer: its icon is in the "
                  L"notification area of the taskbar."
                : L"Verbanta is running on your computer. You don't need an additional "
                  L"Autotext program.";
        MessageBoxW(wnd_, text, L"Information", MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
        PostQuitMessage(0);
        return;
    }
    ShowTrayIcon();
    // Explorer broadcasts it when it restarts: the tray icon must then be added again.
    main_.SetTaskbarCreatedMsg(RegisterWindowMessageW(L"TaskbarCreated"));
    const UINT controlMsg = RegisterWindowMessageW(ControlMessageName);
    // A second start of lower integrity (not elevated) may still pause an elevated copy.
    ChangeWindowMessageFilterEx(wnd_, controlMsg, MSGFLT_ALLOW, nullptr);
    main_.SetControlMsg(controlMsg);
    // The settings file, with -delims= and -maxitems= over it for this run only.
    settingsFile_.emplace(*files_, win32_, ExecutableFolder() + u"lumora.ini", win32_);
    settings_ = settingsFile_->Load();
    if (!settingsFile_->Problems().empty())
        startNotes_.push_back(
            SettingsProblemsMessage(settingsFile_->Problems(), settingsFile_->Path()));
    options_ = RunOptions(settings_, CommandLineArguments(), &startNotes_);
    main_.SetPauseShortcut(settings_.PauseShortcut);
    if (startPaused_) main_.SetPaused(true);
    // Never a device, a folder, our own files or a file of another kind: then the default file
    // for this run. One that cannot be reached now is kept, and loaded once it can.
    const std::u16string configured = PhraseFilePath(ExecutableFolder(), settings_.PhraseFile);
    const PhraseFileChoice place =
        ChoosePhraseFile(*files_, configured, ExecutableFolder() + u"lumora.lmx", OwnFiles());
    if (!place.Message.empty()) startNotes_.push_back(place.Message);
    if (place.Path)
        phraseFile_.emplace(*files_, win32_, *place.Path, rows_, index_,
                            [this](std::exception_ptr e) { main_.ShowException(e); });
    // Said at start: a write that fails for the same reason is not said again.
    if (phraseFile_ && !place.Message.empty() && *place.Path == configured)
        phraseFile_->MarkWriteFailureSaid();
    SetTimer(wnd_, PhraseFileTimerId, PhraseFile::TickIntervalMs, nullptr);
    // The load keeps the window answering meanwhile. A load error ends start-up here, before
    // the hook (the caption then carries no version); the edits made after it are still saved,
    // with the file kept as its backup first.
    bool loaded = false;
    PhraseLoadResult result;
    try {
        // Messages are handled every 30 ms or so, not after every phrase: a round through
        // the queue per phrase made 10,000 phrases take over a second under Wine.
        ULONGLONG pumped = GetTickCount64();
        if (phraseFile_)
            result = phraseFile_->Load(options_.MaxPhrases, [this, &pumped] {
                if (testLoadPauseMs_) Sleep(testLoadPauseMs_);
                const ULONGLONG now = GetTickCount64();
                if (now - pumped < LoadPumpIntervalMs) return;
                pumped = now;
                win32_.ProcessPendingMessages();
            });
        loaded = true;
    } catch (...) {
        main_.ShowException(std::current_exception());
    }
    if (endAfterLoad_) {
        PostMessageW(wnd_, WM_CLOSE, 0, 0);
        return;
    }
    // Only now: the search window lists the rows the load fills.
    main_.SearchRequested = [this] { ShowSearch(); };
    main_.SetSearchShortcut(settings_.SearchShortcut);
    if (result.StoppedAtLimit) loadedFromFile_ = rows_.Count();
    UpdateStatus();
    if (loaded) StartHook();
    if (link_.HookThread != 0 && !startNotes_.empty())
        PostMessageW(wnd_, WM_SHOW_START_NOTES, 0, 0);
    if (result.StoppedAtLimit && link_.HookThread != 0) ReportPhrasesLeftOut();
    if (showAfterLoad_) ShowPhraseList();
}

void MainWindow::StartHook() {
    // Only the library beside the executable, by full path: never the DLL search path, where a
    // planted lumora.dll could stand in for ours.
    const std::u16string folder = ExecutableFolder();
    const std::u16string dll = folder + u"lumora.dll";
    std::u16string problem;
    if (!hookLibrary_) {
        hookLibrary_ = LoadLibraryExW(WidePtr(dll), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (!hookLibrary_)
            problem = u"lumora.dll could not be loaded from the folder " + folder + u" (" +
                      SystemErrorText(GetLastError(), u"lumora.dll") +
                      u"). lumora.exe needs its own lumora.dll beside it.";
    }
    SetHookProc setHook = nullptr;
    if (hookLibrary_) {
        setHook = reinterpret_cast<SetHookProc>(
            reinterpret_cast<void*>(GetProcAddress(hookLibrary_, "SetHook")));
        if (!setHook)
            problem = u"the file lumora.dll in the folder " + folder +
                      u" is not Lumora's keyboard-hook library (it has no SetHook).";
    }
    link_.HookThread = setHook ? setHook(wnd_) : 0;
    if (link_.HookThread == 0) {
        const std::u16string text = problem.empty() ? u"Could not set keyboard hook!"
                                                    : u"Could not set keyboard hook: " + problem;
        MessageBoxW(wnd_, WidePtr(text), WidePtr(ApplicationTitle),
                    MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
        PostQuitMessage(0);
        return;
    }
    hookLastEventTick_ = reinterpret_cast<HookLastEventTickProc>(
        reinterpret_cast<void*>(GetProcAddress(hookLibrary_, "HookLastEventTick")));
    removeHooks_ = reinterpret_cast<RemoveHooksProc>(
        reinterpret_cast<void*>(GetProcAddress(hookLibrary_, "RemoveHooks")));
    StartWatchdog();
    std::u16string caption = ApplicationTitle + u" " + VersionString(ExecutablePath());
    SetWindowTextW(wnd_, WidePtr(caption));
}

void MainWindow::ReportPhrasesLeftOut() {
    const std::u16string& path = phraseFile_->Path();
    const std::size_t count = CountPhrasesInFile(*files_, path);
    const std::u16string text =
        FileOverLimitMessage(count, options_.MaxPhrases, path, phraseFile_->BackupPath());
    MessageBoxW(wnd_, WidePtr(text), WidePtr(ApplicationTitle),
                MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}

void MainWindow::ShowStartNotes() {
    std::u16string text;
    for (const std::u16string& note : std::exchange(startNotes_, {}))
        text += (text.empty() ? u"" : u"\n\n") + note;
    if (text.empty()) return;
    // Owned by no window: closed, it would hand the activation to the hidden main window (as
    // Wine does), and the user's next keys would go nowhere. An exit meanwhile ends its loop
    // with the quit message.
    MessageBoxW(nullptr, WidePtr(text), WidePtr(ApplicationTitle),
                MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}

std::vector<std::u16string> MainWindow::OwnFiles() const {
    const std::u16string folder = ExecutableFolder();
    return {ExecutablePath(), folder + u"lumora.dll", folder + u"lumora.ini"};
}

void MainWindow::StartWatchdog() {
    // Unlocks come only to a window registered for the session's notifications.
    WTSRegisterSessionNotification(wnd_, NOTIFY_FOR_THIS_SESSION);
    SetTimer(wnd_, WatchdogTimerId, WatchdogIntervalMs, nullptr);
    watching_ = true;
}

void MainWindow::StopWatchdog() {
    if (!watching_) return;
    KillTimer(wnd_, WatchdogTimerId);
    WTSUnRegisterSessionNotification(wnd_);
    watching_ = false;
}

std::optional<std::uint32_t> MainWindow::LastEventTick() {
    if (!hookLastEventTick_) return std::nullopt;
    return hookLastEventTick_();
}

void MainWindow::ShutDown() {
    // Never under a running load: it still fills the rows (WM_CLOSE waits for it).
    if (shutDown_ || (phraseFile_ && phraseFile_->Loading())) return;
    shutDown_ = true;
    if (shownOnce_) RememberLayout();
    if (wnd_) KillTimer(wnd_, PhraseFileTimerId);
    // What is not yet written; a load that failed or stopped early left stored phrases out of
    // the list, and the file keeps the old one as a backup then, so that none of them is lost.
    try {
        if (phraseFile_) phraseFile_->SaveAtExit();
    } catch (...) {
        // The old file is untouched (the save is atomic); say why the edits were not saved,
        // unless that was said already: a second box must not hold up the exit.
        if (!phraseFile_->WriteFailureSaid()) main_.ShowException(std::current_exception());
    }
    // Each phrase takes itself out of the index as it goes.
    rows_.ClearPhrases();
    // The hook thread ends in its own time; the process ends with or without it.
    if (link_.HookThread) PostThreadMessageW(link_.HookThread, WM_QUIT, 0, 0);
}

// --- showing and hiding ----------------------------------------------------------------------

void MainWindow::ShowPhraseList() {
    if (!shownOnce_) {
        ApplyLayout();
        // Centred on the screen when first shown.
        RECT r{}, work{};
        GetWindowRect(wnd_, &r);
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        const int w = r.right - r.left, h = r.bottom - r.top;
        SetWindowPos(wnd_, nullptr, work.left + (work.right - work.left - w) / 2,
                     work.top + (work.bottom - work.top - h) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        shownOnce_ = true;
    }
    // The main window is the taskbar button: restoring it brings the button back.
    ShowWindow(wnd_, SW_RESTORE);
    SetForegroundWindow(wnd_);
    ShowWindow(wnd_, SW_SHOW);
    UpdateStatus();
    ShowPauseState();
}

void MainWindow::ExitProgram() {
    PostMessageW(wnd_, WM_CLOSE, 0, 0);
}

void MainWindow::HideToTray() {
    grid_.AcceptEdit();
    RememberLayout();
    // Hiding the window takes its taskbar button with it; the program is in the tray only.
    ShowWindow(wnd_, SW_HIDE);
    ShowPauseState();
}

namespace {

int WindowDpi(HWND w) {
    const UINT dpi = GetDpiForWindow(w);
    return dpi ? static_cast<int>(dpi) : 96;
}

} // namespace

void MainWindow::RememberLayout() {
    if (!wnd_ || !settingsFile_ || IsIconic(wnd_)) return;
    RECT client{};
    GetClientRect(wnd_, &client);
    if (client.right <= 0 || client.bottom <= 0) return;
    const int dpi = WindowDpi(wnd_);
    Settings kept = settings_;
    kept.ListWindowWidth = MulDiv(client.right, 96, dpi);
    kept.ListWindowHeight = MulDiv(client.bottom, 96, dpi);
    kept.AbbreviationColumnWidth = MulDiv(grid_.ColumnWidth(AbbreviationColumn), 96, dpi);
    kept.TextColumnWidth = MulDiv(grid_.ColumnWidth(TextColumn), 96, dpi);
    if (kept == settings_) return;
    settings_ = kept;
    settingsFile_->Save(settings_);
}

void MainWindow::ApplyLayout() {
    const int dpi = WindowDpi(wnd_);
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(wnd_, GWL_STYLE));
    RECT r{0, 0, MulDiv(settings_.ListWindowWidth, dpi, 96),
           MulDiv(settings_.ListWindowHeight, dpi, 96)};
    AdjustWindowRectExForDpi(&r, style, FALSE, 0, static_cast<UINT>(dpi));
    const int width = std::max<int>(r.right - r.left, MinWidth);
    const int height = std::max<int>(r.bottom - r.top, MinHeight);
    SetWindowPos(wnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The default shows the header whole also in a larger font; a width the user chose stays.
    int abbreviation = MulDiv(settings_.AbbreviationColumnWidth, dpi, 96);
    if (settings_.AbbreviationColumnWidth == Settings{}.AbbreviationColumnWidth)
        abbreviation = std::max(abbreviation, grid_.HeaderFitWidth(AbbreviationColumn));
    grid_.SetColumnWidth(AbbreviationColumn, abbreviation);
    // The text column takes the rest, as at every resize.
    editor_.GridResized();
}

void MainWindow::ShowAbout() {
    about_.ShowModal(wnd_, u"Lumora - Scrivolet " + VersionString(ExecutablePath()));
}

void MainWindow::ShowTrayMenu() {
    MenuGuard menu{CreatePopupMenu()};
    if (!menu.Menu) return;
    AppendMenuW(menu.Menu, MF_STRING, IDM_SETTINGS, L"Settings");
    AppendMenuW(menu.Menu, MF_STRING, IDM_OPTIONS, L"Options...");
    AppendMenuW(menu.Menu, MF_STRING | (main_.Paused() ? MF_CHECKED : MF_UNCHECKED), IDM_PAUSE,
                L"Pause");
    AppendMenuW(menu.Menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.Menu, MF_STRING, IDM_EXIT, L"Exit");
    POINT pt{};
    GetCursorPos(&pt);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(wnd_);
    TrackPopupMenu(menu.Menu, TPM_RIGHTBUTTON, pt.x, pt.y, 0, wnd_, nullptr);
    PostMessageW(wnd_, WM_NULL, 0, 0);
}

void MainWindow::ShowOptions() {
    if (optionsDialog_.IsOpen()) {
        optionsDialog_.Activate();
        return;
    }
    grid_.AcceptEdit();
    const Settings current = settings_;
    const std::size_t phrases = rows_.Count();
    OptionsFormValues values = FormValuesOf(settings_, win32_.RunCommand().has_value());
    // Over the phrase list when it is shown, else on its own.
    HWND owner = IsWindowVisible(wnd_) ? wnd_ : nullptr;
    for (;;) {
        const std::optional<OptionsFormResult> chosen =
            optionsDialog_.ShowModal(owner, values, [&](const OptionsFormValues& v) {
                return ReadOptionsForm(v, current, phrases);
            });
        if (!chosen || ApplyOptions(*chosen)) return;
        // The move of the phrase file was called off: the window again, as the user left it.
        values = FormValuesOf(chosen->NewSettings, chosen->StartAtSignIn);
    }
}

bool MainWindow::ApplyOptions(const OptionsFormResult& chosen) {
    const Settings& next = chosen.NewSettings;
    const std::u16string folder = ExecutableFolder();
    const std::u16string newPath = PhraseFilePath(folder, next.PhraseFile);
    if (chosen.PhraseFileChanged &&
        (!phraseFile_ || CompareTextInvariant(newPath, phraseFile_->Path()) != 0)) {
        // Never a device, a folder or one of our own files; a file of another kind only with
        // the user's yes below.
        const PlaceCheck place = CheckPhraseFilePlace(*files_, newPath, OwnFiles());
        if (place.Verdict == PlaceVerdict::Unusable && !place.OfAnotherKind) {
            const std::u16string text = u"The phrase file " + newPath + u" " + place.Reason +
                                        u". Choose another file for the phrases.";
            MessageBoxW(wnd_, WidePtr(text), L"Options", MB_OK | MB_ICONWARNING);
            return false;
        }
        // With no phrase file this run, the list goes to a new file, or the file's are used.
        PhraseFileMove how = files_->FileExists(newPath) ? PhraseFileMove::UseNewFile
                                                         : PhraseFileMove::TakePhrasesAlong;
        if (phraseFile_) {
            const std::u16string question =
                u"Take your phrases along to " + newPath +
                u"?\n\nYes: the list is written there and kept there from now on; " +
                phraseFile_->Path() + u" stays as it is.\nNo: the phrases kept in " + newPath +
                u" are used instead (none if there is no such file yet); yours stay in " +
                phraseFile_->Path() + u".";
            const int answer = MessageBoxW(wnd_, WidePtr(question), L"Options",
                                           MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1);
            if (answer == IDCANCEL) return false;
            how = answer == IDYES ? PhraseFileMove::TakePhrasesAlong : PhraseFileMove::UseNewFile;
            if (how == PhraseFileMove::TakePhrasesAlong && files_->FileExists(newPath)) {
                // Its phrases, or whatever else it holds, would be gone.
                const std::u16string replace =
                    place.OfAnotherKind
                        ? newPath + u" holds no phrases: it is a file of another kind. Replace "
                                    u"it with your phrases?"
                        : newPath + u" holds phrases already. Replace them with yours?";
                if (MessageBoxW(wnd_, WidePtr(replace), L"Options",
                                MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
                    return false;
            }
        }
        try {
            SwitchPhraseFile(phraseFile_, *files_, win32_, rows_, index_, newPath, how,
                             next.MaxPhrases,
                             [this](std::exception_ptr e) { main_.ShowException(e); });
        } catch (...) {
            main_.ShowException(std::current_exception());
            return false;
        }
        loadedFromFile_ = phraseFile_->KeepsOldFile() ? rows_.Count() : 0;
    } else if (loadedFromFile_ != 0 && next.MaxPhrases > options_.MaxPhrases) {
        // The load stopped at the old limit and the file is as it was then: the phrases after
        // the ones loaded come in now, and are written with the rest.
        try {
            loadedFromFile_ = BringInLeftOutPhrases(rows_, index_, *files_, phraseFile_->Path(),
                                                    loadedFromFile_, next.MaxPhrases);
            phraseFile_->Changed();
        } catch (...) {
            main_.ShowException(std::current_exception());
        }
    }
    try {
        ApplyStartAtSignIn(win32_, chosen.StartAtSignIn, ExecutablePath());
    } catch (...) {
        main_.ShowException(std::current_exception());
    }
    ApplySettings(next);
    UpdateStatus();
    return true;
}

void MainWindow::ApplySettings(const Settings& settings) {
    if (!settingsFile_) return; // a second copy, on its way out
    const Settings before = std::exchange(settings_, settings);
    settingsFile_->Save(settings_);
    if (settings_.ExpansionMode != before.ExpansionMode)
        options_.Mode = DelimiterModeOf(settings_.ExpansionMode);
    if (settings_.MaxPhrases != before.MaxPhrases) options_.MaxPhrases = settings_.MaxPhrases;
    options_.ExcludedPrograms = settings_.ExcludedPrograms;
    if (settings_.PauseShortcut != before.PauseShortcut)
        main_.SetPauseShortcut(settings_.PauseShortcut);
    if (settings_.SearchShortcut != before.SearchShortcut)
        main_.SetSearchShortcut(settings_.SearchShortcut);
}

void MainWindow::ShowSearch() {
    if (!search_) {
        search_ = std::make_unique<SearchWindow>(instance_, rows_,
                                                 [this](const std::u16string& text, HWND target) {
                                                     main_.TypeChosenPhrase(text, FromHwnd(target));
                                                 });
    }
    search_->Show();
}

void MainWindow::ShowPauseState() {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = wnd_;
    nid.uID = TrayIconId;
    nid.uFlags = NIF_ICON | NIF_TIP;
    nid.hIcon = TrayIcon();
    lstrcpynW(nid.szTip, TrayTip().c_str(), ARRAYSIZE(nid.szTip));
    // Without an icon (the shell not ready yet) the next add shows the state.
    Shell_NotifyIconW(NIM_MODIFY, &nid);
}

ControlCommand MainWindow::ControlCommandOfThisStart() {
    return ReadControlCommand(CommandLineArguments());
}

bool MainWindow::HandToRunningCopy(ControlCommand command) {
    const UINT controlMsg = RegisterWindowMessageW(ControlMessageName);
    bool found = false;
    // Every window of the class: a second start showing its "already running" box has one
    // too, and ignores the message.
    for (HWND w = FindWindowExW(nullptr, nullptr, MainWindowClass, nullptr); w;
         w = FindWindowExW(nullptr, w, MainWindowClass, nullptr)) {
        found = true;
        DWORD_PTR result = 0;
        // Sent, not posted: the command has been carried out when this start ends.
        SendMessageTimeoutW(w, controlMsg, static_cast<WPARAM>(command), 0,
                            SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000, &result);
    }
    return found;
}

// --- the phrase editor ----------------------------------------------------------------------

bool MainWindow::CreateEditorControls() {
    toolbar_ = CreateWindowExW(
        0, TOOLBARCLASSNAMEW, nullptr,
        WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP, 0, 0, 0, 0, wnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TOOLBAR)), instance_, nullptr);
    if (!toolbar_) return false;
    SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    // The system's own small images: new file, delete, help.
    TBADDBITMAP images{HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
    SendMessageW(toolbar_, TB_ADDBITMAP, 0, reinterpret_cast<LPARAM>(&images));
    TBBUTTON buttons[] = {
        {STD_FILENEW, static_cast<int>(IDM_NEW_ITEM), TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {STD_DELETE, static_cast<int>(IDM_DELETE), TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {STD_HELP, static_cast<int>(IDM_ABOUT), TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {STD_PROPERTIES, static_cast<int>(IDM_OPTIONS), TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
    };
    SendMessageW(toolbar_, TB_ADDBUTTONSW, ARRAYSIZE(buttons), reinterpret_cast<LPARAM>(buttons));
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);

    statusBar_ = CreateWindowExW(
        0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, wnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS_BAR)), instance_, nullptr);
    if (!statusBar_) return false;
    if (!grid_.Create(wnd_, instance_, IDC_PHRASE_GRID)) return false;
    grid_.SetStatusListener([this] { UpdateStatus(); });
    LayoutEditor();
    UpdateStatus();
    return true;
}

void MainWindow::UpdateStatus() {
    if (!statusBar_) return;
    SendMessageW(statusBar_, SB_SETTEXTW, 0,
                 reinterpret_cast<LPARAM>(WidePtr(editor_.StatusText())));
    static const std::u16string listShown(ListShownStatusText);
    SendMessageW(statusBar_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(WidePtr(listShown)));
}

void MainWindow::LayoutEditor() {
    if (!toolbar_ || !statusBar_ || !grid_.Handle()) return;
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
    SendMessageW(statusBar_, WM_SIZE, 0, 0);
    RECT client{}, bar{}, status{};
    GetClientRect(wnd_, &client);
    // The second panel, on the right, says that nothing is expanded meanwhile.
    HDC dc = GetDC(statusBar_);
    SIZE extent{};
    if (dc) {
        const auto font = reinterpret_cast<HFONT>(SendMessageW(statusBar_, WM_GETFONT, 0, 0));
        const HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
        static const std::u16string listShown(ListShownStatusText);
        GetTextExtentPoint32W(dc, WidePtr(listShown), static_cast<int>(listShown.size()), &extent);
        if (old) SelectObject(dc, old);
        ReleaseDC(statusBar_, dc);
    }
    int parts[] = {std::max<int>(0, client.right - extent.cx - 32), -1};
    SendMessageW(statusBar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    GetWindowRect(toolbar_, &bar);
    GetWindowRect(statusBar_, &status);
    const int top = bar.bottom - bar.top;
    const int bottom = client.bottom - (status.bottom - status.top);
    MoveWindow(grid_.Handle(), 0, top, client.right, std::max(0, bottom - top), TRUE);
}

void MainWindow::NewPhrase() {
    // What is being typed into a cell counts first: an abbreviation typed into a new row
    // makes that row no longer the empty one to reuse.
    grid_.AcceptEdit();
    if (editor_.NewPhrase() == NewPhraseOutcome::ListFull) {
        UpdateStatus();
        MessageBoxW(wnd_, WidePtr(ListFullMessage(options_.MaxPhrases)), WidePtr(ApplicationTitle),
                    MB_OK | MB_ICONINFORMATION);
    }
}

void MainWindow::DeletePhrase() {
    // Delete while a new row is still empty removes that row, and no other.
    if (grid_.AcceptEdit()) return;
    editor_.DeletePhrase();
}

// --- tray icon -------------------------------------------------------------------------------

bool MainWindow::AddTrayIcon() {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = wnd_;
    nid.uID = TrayIconId;
    nid.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    nid.uCallbackMessage = WM_TRAY_CALLBACK;
    nid.hIcon = TrayIcon();
    lstrcpynW(nid.szTip, TrayTip().c_str(), ARRAYSIZE(nid.szTip));
    return Shell_NotifyIconW(NIM_ADD, &nid) != FALSE;
}

HICON MainWindow::TrayIcon() const {
    if (main_.Paused() && pausedIcon_) return pausedIcon_;
    return smallIcon_ ? smallIcon_ : icon_;
}

std::wstring MainWindow::TrayTip() const {
    if (main_.Paused()) return L"Lumora (paused)";
    // The intake observes nothing while the list is shown.
    if (wnd_ && IsWindowVisible(wnd_)) return WidePtr(std::u16string(ListShownTrayTip));
    return WidePtr(ApplicationTitle);
}

void MainWindow::ShowNotice(const std::u16string& title, const std::u16string& text) {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = wnd_;
    nid.uID = TrayIconId;
    nid.uFlags = NIF_INFO;
    nid.dwInfoFlags = NIIF_WARNING;
    lstrcpynW(nid.szInfoTitle, WidePtr(title), ARRAYSIZE(nid.szInfoTitle));
    lstrcpynW(nid.szInfo, WidePtr(text), ARRAYSIZE(nid.szInfo));
    // Without an icon (the shell not ready yet) no balloon shows; the notice is not repeated.
    Shell_NotifyIconW(NIM_MODIFY, &nid);
}

void MainWindow::RemoveTrayIcon() {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = wnd_;
    nid.uID = TrayIconId;
    Shell_NotifyIconW(NIM_DELETE, &nid); // removing an icon that is not there is no error
}

void MainWindow::SetTrayTimer(bool on) {
    if (on)
        SetTimer(wnd_, TrayTimerId, TrayTimerInterval, nullptr);
    else
        KillTimer(wnd_, TrayTimerId);
    trayTimerOn_ = on;
}

void MainWindow::ShowTrayIcon() {
    if (AddTrayIcon()) return;
    RemoveTrayIcon();
    SetTrayTimer(true);
}

void MainWindow::RetryTrayIcon() {
    RemoveTrayIcon();
    if (AddTrayIcon()) {
        SetTrayTimer(false);
        return;
    }
    RemoveTrayIcon();
}

void MainWindow::ReAddTrayIcon() {
    RemoveTrayIcon();
    if (AddTrayIcon()) return;
    RemoveTrayIcon();
    SetTrayTimer(true);
}

} // namespace lumora
