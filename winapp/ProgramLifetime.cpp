// The program's start and end: one copy at a time, the settings and the phrase file read at
// start, the hook set, and at the end the phrases saved; a second start's command handed on.
#include "winapp/ProgramLifetime.h"

#include "data/PhraseFilePlace.h"
#include "editor/StartNotices.h"
#include "platform/Error.h"

#include "platform/win32/SystemErrors.h"
#include "platform/win32/VersionInfo.h"
#include "platform/win32/Win32Handles.h"
#include "winapp/MainWindow.h"

#include <shellapi.h>
#include <wtsapi32.h>

#include <memory>
#include <optional>
#include <utility>

namespace lumora {

namespace {

// The registered message that carries a second start's -pause, -resume, -toggle or -exit.
const wchar_t ControlMessageName[] = L"LumoraControl";
// How often a load stops to handle the window's messages.
constexpr ULONGLONG LoadPumpIntervalMs = 30;
// How long the end waits at most for the held keys to be replayed.
constexpr ULONGLONG HeldKeysWaitMs = 2000;

} // namespace

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

ControlCommand ControlCommandOfThisStart() {
    return ReadControlCommand(CommandLineArguments());
}

bool HandToRunningCopy(ControlCommand command) {
    const UINT controlMsg = RegisterWindowMessageW(ControlMessageName);
    bool found = false;
    // Every window of the class: a second start showing its "already running" box has one
    // too, and ignores the message.
    for (HWND w = FindWindowExW(nullptr, nullptr, MainWindow::ClassName, nullptr); w;
         w = FindWindowExW(nullptr, w, MainWindow::ClassName, nullptr)) {
        found = true;
        DWORD_PTR result = 0;
        // Sent, not posted: the command has been carried out when this start ends.
        SendMessageTimeoutW(w, controlMsg, static_cast<WPARAM>(command), 0,
                            SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000, &result);
    }
    return found;
}

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
        for (HWND w = FindWindowExW(nullptr, nullptr, ClassName, nullptr); w && !otherWindow;
             w = FindWindowExW(nullptr, w, ClassName, nullptr))
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
    tray_.Show();
    // Explorer broadcasts it when it restarts: the tray icon must then be added again.
    intake_.SetTaskbarCreatedMsg(RegisterWindowMessageW(L"TaskbarCreated"));
    const UINT controlMsg = RegisterWindowMessageW(ControlMessageName);
    // A second start of lower integrity (not elevated) may still pause an elevated copy.
    ChangeWindowMessageFilterEx(wnd_, controlMsg, MSGFLT_ALLOW, nullptr);
    intake_.SetControlMsg(controlMsg);
    // The settings file, with -delims= and -maxitems= over it for this run only.
    settingsFile_.emplace(*files_, win32_, ExecutableFolder() + u"lumora.ini", win32_);
    settings_ = settingsFile_->Load();
    if (!settingsFile_->Problems().empty())
        startNotes_.push_back(
            SettingsProblemsMessage(settingsFile_->Problems(), settingsFile_->Path()));
    options_ = RunOptions(settings_, CommandLineArguments(), &startNotes_);
    intake_.SetPauseShortcut(settings_.PauseShortcut);
    if (startPaused_) intake_.SetPaused(true);
    // Never a device, a folder, our own files or a file of another kind: then the default file
    // for this run. One that cannot be reached now is kept, and loaded once it can.
    const std::u16string configured = PhraseFilePath(ExecutableFolder(), settings_.PhraseFile);
    const PhraseFileChoice place =
        ChoosePhraseFile(*files_, configured, ExecutableFolder() + u"lumora.lmx", OwnFiles());
    if (!place.Message.empty()) startNotes_.push_back(place.Message);
    // Copies kept beside the file are named in a tray notice, with the local time in their names.
    PhraseFileCallbacks callbacks;
    callbacks.Report = [this](std::exception_ptr e) { intake_.ShowException(e); };
    callbacks.Tell = [this](const std::u16string& title, const std::u16string& text) {
        tray_.ShowNotice(title, text);
    };
    callbacks.Now = [this] { return win32_.CurrentTime(); };
    if (place.Path)
        phraseFile_.emplace(*files_, win32_, *place.Path, rows_, index_, std::move(callbacks));
    // Said at start: a write that fails for the same reason is not said again.
    if (phraseFile_ && !place.Message.empty() && *place.Path == configured)
        phraseFile_->MarkWriteFailureSaid();
    // The load keeps the window answering meanwhile. After a load error the phrases read
    // before it are expanded as after any start; the file is kept as its backup at once, so
    // that the message can say where.
    PhraseLoadResult result;
    std::optional<std::u16string> loadError;
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
    } catch (const Error& e) {
        loadError = e.Message();
    } catch (...) {
        intake_.ShowException(std::current_exception());
    }
    if (endAfterLoad_) {
        PostMessageW(wnd_, WM_CLOSE, 0, 0);
        return;
    }
    // Only now: the search window lists the rows the load fills.
    intake_.SearchRequested = [this] { ShowSearch(); };
    intake_.SetSearchShortcut(settings_.SearchShortcut);
    if (result.StoppedAtLimit) loadedFromFile_ = rows_.Count();
    list_.UpdateStatus();
    if (phraseFile_) phraseFileWatch_.Watch(wnd_, *phraseFile_);
    StartHook();
    // Told once the hook is set: the phrases kept are expanded while the message is shown.
    if (loadError && link_.HookThread != 0) ReportLoadFailure(*loadError);
    if (link_.HookThread != 0 && !startNotes_.empty())
        PostMessageW(wnd_, ShowStartNotesMessage, 0, 0);
    if (result.StoppedAtLimit && link_.HookThread != 0) ReportPhrasesLeftOut();
    // A first start shows nothing but an icon, which may sit in the hidden part of the tray.
    if (phraseFile_ && !result.FileFound && !loadError && link_.HookThread != 0)
        tray_.ShowWelcome(std::u16string(FirstStartBalloonTitle),
                          std::u16string(FirstStartBalloonText));
    if (showAfterLoad_) ShowPhraseList();
}

void MainWindow::StartHook() {
    const HookLibrary::Started started = hookLibrary_.Start(wnd_);
    link_.HookThread = started.HookThread;
    link_.Requests = started.HookThread ? &hookLibrary_ : nullptr;
    if (link_.HookThread == 0) {
        MessageBoxW(wnd_, WidePtr(started.Failure), WidePtr(ApplicationTitle),
                    MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
        PostQuitMessage(0);
        return;
    }
    StartWatchdog();
    std::u16string caption = ApplicationTitle + u" " + VersionString(ExecutablePath());
    SetWindowTextW(wnd_, WidePtr(caption));
}

void MainWindow::ReportLoadFailure(const std::u16string& readError) {
    std::optional<std::u16string> copy;
    try {
        copy = phraseFile_->KeepOldFileNow();
    } catch (...) {
        // Said in the message: with no copy, the file is not written over.
    }
    const std::u16string text =
        LoadFailedMessage(phraseFile_->Path(), readError, rows_.Count(), copy);
    MessageBoxW(wnd_, WidePtr(text), WidePtr(ApplicationTitle),
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
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
    SetTimer(wnd_, WatchdogTimerId, watchdog_.NextCheckDelayMs(), nullptr);
    watching_ = true;
}

void MainWindow::StopWatchdog() {
    if (!watching_) return;
    KillTimer(wnd_, WatchdogTimerId);
    WTSUnRegisterSessionNotification(wnd_);
    watching_ = false;
}

void MainWindow::WaitForHeldKeys() {
    // The keys typed during an expansion are replayed by the library's threads, and a replayed
    // Enter or Tab waits for the program's verdict: the messages are handled meanwhile, and
    // the expansion refuses to begin again. A library that never lets go is not waited for
    // longer than its own watchdog would take.
    waitingForHeldKeys_ = true;
    const ULONGLONG start = GetTickCount64();
    while (hookLibrary_.Holding() && GetTickCount64() - start < HeldKeysWaitMs) {
        win32_.ProcessPendingMessages();
        Sleep(5);
    }
    waitingForHeldKeys_ = false;
}

void MainWindow::ShutDown() {
    // Never under a running load: it still fills the rows (WM_CLOSE waits for it).
    if (shutDown_ || (phraseFile_ && phraseFile_->Loading())) return;
    shutDown_ = true;
    if (list_.ShownOnce()) RememberLayout();
    phraseFileWatch_.Stop();
    // What is not yet written; a load that failed or stopped early left stored phrases out of
    // the list, and the file keeps the old one as a backup then, so that none of them is lost.
    try {
        if (phraseFile_) phraseFile_->SaveAtExit();
    } catch (...) {
        // The old file is untouched (the save is atomic); say why the edits were not saved,
        // unless that was said already: a second box must not hold up the exit.
        if (!phraseFile_->WriteFailureSaid()) intake_.ShowException(std::current_exception());
    }
    // Each phrase takes itself out of the index as it goes.
    rows_.ClearPhrases();
    // The hook thread ends in its own time; the process ends with or without it.
    if (link_.HookThread) hookLibrary_.End();
}

} // namespace lumora
