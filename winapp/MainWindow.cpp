// The main window: its class and creation, the message loop, and the routing of its messages
// to the intake and to the units that start and end the program, run the tray icon and show
// the phrase list; also the glue to the Options, About and search windows.
#include "winapp/MainWindow.h"

#include "data/PhraseFilePlace.h"

#include "editor/BackupImport.h"
#include "editor/PhraseFileChoice.h"
#include "platform/TextCase.h"
#include "platform/win32/VersionInfo.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Handles.h"
#include "settings/Options.h"
#include "winapp/resource.h"

#include <commctrl.h>

#include <string>
#include <utility>

namespace lumora {

namespace {

constexpr int InitialClientWidth = 531;
constexpr int InitialClientHeight = 416;

#ifndef LUMORA_HOMEPAGE
#define LUMORA_HOMEPAGE "https://lumora.example.org/"
#endif

std::u16string Homepage() {
    const char* s = LUMORA_HOMEPAGE;
    return std::u16string(s, s + std::char_traits<char>::length(s));
}

} // namespace

MainWindow::MainWindow(HINSTANCE instance, bool lumoraRuns, bool startPaused)
    : instance_(instance), lumoraRuns_(lumoraRuns), startPaused_(startPaused),
      platform_(win32_.AsPlatform()), intake_(platform_, win32_, *this, link_, options_, index_),
      watchdog_(platform_, link_, *this, intake_.Tracking()),
      editor_(rows_, index_, options_, link_, platform_),
      list_(rows_, editor_, [this](std::exception_ptr e) { intake_.ShowException(e); }),
      tray_([this] {
          return TrayIcon::State{intake_.Paused(), wnd_ && IsWindowVisible(wnd_),
                                 FormatShortcut(settings_.PauseShortcut),
                                 FormatShortcut(settings_.SearchShortcut)};
      }),
      files_(MakeWin32FileSystem()), about_(instance, Homepage()),
      optionsDialog_(instance, win32_, win32_), importDialog_(instance) {
    intake_.ReAddTrayIcon = [this] { tray_.ShowAgain(); };
    optionsDialog_.SetShortcutFieldFocus([this](bool inField) {
        // Pressed in a shortcut field, Lumora's own shortcuts are what the user means to enter.
        intake_.SetPauseShortcut(inField ? Shortcut{} : settings_.PauseShortcut);
        if (intake_.SearchRequested || !inField)
            intake_.SetSearchShortcut(inField ? Shortcut{} : settings_.SearchShortcut);
    });
    editor_.Changed = [this] {
        // Once the list changed, the file will be written from it: what the load left out is
        // in the backup only.
        loadedFromFile_ = 0;
        if (phraseFile_) phraseFile_->Changed();
        phraseFileWatch_.Arm();
    };
    intake_.NewPhrase = [this] { list_.NewPhrase(options_.MaxPhrases); };
    intake_.PauseChanged = [this](bool) { tray_.ShowState(); };
    intake_.ExitRequested = [this] { ExitProgram(); };
    // The program ends: an expansion under way types nothing more.
    win32_.QuitSeen = [this] { intake_.Expansion().StopForExit(); };
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
    wc.lpfnWndProc = WindowOwner::Procedure;
    wc.hInstance = instance_;
    wc.hIcon = icon_;
    wc.hIconSm = smallIcon_;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = ClassName;
    if (!RegisterClassExW(&wc)) return false;

    ACCEL keys[] = {{FCONTROL | FVIRTKEY, 'N', IDM_NEW_ITEM},
                    {FCONTROL | FVIRTKEY, 'F', IDM_FILTER_PHRASES}};
    accelerators_ = CreateAcceleratorTableW(keys, ARRAYSIZE(keys));

    // A minimize button and no maximize button; resizable.
    const DWORD style = WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX;
    RECT r{0, 0, InitialClientWidth, InitialClientHeight};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    CreateWindowExW(0, ClassName, WidePtr(ApplicationTitle), style, CW_USEDEFAULT, CW_USEDEFAULT,
                    r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance_,
                    static_cast<WindowOwner*>(this));
    return wnd_ != nullptr;
}

int MainWindow::Run() {
    MSG msg;
    for (;;) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
            // The list's shortcut keys are its own: not the search window's or a dialog's.
            if (accelerators_ && wnd_ && (msg.hwnd == wnd_ || IsChild(wnd_, msg.hwnd)) &&
                TranslateAcceleratorW(wnd_, accelerators_, &msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        // The queue has run empty.
        intake_.OnIdle();
        WaitMessage();
    }
}

void MainWindow::ScheduleGiveBack() {
    if (giveBackTimer_ || !wnd_) return;
    if (const auto delay = intake_.Expansion().Paste().GiveBackRetryDelayMs())
        giveBackTimer_ = SetTimer(wnd_, GiveBackTimerId, *delay, nullptr) != 0;
}

void MainWindow::Destroy() {
    if (wnd_) DestroyWindow(wnd_);
}

LRESULT MainWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    // The intake: hook reports, WM_EXPAND, WM_NEW_PHRASE and "TaskbarCreated".
    if (intake_.HandleMessage(msg, static_cast<std::uintptr_t>(wp),
                              static_cast<std::intptr_t>(lp))) {
        ScheduleGiveBack();
        // A close asked for during an expansion waits for it to have stopped and let the held
        // keys go.
        if (closeAfterExpansion_ && !intake_.Expansion().Running()) {
            closeAfterExpansion_ = false;
            PostMessageW(wnd_, WM_CLOSE, 0, 0);
        }
        return 0;
    }

    switch (msg) {
    case WM_CREATE:
        win32_.SetOwnerWindow(FromHwnd(wnd_));
        intake_.SetMainWindow(FromHwnd(wnd_));
        tray_.Attach(wnd_, smallIcon_ ? smallIcon_ : icon_, pausedIcon_);
        if (!list_.Create(wnd_, instance_)) return -1;
        StartUp();
        return 0;
    case WM_GETMINMAXINFO: {
        auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
        mm->ptMinTrackSize = POINT{PhraseListWindow::MinWidth, PhraseListWindow::MinHeight};
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
            list_.Layout();
        return 0;
    case WM_ACTIVATE:
        // The focus comes back to where it was (WM_SETFOCUS) when the window is activated again.
        if (LOWORD(wp) == WA_INACTIVE) list_.Deactivated();
        break;
    case WM_DPICHANGED: {
        // Moved to a display of another scale: the toolbar's images for it, then the size the
        // system suggests (whose WM_SIZE lays the list out again).
        list_.ApplyDpi();
        const auto* suggested = reinterpret_cast<const RECT*>(lp);
        SetWindowPos(wnd_, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_SETFOCUS:
        list_.TakeFocus();
        return 0;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (list_.HandleNotify(*reinterpret_cast<const NMHDR*>(lp), result)) return result;
        break;
    }
    case WM_COMMAND:
        if (list_.HandleCommand(wp, lp)) return 0;
        if (HandleCommand(LOWORD(wp))) return 0;
        break;
    case WM_CONTEXTMENU:
        if (list_.ShowContextMenu(reinterpret_cast<HWND>(wp), lp)) return 0;
        break;
    case TrayIcon::CallbackMessage:
        // A double click opens the phrase list; the menu opens on the right button's release.
        if (LOWORD(lp) == WM_RBUTTONUP || LOWORD(lp) == WM_CONTEXTMENU) tray_.ShowMenu();
        if (LOWORD(lp) == WM_LBUTTONDBLCLK) ShowPhraseList();
        // The first start's welcome offers the list.
        if (LOWORD(lp) == NIN_BALLOONUSERCLICK && tray_.BalloonClicked()) ShowPhraseList();
        return 0;
    case WM_TIMER:
        if (wp == TrayIcon::RetryTimerId) tray_.Retry();
        if (wp == GiveBackTimerId) {
            KillTimer(wnd_, GiveBackTimerId);
            giveBackTimer_ = false;
            intake_.Expansion().Paste().RetryGiveBack();
            ScheduleGiveBack();
        }
        if (wp == WatchdogTimerId && watching_) {
            watchdog_.Check();
            SetTimer(wnd_, WatchdogTimerId, watchdog_.NextCheckDelayMs(), nullptr);
        }
        // Neither an open cell nor the open search window may see the rows replaced.
        if (wp == PhraseFileWatch::TimerId)
            phraseFileWatch_.TimerFired(list_.Grid().IsEditing() ||
                                        (search_ && IsWindowVisible(search_->Handle())));
        return 0;
    case PhraseFileWatch::FolderChangedMessage:
        phraseFileWatch_.FolderChanged(wp);
        return 0;
    case WM_POWERBROADCAST:
    case WM_WTSSESSION_CHANGE:
        // Hooks can be lost across sleep and a locked session.
        watchdog_.HandleMessage(msg, static_cast<std::uintptr_t>(wp));
        break;
    case ShowStartNotesMessage:
        ShowStartNotes();
        return 0;
    // A pasted phrase is handed over only when the target asks for it (see PhrasePaste).
    case WM_RENDERFORMAT:
        win32_.RenderClipboardFormat(static_cast<unsigned>(wp));
        return 0;
    case WM_RENDERALLFORMATS:
        win32_.RenderAllClipboardFormats();
        return 0;
    case WM_DESTROYCLIPBOARD:
        win32_.ClipboardDestroyed();
        return 0;
    case HookLibrary::TestRemoveHooksMessage:
        hookLibrary_.RemoveHooksForTest(static_cast<std::uint64_t>(wp));
        return 0;
    case WM_CLOSE:
        // The load handles messages as it goes: ending now would free the rows it fills. It is
        // asked to stop, and the program ends once it has.
        if (phraseFile_ && !phraseFile_->RequestEnd()) {
            endAfterLoad_ = true;
            return 0;
        }
        // An expansion is being typed (this close came in while it handled messages): it stops
        // before its next chunk, and the close comes again once it has unwound.
        if (intake_.Expansion().StopForExit()) {
            closeAfterExpansion_ = true;
            return 0;
        }
        if (waitingForHeldKeys_) return 0;
        WaitForHeldKeys();
        // No hide-on-close: closing ends the program, with the cell being edited kept.
        list_.Grid().AcceptEdit();
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
            // The process ends after this answer, also in the middle of an expansion: the typing
            // stops, and the keys held for it go to the applications now.
            if (intake_.Expansion().StopForExit()) intake_.Expansion().ReleaseHold();
            if (!waitingForHeldKeys_) WaitForHeldKeys();
            list_.Grid().AcceptEdit();
            ShutDown();
        }
        return 0;
    case WM_DESTROY:
        StopWatchdog();
        ShutDown();
        tray_.Remove();
        PostQuitMessage(0);
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

bool MainWindow::HandleCommand(UINT command) {
    switch (command) {
    case IDM_SHOW_PHRASE_LIST:
        // The rows are being filled: the editor opens once they are all there.
        if (phraseFile_ && phraseFile_->Loading())
            showAfterLoad_ = true;
        else
            ShowPhraseList();
        return true;
    case IDM_EXIT:
        ExitProgram();
        return true;
    case IDM_OPTIONS:
        ShowOptions();
        return true;
    case IDM_SEARCH:
        // Offered once the load has filled the rows, as the shortcut is.
        if (intake_.SearchRequested) intake_.SearchRequested();
        return true;
    case IDM_PAUSE:
        intake_.SetPaused(!intake_.Paused());
        return true;
    case IDM_ABOUT:
        ShowAbout();
        return true;
    case IDM_NEW_ITEM:
        list_.NewPhrase(options_.MaxPhrases);
        return true;
    case IDM_DELETE:
        list_.DeletePhrase();
        return true;
    case IDM_FILTER_PHRASES:
        list_.FocusFilter();
        return true;
    case IDM_IMPORT:
        list_.ImportPhrases(index_, *files_, options_.MaxPhrases);
        return true;
    case IDM_EXPORT:
        list_.ExportPhrases(*files_);
        return true;
    case IDM_IMPORT_BACKUP:
        ImportBackup();
        return true;
    default:
        return false;
    }
}

void MainWindow::ImportBackup() {
    if (!phraseFile_ || phraseFile_->Loading()) return;
    list_.Grid().AcceptEdit();
    const std::u16string& path = phraseFile_->Path();
    const std::vector<BackupChoice> choices = BackupsToImport(*files_, path, rows_);
    if (choices.empty()) {
        const std::u16string text = u"There is no backup or conflict copy beside " + path +
                                    u" yet: Lumora makes one before it writes over phrases.";
        MessageBoxW(wnd_, WidePtr(text), L"Import from a backup", MB_OK | MB_ICONINFORMATION);
        return;
    }
    std::vector<std::u16string> lines;
    for (const BackupChoice& choice : choices)
        lines.push_back(BackupChoiceText(choice));
    const std::optional<std::size_t> chosen = importDialog_.ShowModal(wnd_, lines);
    if (!chosen) return;
    const BackupChoice& choice = choices[*chosen];
    const ImportOutcome outcome =
        ImportFromBackup(rows_, index_, *files_, choice.Path, options_.MaxPhrases);
    if (outcome.Added != 0 && editor_.Changed) editor_.Changed();
    list_.UpdateStatus();
    MessageBoxW(wnd_, WidePtr(ImportOutcomeText(outcome, choice.Name)), L"Import from a backup",
                MB_OK | (outcome.LeftOut ? MB_ICONWARNING : MB_ICONINFORMATION));
}

// --- showing and hiding ----------------------------------------------------------------------

void MainWindow::ShowPhraseList() {
    list_.Show(settings_);
    tray_.ShowState();
}

void MainWindow::ExitProgram() {
    PostMessageW(wnd_, WM_CLOSE, 0, 0);
}

void MainWindow::HideToTray() {
    list_.Grid().AcceptEdit();
    RememberLayout();
    list_.Hide();
    tray_.ShowState();
}

void MainWindow::RememberLayout() {
    if (!wnd_ || !settingsFile_) return;
    const std::optional<Settings> kept = list_.WithLayout(settings_);
    if (!kept || *kept == settings_) return;
    settings_ = *kept;
    settingsFile_->Save(settings_);
}

void MainWindow::ShowNotice(const std::u16string& title, const std::u16string& text) {
    tray_.ShowNotice(title, text);
}

std::optional<std::uint32_t> MainWindow::LastEventTick() {
    return hookLibrary_.LastEventTick();
}

// --- the other windows -----------------------------------------------------------------------

void MainWindow::ShowAbout() {
    about_.ShowModal(wnd_, u"Lumora - Scrivolet " + VersionString(ExecutablePath()));
}

void MainWindow::ShowSearch() {
    if (!search_) {
        search_ = std::make_unique<SearchWindow>(
            instance_, rows_,
            [this](const std::u16string& text, HWND target) {
                intake_.TypeChosenPhrase(text, FromHwnd(target));
            },
            [this](std::exception_ptr e) { intake_.ShowException(e); });
    }
    search_->Show();
}

void MainWindow::ShowOptions() {
    if (optionsDialog_.IsOpen()) {
        optionsDialog_.Activate();
        return;
    }
    list_.Grid().AcceptEdit();
    const Settings current = settings_;
    const std::size_t phrases = rows_.Count();
    OptionsFormValues values = FormValuesOf(settings_, win32_.RunCommand().has_value());
    // Over the phrase list when it is shown, else on its own.
    HWND owner = IsWindowVisible(wnd_) ? wnd_ : nullptr;
    for (;;) {
        const std::optional<OptionsFormResult> chosen =
            optionsDialog_.ShowModal(owner, values, [&](const OptionsFormValues& v) {
                // A place Lumora cannot write is refused here, before any question.
                OptionsFormResult result = ReadOptionsForm(v, current, phrases);
                const std::u16string path =
                    PhraseFilePath(ExecutableFolder(), result.NewSettings.PhraseFile);
                return CheckPhraseFileLocation(std::move(result), *files_, path);
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
            const std::optional<std::size_t> phrasesThere =
                files_->FileExists(newPath) && !place.OfAnotherKind
                    ? std::optional<std::size_t>(CountPhrasesInFile(*files_, newPath))
                    : std::nullopt;
            const std::u16string question =
                PhraseFileMoveQuestion(phraseFile_->Path(), newPath, rows_.Count(), phrasesThere);
            const int answer = MessageBoxW(wnd_, WidePtr(question), L"Options",
                                           MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1);
            if (answer == IDCANCEL) return false;
            how = answer == IDYES ? PhraseFileMove::TakePhrasesAlong : PhraseFileMove::UseNewFile;
            // Whatever a file of another kind holds would be gone.
            if (how == PhraseFileMove::TakePhrasesAlong && place.OfAnotherKind &&
                MessageBoxW(wnd_,
                            WidePtr(newPath + u" holds no phrases: it is a file of another kind. "
                                              u"Replace it with your phrases?"),
                            L"Options", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
                return false;
        }
        try {
            SwitchPhraseFile(phraseFile_, *files_, win32_, rows_, index_, newPath, how,
                             next.MaxPhrases,
                             [this](std::exception_ptr e) { intake_.ShowException(e); });
        } catch (...) {
            intake_.ShowException(std::current_exception());
            return false;
        }
        loadedFromFile_ = phraseFile_->KeepsOldFile() ? rows_.Count() : 0;
        phraseFileWatch_.Watch(wnd_, *phraseFile_);
    } else if (loadedFromFile_ != 0 && next.MaxPhrases > options_.MaxPhrases) {
        // The load stopped at the old limit and the file is as it was then: the phrases after
        // the ones loaded come in now, and are written with the rest.
        try {
            loadedFromFile_ = BringInLeftOutPhrases(rows_, index_, *files_, phraseFile_->Path(),
                                                    loadedFromFile_, next.MaxPhrases);
            phraseFile_->Changed();
            phraseFileWatch_.Arm();
        } catch (...) {
            intake_.ShowException(std::current_exception());
        }
    }
    try {
        ApplyStartAtSignIn(win32_, chosen.StartAtSignIn, ExecutablePath());
    } catch (...) {
        intake_.ShowException(std::current_exception());
    }
    ApplySettings(next);
    list_.UpdateStatus();
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
    options_.FollowCase = settings_.FollowCase;
    options_.UndoWithBackspace = settings_.UndoWithBackspace;
    options_.PasteAbove = settings_.PasteAbove;
    options_.ProgramMethods = settings_.ProgramMethods;
    if (settings_.PauseShortcut != before.PauseShortcut)
        intake_.SetPauseShortcut(settings_.PauseShortcut);
    if (settings_.SearchShortcut != before.SearchShortcut)
        intake_.SetSearchShortcut(settings_.SearchShortcut);
}

} // namespace lumora
