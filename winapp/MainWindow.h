#pragma once
// The program's main window on Windows: hidden while the program lives in the tray, shown as
// the phrase list. Its window procedure hands every message of the event intake to the portable
// EventIntake and the rest to the unit whose job it is.
#include "data/Phrase.h"
#include "data/PhraseFile.h"
#include "data/PhraseList.h"
#include "editor/PhraseEditor.h"
#include "intake/EventIntake.h"
#include "intake/HookWatchdog.h"
#include "platform/FileSystem.h"
#include "platform/TrayNotices.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Platform.h"
#include "settings/SettingsFile.h"
#include "winapp/AboutDialog.h"
#include "winapp/HookLibrary.h"
#include "winapp/ImportDialog.h"
#include "winapp/OptionsDialog.h"
#include "winapp/PhraseFileWatch.h"
#include "winapp/PhraseListWindow.h"
#include "winapp/SearchWindow.h"
#include "winapp/TrayIcon.h"
#include "winapp/WindowProcedure.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumora {

class MainWindow final : public TrayNotices, public HookActivity, private WindowOwner {
public:
    // The window class: a second start finds the copy that runs by it.
    static constexpr wchar_t ClassName[] = L"LumoraMainWindow";
    // The program's name in the window's caption and in its message boxes.
    static inline const std::u16string ApplicationTitle{u"Lumora"};

    // lumoraRuns: another copy of Lumora was already running at our start. startPaused: the
    // start asked for a pause (-pause, -toggle) and found no copy to hand it to.
    MainWindow(HINSTANCE instance, bool lumoraRuns, bool startPaused);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the window, hidden; its creation runs StartUp. False when no window could
    // be made.
    bool Create();
    // The message loop with the idle event, until a quit request.
    int Run();
    // Destroys the window; its destruction runs ShutDown (once).
    void Destroy();

    HWND Handle() const { return wnd_; }

    // The settings read at start, or last applied.
    const Settings& CurrentSettings() const { return settings_; }
    // New settings (the Options window's OK): written to lumora.ini and in effect from the next
    // key on; a changed mode or limit replaces the command line's for the rest of the run. A
    // new phrase file's place is taken up by ApplyOptions, which moves the phrases first.
    void ApplySettings(const Settings& settings);

    // A balloon at the tray icon.
    void ShowNotice(const std::u16string& title, const std::u16string& text) override;
    // The hook library's tick of its hooks' last event.
    std::optional<std::uint32_t> LastEventTick() override;

private:
    // WindowOwner
    void WindowAttached(HWND w) override { wnd_ = w; }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void ShowError(std::exception_ptr error) override { intake_.ShowException(error); }

    // The window's timers besides the tray icon's (TrayIcon::RetryTimerId).
    static constexpr UINT_PTR WatchdogTimerId = 2;
    // PhraseFileWatch::TimerId (3): writes the changes, looks at the file.
    // Gives the user's clipboard back when another program held it at a paste's end.
    static constexpr UINT_PTR GiveBackTimerId = 4;
    // Shows what start-up found wrong, after the window's creation: a box inside WM_CREATE
    // would hold an exit asked for meanwhile.
    static constexpr UINT ShowStartNotesMessage = WM_APP + 4;

    // The tray menu's, the toolbar's and Ctrl+N; false for none of ours.
    bool HandleCommand(UINT command);

    // Program start and end (ProgramLifetime.cpp).
    void StartUp();
    void StartHook();
    void ReportLoadFailure(const std::u16string& readError);
    void ReportPhrasesLeftOut();
    void ShowStartNotes();
    // Sets the give-back timer when a paste left the user's clipboard waiting.
    void ScheduleGiveBack();
    // lumora.exe, lumora.dll and lumora.ini: never a phrase file.
    std::vector<std::u16string> OwnFiles() const;
    void StartWatchdog();
    void StopWatchdog();
    void ShutDown();
    // Until the hook library has let every held key go (bounded), answering its reports.
    void WaitForHeldKeys();

    void ShowPhraseList();
    void ExitProgram();
    void HideToTray();
    void ShowAbout();
    void ShowOptions();
    void ShowSearch();
    // The window's size and column widths, kept in lumora.ini at 96 dots per inch.
    void RememberLayout();
    // Applies what OK in the Options window chose; false when nothing changed (the user
    // cancelled the move of the phrase file, or it failed).
    bool ApplyOptions(const OptionsFormResult& chosen);
    // "Import from a backup...": the phrases of a copy beside the phrase file that the list
    // lacks, added at its end.
    void ImportBackup();

    HINSTANCE instance_;
    bool lumoraRuns_;
    bool startPaused_;
    HWND wnd_ = nullptr;

    Win32Platform win32_;
    Platform platform_;
    Options options_;
    HookLink link_;
    AbbreviationIndex index_;
    PhraseList rows_;
    EventIntake intake_;
    HookWatchdog watchdog_;
    PhraseEditor editor_;
    PhraseListWindow list_;
    TrayIcon tray_;
    HookLibrary hookLibrary_;
    // Made at the first press of the search shortcut.
    std::unique_ptr<SearchWindow> search_;
    std::unique_ptr<FileSystem> files_;
    AboutDialog about_;
    OptionsDialog optionsDialog_;
    ImportDialog importDialog_;

    // lumora.ini beside the program, and what it held at start.
    std::optional<SettingsFile> settingsFile_;
    Settings settings_;
    // The phrase file: loaded at start, written after each change.
    std::optional<PhraseFile> phraseFile_;
    PhraseFileWatch phraseFileWatch_;
    HANDLE instanceMutex_ = nullptr; // held until the process ends
    // LUMORA_TEST_LOAD_PAUSE_MS: 0 but in the test that exits during a load.
    DWORD testLoadPauseMs_ = 0;
    // LUMORA_TEST_START_PAUSE_MS: a pause before the instance mutex is taken, so that a test
    // can start a second copy that overtakes this one.
    DWORD testStartPauseMs_ = 0;
    // What is wrong with the settings, the command line or the phrase file's place: said
    // once, in one box, once the program runs.
    std::vector<std::u16string> startNotes_;
    bool watching_ = false;
    bool giveBackTimer_ = false;
    HICON icon_ = nullptr;
    HICON smallIcon_ = nullptr;
    HICON pausedIcon_ = nullptr;    // the tray's while paused
    HACCEL accelerators_ = nullptr; // Ctrl+N
    bool shutDown_ = false;
    // Asked for while the phrase file was loading: done once it has ended.
    bool endAfterLoad_ = false;
    // Asked for while an expansion was being typed: done once it has unwound.
    bool closeAfterExpansion_ = false;
    bool waitingForHeldKeys_ = false;
    bool showAfterLoad_ = false;
    // How many of the phrase file's phrases are in the list, when a load stopped at the limit:
    // a larger limit brings in the ones after them.
    std::size_t loadedFromFile_ = 0;
};

} // namespace lumora
