#pragma once
// The program's main window on Windows: start-up and shutdown, the tray icon and its menu,
// showing and hiding, and the window procedure that hands every message of the intake to the
// portable EventIntake.
#include "data/Phrase.h"
#include "data/PhraseFile.h"
#include "data/PhraseList.h"
#include "editor/PhraseEditor.h"
#include "hook/LumoraHook.h"
#include "intake/EventIntake.h"
#include "intake/HookWatchdog.h"
#include "platform/FileSystem.h"
#include "platform/TrayNotices.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Platform.h"
#include "settings/SettingsFile.h"
#include "winapp/AboutDialog.h"
#include "winapp/OptionsDialog.h"
#include "winapp/PhraseGrid.h"
#include "winapp/SearchWindow.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumora {

class MainWindow final : public TrayNotices, public HookActivity {
public:
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

    // The -pause, -resume, -toggle or -exit of this start, if any.
    static ControlCommand ControlCommandOfThisStart();
    // Hands the command to the copy of Lumora that runs; false when none runs.
    static bool HandToRunningCopy(ControlCommand command);

    // A balloon at the tray icon.
    void ShowNotice(const std::u16string& title, const std::u16string& text) override;
    // The hook library's tick of its hooks' last event.
    std::optional<std::uint32_t> LastEventTick() override;

private:
    static LRESULT CALLBACK WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

    void StartUp();
    void ShutDown();
    void StartHook();
    void StartWatchdog();
    void StopWatchdog();

    void ShowPhraseList();
    void ExitProgram();
    void HideToTray();
    void ShowAbout();
    void ShowTrayMenu();
    // The Options window (not built yet).
    void ShowOptions();
    void ShowSearch();
    // The tray icon and tooltip of the pause state.
    void ShowPauseState();

    // The phrase editor: toolbar, grid and status bar.
    bool CreateEditorControls();
    void LayoutEditor();
    void NewPhrase();
    void DeletePhrase();
    void UpdateStatus();
    // The phrase file held more phrases than the list may: says so once the program runs.
    void ReportPhrasesLeftOut();
    void ShowStartNotes();
    std::vector<std::u16string> OwnFiles() const;
    // The window's size and column widths, kept in lumora.ini at 96 dots per inch.
    void RememberLayout();
    void ApplyLayout();
    // Applies what OK in the Options window chose; false when nothing changed (the user
    // cancelled the move of the phrase file, or it failed).
    bool ApplyOptions(const OptionsFormResult& chosen);

    HICON TrayIcon() const;
    std::wstring TrayTip() const;
    bool AddTrayIcon();
    void RemoveTrayIcon();
    void ShowTrayIcon();
    void ReAddTrayIcon();
    void RetryTrayIcon();
    void SetTrayTimer(bool on);

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
    EventIntake main_;
    HookWatchdog watchdog_;
    PhraseEditor editor_;
    PhraseGrid grid_;
    // Made at the first press of the search shortcut.
    std::unique_ptr<SearchWindow> search_;
    std::unique_ptr<FileSystem> files_;
    AboutDialog about_;

    // lumora.ini beside the program, and what it held at start.
    std::optional<SettingsFile> settingsFile_;
    Settings settings_;
    // The phrase file: loaded at start, written after each change.
    std::optional<PhraseFile> phraseFile_;
    HANDLE instanceMutex_ = nullptr; // held until the process ends
    HMODULE hookLibrary_ = nullptr;  // stays loaded: its thread runs until the process ends
    HookLastEventTickProc hookLastEventTick_ = nullptr;
    RemoveHooksProc removeHooks_ = nullptr;
    // The number a test gives in LUMORA_TEST_HOOK_KEY, 0 for none (see WM_TEST_REMOVE_HOOKS).
    std::uint64_t testHookKey_ = 0;
    // LUMORA_TEST_LOAD_PAUSE_MS: 0 but in the test that exits during a load.
    DWORD testLoadPauseMs_ = 0;
    // A pause before the instance mutex is taken (LUMORA_TEST_START_PAUSE_MS, test-only), so
    // that a test can start a second copy that overtakes this one.
    DWORD testStartPauseMs_ = 0;
    // What is wrong with the settings, the command line or the phrase file's place: said
    // once, in one box, once the program runs.
    std::vector<std::u16string> startNotes_;
    bool watching_ = false;
    HICON icon_ = nullptr;
    HICON smallIcon_ = nullptr;
    HICON pausedIcon_ = nullptr; // the tray's while paused
    HWND toolbar_ = nullptr;
    HWND statusBar_ = nullptr;
    HACCEL accelerators_ = nullptr; // Ctrl+N
    bool trayTimerOn_ = false;
    bool shownOnce_ = false;
    bool shutDown_ = false;
    // Asked for while the phrase file was loading: done once it has ended.
    bool endAfterLoad_ = false;
    bool showAfterLoad_ = false;
    OptionsDialog optionsDialog_;
    // How many of the phrase file's phrases are in the list, when a load stopped at the limit:
    // a larger limit brings in the ones after them.
    std::size_t loadedFromFile_ = 0;
};

} // namespace lumora
